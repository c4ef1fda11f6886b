// Whole contact runs: the reference server over loopback seeded with companies
// and the persons at them, a real local item store, questions answered by the
// scripted ui. Each test seeds both sides, runs, and compares both sides, the
// server's addresses and the mapping file.

#include "engine/CContactConflictDialog.h"
#include "engine/CContactLinkDialog.h"
#include "engine/CKindRun.h"
#include "tests/engine/ContactWorld.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace tarnwel {
namespace {

using test::CContactWorld;
using test::COutlookContact;
using test::CServerCompany;
using test::CServerPerson;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using A = CDialogAction;
using Pairs = std::map<std::string, std::string>;
using Texts = std::vector<std::string>;

constexpr const char* kLongAgo = "2020-01-01 00:00:00";
constexpr const char* kFuture = "2099-01-01 00:00:00";

// Controls of the contact conflict dialog and of the contact link dialog.
namespace conflict = contact_conflict_dialog;
namespace linking = contact_link_dialog;

// The answer to the link dialog that links to the second entry of the list.
const CDialogScript kLinkDialogSecondEntry{CContactLinkDialog::kTemplateId,
                                           {A::Click(linking::kLink), A::Select(linking::kCompanies, 1)}};

const CServerCompany kAlpha{"ADR1", "Alpha GmbH", "Köln", kLongAgo};
const CServerCompany kBeta{"ADR2", "Beta AG", "Bonn", kLongAgo};

// The lines of Anna Berg at the server's Alpha, in Outlook with another city
// (a changed company part) and at Beta.
const std::string kAnnaAtAlpha = CContactWorld::Line({"Anna Berg", "anna@alpha.de", "Alpha GmbH", "Köln"});
const std::string kAnnaMoved = CContactWorld::Line({"Anna Berg", "anna@alpha.de", "Alpha GmbH", "Düren"});
const std::string kAnnaAtBeta = CContactWorld::Line({"Anna Berg", "anna@alpha.de", "Beta AG", "Bonn"});

// The answers to the conflict dialog that link Anna to Beta (the second
// entry of the list), without and with a copy of her left at Alpha.
const std::vector<CDialogAction> kLinkToBeta{A::Click(conflict::kLink), A::Select(conflict::kCompanies, 1)};
const std::vector<CDialogAction> kLinkToBetaKeepingACopy{A::Click(conflict::kLink), A::Select(conflict::kCompanies, 1),
                                                         A::Click(conflict::kKeepCopy)};

// Seeds Alpha and Beta and the pair of Anna Berg: on the server at Alpha,
// in Outlook with `outlook`'s data. Returns the Outlook entry id.
std::string SeedAnna(CContactWorld& w, const COutlookContact& outlook, const std::string& serverChanged = kLongAgo)
{
    w.Company(kAlpha);
    w.Company(kBeta);
    return w.Pair({"C1", "ADR1", "Anna Berg", "anna@alpha.de", serverChanged}, outlook);
}

std::vector<std::string> Entries(const CShownDialog& dialog)
{
    return dialog.InitialControl(conflict::kCompanies).entries;  // the same control in both dialogs
}

TEST(ContactRunTest, NewAndDeletedContactsOnEachSideReachTheOtherSide)
{
    CContactWorld w;
    w.Company(kAlpha);
    w.ServerContact({"C1", "ADR1", "Anna Berg", "anna@alpha.de"});
    // Deleted in Outlook: restored there (OLDeleted Action 0).
    w.ServerContact({"C2", "ADR1", "Carl Dorn", "carl@alpha.de"});
    w.MapPair("gone-C2", "C2");
    // Never replicated: created on the server with its own company.
    w.OutlookContact({"Bert Kunz", "bert@kunz.de", "Kunz KG", "Aachen"});
    w.Run();

    EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
    EXPECT_THAT(w.ui.Dialogs(), IsEmpty());
    const Texts all{kAnnaAtAlpha, CContactWorld::Line({"Bert Kunz", "bert@kunz.de", "Kunz KG", "Aachen"}),
                    CContactWorld::Line({"Carl Dorn", "carl@alpha.de", "Alpha GmbH", "Köln"})};
    EXPECT_EQ(w.Contents(w.OutlookLines()), all);
    EXPECT_EQ(w.Contents(w.ServerLines()), all);
    EXPECT_EQ(w.Contents(w.Addresses()), (Texts{"Alpha GmbH|Köln", "Kunz KG|Aachen"}));
    w.ExpectInStep();
    EXPECT_EQ(w.Mapping().count("gone-C2"), 0u);
    EXPECT_FALSE(w.SessionOpen());

    // The new company went to the server under the first temporary id.
    const auto adds = w.Requests("addItems");
    ASSERT_FALSE(adds.empty());
    EXPECT_THAT(adds[0], HasSubstr("<address_id>NEW-ID-0</address_id>\n\t<address_action>new</address_action>"));

    EXPECT_EQ(w.sink.Calls().front(), "SetStatusControl 1088");
    EXPECT_THAT(w.sink.StatusTexts(), ElementsAre("199", "229", "200(2,0)", "230", "201(2,2)", "203(0,1)", "204(0,0)",
                                                  "205(0,0)", "206(1,0)", "231(0,0)", "208(0,2)", "208(1,2)", "213"));

    w.ExpectNextRunChangesNothing();
}

TEST(ContactRunTest, TheDeleteRightIsTheThirdPositionOfTheRights)
{
    // A pair deleted in Outlook is deleted on the server with the delete
    // right; without it OLDeleted NoRights 0 restores the Outlook contact.
    for (const char* rights : {"YNYN", "YYNY"}) {
        SCOPED_TRACE(rights);
        const bool deleteRight = rights[2] == 'Y';
        CContactWorld w;
        w.settings.contactRules.olDeletedAction = 1;
        w.settings.contactRules.olDeletedNoRights = 0;
        w.Rights(rights);
        w.Company(kAlpha);
        w.ServerContact({"C1", "ADR1", "Anna Berg", "anna@alpha.de"});
        w.MapPair("gone-C1", "C1");
        w.Run();

        EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
        EXPECT_EQ(w.Contents(w.ServerLines()), deleteRight ? Texts{} : Texts{kAnnaAtAlpha});
        EXPECT_EQ(w.Contents(w.OutlookLines()), deleteRight ? Texts{} : Texts{kAnnaAtAlpha});
        EXPECT_EQ(w.Mapping().size(), deleteRight ? 0u : 1u);
        w.ExpectNextRunChangesNothing();
    }
}

TEST(ContactRunTest, AChangedPairFollowsTheOvrActionTheRightsAndOvrNoRights)
{
    enum Outcome { outlookWins, serverWins, unchanged };
    enum Box { noBox, ok, cancel };
    struct Case {
        int action;
        const char* rights;
        int noRights;
        bool personal;     // the Outlook contact has another e-mail
        bool business;     // the Outlook contact's company is in another city
        const char* serverChanged;
        bool outlookUntouched;  // not changed in Outlook since the last run
        int click;         // the option chosen in the conflict dialog; -1: OK as preselected; 0: no dialog
        Box box;
        Outcome outcome;
    };
    const Case cases[] = {
        {0, "YYYY", 2, true, true, kFuture, false, 0, noBox, serverWins},
        {0, "NNNN", 2, true, false, kLongAgo, false, 0, noBox, serverWins},
        // Only the person changed: the server takes it and keeps its company.
        {1, "YYYY", 2, true, false, kFuture, false, 0, noBox, outlookWins},
        {1, "NYYY", 0, true, false, kLongAgo, false, 0, noBox, serverWins},
        // The company changed: the user decides, if the address may be written.
        {1, "YYYY", 2, false, true, kFuture, false, conflict::kLeaveBoth, noBox, unchanged},
        {1, "YYYY", 2, true, true, kFuture, false, conflict::kOverwriteServer, noBox, outlookWins},
        {1, "YNYN", 0, false, true, kLongAgo, false, 0, noBox, serverWins},
        {1, "YNYN", 1, false, true, kLongAgo, false, 0, ok, serverWins},
        {1, "YNYN", 1, false, true, kLongAgo, false, 0, cancel, unchanged},
        {1, "YNYN", 2, false, true, kLongAgo, false, 0, noBox, unchanged},
        // The newer side wins, unless both changed since the last run.
        {2, "YYYY", 2, true, true, kFuture, true, 0, noBox, serverWins},
        {2, "YYYY", 2, true, false, kFuture, false, conflict::kOverwriteOutlook, noBox, serverWins},
        {2, "YYYY", 2, true, false, kLongAgo, false, 0, noBox, outlookWins},
        {2, "YYYY", 2, false, true, kLongAgo, false, -1, noBox, outlookWins},
        {2, "YNYN", 0, false, true, kLongAgo, false, 0, noBox, serverWins},
        // Always asked.
        {3, "YYYY", 2, true, false, kFuture, false, conflict::kLeaveBoth, noBox, unchanged},
        {3, "YYYY", 2, true, false, kLongAgo, false, -1, noBox, outlookWins},
        // Overwriting the server with the same company needs no address right.
        {3, "YNYN", 2, true, false, kFuture, false, conflict::kOverwriteServer, noBox, outlookWins},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("Ovr Action " + std::to_string(c.action) + ", rights " + c.rights + ", NoRights " +
                     std::to_string(c.noRights) + ", personal " + std::to_string(c.personal) + ", business " +
                     std::to_string(c.business) + ", server changed " + c.serverChanged + ", Outlook untouched " +
                     std::to_string(c.outlookUntouched) + ", click " + std::to_string(c.click));
        CContactWorld w;
        w.settings.contactRules.ovrAction = c.action;
        w.settings.contactRules.ovrNoRights = c.noRights;
        w.settings.lastRun = COleDate::FromFields(2022, 1, 1);
        w.Rights(c.rights);
        const COutlookContact outlook{"Anna Berg", c.personal ? "anna@outlook.de" : "anna@alpha.de", "Alpha GmbH",
                                      c.business ? "Düren" : "Köln"};
        const std::string entryId = SeedAnna(w, outlook, c.serverChanged);
        if (c.outlookUntouched)
            w.BackDateOutlookItem(entryId, COleDate::FromFields(2021, 1, 1));
        if (c.click > 0)
            w.ui.AnswerDialog({CContactConflictDialog::kTemplateId, {A::Click(c.click), A::Ok()}});
        if (c.click < 0)
            w.ui.AnswerDialog({CContactConflictDialog::kTemplateId, {A::Ok()}});
        if (c.box != noBox)
            w.ui.AnswerMessageBox(c.box == ok ? MessageBoxResult::ok : MessageBoxResult::cancel);
        w.StartServer();
        const CContactRecord serverBefore = w.ServerRecord("C1");
        const CContactRecord outlookBefore = w.OutlookRecord(entryId);
        w.Run();

        const auto dialogs = w.ui.Dialogs();
        ASSERT_EQ(dialogs.size(), c.click ? 1u : 0u);
        if (c.click) {
            EXPECT_EQ(dialogs[0].dialogId, CContactConflictDialog::kTemplateId);
            EXPECT_EQ(dialogs[0].InitialControl(1010).text,
                      outlookBefore.GetContactDifferences(serverBefore, c.personal, c.business));
            const bool addressRight = c.rights[1] == 'Y';
            EXPECT_EQ(dialogs[0].InitialControl(conflict::kNewAddress).enabled, c.business && addressRight);
            EXPECT_EQ(dialogs[0].InitialControl(conflict::kLink).enabled, c.business);
            // The addresses to link to: those beginning like the Outlook
            // company first.
            EXPECT_EQ(Entries(dialogs[0]), (c.business ? Texts{"Alpha GmbH", "Beta AG"} : Texts{}));
        }
        const auto boxes = w.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), c.box != noBox ? 1u : 0u);
        if (c.box != noBox) {
            EXPECT_EQ(boxes[0].text,
                      "You don't have the necessary rights on\nserver to overwrite on .tarnWel the " +
                          serverBefore.GetDescription() +
                          "\n\nOverwrite Outlook instead?\n(Press CANCEL to leave everything unchanged)");
            EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::okCancel);
            EXPECT_EQ(boxes[0].icon, MessageBoxIcon::none);
            // Enter leaves both sides unchanged.
            EXPECT_EQ(boxes[0].defaultButton, MessageBoxResult::cancel);
        }

        const std::string serverLine = CContactWorld::Line({"Anna Berg", "anna@alpha.de", "Alpha GmbH", "Köln"});
        const std::string outlookLine = CContactWorld::Line(outlook);
        EXPECT_EQ(w.Contents(w.OutlookLines()), Texts{c.outcome == serverWins ? serverLine : outlookLine});
        EXPECT_EQ(w.Contents(w.ServerLines()), Texts{c.outcome == outlookWins ? outlookLine : serverLine});
        // The server's company changes only when the Outlook company overwrote it.
        const bool companyOverwritten = c.outcome == outlookWins && c.business;
        const CContactWorld::Lines addresses{{"ADR1", companyOverwritten ? "Alpha GmbH|Düren" : "Alpha GmbH|Köln"},
                                             {"ADR2", "Beta AG|Bonn"}};
        EXPECT_EQ(w.Addresses(), addresses);
        EXPECT_EQ(w.Mapping(), (Pairs{{entryId, "C1"}}));
        if (c.outcome != unchanged)
            w.ExpectNextRunChangesNothing();
    }
}

