// Whole appointment and task runs: the reference server over loopback, a real
// local item store in a temporary directory, questions answered by the
// scripted ui. Each test seeds both sides, runs, and compares both sides and
// the mapping file.

#include "engine/CConflictDialog.h"
#include "resources/StringTable.h"
#include "tests/engine/RunWorld.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <type_traits>

namespace tarnwel {
namespace {

using test::CAppointmentSide;
using test::CRunWorld;
using test::CServerItem;
using test::CTaskSide;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using A = CDialogAction;
namespace cd = conflict_dialog;

constexpr const char* kNoParticipants = "Keine Teilnehmer";

template <typename Side>
class ReplicationRunTest : public ::testing::Test {
protected:
    using World = CRunWorld<Side>;
    static constexpr bool kTasks = std::is_same_v<Side, CTaskSide>;

    // The dialog texts of the Outlook pass.
    static constexpr const char* kNeverReplicatedText =
        kTasks ? "Diese Aufgabe wurde niemals zuvor repliziert\r\n\r\n" : "Dieser Termin wurde niemals zuvor repliziert\r\n\r\n";
    static constexpr const char* kServerDeletedText =
        kTasks ? "Diese Aufgabe wurde aus DRAV geloescht\r\n\r\n" : "Dieser Termin wurden in DRAVS geloescht \r\n\r\n";
    static constexpr const char* kCreateCaption =
        kTasks ? "Erstelle eine neue DRAV Aufgabe " : "Erstelle es als neuen DRAV Termin ";
    static constexpr const char* kRemoveCaption =
        kTasks ? "Loesche die Outlook Aufgabe " : "Loesche den Termin aus Outlook";
    // Status texts: the first server record, adding to Outlook, the end.
    static constexpr int kFirstServerRecordText = kTasks ? 230 : 186;
    static constexpr int kAddToOutlookText = kTasks ? 223 : 193;

    // The line that either side shows for an item with these fields.
    static std::string Line(const std::string& title, const std::string& detail, int percent = 0,
                            const std::string& participants = kNoParticipants)
    {
        return Side::Line(Side::Make(title, detail, kTasks ? percent : 0)) + "|" + participants;
    }

