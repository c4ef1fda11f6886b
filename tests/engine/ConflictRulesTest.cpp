#include "engine/CConflictDialog.h"
#include "engine/CReplicator.h"
#include "platform/ui/CScriptedUiBackend.h"
#include "platform/ui/MessageBox.h"
#include "records/CAppointmentRecord.h"
#include "records/CContactRecord.h"
#include "records/CTaskRecord.h"
#include "tests/support/SilentProgressSink.h"
#include "tests/support/BoxCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

// The results, short for the tables.
constexpr ServerPassResult kServerWins = ServerPassResult::serverWins;
constexpr ServerPassResult kOutlookWins = ServerPassResult::outlookWins;
constexpr ServerPassResult kLeaveBoth = ServerPassResult::leaveBoth;

// The trace texts of the server and the Outlook version winning.
const std::string kChangedPairTrace[] = {"\t\t-- Die Outlook-Daten werden \xC3\xBC" "berschrieben.",
                                          "\t\t-- Die DRAV-Daten werden \xC3\xBC" "berschrieben."};
const std::string kDeletionTrace[] = {"\t\t-- Der Datensatz wird wieder erstellt in Outlook.",
                                      "\t\t-- Der Datensatz wird von der DRAV gel\xC3\xB6scht."};
const std::string kBothUnchangedTrace = "\t\t-- Beide Seiten bleiben unver\xC3\xA4ndert.";

// The no-rights questions around the place of the description.
const std::string kOverwriteQuestionHead =
    "Sie haben nicht gen\xC3\xBCgend Rechte auf dem Server,\num die folgenden Daten zu \xC3\xA4ndern:\n";
const std::string kOverwriteQuestionTail =
    "\n\nM\xC3\xB6" "chten Sie die Outlook-Daten \xC3\xBC" "berschreiben?\n(W\xC3\xA4hlen Sie 'Nein' um alles "
    "unver\xC3\xA4ndert zu lassen.)";
const std::string kDeleteQuestionHead =
    "Sie haben nicht gen\xC3\xBCgend Rechte auf dem Server,\num folgende Daten zu l\xC3\xB6schen: ";
const std::string kDeleteQuestionTail =
    "\n\nSollen die Daten wieder hergestellt werden in Outlook?\n(W\xC3\xA4hlen Sie 'Nein'. um alles "
    "unver\xC3\xA4ndert zu lassen.)";

const COleDate kTen = COleDate::FromFields(2026, 3, 1, 10, 0);
const COleDate kEleven = COleDate::FromFields(2026, 3, 1, 11, 0);
const COleDate kTwelve = COleDate::FromFields(2026, 3, 1, 12, 0);

CAppointmentRecord Appointment(const std::string& subject, const COleDate& lastUpdated)
{
    CAppointmentRecord record;
    record.id_tarnwel = "srv-1";
    record.id_client = "entry-1";
    record.description = subject;
    record.start = COleDate::FromFields(2026, 3, 5, 9, 0);
    record.end = COleDate::FromFields(2026, 3, 5, 10, 0);
    record.last_updated = lastUpdated;
    return record;
}

CTaskRecord Task(const std::string& title, const COleDate& lastUpdated)
{
    CTaskRecord record;
    record.id_tarnwel = "srv-2";
    record.id_client = "entry-2";
    record.title = title;
    record.last_updated = lastUpdated;
    return record;
}

using A = CDialogAction;
namespace cd = conflict_dialog;

// What a decision did: its result, trace text, and the boxes and dialogs it
// showed.
struct CDecision {
    ServerPassResult code = static_cast<ServerPassResult>(-7);
    std::string trace;
    std::vector<CMessageBoxRequest> boxes;
    std::vector<CShownDialog> dialogs;
    std::vector<std::string> unexpected;  // dialogs shown without a script
};

// Runs decisions on a replicator whose settings hold `rules` for the kind of
// the server record; boxes are answered with `answer`, the conflict dialog
// with `dialogActions`.
class ConflictRules : public ::testing::Test {
protected:
    CReplicator& Replicator(const CKindRules& rules, int kind)
    {
        CReplicationSettings settings;
        settings.SetDefaults();
        (kind == kTaskKind ? settings.taskRules : kind == kContactKind ? settings.contactRules
                                                                        : settings.appointmentRules) = rules;
        m_replicator = std::make_unique<CReplicator>(m_sink, settings);
        return *m_replicator;
    }