TEST(ContactRunTest, TheAnswerToTheConflictDialogDecidesWhereThePersonWorks)
{
    struct Case {
        const char* name;
        std::vector<CDialogAction> actions;
        Texts outlook;
        Texts server;
        Texts addresses;
    };
    const Texts both{"Alpha GmbH|Köln", "Beta AG|Bonn"};
    const Case cases[] = {
        {"new address", {A::Click(conflict::kNewAddress)}, {kAnnaMoved}, {kAnnaMoved},
         {"Alpha GmbH|Düren", "Alpha GmbH|Köln", "Beta AG|Bonn"}},
        {"overwrite the address", {A::Click(conflict::kOverwriteServer)}, {kAnnaMoved}, {kAnnaMoved},
         {"Alpha GmbH|Düren", "Beta AG|Bonn"}},
        {"link", kLinkToBeta, {kAnnaAtBeta}, {kAnnaAtBeta}, both},
        {"link, keeping a copy at the former company", kLinkToBetaKeepingACopy, {kAnnaAtAlpha, kAnnaAtBeta},
         {kAnnaAtAlpha, kAnnaAtBeta}, both},
        {"copy ticked and unticked",
         {A::Click(conflict::kLink), A::Click(conflict::kKeepCopy), A::Select(conflict::kCompanies, 1),
          A::Click(conflict::kKeepCopy)},
         {kAnnaAtBeta}, {kAnnaAtBeta}, both},
        // The chosen address is the one the person has: nothing to copy.
        {"link to the current address, keeping a copy", {A::Click(conflict::kLink), A::Click(conflict::kKeepCopy)},
         {kAnnaAtAlpha}, {kAnnaAtAlpha}, both},
        {"overwrite Outlook", {A::Click(conflict::kOverwriteOutlook)}, {kAnnaAtAlpha}, {kAnnaAtAlpha}, both},
        {"leave both", {A::Click(conflict::kLeaveBoth)}, {kAnnaMoved}, {kAnnaAtAlpha}, both},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CContactWorld w;
        w.settings.contactRules.ovrAction = 1;
        const std::string entryId = SeedAnna(w, {"Anna Berg", "anna@alpha.de", "Alpha GmbH", "Düren"});
        w.ui.AnswerDialog({CContactConflictDialog::kTemplateId, c.actions});
        w.Run();

        ASSERT_EQ(w.ui.Dialogs().size(), 1u);
        EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
        EXPECT_THAT(w.ui.Unexpected(), IsEmpty());
        EXPECT_EQ(w.Contents(w.OutlookLines()), c.outlook);
        EXPECT_EQ(w.Contents(w.ServerLines()), c.server);
        EXPECT_EQ(w.Contents(w.Addresses()), c.addresses);
        const Pairs mapping = w.Mapping();
        EXPECT_EQ(mapping.size(), c.outlook.size());
        EXPECT_EQ(mapping.at(entryId), "C1");
        if (c.server == c.outlook) {
            // The copy is an Outlook contact of its own, mapped to the new
            // server contact at the former company.
            w.ExpectInStep();
            w.ExpectNextRunChangesNothing();
        }
    }
}