    World w;
};

using Sides = ::testing::Types<CAppointmentSide, CTaskSide>;
TYPED_TEST_SUITE(ReplicationRunTest, Sides);

TYPED_TEST(ReplicationRunTest, NewItemsOnEachSideReachTheOtherSide)
{
    auto& w = this->w;
    w.ServerItem({"S1", "Vom Server", "Köln"});
    w.OutlookItem("Aus Outlook", "Bonn");
    w.Run();

    EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
    const std::vector<std::string> both{this->Line("Aus Outlook", "Bonn"), this->Line("Vom Server", "Köln")};
    EXPECT_EQ(w.Contents(w.OutlookLines()), both);
    EXPECT_EQ(w.Contents(w.ServerLines()), both);
    w.ExpectInStep();
    EXPECT_FALSE(w.SessionOpen());

    // Every step of the run shows its text in the kind's status line.
    EXPECT_EQ(w.sink.Calls().front(), "SetStatusControl " + std::to_string(TypeParam::kStatusControl));
    if constexpr (TestFixture::kTasks)
        EXPECT_THAT(w.sink.StatusTexts(), ElementsAre("214", "229", "215(1,0)", "230", "218(0,1)", "219(0,0)",
                                                      "220(0,0)", "221(1,0)", "223(0,1)", "228"));
    else
        EXPECT_THAT(w.sink.StatusTexts(),
                    ElementsAre("184", "229", "185(1,0)", "186(0,1)", "187(1,0)", "188(0,1)", "189(0,0)", "190(0,0)",
                                "191(1,0)", "192(1,0)", "193(0,1)", "194(0,0)", "196(0,0)", "198"));

    w.ExpectNextRunChangesNothing();
}

// The string-table text around its "%s": what a box shows before and after
// the item's description.
std::pair<std::string, std::string> AroundDescription(int stringId)
{
    const std::string text = LoadResourceText(stringId);
    const auto at = text.find("%s");
    return {text.substr(0, at), text.substr(at + 2)};
}

void ExpectBoxAboutItem(const CMessageBoxRequest& box, int stringId, const std::string& title,
                        MessageBoxButtons buttons, MessageBoxIcon icon)
{
    const auto [head, tail] = AroundDescription(stringId);
    EXPECT_THAT(box.text, StartsWith(head)) << "string " << stringId;
    EXPECT_TRUE(box.text.size() >= tail.size() && box.text.compare(box.text.size() - tail.size(), tail.size(), tail) == 0)
        << box.text;
    EXPECT_THAT(box.text, HasSubstr(title));
    EXPECT_EQ(box.buttons, buttons);
    EXPECT_EQ(box.icon, icon);
}

TYPED_TEST(ReplicationRunTest, IdenticalPairsCarryTheServersParticipantsIntoOutlookWithoutCountingThem)
{
    auto& w = this->w;
    w.Pair({"S1", "Mit Teilnehmern", "gleich", "", {"anna", "bert"}}, "gleich");
    w.Pair({"S2", "Geändert", "Server"}, "Outlook");  // Ovr Action 0: the server wins
    w.Pair({"S3", "Ohne Teilnehmer", "gleich"}, "gleich");
    w.Run();

    EXPECT_EQ(w.Contents(w.OutlookLines()),
              (std::vector<std::string>{this->Line("Geändert", "Server"),
                                        this->Line("Mit Teilnehmern", "gleich", 0, "  - anna/  - bert"),
                                        this->Line("Ohne Teilnehmer", "gleich")}));
    w.ExpectInStep();
    // The participants' record comes first in the queue; appointments count
    // the written records up to and including the current one, tasks the
    // ones before it.
    std::vector<std::string> overwrites;
    for (const std::string& text : w.sink.StatusTexts())
        if (text.rfind("195(", 0) == 0 || text.rfind("225(", 0) == 0)
            overwrites.push_back(text);
    if constexpr (TestFixture::kTasks)
        EXPECT_THAT(overwrites, ElementsAre("225(0,2)", "225(0,2)"));
    else
        EXPECT_THAT(overwrites, ElementsAre("195(0,2)", "195(1,2)"));

    w.ExpectNextRunChangesNothing();
}

TYPED_TEST(ReplicationRunTest, AChangedPairFollowsTheOvrAction)
{
    struct Case {
        int action;
        const char* serverChanged;  // the server item's last change, empty: at seeding
        int click;                  // the option chosen in the conflict dialog
        const char* outlookAfter;
        const char* serverAfter;
    };
    const Case cases[] = {
        {0, "", 0, "Server", "Server"},
        {1, "", 0, "Outlook", "Outlook"},
        {2, "2020-01-01 00:00:00", 0, "Outlook", "Outlook"},  // the older side loses
        {2, "2099-01-01 00:00:00", 0, "Server", "Server"},
        {3, "", cd::kFirst, "Outlook", "Outlook"},  // "Überschreiben der DRAV-Daten."
        {3, "", cd::kSecond, "Server", "Server"},    // "Überschreiben der Outlook-Daten."
        {3, "", cd::kNoChanges, "Outlook", "Server"},   // "Keine Änderungen vornehmen."
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("Ovr Action " + std::to_string(c.action) + ", server changed '" + c.serverChanged +
                     "', click " + std::to_string(c.click));
        typename TestFixture::World w;
        TypeParam::Rules(w.settings).ovrAction = c.action;
        w.Pair({"S1", "Termin", "Server", c.serverChanged}, "Outlook");
        if (c.click)
            w.ui.AnswerDialog({CConflictDialog::kTemplateId, {A::Click(c.click), A::Ok()}});
        w.Run();

        EXPECT_EQ(w.ui.Dialogs().size(), c.click ? 1u : 0u);
        EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
        EXPECT_EQ(w.Contents(w.OutlookLines()), std::vector<std::string>{this->Line("Termin", c.outlookAfter)});
        EXPECT_EQ(w.Contents(w.ServerLines()), std::vector<std::string>{this->Line("Termin", c.serverAfter)});
        EXPECT_EQ(w.Mapping().size(), 1u);
        // Only a server that wins writes the Outlook item: when Outlook wins
        // with nothing to carry (no participants, the same percentage), no
        // record is queued to be written back.
        const std::string written = TestFixture::kTasks ? "225(" : "195(";
        const auto texts = w.sink.StatusTexts();
        EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [&](const std::string& t) { return t.starts_with(written); }),
                  std::string(c.outlookAfter) == "Server" ? 1 : 0);
        if (std::string(c.outlookAfter) == c.serverAfter)
            w.ExpectNextRunChangesNothing();
    }
}