    CDecision ChangedPair(const CKindRules& rules, const CItemRecord& server, const CItemRecord& outlook,
                          bool writeRight, MessageBoxResult answer = MessageBoxResult::yes,
                          std::vector<CDialogAction> dialogActions = {})
    {
        return Decide(answer, std::move(dialogActions), [&] {
            return Replicator(rules, server.kind).ResolveChangedPair(server, outlook, writeRight);
        });
    }

    CDecision OutlookDeletion(const CKindRules& rules, const CItemRecord& server, bool deleteRight,
                              MessageBoxResult answer = MessageBoxResult::yes,
                              std::vector<CDialogAction> dialogActions = {})
    {
        return Decide(answer, std::move(dialogActions), [&] {
            return Replicator(rules, server.kind).ResolveOutlookDeletion(server, deleteRight);
        });
    }

private:
    template <typename Decision>
    CDecision Decide(MessageBoxResult answer, std::vector<CDialogAction> dialogActions, Decision decide)
    {
        CDecision decision;
        CScriptedUiBackend backend;
        if (!dialogActions.empty())
            backend.AnswerDialog({CConflictDialog::kTemplateId, std::move(dialogActions)});
        {
            CScopedUiBackend scopedBackend(backend);
            test::CBoxCapture boxes(Answer(decision, answer));
            CServerPassResolution resolution = decide();
            decision.code = resolution.result;
            decision.trace = std::move(resolution.trace);
        }
        decision.dialogs = backend.Dialogs();
        decision.unexpected = backend.Unexpected();
        return decision;
    }

    static test::CBoxCapture::Answer Answer(CDecision& decision, MessageBoxResult answer)
    {
        return [&decision, answer](const CMessageBoxRequest& request) {
            decision.boxes.push_back(request);
            return answer;
        };
    }

    test::CSilentProgressSink m_sink;
    std::unique_ptr<CReplicator> m_replicator;
};

// How a row of the decision tables ends (rows that show the dialog have a
// table of their own).
enum class Outcome { serverWins, outlookWins, noRightsFallback };

// The no-rights codes with the box answer that goes with them and what they give.
struct NoRightsCase {
    int noRights;
    MessageBoxResult answer;
    bool asks;
    ServerPassResult code;
};
const NoRightsCase kNoRightsCases[] = {
    {0, MessageBoxResult::yes, false, kServerWins},  {1, MessageBoxResult::yes, true, kServerWins},
    {1, MessageBoxResult::no, true, kLeaveBoth},     {2, MessageBoxResult::yes, false, kLeaveBoth},
    {5, MessageBoxResult::yes, false, kLeaveBoth},   {-1, MessageBoxResult::yes, false, kLeaveBoth},
};

std::string ResultName(ServerPassResult code)
{
    return code == kServerWins ? "server wins" : code == kOutlookWins ? "Outlook wins" : "leave both";
}

std::string TraceOf(const std::string (&traces)[2], ServerPassResult code)
{
    return code == kLeaveBoth ? kBothUnchangedTrace : traces[code == kServerWins ? 0 : 1];
}