TEST(ContactRunTest, AddressesPlannedInARunAreOfferedToTheLaterQuestionsOfTheSameRun)
{
    struct Case {
        const char* name;
        std::vector<CDialogAction> secondAnswer;
        Texts addresses;
        const char* secondCompany;  // where Bert works afterwards
        int timesNewId0;            // how often the put request names each temporary id
        int timesNewId1;
    };
    const Case cases[] = {
        {"a second new address", {A::Click(conflict::kNewAddress)},
         {"Alpha GmbH|Köln", "Neu Eins|Aachen", "Neu Zwei|Essen"}, "Neu Zwei|Essen", 1, 1},
        // Linked to the first new address: both go with its temporary id, and
        // the server makes one address of it.
        {"a link to the first new address", {A::Click(conflict::kLink), A::Select(conflict::kCompanies, 0)},
         {"Alpha GmbH|Köln", "Neu Eins|Aachen"}, "Neu Eins|Aachen", 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CContactWorld w;
        w.settings.contactRules.ovrAction = 1;
        w.Company(kAlpha);
        w.Pair({"C1", "ADR1", "Anna Berg", "anna@alpha.de"}, {"Anna Berg", "anna@alpha.de", "Neu Eins", "Aachen"});
        w.Pair({"C2", "ADR1", "Bert Kunz", "bert@alpha.de"}, {"Bert Kunz", "bert@alpha.de", "Neu Zwei", "Essen"});
        w.ui.AnswerDialog({CContactConflictDialog::kTemplateId, {A::Click(conflict::kNewAddress)}});
        w.ui.AnswerDialog({CContactConflictDialog::kTemplateId, c.secondAnswer});
        w.Run();

        const auto dialogs = w.ui.Dialogs();
        ASSERT_EQ(dialogs.size(), 2u);
        EXPECT_EQ(Entries(dialogs[0]), Texts{"Alpha GmbH"});
        EXPECT_EQ(Entries(dialogs[1]), (Texts{"Neu Eins", "Alpha GmbH"}));
        EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());

        const auto puts = w.Requests("putItems");
        ASSERT_EQ(puts.size(), 1u);
        const auto count = [&](const std::string& id) {
            const std::string element = "<address_id>" + id + "</address_id>\n\t<address_action>new</address_action>";
            int n = 0;
            for (auto at = puts[0].find(element); at != std::string::npos; at = puts[0].find(element, at + 1))
                ++n;
            return n;
        };
        EXPECT_EQ(count("NEW-ID-0"), c.timesNewId0);
        EXPECT_EQ(count("NEW-ID-1"), c.timesNewId1);

        EXPECT_EQ(w.Contents(w.Addresses()), c.addresses);
        const std::string bert = std::string("Bert Kunz|bert@alpha.de|") + c.secondCompany;
        const Texts contacts{"Anna Berg|anna@alpha.de|Neu Eins|Aachen", bert};
        EXPECT_EQ(w.Contents(w.ServerLines()), contacts);
        EXPECT_EQ(w.Contents(w.OutlookLines()), contacts);
        w.ExpectInStep();
        w.ExpectNextRunChangesNothing();
    }
}

