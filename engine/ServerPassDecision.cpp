#include "engine/ServerPassDecision.h"

namespace tarnwel {

using namespace rule_code;

ChangedPairAction DecideChangedPair(const CKindRules& rules, bool writeRight, const COleDate& serverUpdated,
                                    const COleDate& outlookUpdated)
{
    switch (rules.ovrAction) {
    case kOvrOverwriteOutlook:
        return ChangedPairAction::overwriteOutlook;
    case kOvrOverwriteServer:
        if (writeRight)
            return ChangedPairAction::overwriteServer;
        break;
    case kOvrNewerWins:
        // The older side is overwritten; with equal dates the server's.
        if (serverUpdated.IsAfter(outlookUpdated))
            return ChangedPairAction::overwriteOutlook;
        if (writeRight)
            return ChangedPairAction::overwriteServer;
        break;
    default:
        // The dialog, also for a code the names do not know.
        if (writeRight)
            return serverUpdated.IsBefore(outlookUpdated) ? ChangedPairAction::askPreselectingOverwriteServer
                                                          : ChangedPairAction::askPreselectingOverwriteOutlook;
        break;
    }
    return ActionOfNoRights(rules.ovrNoRights, ChangedPairAction::overwriteOutlook,
                            ChangedPairAction::askToOverwriteOutlook, ChangedPairAction::leave);
}

OutlookDeletionAction DecideOutlookDeletion(const CKindRules& rules, bool deleteRight, const COleDate& serverUpdated)
{
    switch (rules.olDeletedAction) {
    case kOLDeletedRestoreInOutlook:
        // Restored, unless the date condition is set and the server item was
        // not changed after its date: then deleted on the server as well.
        if (rules.olDeletedNewerThan == 0 || serverUpdated.IsAfter(rules.olDeletedNewerThanDate))
            return OutlookDeletionAction::restoreInOutlook;
        if (deleteRight)
            return OutlookDeletionAction::deleteOnServer;
        break;
    case kOLDeletedDeleteOnServer:
        if (deleteRight)
            return OutlookDeletionAction::deleteOnServer;
        break;
    default:
        // The dialog, also for a code the names do not know.
        if (deleteRight)
            return OutlookDeletionAction::askUser;
        break;
    }
    return ActionOfNoRights(rules.olDeletedNoRights, OutlookDeletionAction::restoreInOutlook,
                            OutlookDeletionAction::askToRestoreInOutlook, OutlookDeletionAction::leave);
}

} // namespace tarnwel
