#include "engine/OutlookPassDecision.h"

namespace tarnwel {

using namespace rule_code;

OutlookPassAction DecideOutlookPass(bool newItem, const CKindRules& rules, bool writeRight,
                                    const COleDate& lastUpdated)
{
    const bool deleted = !newItem;
    const int action = newItem ? rules.newAction : rules.twDeletedAction;
    const int noRights = newItem ? rules.newNoRights : rules.twDeletedNoRights;

    // A never-replicated item whose rule says "leave it" is never asked about.
    if (newItem && action == kNewLeave)
        return OutlookPassAction::leave;
    if ((deleted && action == kTWDeletedRemoveFromOutlook) || (newItem && action == kNewRemoveFromOutlook))
        return OutlookPassAction::removeFromOutlook;
    if (((deleted && action == kTWDeletedAskUser) || (newItem && action == kNewAskUser)) && writeRight)
        return OutlookPassAction::askWhatToDo;
    const bool restoreDue = rules.twDeletedNewerThan == 0 || lastUpdated.IsAfter(rules.twDeletedNewerThanDate);
    if (((deleted && action == kTWDeletedRestoreOnServer && restoreDue) || (newItem && action == kNewAddToServer)) &&
        writeRight)
        return OutlookPassAction::addToServer;
    if (writeRight)
        return OutlookPassAction::leave;

    // Without the write right the NoRights code acts on the Outlook side only.
    return ActionOfNoRights(noRights, OutlookPassAction::removeFromOutlook, OutlookPassAction::askToRemove,
                            OutlookPassAction::leave);
}

OutlookPassAction DecideContactOutlookPass(bool newItem, const CKindRules& rules, bool writeRight,
                                           bool addressRight, const COleDate& lastUpdated)
{
    const bool deleted = !newItem;
    const int action = newItem ? rules.newAction : rules.twDeletedAction;
    const int noRights = newItem ? rules.newNoRights : rules.twDeletedNoRights;

    if (newItem && action == kNewLeave)
        return OutlookPassAction::leave;
    if ((deleted && action == kTWDeletedRemoveFromOutlook) || (newItem && action == kNewRemoveFromOutlook))
        return OutlookPassAction::removeFromOutlook;
    // Restoring a contact whose server item was deleted asks as well: it has
    // to be given a company again, new or existing.
    const bool restoreDue = rules.twDeletedNewerThan == 0 || lastUpdated.IsAfter(rules.twDeletedNewerThanDate);
    if (((newItem && action == kNewAskUser) || (deleted && action == kTWDeletedAskUser) ||
         (deleted && action == kTWDeletedRestoreOnServer && restoreDue)) &&
        writeRight)
        return OutlookPassAction::askWhatToDo;
    // A new contact is created with a new address of its own, which takes
    // the address right too.
    if (newItem && action == kNewAddToServer && writeRight && addressRight)
        return OutlookPassAction::addToServer;

    // Everything else falls to the NoRights code, on the Outlook side only.
    return ActionOfNoRights(noRights, OutlookPassAction::removeFromOutlook, OutlookPassAction::askToRemove,
                            OutlookPassAction::leave);
}

ChangedContactAction DecideChangedContact(const CChangedContactFacts& facts, const CKindRules& rules)
{
    const int action = rules.ovrAction;
    const bool bothRights = facts.writeRight && facts.addressRight;

    // Asked: when the rule says so, when the company differs and the user may
    // change it on the server, and when both sides changed since the last run.
    if (action == kOvrAskUser || (action == kOvrOverwriteServer && facts.addressDiffers && bothRights) ||
        (action == kOvrNewerWins && facts.outlookNewer && facts.addressDiffers && bothRights) ||
        (action == kOvrNewerWins && !facts.outlookNewer && facts.outlookChangedSinceLastRun))
        return ChangedContactAction::askUser;

    // Only the person changed: the Outlook contact goes to the server and
    // stays with its company.
    if ((action == kOvrOverwriteServer || (action == kOvrNewerWins && facts.outlookNewer)) && !facts.addressDiffers &&
        facts.writeRight)
        return ChangedContactAction::writeServer;
    if (action == kOvrOverwriteOutlook || (action == kOvrNewerWins && !facts.outlookNewer))
        return ChangedContactAction::overwriteOutlook;
    // The server was to be written but a right is missing.
    if (action == kOvrOverwriteServer || action == kOvrNewerWins)
        return ActionOfNoRights(rules.ovrNoRights, ChangedContactAction::overwriteOutlook,
                                ChangedContactAction::askToOverwriteOutlook, ChangedContactAction::leave);
    return ChangedContactAction::leave;
}

} // namespace tarnwel