TEST(ContactRunTest, ARelinkedContactTheServerDoesNotTakeKeepsItsFormerCompanyInOutlook)
{
    struct Case {
        const char* switchName;
        bool keepCopy;
        int noRights;
        const char* outlookAfter;
        int boxes;
    };
    const Case cases[] = {
        {"--refuse", false, 2, "Düren", 0},
        {"--refuse", true, 2, "Düren", 0},
        // The policy writes the server's contact into Outlook; the chosen
        // company must not come after it.
        {"--refuse", false, 0, "Köln", 0},
        {"--item-error", true, 2, "Düren", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.switchName) + ", keep copy " + std::to_string(c.keepCopy) + ", NoRights " +
                     std::to_string(c.noRights));
        CContactWorld w;
        w.settings.contactRules.ovrAction = 1;
        w.settings.contactRules.ovrNoRights = c.noRights;
        w.Switches({c.switchName, "putItems"});
        const std::string entryId = SeedAnna(w, {"Anna Berg", "anna@alpha.de", "Alpha GmbH", "Düren"});
        w.ui.AnswerDialog({CContactConflictDialog::kTemplateId, c.keepCopy ? kLinkToBetaKeepingACopy : kLinkToBeta});
        w.Run();

        const auto boxes = w.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), static_cast<std::size_t>(c.boxes));
        if (c.boxes) {
            EXPECT_THAT(boxes[0].text, StartsWith("Die folgenden Outlook-Daten  Ansprechpartner:"));
        }
        EXPECT_EQ(w.Contents(w.OutlookLines()),
                  Texts{CContactWorld::Line({"Anna Berg", "anna@alpha.de", "Alpha GmbH", c.outlookAfter})});
        // No copy of the person is left at the former company either.
        EXPECT_EQ(w.Contents(w.ServerLines()), Texts{kAnnaAtAlpha});
        EXPECT_EQ(w.Contents(w.Addresses()), (Texts{"Alpha GmbH|Köln", "Beta AG|Bonn"}));
        EXPECT_EQ(w.Mapping(), (Pairs{{entryId, "C1"}}));
    }
}