TYPED_TEST(ReplicationRunTest, WhenOutlookWinsTheServersParticipantsStillReachOutlook)
{
    auto& w = this->w;
    TypeParam::Rules(w.settings).ovrAction = 1;
    w.Pair({"S1", "Aufgabe", "Server", "", {"anna"}, 60}, "Outlook", 57);
    w.Run();

    // Tasks round a percentage that differs down to tens, on both sides.
    const std::vector<std::string> expected{this->Line("Aufgabe", "Outlook", 50, "  - anna")};
    EXPECT_EQ(w.Contents(w.OutlookLines()), expected);
    EXPECT_EQ(w.Contents(w.ServerLines()), expected);
    w.ExpectInStep();
    w.ExpectNextRunChangesNothing();
}

TYPED_TEST(ReplicationRunTest, WithASinceDateThePartnersOfChangedOutlookItemsAreFetchedToo)
{
    auto& w = this->w;
    w.settings.all = 0;
    w.settings.since = COleDate::Now().AddDays(-1);
    TypeParam::Rules(w.settings).ovrAction = 1;
    // Unchanged on the server since long before the date: only the id list
    // brings it back, else the pair would count as deleted on the server.
    w.Pair({"S1", "Termin", "Server", "2020-01-01 00:00:00"}, "Outlook");
    w.Run();

    EXPECT_EQ(w.Contents(w.ServerLines()), std::vector<std::string>{this->Line("Termin", "Outlook")});
    w.ExpectInStep();
}

TYPED_TEST(ReplicationRunTest, AnOutlookItemEditedDuringTheRunIsNotTakenForAServerDeletion)
{
    auto& w = this->w;
    w.settings.all = 0;
    w.settings.since = COleDate::Now().AddDays(-1);
    CKindRules& rules = TypeParam::Rules(w.settings);
    rules.twDeletedAction = 0;  // a pair deleted on the server is removed from Outlook
    rules.ovrAction = 1;        // the next run sends the edit to the server
    // Two pairs untouched on both sides since long before the date, so the
    // start of the run asks the server for neither of them.
    const COleDate old = COleDate::FromFields(2020, 1, 1);
    const std::string edited = w.Pair({"S1", "Eins", "alt", "2020-01-01 00:00:00"}, "alt");
    const std::string untouched = w.Pair({"S2", "Zwei", "alt", "2020-01-01 00:00:00"}, "alt");
    w.BackDateOutlookItem(edited, old);
    w.BackDateOutlookItem(untouched, old);
    // Changed in Outlook since the date and gone from the server: asked for,
    // not returned, so it really was deleted there.
    w.PairWithDeletedServerItem("S9", "Weg");
    // The user edits the first item while the run talks to the server, after
    // the run has read the local folder.
    w.sink.OnStatus = [&](int id) {
        if (id == 229)
            w.EditOutlookItem(edited, "Eins", "neu");
    };
    w.Run();

    EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
    EXPECT_THAT(w.ui.Dialogs(), IsEmpty());
    EXPECT_EQ(w.Contents(w.OutlookLines()), (std::vector<std::string>{this->Line("Eins", "neu"), this->Line("Zwei", "alt")}));
    EXPECT_EQ(w.Contents(w.ServerLines()), (std::vector<std::string>{this->Line("Eins", "alt"), this->Line("Zwei", "alt")}));
    EXPECT_EQ(w.Mapping(), (std::map<std::string, std::string>{{edited, "S1"}, {untouched, "S2"}}));

    // The next run asks the server for the partner and meets a changed pair.
    w.sink.OnStatus = nullptr;
    w.Run();
    EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
    EXPECT_EQ(w.Contents(w.ServerLines()), (std::vector<std::string>{this->Line("Eins", "neu"), this->Line("Zwei", "alt")}));
    w.ExpectInStep();
}