TEST_F(ConflictRules, ChangedPairFollowsTheOvrActionTheWriteRightAndTheDates)
{
    struct Row {
        int action;
        bool writeRight;
        COleDate serverChanged;  // the Outlook item changed at 11:00
        Outcome outcome;
    };
    const Row rows[] = {
        {0, false, kTen, Outcome::serverWins},
        {0, true, kTwelve, Outcome::serverWins},
        {1, true, kTwelve, Outcome::outlookWins},
        {1, false, kTen, Outcome::noRightsFallback},
        {2, false, kTwelve, Outcome::serverWins},
        {2, true, kTwelve, Outcome::serverWins},
        {2, true, kEleven, Outcome::outlookWins},  // equal dates: the server item is overwritten
        {2, true, kTen, Outcome::outlookWins},
        {2, false, kEleven, Outcome::noRightsFallback},
        {2, false, kTen, Outcome::noRightsFallback},
        {3, false, kTwelve, Outcome::noRightsFallback},
        {4, false, kTen, Outcome::noRightsFallback},
        {-1, false, kTen, Outcome::noRightsFallback},
    };
    for (const Row& row : rows) {
        for (const NoRightsCase& noRights : kNoRightsCases) {
            SCOPED_TRACE("Action " + std::to_string(row.action) + " write right " + std::to_string(row.writeRight) +
                         " server changed " + row.serverChanged.Format("%H:%M") + " NoRights " +
                         std::to_string(noRights.noRights) +
                         (noRights.answer == MessageBoxResult::yes ? " Yes" : " No"));
            CKindRules rules;
            rules.ovrAction = row.action;
            rules.ovrNoRights = noRights.noRights;
            const CAppointmentRecord server = Appointment("Planung (Server)", row.serverChanged);
            const CAppointmentRecord outlook = Appointment("Planung", kEleven);
            const CDecision decision = ChangedPair(rules, server, outlook, row.writeRight, noRights.answer);

            ServerPassResult expected = row.outcome == Outcome::serverWins ? kServerWins : kOutlookWins;
            bool asked = false;
            if (row.outcome == Outcome::noRightsFallback) {
                expected = noRights.code;
                asked = noRights.asks;
            }
            EXPECT_EQ(decision.code, expected);
            EXPECT_EQ(decision.trace, TraceOf(kChangedPairTrace, expected));
            EXPECT_TRUE(decision.dialogs.empty());
            ASSERT_EQ(decision.boxes.size(), asked ? 1u : 0u);
            if (asked) {
                EXPECT_EQ(decision.boxes[0].text,
                          kOverwriteQuestionHead + server.GetDescription() + kOverwriteQuestionTail);
                EXPECT_EQ(decision.boxes[0].buttons, MessageBoxButtons::yesNo);
                EXPECT_EQ(decision.boxes[0].icon, MessageBoxIcon::none);
            }
        }
    }
}

TEST_F(ConflictRules, OutlookDeletionFollowsTheOLDeletedActionTheDeleteRightAndTheNewerThanDate)
{
    const COleDate firstOfMarch = COleDate::FromFields(2026, 3, 1);
    struct Row {
        int action;
        int newerThan;
        COleDate serverChanged;  // NewerThanDate is 1 March, 00:00
        bool deleteRight;
        Outcome outcome;
    };
    const Row rows[] = {
        {0, 0, COleDate::FromFields(2026, 2, 10), false, Outcome::serverWins},
        {0, 0, COleDate::FromFields(2026, 2, 10), true, Outcome::serverWins},
        {0, 1, COleDate::FromFields(2026, 3, 2), false, Outcome::serverWins},
        {0, 1, COleDate::FromFields(2026, 3, 1, 0, 1), true, Outcome::serverWins},
        {0, 1, COleDate::FromFields(2026, 2, 10), true, Outcome::outlookWins},
        {0, 1, firstOfMarch, true, Outcome::outlookWins},  // not later than the date
        {0, 1, COleDate::FromFields(2026, 2, 10), false, Outcome::noRightsFallback},
        {0, 1, firstOfMarch, false, Outcome::noRightsFallback},
        {1, 0, COleDate::FromFields(2026, 3, 2), true, Outcome::outlookWins},
        {1, 1, COleDate::FromFields(2026, 3, 2), true, Outcome::outlookWins},
        {1, 0, COleDate::FromFields(2026, 3, 2), false, Outcome::noRightsFallback},
        {2, 0, COleDate::FromFields(2026, 3, 2), false, Outcome::noRightsFallback},
        {3, 0, COleDate::FromFields(2026, 3, 2), false, Outcome::noRightsFallback},
        {-1, 1, COleDate::FromFields(2026, 3, 2), false, Outcome::noRightsFallback},
    };
    for (const Row& row : rows) {
        for (const NoRightsCase& noRights : kNoRightsCases) {
            SCOPED_TRACE("Action " + std::to_string(row.action) + " NewerThan " + std::to_string(row.newerThan) +
                         " server changed " + row.serverChanged.Format("%Y-%m-%d %H:%M") + " delete right " +
                         std::to_string(row.deleteRight) + " NoRights " + std::to_string(noRights.noRights) +
                         (noRights.answer == MessageBoxResult::yes ? " Yes" : " No"));
            CKindRules rules;
            rules.olDeletedAction = row.action;
            rules.olDeletedNoRights = noRights.noRights;
            rules.olDeletedNewerThan = row.newerThan;
            rules.olDeletedNewerThanDate = firstOfMarch;
            const CTaskRecord server = Task("Bericht", row.serverChanged);
            const CDecision decision = OutlookDeletion(rules, server, row.deleteRight, noRights.answer);

            ServerPassResult expected = row.outcome == Outcome::serverWins ? kServerWins : kOutlookWins;
            bool asked = false;
            if (row.outcome == Outcome::noRightsFallback) {
                expected = noRights.code;
                asked = noRights.asks;
            }
            EXPECT_EQ(decision.code, expected);
            EXPECT_EQ(decision.trace, TraceOf(kDeletionTrace, expected));
            EXPECT_TRUE(decision.dialogs.empty());
            ASSERT_EQ(decision.boxes.size(), asked ? 1u : 0u);
            if (asked) {
                EXPECT_EQ(decision.boxes[0].text,
                          kDeleteQuestionHead + server.GetDescription() + kDeleteQuestionTail);
                EXPECT_EQ(decision.boxes[0].buttons, MessageBoxButtons::yesNo);
                EXPECT_EQ(decision.boxes[0].icon, MessageBoxIcon::none);
            }
        }
    }
}