TEST(ContactRunTest, ACopyTheServerDoesNotAddLeavesTheMappingAlone)
{
    for (const char* switchName : {"--item-error", "--refuse"}) {
        SCOPED_TRACE(switchName);
        CContactWorld w;
        w.settings.contactRules.ovrAction = 1;
        w.settings.contactRules.twDeletedNoRights = 2;
        w.Switches({switchName, "addItems"});
        const std::string entryId = SeedAnna(w, {"Anna Berg", "anna@alpha.de", "Alpha GmbH", "Düren"});
        w.ui.AnswerDialog({CContactConflictDialog::kTemplateId, kLinkToBetaKeepingACopy});
        w.Run();

        // The person moved; the copy failed, so no second contact exists.
        EXPECT_EQ(w.Contents(w.ServerLines()), Texts{kAnnaAtBeta});
        EXPECT_EQ(w.Contents(w.OutlookLines()), Texts{kAnnaAtBeta});
        EXPECT_EQ(w.Mapping(), (Pairs{{entryId, "C1"}}));
        if (std::string(switchName) == "--item-error") {
            ASSERT_EQ(w.ui.MessageBoxes().size(), 1u);
            EXPECT_THAT(w.ui.MessageBoxes()[0].text, StartsWith("Die folgenden Outlook-Daten Ansprechpartner:"));
            EXPECT_EQ(w.ui.MessageBoxes()[0].icon, MessageBoxIcon::stop);
        } else {
            EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
        }
    }
}