TYPED_TEST(ReplicationRunTest, APairDeletedInOutlookFollowsTheOLDeletedRule)
{
    enum Outcome { recreated, deletedOnServer, left };
    struct Case {
        int action;
        int newerThanYear;  // 0: no NewerThan condition; the server item last changed in 2020
        const char* rights;
        int noRights;
        int click;
        Outcome outcome;
    };
    const Case cases[] = {
        {0, 0, "YY", 2, 0, recreated},
        {0, 2021, "YY", 2, 0, deletedOnServer},
        {0, 2019, "NN", 2, 0, recreated},
        {1, 0, "YY", 2, 0, deletedOnServer},
        {1, 0, "YN", 2, 0, left},
        {1, 0, "YN", 0, 0, recreated},
        {2, 0, "YY", 2, cd::kFirst, deletedOnServer},  // "Löschen der DRAV-Daten."
        {2, 0, "YY", 2, cd::kSecond, recreated},        // "Wiederherstellen der Daten in Outlook."
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("OLDeleted Action " + std::to_string(c.action) + ", NewerThan " + std::to_string(c.newerThanYear) +
                     ", rights " + c.rights + ", NoRights " + std::to_string(c.noRights) + ", click " +
                     std::to_string(c.click));
        typename TestFixture::World w;
        CKindRules& rules = TypeParam::Rules(w.settings);
        rules.olDeletedAction = c.action;
        rules.olDeletedNoRights = c.noRights;
        rules.olDeletedNewerThan = c.newerThanYear != 0;
        rules.olDeletedNewerThanDate = COleDate::FromFields(c.newerThanYear ? c.newerThanYear : 2000, 1, 1);
        w.Rights(c.rights);
        w.PairWithDeletedOutlookItem({"S1", "Gelöscht", "hier", "2020-01-01 00:00:00"});
        if (c.click)
            w.ui.AnswerDialog({CConflictDialog::kTemplateId, {A::Click(c.click), A::Ok()}});
        w.Run();

        EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
        const std::vector<std::string> item{this->Line("Gelöscht", "hier")};
        switch (c.outcome) {
        case recreated:
            EXPECT_EQ(w.Contents(w.OutlookLines()), item);
            w.ExpectInStep();
            EXPECT_EQ(w.Mapping().begin()->second, "S1");
            w.ExpectNextRunChangesNothing();
            break;
        case deletedOnServer:
            EXPECT_THAT(w.ServerLines(), IsEmpty());
            EXPECT_THAT(w.OutlookLines(), IsEmpty());
            EXPECT_THAT(w.Mapping(), IsEmpty());
            w.ExpectNextRunChangesNothing();
            break;
        case left:
            EXPECT_EQ(w.Contents(w.ServerLines()), item);
            EXPECT_THAT(w.OutlookLines(), IsEmpty());
            EXPECT_EQ(w.Mapping(), (std::map<std::string, std::string>{{"gone-S1", "S1"}}));
            break;
        }
    }
}