// A conflict dialog case: the script, the option ticked when the dialog
// opened, and the result code.
struct DialogRow {
    int action;
    COleDate serverChanged;  // the Outlook item changed at 11:00
    std::vector<CDialogAction> script;
    int preselected;
    ServerPassResult code;
};

TEST_F(ConflictRules, ChangedPairAsksWithTheDifferencesAndPreselectsTheNewerSide)
{
    const DialogRow rows[] = {
        // The Outlook item is newer: its side (overwrite the server) is preselected.
        {3, kTen, {A::Ok()}, cd::kFirst, kOutlookWins},
        {3, kTen, {A::Click(cd::kSecond), A::Ok()}, cd::kFirst, kServerWins},
        {3, kTen, {A::Click(cd::kNoChanges), A::Ok()}, cd::kFirst, kLeaveBoth},
        // Equal or server newer: the server's side is preselected.
        {3, kEleven, {A::Ok()}, cd::kSecond, kServerWins},
        {3, kTwelve, {A::Click(cd::kFirst), A::Ok()}, cd::kSecond, kOutlookWins},
        {3, kTwelve, {A::Click(cd::kNoChanges), A::Escape()}, cd::kSecond, kLeaveBoth},
        {4, kTwelve, {A::Escape()}, cd::kSecond, kServerWins},
        {-1, kTen, {A::Click(cd::kSecond), A::Ok()}, cd::kFirst, kServerWins},
    };
    for (const DialogRow& row : rows) {
        SCOPED_TRACE("Action " + std::to_string(row.action) + " server changed " + row.serverChanged.Format("%H:%M") +
                     " result " + ResultName(row.code));
        CKindRules rules;
        rules.ovrAction = row.action;
        rules.ovrNoRights = 1;  // not asked: the write right is granted
        const CTaskRecord server = Task("Bericht (Server)", row.serverChanged);
        CTaskRecord outlook = Task("Bericht", kEleven);
        outlook.percentComplete = 40;
        const CDecision decision = ChangedPair(rules, server, outlook, true, MessageBoxResult::yes, row.script);

        EXPECT_EQ(decision.code, row.code);
        EXPECT_EQ(decision.trace, TraceOf(kChangedPairTrace, row.code));
        EXPECT_TRUE(decision.boxes.empty());
        EXPECT_TRUE(decision.unexpected.empty());
        ASSERT_EQ(decision.dialogs.size(), 1u);
        const CShownDialog& shown = decision.dialogs[0];
        EXPECT_EQ(shown.InitialControl(cd::kText).text, outlook.GetDifferences(server));
        EXPECT_EQ(shown.InitialControl(cd::kFirst).text, "\xC3\x9C" "berschreiben der DRAV-Daten.");
        EXPECT_EQ(shown.InitialControl(cd::kSecond).text, "\xC3\x9C" "berschreiben der Outlook-Daten.");
        EXPECT_EQ(shown.InitialControl(cd::kNoChanges).text, "Keine \xC3\x84nderungen vornehmen.");
        for (const int option : {cd::kFirst, cd::kSecond, cd::kNoChanges})
            EXPECT_EQ(shown.InitialControl(option).check, option == row.preselected ? 1 : 0) << option;
    }
}