TEST(ContactRunTest, ARefusedCopyWhosePolicyRemovesTheOutlookContactIsNotWrittenAfterwards)
{
    CContactWorld w;
    w.settings.contactRules.ovrAction = 1;
    w.settings.contactRules.twDeletedNoRights = 0;  // a refused copy removes its Outlook contact
    w.Switches({"--refuse", "addItems"});
    SeedAnna(w, {"Anna Berg", "anna@alpha.de", "Alpha GmbH", "Düren"});
    w.ui.AnswerDialog({CContactConflictDialog::kTemplateId, kLinkToBetaKeepingACopy});
    w.Run();

    // The copy shares the contact's entry id: the contact is gone from
    // Outlook, and the changed-address pass passes over it without a failure.
    EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
    EXPECT_THAT(w.OutlookLines(), IsEmpty());
    EXPECT_EQ(w.Contents(w.ServerLines()), Texts{kAnnaAtBeta});
    EXPECT_THAT(w.Mapping(), IsEmpty());
    EXPECT_EQ(w.sink.StatusTexts().back(), "213");
}

TEST(ContactRunTest, ANewOutlookContactFollowsTheNewRulesAndTheRights)
{
    enum Outcome { created, removed, left };
    enum Answer { none, yes, no };
    struct Case {
        int action;
        const char* rights;
        int noRights;
        std::vector<CDialogAction> actions;  // empty: no link dialog
        Answer answer;                       // to question 233
        Outcome outcome;
        const char* companyAfter;            // created: where the person works on both sides
        int addresses;                       // created: the number of server addresses
    };
    const std::vector<Case> cases = {
        {0, "YYYY", 2, {}, none, created, "Kunz KG|Aachen", 3},
        {1, "YYYY", 2, {}, none, removed, "", 0},
        {2, "YYYY", 2, {A::Click(linking::kNewAddress)}, none, created, "Kunz KG|Aachen", 3},
        {2, "YYYY", 2, {A::Click(linking::kLink), A::Select(linking::kCompanies, 1)}, none, created, "Beta AG|Bonn", 2},
        {2, "YYYY", 2, {A::Click(linking::kDelete)}, none, removed, "", 0},
        {2, "YYYY", 2, {A::Click(linking::kLeave)}, none, left, "", 0},
        // Without the address right the link is what OK chooses.
        {2, "YNYN", 2, {A::Ok()}, none, created, "Alpha GmbH|Köln", 2},
        {3, "YYYY", 2, {}, none, left, "", 0},
        {0, "YNYN", 0, {}, none, removed, "", 0},
        {0, "YNYN", 1, {}, yes, removed, "", 0},
        {0, "YNYN", 1, {}, no, left, "", 0},
        {0, "YNYN", 2, {}, none, left, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("New Action " + std::to_string(c.action) + ", rights " + c.rights + ", NoRights " +
                     std::to_string(c.noRights) + ", " + std::to_string(c.actions.size()) + " actions");
        CContactWorld w;
        w.settings.contactRules.newAction = c.action;
        w.settings.contactRules.newNoRights = c.noRights;
        w.Rights(c.rights);
        w.Company(kAlpha);
        w.Company(kBeta);
        const COutlookContact bert{"Bert Kunz", "bert@kunz.de", "Kunz KG", "Aachen"};
        const std::string entryId = w.OutlookContact(bert);
        const std::string description = w.OutlookRecord(entryId).GetDescription();
        if (!c.actions.empty())
            w.ui.AnswerDialog({CContactLinkDialog::kTemplateId, c.actions});
        if (c.answer != none)
            w.ui.AnswerMessageBox(c.answer == yes ? MessageBoxResult::yes : MessageBoxResult::no);
        w.Run();

        const auto dialogs = w.ui.Dialogs();
        ASSERT_EQ(dialogs.size(), c.actions.empty() ? 0u : 1u);
        if (!c.actions.empty()) {
            const CShownDialog& dialog = dialogs[0];
            EXPECT_EQ(dialog.dialogId, CContactLinkDialog::kTemplateId);
            EXPECT_EQ(dialog.InitialControl(1010).text,
                      "Dieser Kontakt wurde niemals zuvor repliziert\r\n\r\n" + description);
            EXPECT_EQ(dialog.InitialControl(linking::kNewAddress).text,
                      "Erstelle den Outlook Kontakt mit neuer DRAV Adresse");
            EXPECT_EQ(dialog.InitialControl(linking::kLink).text,
                      "Ordne den Outlook Kontakt einer der folgenden DRAV Adressen zu:");
            EXPECT_EQ(dialog.InitialControl(linking::kDelete).text, "Loesche den Outlook Kontakt");
            EXPECT_EQ(Entries(dialog), (Texts{"Alpha GmbH", "Beta AG"}));
        }
        const auto boxes = w.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), c.answer != none ? 1u : 0u);
        if (c.answer != none) {
            EXPECT_EQ(boxes[0].text, FormatWithDescription(233, description));
            EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::yesNo);
            EXPECT_EQ(boxes[0].icon, MessageBoxIcon::none);
        }

        switch (c.outcome) {
        case created: {
            const Texts line{std::string("Bert Kunz|bert@kunz.de|") + c.companyAfter};
            EXPECT_EQ(w.Contents(w.OutlookLines()), line);
            EXPECT_EQ(w.Contents(w.ServerLines()), line);
            EXPECT_EQ(w.Addresses().size(), static_cast<std::size_t>(c.addresses));
            w.ExpectInStep();
            w.ExpectNextRunChangesNothing();
            break;
        }
        case removed:
            EXPECT_THAT(w.OutlookLines(), IsEmpty());
            EXPECT_THAT(w.ServerLines(), IsEmpty());
            EXPECT_THAT(w.Mapping(), IsEmpty());
            break;
        case left:
            EXPECT_EQ(w.Contents(w.OutlookLines()), Texts{CContactWorld::Line(bert)});
            EXPECT_THAT(w.ServerLines(), IsEmpty());
            EXPECT_THAT(w.Mapping(), IsEmpty());
            break;
        }
    }
}