TYPED_TEST(ReplicationRunTest, OutlookItemsTheServerDoesNotHoldFollowTheNewAndTWDeletedRules)
{
    enum Outcome { created, removed, left };
    enum Answer { none, yes, no };
    struct Case {
        bool newItem;      // never replicated; else its server item was deleted
        int action;
        int noRights;
        int newerThanDays; // TWDeleted NewerThan date from today; 0: no condition
        const char* rights;
        int click;         // the option chosen in the dialog of the Outlook pass
        Answer answer;     // to question 233
        Outcome outcome;
    };
    const Case cases[] = {
        {true, 0, 2, 0, "YY", 0, none, created},
        {true, 1, 2, 0, "YY", 0, none, removed},
        {true, 2, 2, 0, "YY", cd::kFirst, none, created},
        {true, 2, 2, 0, "YY", cd::kSecond, none, removed},
        {true, 2, 2, 0, "YY", cd::kNoChanges, none, left},
        {true, 3, 1, 0, "NY", 0, none, left},  // never asked, whatever the rights
        {true, 0, 0, 0, "NY", 0, none, removed},
        {true, 0, 1, 0, "NY", 0, yes, removed},
        {true, 0, 1, 0, "NY", 0, no, left},
        {true, 2, 2, 0, "NY", 0, none, left},
        {false, 0, 2, 0, "YY", 0, none, removed},
        {false, 1, 2, 0, "YY", 0, none, created},
        {false, 1, 2, 1, "YY", 0, none, left},  // not changed after the date
        {false, 1, 2, -1, "YY", 0, none, created},
        {false, 2, 2, 0, "YY", cd::kFirst, none, created},
        {false, 2, 1, 0, "NY", 0, yes, removed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.newItem ? "new" : "server-deleted") + ", Action " + std::to_string(c.action) +
                     ", NoRights " + std::to_string(c.noRights) + ", NewerThan " + std::to_string(c.newerThanDays) +
                     ", rights " + c.rights + ", click " + std::to_string(c.click));
        typename TestFixture::World w;
        CKindRules& rules = TypeParam::Rules(w.settings);
        (c.newItem ? rules.newAction : rules.twDeletedAction) = c.action;
        (c.newItem ? rules.newNoRights : rules.twDeletedNoRights) = c.noRights;
        rules.twDeletedNewerThan = c.newerThanDays != 0;
        rules.twDeletedNewerThanDate = COleDate::Now().AddDays(c.newerThanDays);
        w.Rights(c.rights);
        const std::string entryId =
            c.newItem ? w.OutlookItem("Einsam", "hier") : w.PairWithDeletedServerItem("S9", "Einsam", "hier");
        if (c.click)
            w.ui.AnswerDialog({CConflictDialog::kTemplateId, {A::Click(c.click), A::Ok()}});
        if (c.answer != none)
            w.ui.AnswerMessageBox(c.answer == yes ? MessageBoxResult::yes : MessageBoxResult::no);
        w.Run();

        const auto dialogs = w.ui.Dialogs();
        ASSERT_EQ(dialogs.size(), c.click ? 1u : 0u);
        if (c.click) {
            EXPECT_THAT(dialogs[0].InitialControl(cd::kText).text,
                        StartsWith(c.newItem ? this->kNeverReplicatedText : this->kServerDeletedText));
            EXPECT_EQ(dialogs[0].InitialControl(cd::kFirst).text, this->kCreateCaption);
            EXPECT_EQ(dialogs[0].InitialControl(cd::kSecond).text, this->kRemoveCaption);
        }
        const auto boxes = w.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), c.answer != none ? 1u : 0u);
        if (c.answer != none)
            ExpectBoxAboutItem(boxes[0], 233, "Einsam", MessageBoxButtons::yesNo, MessageBoxIcon::none);

        const std::vector<std::string> item{this->Line("Einsam", "hier")};
        switch (c.outcome) {
        case created:
            EXPECT_EQ(w.Contents(w.ServerLines()), item);
            w.ExpectInStep();
            w.ExpectNextRunChangesNothing();
            break;
        case removed:
            EXPECT_THAT(w.OutlookLines(), IsEmpty());
            EXPECT_THAT(w.ServerLines(), IsEmpty());
            EXPECT_THAT(w.Mapping(), IsEmpty());
            break;
        case left:
            EXPECT_EQ(w.Contents(w.OutlookLines()), item);
            EXPECT_THAT(w.ServerLines(), IsEmpty());
            using Pairs = std::map<std::string, std::string>;
            EXPECT_EQ(w.Mapping(), (c.newItem ? Pairs() : Pairs{{entryId, "S9"}}));
            break;
        }
    }
}

TYPED_TEST(ReplicationRunTest, WithoutTheRightTheRuleAsksBeforeAnyRequestInsteadOfLettingTheServerRefuse)
{
    for (const bool changedPair : {true, false}) {
        SCOPED_TRACE(changedPair ? "changed pair, rights NY" : "Outlook-deleted pair, rights YN");
        typename TestFixture::World w;
        CKindRules& rules = TypeParam::Rules(w.settings);
        rules.ovrAction = 1;        rules.ovrNoRights = 1;        // needs the write right
        rules.olDeletedAction = 1;  rules.olDeletedNoRights = 1;  // needs the delete right
        w.Rights(changedPair ? "NY" : "YN");
        if (changedPair) w.Pair({"S1", "Termin", "Server"}, "Outlook");
        else w.PairWithDeletedOutlookItem({"S1", "Termin", "Server"});
        w.ui.AnswerMessageBox(MessageBoxResult::yes);
        w.Run();
        const auto boxes = w.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);  // the rule's question, not the refusal policy's
        EXPECT_EQ(boxes[0].icon, MessageBoxIcon::none);
        EXPECT_THAT(boxes[0].text, StartsWith(LoadResourceText(changedPair ? 166 : 172).substr(0, 20)));
        EXPECT_EQ(w.Contents(w.OutlookLines()), std::vector<std::string>{this->Line("Termin", "Server")});
        w.ExpectInStep();
    }
}