TEST_F(ConflictRules, OutlookDeletionAsksWithTheItemAndPreselectsDeletingOnTheServer)
{
    const DialogRow rows[] = {
        {2, kTen, {A::Ok()}, cd::kFirst, kOutlookWins},
        {2, kTwelve, {A::Click(cd::kSecond), A::Ok()}, cd::kFirst, kServerWins},
        {2, kTen, {A::Click(cd::kNoChanges), A::Ok()}, cd::kFirst, kLeaveBoth},
        {3, kTen, {A::Click(cd::kSecond), A::Escape()}, cd::kFirst, kServerWins},
        {-1, kTwelve, {A::Close()}, cd::kFirst, kOutlookWins},
    };
    for (const DialogRow& row : rows) {
        SCOPED_TRACE("Action " + std::to_string(row.action) + " result " + ResultName(row.code));
        CKindRules rules;
        rules.olDeletedAction = row.action;
        rules.olDeletedNoRights = 1;
        rules.olDeletedNewerThan = 1;
        rules.olDeletedNewerThanDate = kEleven;
        const CAppointmentRecord server = Appointment("Planung DESCR", row.serverChanged);
        const CDecision decision = OutlookDeletion(rules, server, true, MessageBoxResult::yes, row.script);

        EXPECT_EQ(decision.code, row.code);
        EXPECT_EQ(decision.trace, TraceOf(kDeletionTrace, row.code));
        EXPECT_TRUE(decision.boxes.empty());
        EXPECT_TRUE(decision.unexpected.empty());
        ASSERT_EQ(decision.dialogs.size(), 1u);
        const CShownDialog& shown = decision.dialogs[0];
        EXPECT_EQ(shown.InitialControl(cd::kText).text,
                  "Der " + server.GetDescription() +
                      "\r\nwurde vom Server repliziert, aber zwischenzeitlich aus Outlook gel\xC3\xB6scht.");
        EXPECT_EQ(shown.InitialControl(cd::kFirst).text, "L\xC3\xB6schen der DRAV-Daten.");
        EXPECT_EQ(shown.InitialControl(cd::kSecond).text, "Wiederherstellen der Daten in Outlook.");
        for (const int option : {cd::kFirst, cd::kSecond, cd::kNoChanges})
            EXPECT_EQ(shown.InitialControl(option).check, option == row.preselected ? 1 : 0) << option;
    }
}

TEST_F(ConflictRules, EachKindReadsItsOwnRuleBlock)
{
    CReplicationSettings settings;
    settings.SetDefaults();
    settings.appointmentRules.ovrAction = 0;
    settings.taskRules.ovrAction = 1;
    settings.contactRules.olDeletedAction = 1;
    settings.appointmentRules.olDeletedAction = 0;
    settings.taskRules.olDeletedAction = 0;
    test::CSilentProgressSink sink;
    CReplicator replicator(sink, settings);

    const CTaskRecord task = Task("Bericht", kTen);
    EXPECT_EQ(replicator.ResolveChangedPair(task, task, true).result, kOutlookWins);
    const CAppointmentRecord appointment = Appointment("Planung", kTen);
    EXPECT_EQ(replicator.ResolveChangedPair(appointment, appointment, true).result, kServerWins);

    CContactRecord contact;
    contact.lastName = "M\xC3\xBCller";
    EXPECT_EQ(replicator.ResolveOutlookDeletion(contact, true).result, kOutlookWins);
    EXPECT_EQ(replicator.ResolveOutlookDeletion(task, true).result, kServerWins);
}

TEST_F(ConflictRules, ADescriptionHoldingThePlaceholderIsInsertedUnchanged)
{
    CKindRules rules;
    rules.ovrAction = 1;
    rules.ovrNoRights = 1;
    rules.olDeletedAction = 1;
    rules.olDeletedNoRights = 1;
    const CAppointmentRecord server = Appointment("DESCR und DESCR", kTen);

    const CDecision changed = ChangedPair(rules, server, Appointment("x", kEleven), false, MessageBoxResult::no);
    ASSERT_EQ(changed.boxes.size(), 1u);
    EXPECT_EQ(changed.boxes[0].text, kOverwriteQuestionHead + server.GetDescription() + kOverwriteQuestionTail);
    EXPECT_NE(changed.boxes[0].text.find("DESCR und DESCR"), std::string::npos);

    const CDecision deleted = OutlookDeletion(rules, server, false, MessageBoxResult::no);
    ASSERT_EQ(deleted.boxes.size(), 1u);
    EXPECT_EQ(deleted.boxes[0].text, kDeleteQuestionHead + server.GetDescription() + kDeleteQuestionTail);
}

} // namespace
} // namespace tarnwel