TEST(ContactRunTest, AContactDeletedOnTheServerCanBeLinkedToAnotherCompany)
{
    CContactWorld w;
    w.settings.contactRules.twDeletedAction = 2;
    w.Company(kAlpha);
    w.Company(kBeta);
    const std::string entryId = w.OutlookContact({"Anna Berg", "anna@alpha.de", "Alpha GmbH", "Köln"});
    w.MapPair(entryId, "C9");
    w.ui.AnswerDialog(kLinkDialogSecondEntry);
    w.Run();

    ASSERT_EQ(w.ui.Dialogs().size(), 1u);
    EXPECT_THAT(w.ui.Dialogs()[0].InitialControl(1010).text,
                StartsWith("Dieser Kontakt wurde aus DRAV geloescht\r\n\r\n"));
    // The link offers every company, Alpha first for its prefix.
    EXPECT_EQ(Entries(w.ui.Dialogs()[0]), (Texts{"Alpha GmbH", "Beta AG"}));
    EXPECT_EQ(w.Contents(w.OutlookLines()), Texts{kAnnaAtBeta});
    EXPECT_EQ(w.Contents(w.ServerLines()), Texts{kAnnaAtBeta});
    EXPECT_EQ(w.Mapping().size(), 1u);
    EXPECT_NE(w.Mapping().at(entryId), "C9");
    w.ExpectInStep();
    w.ExpectNextRunChangesNothing();
}