TYPED_TEST(ReplicationRunTest, ItemsTheServerRefusesForLackOfRightsFollowTheNoRightsPolicies)
{
    // What the refused change was: overwriting the server item (Ovr),
    // deleting it (OLDeleted), creating a new one (New) or restoring a
    // deleted one (TWDeleted).
    enum Setup { ovr, olDeleted, newItem, twDeleted };
    enum Answer { none, yes, no };
    struct Case {
        Setup setup;
        int noRights;
        Answer answer;
        bool outlookChanged;  // the policy queued the corrective Outlook change
    };
    const Case cases[] = {
        {ovr, 0, none, true},         {ovr, 1, yes, true},         {ovr, 1, no, false},
        {ovr, 2, none, false},        {ovr, 7, none, false},       {olDeleted, 0, none, true},
        {olDeleted, 1, yes, true},    {olDeleted, 2, none, false}, {newItem, 0, none, true},
        {newItem, 1, no, false},      {newItem, 2, none, false},   {twDeleted, 0, none, true},
        {twDeleted, 1, yes, true},    {twDeleted, 7, none, false},
    };
    const char* const methods[] = {"putItems", "deleteItems", "addItems", "addItems"};
    const int questions[] = {239, 240, 237, 238};
    for (const Case& c : cases) {
        SCOPED_TRACE("setup " + std::to_string(c.setup) + ", NoRights " + std::to_string(c.noRights) + ", answer " +
                     std::to_string(c.answer));
        typename TestFixture::World w;
        CKindRules& rules = TypeParam::Rules(w.settings);
        w.Switches({"--refuse", methods[c.setup]});
        std::string entryId;
        switch (c.setup) {
        case ovr:
            rules.ovrAction = 1;
            rules.ovrNoRights = c.noRights;
            entryId = w.Pair({"S1", "Termin", "Server"}, "Outlook");
            break;
        case olDeleted:
            rules.olDeletedAction = 1;
            rules.olDeletedNoRights = c.noRights;
            w.PairWithDeletedOutlookItem({"S1", "Termin", "Server"});
            break;
        case newItem:
            rules.newNoRights = c.noRights;
            entryId = w.OutlookItem("Termin", "Outlook");
            break;
        case twDeleted:
            rules.twDeletedAction = 1;
            rules.twDeletedNoRights = c.noRights;
            entryId = w.PairWithDeletedServerItem("S9", "Termin", "Outlook");
            break;
        }
        if (c.answer != none)
            w.ui.AnswerMessageBox(c.answer == yes ? MessageBoxResult::yes : MessageBoxResult::no);
        w.Run();

        const auto boxes = w.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), c.answer != none ? 1u : 0u);
        if (c.answer != none)
            ExpectBoxAboutItem(boxes[0], questions[c.setup], "Termin", MessageBoxButtons::yesNo,
                               MessageBoxIcon::question);
        // A code that makes no policy leaves the refusal alone and says so
        // in the trace.
        if (c.noRights == 7) {
            EXPECT_THAT(w.trace, Contains(HasSubstr("No policy")));
        }

        const std::vector<std::string> server{this->Line("Termin", "Server")};
        const std::vector<std::string> outlook{this->Line("Termin", "Outlook")};
        using Pairs = std::map<std::string, std::string>;
        switch (c.setup) {
        case ovr:
            EXPECT_EQ(w.Contents(w.OutlookLines()), c.outlookChanged ? server : outlook);
            EXPECT_EQ(w.Contents(w.ServerLines()), server);
            EXPECT_EQ(w.Mapping(), (Pairs{{entryId, "S1"}}));
            break;
        case olDeleted:
            EXPECT_EQ(w.Contents(w.ServerLines()), server);
            if (c.outlookChanged) {
                w.ExpectInStep();
            } else {
                EXPECT_THAT(w.OutlookLines(), IsEmpty());
                EXPECT_EQ(w.Mapping(), (Pairs{{"gone-S1", "S1"}}));
            }
            break;
        case newItem:
        case twDeleted:
            EXPECT_THAT(w.ServerLines(), IsEmpty());
            EXPECT_EQ(w.Contents(w.OutlookLines()), c.outlookChanged ? std::vector<std::string>{} : outlook);
            EXPECT_EQ(w.Mapping(), (c.outlookChanged || c.setup == newItem ? Pairs() : Pairs{{entryId, "S9"}}));
            break;
        }
    }
}

