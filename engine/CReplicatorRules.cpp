// The two conflict decisions of the replicator: a replicated pair changed
// since the last run, and a pair whose Outlook item was deleted. Each reads
// the rule block of the item's kind from the job's settings, takes the pure
// decision of it, asks the user where that says so, and answers the result
// and the trace text of it.

#include "engine/CConflictDialog.h"
#include "engine/CReplicator.h"
#include "engine/ServerPassDecision.h"
#include "platform/base/Text.h"
#include "platform/ui/MessageBox.h"
#include "records/CItemRecord.h"
#include "resources/StringTable.h"

namespace tarnwel {

using namespace string_id;

namespace {

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

// The Yes/No question without the server right: Yes, the server version
// wins on the Outlook side; No, both stay.
ServerPassResult AskWithoutRights(int questionId, const std::string& description)
{
    return ShowMessageBox(WithDescription(questionId, description), MessageBoxButtons::yesNo,
                          MessageBoxIcon::none) == MessageBoxResult::yes
               ? ServerPassResult::serverWins
               : ServerPassResult::leaveBoth;
}

// Shows the three-way conflict dialog and maps its choice: the first option
// acts on the server, the second for the server version, anything else
// leaves both.
ServerPassResult AskConflictDialog(std::string text, int firstCaptionId, int secondCaptionId, bool hintGiven,
                                   bool hintFavoursFirst)
{
    CConflictDialog dialog;
    dialog.m_text = std::move(text);
    dialog.m_firstCaption = LoadResourceText(firstCaptionId);
    dialog.m_secondCaption = LoadResourceText(secondCaptionId);
    dialog.m_hintGiven = hintGiven;
    dialog.m_hintFavoursFirst = hintFavoursFirst;
    dialog.DoModal();
    switch (dialog.m_choice) {
    case CConflictDialog::kFirstChoice:
        return ServerPassResult::outlookWins;
    case CConflictDialog::kSecondChoice:
        return ServerPassResult::serverWins;
    default:
        return ServerPassResult::leaveBoth;
    }
}

// The result with its trace text: `serverWinsTrace` or `outlookWinsTrace`,
// or that both stay unchanged.
CServerPassResolution Resolved(ServerPassResult result, int serverWinsTrace, int outlookWinsTrace)
{
    switch (result) {
    case ServerPassResult::serverWins:
        return {result, LoadResourceText(serverWinsTrace)};
    case ServerPassResult::outlookWins:
        return {result, LoadResourceText(outlookWinsTrace)};
    case ServerPassResult::leaveBoth:
        break;
    }
    return {result, LoadResourceText(kTraceBothUnchanged)};
}

} // namespace

CServerPassResolution CReplicator::ResolveChangedPair(const CItemRecord& server, const CItemRecord& outlook,
                                                      bool writeRight)
{
    const ChangedPairAction action =
        DecideChangedPair(RulesOfKind(m_settings, server.kind), writeRight, server.last_updated, outlook.last_updated);
    ServerPassResult result = ServerPassResult::leaveBoth;
    switch (action) {
    case ChangedPairAction::overwriteOutlook:
        result = ServerPassResult::serverWins;
        break;
    case ChangedPairAction::overwriteServer:
        result = ServerPassResult::outlookWins;
        break;
    case ChangedPairAction::leave:
        result = ServerPassResult::leaveBoth;
        break;
    case ChangedPairAction::askPreselectingOverwriteServer:
    case ChangedPairAction::askPreselectingOverwriteOutlook:
        result = AskConflictDialog(outlook.GetDifferences(server), kOverwriteServerCaption, kOverwriteOutlookCaption,
                                   true, action == ChangedPairAction::askPreselectingOverwriteServer);
        break;
    case ChangedPairAction::askToOverwriteOutlook:
        result = AskWithoutRights(kOverwriteNoRightsQuestion, server.GetDescription());
        break;
    }
    return Resolved(result, kTraceOutlookOverwritten, kTraceServerOverwritten);
}

CServerPassResolution CReplicator::ResolveOutlookDeletion(const CItemRecord& server, bool deleteRight)
{
    ServerPassResult result = ServerPassResult::leaveBoth;
    switch (DecideOutlookDeletion(RulesOfKind(m_settings, server.kind), deleteRight, server.last_updated)) {
    case OutlookDeletionAction::restoreInOutlook:
        result = ServerPassResult::serverWins;
        break;
    case OutlookDeletionAction::deleteOnServer:
        result = ServerPassResult::outlookWins;
        break;
    case OutlookDeletionAction::leave:
        result = ServerPassResult::leaveBoth;
        break;
    case OutlookDeletionAction::askUser:
        result = AskConflictDialog(WithDescription(kDeletedInOutlookText, server.GetDescription()),
                                   kDeleteOnServerCaption, kRecreateInOutlookCaption, false, false);
        break;
    case OutlookDeletionAction::askToRestoreInOutlook:
        result = AskWithoutRights(kDeleteNoRightsQuestion, server.GetDescription());
        break;
    }
    return Resolved(result, kTraceRecreatedInOutlook, kTraceDeletedOnServer);
}

} // namespace tarnwel