TEST(ContactRunTest, TheLinkDialogListsTheCompaniesWithTheOutlookPrefixFirstEachInNameOrder)
{
    struct Case {
        Texts serverCompanies;  // in reply order
        const char* outlookCompany;
        Texts listed;
    };
    const Case cases[] = {
        {{"beta", "Alpha", "ALPHA", "Gamma"}, "Alpine", {"Alpha", "ALPHA", "beta", "Gamma"}},
        // A company shorter than three characters takes part whole.
        {{"abc", "Zed", "Ab", "ab"}, "AB", {"Ab", "ab", "abc", "Zed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outlookCompany);
        CContactWorld w;
        w.settings.contactRules.newAction = 2;
        for (std::size_t i = 0; i < c.serverCompanies.size(); ++i)
            w.Company({"ADR" + std::to_string(i + 1), c.serverCompanies[i], "Stadt " + std::to_string(i + 1), ""});
        w.OutlookContact({"Bert Kunz", "bert@kunz.de", c.outlookCompany, ""});
        // The second entry of the list, which names a company equal to the
        // first but for case.
        w.ui.AnswerDialog(kLinkDialogSecondEntry);
        w.Run();

        ASSERT_EQ(w.ui.Dialogs().size(), 1u);
        EXPECT_EQ(Entries(w.ui.Dialogs()[0]), c.listed);
        const auto chosen = std::find(c.serverCompanies.begin(), c.serverCompanies.end(), c.listed[1]);
        const std::string city = "Stadt " + std::to_string(chosen - c.serverCompanies.begin() + 1);
        const Texts bert{"Bert Kunz|bert@kunz.de|" + c.listed[1] + "|" + city};
        EXPECT_EQ(w.Contents(w.ServerLines()), bert);
        EXPECT_EQ(w.Contents(w.OutlookLines()), bert);
    }
}

TEST(ContactRunTest, AFailedServerCallEndsTheRunWithItsMessageAndTheMappingFileIsStillSaved)
{
    struct Case {
        std::vector<std::string> switches;
        const char* head;  // the box text begins ...
        const char* tail;  // ... and ends so
    };
    const Case cases[] = {
        {{"--drop", "getItems"}, "Unerwarteter Server-Fehler! \r\nEs sind ",
         "Sekunden vergangen seitdem der Aufruf gestartet wurde\r\nBitte überprüfen Sie Ihre Verbindung\r\n"
         "zum Server"},
        {{"--fault", "getItems"}, "Server-Fehler!\r\n", "\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server"},
        {{"--drop", "putItems"}, "Unerwarteter Server-Fehler!\r\nBitte", "Verbindung\r\nzum Server"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switches[0] + " " + c.switches[1]);
        CContactWorld w;
        w.settings.contactRules.ovrAction = 1;
        w.Switches(c.switches);
        const std::string entryId = SeedAnna(w, {"Anna Berg", "anna@outlook.de", "Alpha GmbH", "Köln"});
        w.ServerContact({"C2", "ADR2", "Carl Dorn", "carl@beta.de"});
        // Saving writes this pair in the file's own form.
        w.MappingText("stale-entry   stale-server\n");
        const auto outlookBefore = w.OutlookLines();
        w.Run();

        const auto boxes = w.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_THAT(boxes[0].text, StartsWith(c.head));
        EXPECT_THAT(boxes[0].text, EndsWith(c.tail));
        EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::ok);
        EXPECT_EQ(boxes[0].icon, MessageBoxIcon::stop);
        EXPECT_THAT(w.trace, Contains(HasSubstr("replication aborted due to server connectivity")));
        // Nothing after the failure: no Outlook change, no end text, no logout.
        EXPECT_EQ(w.OutlookLines(), outlookBefore);
        EXPECT_THAT(w.sink.StatusTexts(), Not(Contains("213")));
        EXPECT_THAT(w.Requests("sign_out"), IsEmpty());
        EXPECT_THAT(w.MappingFileBytes(), HasSubstr("stale-entry stale-server\r\n"));
        EXPECT_THAT(w.MappingFileBytes(), HasSubstr(entryId + " C1\r\n"));
    }
}

TEST(ContactRunTest, AnUnknownFailureShowsTheRunsOwnTextAndKeepsThePairsAlreadyMade)
{
    CContactWorld w;
    w.Company(kAlpha);
    w.ServerContact({"C1", "ADR1", "Anna Berg", "anna@alpha.de"});
    const std::string entryId = w.OutlookContact({"Bert Kunz", "bert@kunz.de", "Kunz KG", "Aachen"});
    // Fails while the server's contact is added to Outlook, after the Outlook
    // contact was created on the server with its new address.
    w.sink.OnStatus = [](int id) {
        if (id == 208)
            throw std::runtime_error("the window is gone");
    };
    w.Run();

    const auto boxes = w.ui.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unbekannter Fehler aufgetreten(für Details testen sie das Log-Fenster");
    EXPECT_EQ(boxes[0].icon, MessageBoxIcon::stop);
    EXPECT_EQ(w.ServerLines().size(), 2u);
    EXPECT_EQ(w.Mapping().count(entryId), 1u);

    // The next run creates nothing twice.
    w.sink.OnStatus = nullptr;
    w.Run();
    const Texts both{kAnnaAtAlpha, "Bert Kunz|bert@kunz.de|Kunz KG|Aachen"};
    EXPECT_EQ(w.Contents(w.ServerLines()), both);
    EXPECT_EQ(w.Contents(w.OutlookLines()), both);
    EXPECT_EQ(w.Contents(w.Addresses()), (Texts{"Alpha GmbH|Köln", "Kunz KG|Aachen"}));
    w.ExpectInStep();
}

} // namespace
} // namespace tarnwel