TYPED_TEST(ReplicationRunTest, ItemsTheServerFailsForAnotherReasonAreReportedAndStayAsTheyWere)
{
    struct Case {
        const char* method;
        int message;
    };
    for (const Case& c : {Case{"putItems", 234}, Case{"deleteItems", 235}, Case{"addItems", 236}}) {
        SCOPED_TRACE(c.method);
        typename TestFixture::World w;
        CKindRules& rules = TypeParam::Rules(w.settings);
        rules.ovrAction = 1;
        rules.olDeletedAction = 1;
        w.Switches({"--item-error", c.method});
        std::map<std::string, std::string> pairs;
        const std::string title = "Termin " + std::string(c.method);
        if (c.message == 234) {
            pairs[w.Pair({"S1", title, "Server"}, "Outlook")] = "S1";
        } else if (c.message == 235) {
            w.PairWithDeletedOutlookItem({"S1", title, "Server"});
            pairs["gone-S1"] = "S1";
        } else {
            w.OutlookItem(title, "Outlook");
        }
        const auto outlookBefore = w.OutlookLines();
        w.Run();

        const auto boxes = w.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        ExpectBoxAboutItem(boxes[0], c.message, title, MessageBoxButtons::ok, MessageBoxIcon::stop);
        EXPECT_EQ(w.OutlookLines(), outlookBefore);
        EXPECT_EQ(w.Contents(w.ServerLines()),
                  c.message == 236 ? std::vector<std::string>{} : std::vector<std::string>{this->Line(title, "Server")});
        EXPECT_EQ(w.Mapping(), pairs);
    }
}

TYPED_TEST(ReplicationRunTest, AnAbortDuringTheServerPassSkipsTheServerQueuesButSavesAndLogsOut)
{
    auto& w = this->w;
    w.ServerItem({"S1", "Eins"});
    w.ServerItem({"S2", "Zwei"});
    w.OutlookItem("Drei");
    // Saving writes this pair in the file's own form.
    w.MappingText("stale-entry   stale-server\n");
    w.sink.OnStatus = [&](int id) {
        if (id == TestFixture::kFirstServerRecordText)
            w.RequestAbort();
    };
    w.Run();

    EXPECT_EQ(w.Contents(w.OutlookLines()), std::vector<std::string>{this->Line("Drei", "")});
    EXPECT_EQ(w.Contents(w.ServerLines()), (std::vector<std::string>{this->Line("Eins", ""), this->Line("Zwei", "")}));
    EXPECT_EQ(w.MappingFileBytes(), "stale-entry stale-server\r\n");
    EXPECT_FALSE(w.SessionOpen());
    EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
    // The Outlook pass fetches but handles nothing, the server queues are
    // skipped, the Outlook queues end at once; the end text follows the logout.
    if constexpr (TestFixture::kTasks)
        EXPECT_THAT(w.sink.StatusTexts(), ElementsAre("214", "229", "215(2,0)", "230", "228"));
    else
        EXPECT_THAT(w.sink.StatusTexts(), ElementsAre("184", "229", "185(2,0)", "186(0,2)", "187(1,0)", "192(1,0)",
                                                      "194(0,0)", "196(0,0)", "198"));
}

TYPED_TEST(ReplicationRunTest, ALostConnectionDuringPutItemsEndsTheRunButKeepsTheMappingFile)
{
    auto& w = this->w;
    TypeParam::Rules(w.settings).ovrAction = 1;
    w.Switches({"--drop", "putItems"});
    const std::string entryId = w.Pair({"S1", "Termin", "Server"}, "Outlook");
    w.ServerItem({"S2", "Neu"});
    w.MappingText("stale-entry   stale-server\n");
    const auto outlookBefore = w.OutlookLines();
    w.Run();

    const auto boxes = w.ui.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server");
    EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::ok);
    EXPECT_EQ(boxes[0].icon, MessageBoxIcon::stop);
    // Nothing after the overwrite on the server: no later queue, no logout
    // (whose end text would follow), nothing new in Outlook.
    const std::string put = TestFixture::kTasks ? "219(1,0)" : "189(1,0)";
    EXPECT_EQ(w.sink.StatusTexts().back(), put);
    EXPECT_TRUE(w.SessionOpen());
    EXPECT_EQ(w.OutlookLines(), outlookBefore);
    EXPECT_THAT(w.trace, Contains(HasSubstr("replication aborted due to server connectivity")));
    // The mapping file was saved all the same.
    EXPECT_THAT(w.MappingFileBytes(), HasSubstr("stale-entry stale-server\r\n"));
    EXPECT_THAT(w.MappingFileBytes(), HasSubstr(entryId + " S1\r\n"));
}

