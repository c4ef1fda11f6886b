// The two conflict decisions of the replicator: a replicated pair changed
// since the last run, and a pair whose Outlook item was deleted. Each reads
// the rule block of the item's kind from the job's settings, asks the user
// where the rule says so, and answers a result code and the trace text of it.

#include "engine/CConflictDialog.h"
#include "engine/CReplicator.h"
#include "platform/base/Text.h"
#include "platform/ui/MessageBox.h"
#include "records/CItemRecord.h"
#include "resources/StringTable.h"

namespace tarnwel {

namespace {

// String-table texts of the decisions.
constexpr int kTraceRecreatedInOutlook = 159;
constexpr int kTraceDeletedOnServer = 160;
constexpr int kTraceBothUnchanged = 161;
constexpr int kDeletedInOutlookText = 162;
constexpr int kTraceOutlookOverwritten = 163;
constexpr int kTraceServerOverwritten = 164;
constexpr int kOverwriteQuestion = 166;
constexpr int kOverwriteServerCaption = 167;
constexpr int kOverwriteOutlookCaption = 168;
constexpr int kDeleteOnServerCaption = 170;
constexpr int kRecreateInOutlookCaption = 171;
constexpr int kDeleteQuestion = 172;

// The string-table text `id` with every "DESCR" in it replaced by
// `description`. The replacement runs once over the table's text, so a
// description that itself holds "DESCR" is inserted unchanged.
std::string WithDescription(int id, const std::string& description)
{
    return ReplaceAll(LoadResourceText(id), "DESCR", description);
}

const CKindRules& RulesOfKind(const CReplicationSettings& settings, int kind)
{
    switch (kind) {
    case kContactKind:
        return settings.contactRules;
    case kTaskKind:
        return settings.taskRules;
    default:
        return settings.appointmentRules;
    }
}

// What happens without the server right the rule's action needs: NoRights 1
// asks (Yes: the server version wins on the Outlook side, No: both stay),
// 0 lets the server version win, any other code leaves both.
int NoRightsFallback(int noRights, const std::string& question)
{
    switch (noRights) {
    case 1:
        return ShowMessageBox(question, MessageBoxButtons::yesNo, MessageBoxIcon::none) == MessageBoxResult::yes
                   ? kServerWins
                   : kLeaveBoth;
    case 0:
        return kServerWins;
    default:
        return kLeaveBoth;
    }
}

// Shows the three-way conflict dialog and maps its choice: the first option
// acts on the server, the second for the server version, anything else
// leaves both.
int AskConflictDialog(std::string text, std::string firstCaption, std::string secondCaption, bool hintGiven,
                      bool hintFavoursFirst)
{
    CConflictDialog dialog;
    dialog.m_text = std::move(text);
    dialog.m_firstCaption = std::move(firstCaption);
    dialog.m_secondCaption = std::move(secondCaption);
    dialog.m_hintGiven = hintGiven;
    dialog.m_hintFavoursFirst = hintFavoursFirst;
    dialog.DoModal();
    switch (dialog.m_choice) {
    case 0:
        return kOutlookWins;
    case 1:
        return kServerWins;
    default:
        return kLeaveBoth;
    }
}

} // namespace

std::string CReplicator::ResolveChangedPair(const CItemRecord& server, const CItemRecord& outlook, bool writeRight,
                                            int& result)
{
    const CKindRules& rules = RulesOfKind(m_settings, server.kind);
    const std::string question = WithDescription(kOverwriteQuestion, server.GetDescription());
    const bool serverNewer = server.last_updated.IsAfter(outlook.last_updated);

    switch (rules.ovrAction) {
    case 0:
        result = kServerWins;
        break;
    case 1:
        result = writeRight ? kOutlookWins : NoRightsFallback(rules.ovrNoRights, question);
        break;
    case 2:
        // The older side is overwritten; with equal dates the server's.
        if (serverNewer)
            result = kServerWins;
        else
            result = writeRight ? kOutlookWins : NoRightsFallback(rules.ovrNoRights, question);
        break;
    default:
        if (writeRight)
            // The dialog preselects the newer side: Outlook's when the server
            // item was changed earlier.
            result = AskConflictDialog(outlook.GetDifferences(server), LoadResourceText(kOverwriteServerCaption),
                                       LoadResourceText(kOverwriteOutlookCaption), true,
                                       server.last_updated.IsBefore(outlook.last_updated));
        else
            result = NoRightsFallback(rules.ovrNoRights, question);
        break;
    }

    switch (result) {
    case kServerWins:
        return LoadResourceText(kTraceOutlookOverwritten);
    case kOutlookWins:
        return LoadResourceText(kTraceServerOverwritten);
    default:
        return LoadResourceText(kTraceBothUnchanged);
    }
}

std::string CReplicator::ResolveOutlookDeletion(const CItemRecord& server, bool deleteRight, int& result)
{
    const CKindRules& rules = RulesOfKind(m_settings, server.kind);
    const std::string description = server.GetDescription();
    const std::string question = WithDescription(kDeleteQuestion, description);

    switch (rules.olDeletedAction) {
    case 0:
        // Re-created in Outlook, unless the date condition is set and the
        // server item was not changed after its date: then deleted there.
        if (!rules.olDeletedNewerThan || server.last_updated.IsAfter(rules.olDeletedNewerThanDate))
            result = kServerWins;
        else
            result = deleteRight ? kOutlookWins : NoRightsFallback(rules.olDeletedNoRights, question);
        break;
    case 1:
        result = deleteRight ? kOutlookWins : NoRightsFallback(rules.olDeletedNoRights, question);
        break;
    default:
        if (deleteRight)
            result = AskConflictDialog(WithDescription(kDeletedInOutlookText, description),
                                       LoadResourceText(kDeleteOnServerCaption),
                                       LoadResourceText(kRecreateInOutlookCaption), false, false);
        else
            result = NoRightsFallback(rules.olDeletedNoRights, question);
        break;
    }

    switch (result) {
    case kServerWins:
        return LoadResourceText(kTraceRecreatedInOutlook);
    case kOutlookWins:
        return LoadResourceText(kTraceDeletedOnServer);
    default:
        return LoadResourceText(kTraceBothUnchanged);
    }
}

} // namespace tarnwel