// The queue's status text follows the last test of the abort flag before its
// request: a stop there reaches the request while it is under way, and the
// delayed server keeps it under way until the stop ends it.
TYPED_TEST(ReplicationRunTest, AStopDuringAServerCallEndsTheKindAsAnAbortDoesWithoutABox)
{
    struct Case {
        const char* method;
        int text;
    } cases[] = {{"putItems", TestFixture::kTasks ? 219 : 189}, {"addItems", TestFixture::kTasks ? 221 : 191}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        typename TestFixture::World w;
        TypeParam::Rules(w.settings).ovrAction = 1;
        w.Switches({"--delay", std::string(c.method) + "=60"});
        const std::string entryId = w.Pair({"S1", "Termin", "Server"}, "Outlook");
        w.OutlookItem("Neu");
        w.sink.OnStatus = [&](int id) {
            if (id == c.text)
                w.RequestAbort();
        };
        const auto start = std::chrono::steady_clock::now();
        w.Run();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
        EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
        EXPECT_FALSE(w.lastRunFailed);
        EXPECT_THAT(w.trace, Contains(HasSubstr("Stopped during a server call")));
        // As after an abort between items: the pairs are saved, the session
        // is closed and the end text is shown.
        EXPECT_THAT(w.MappingFileBytes(), HasSubstr(entryId + " S1\r\n"));
        EXPECT_FALSE(w.SessionOpen());
        EXPECT_EQ(w.sink.StatusTexts().back(), std::to_string(TestFixture::kTasks ? 228 : 198));
    }
}

TYPED_TEST(ReplicationRunTest, AFailedLogoutLosesNoMappingAndTheEndTextKeepsItsPlace)
{
    auto& w = this->w;
    w.Switches({"--drop", "sign_out"});
    w.ServerItem({"S1", "Eins"});
    w.ServerItem({"S2", "Zwei"});
    w.Run();
    ASSERT_EQ(w.ui.MessageBoxes().size(), 1u);
    EXPECT_EQ(w.ui.MessageBoxes()[0].icon, MessageBoxIcon::stop);
    EXPECT_EQ(w.Mapping().size(), 2u);
    if constexpr (TestFixture::kTasks)
        EXPECT_THAT(w.sink.StatusTexts(), ElementsAre("214", "229", "215(2,0)", "230", "216(1,2)", "219(0,0)",
                                                      "220(0,0)", "221(0,0)", "223(0,2)", "223(1,2)", "228"));
    else
        EXPECT_THAT(w.sink.StatusTexts(), Not(Contains("198")));
}

TYPED_TEST(ReplicationRunTest, AFailureAfterItemsWereCreatedKeepsTheirPairsSoTheNextRunMakesNoCopies)
{
    auto& w = this->w;
    w.ServerItem({"S1", "Vom Server"});
    const std::string entryId = w.OutlookItem("Aus Outlook");
    // Fails while the server's item is added to Outlook, after the Outlook
    // item was created on the server.
    w.sink.OnStatus = [](int id) {
        if (id == TestFixture::kAddToOutlookText)
            throw std::runtime_error("the window is gone");
    };
    w.Run();

    const auto boxes = w.ui.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unkown error has occured (check log window for details)");
    EXPECT_EQ(boxes[0].icon, MessageBoxIcon::stop);
    EXPECT_EQ(w.ServerLines().size(), 2u);
    EXPECT_EQ(w.Mapping().count(entryId), 1u);

    w.sink.OnStatus = nullptr;
    w.Run();
    const std::vector<std::string> both{this->Line("Aus Outlook", ""), this->Line("Vom Server", "")};
    EXPECT_EQ(w.Contents(w.ServerLines()), both);
    EXPECT_EQ(w.Contents(w.OutlookLines()), both);
    w.ExpectInStep();
}

TYPED_TEST(ReplicationRunTest, WithoutAMappingFileNothingIsReplicated)
{
    auto& w = this->w;
    w.ServerItem({"S1", "Vom Server"});
    w.OutlookItem("Aus Outlook");
    // A mapping file that can be neither read nor created.
    std::filesystem::create_symlink(w.Directory().Path() / "missing" / "maps.ids",
                                    w.Directory().Path() / TestFixture::World::MappingFileName());
    w.Run();

    EXPECT_EQ(w.BoxTexts(), std::vector<std::string>{"cannot create file"});
    EXPECT_EQ(w.Contents(w.OutlookLines()), std::vector<std::string>{this->Line("Aus Outlook", "")});
    EXPECT_EQ(w.Contents(w.ServerLines()), std::vector<std::string>{this->Line("Vom Server", "")});
    EXPECT_EQ(w.sink.StatusTexts().back(), std::to_string(TypeParam::kEndText));
}

} // namespace
} // namespace tarnwel
