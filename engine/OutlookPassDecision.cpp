#include "engine/OutlookPassDecision.h"

namespace tarnwel {

OutlookPassAction DecideOutlookPass(bool newItem, const CKindRules& rules, bool writeRight,
                                    const COleDate& lastUpdated)
{
    const bool deleted = !newItem;
    const int action = newItem ? rules.newAction : rules.twDeletedAction;
    const int noRights = newItem ? rules.newNoRights : rules.twDeletedNoRights;

    // A never-replicated item whose rule says "leave it" is never asked about.
    if (newItem && action == 3)
        return OutlookPassAction::leave;
    if ((deleted && action == 0) || (newItem && action == 1))
        return OutlookPassAction::removeFromOutlook;
    if (((deleted && action == 2) || (newItem && action == 2)) && writeRight)
        return OutlookPassAction::askWhatToDo;
    const bool restoreDue = rules.twDeletedNewerThan == 0 || lastUpdated.IsAfter(rules.twDeletedNewerThanDate);
    if (((deleted && action == 1 && restoreDue) || (newItem && action == 0)) && writeRight)
        return OutlookPassAction::addToServer;
    if (writeRight)
        return OutlookPassAction::leave;

    // Without the write right the NoRights code acts on the Outlook side only.
    if (noRights == 0)
        return OutlookPassAction::removeFromOutlook;
    if (noRights == 1)
        return OutlookPassAction::askToRemove;
    return OutlookPassAction::leave;
}

} // namespace tarnwel

namespace tarnwel {

OutlookPassAction DecideContactOutlookPass(bool newItem, const CKindRules& rules, bool writeRight,
                                           bool addressRight, const COleDate& lastUpdated)
{
    const bool deleted = !newItem;
    const int action = newItem ? rules.newAction : rules.twDeletedAction;
    const int noRights = newItem ? rules.newNoRights : rules.twDeletedNoRights;

    if (newItem && action == 3)
        return OutlookPassAction::leave;
    if ((deleted && action == 0) || (newItem && action == 1))
        return OutlookPassAction::removeFromOutlook;
    // Restoring a contact whose server item was deleted asks as well: it has
    // to be given a company again, new or existing.
    const bool restoreDue = rules.twDeletedNewerThan == 0 || lastUpdated.IsAfter(rules.twDeletedNewerThanDate);
    if ((action == 2 || (deleted && action == 1 && restoreDue)) && writeRight)
        return OutlookPassAction::askWhatToDo;
    // A new contact is created with a new address of its own, which takes
    // the address right too.
    if (newItem && action == 0 && writeRight && addressRight)
        return OutlookPassAction::addToServer;

    // Everything else falls to the NoRights code, on the Outlook side only.
    if (noRights == 0)
        return OutlookPassAction::removeFromOutlook;
    if (noRights == 1)
        return OutlookPassAction::askToRemove;
    return OutlookPassAction::leave;
}

ChangedContactAction DecideChangedContact(const CChangedContactFacts& facts, const CKindRules& rules)
{
    const int action = rules.ovrAction;
    const bool bothRights = facts.writeRight && facts.addressRight;

    // Asked: when the rule says so, when the company differs and the user may
    // change it on the server, and when both sides changed since the last run.
    if (action == 3 || (action == 1 && facts.addressDiffers && bothRights) ||
        (action == 2 && facts.outlookNewer && facts.addressDiffers && bothRights) ||
        (action == 2 && !facts.outlookNewer && facts.outlookChangedSinceLastRun))
        return ChangedContactAction::askUser;

    // Only the person changed: the Outlook contact goes to the server and
    // stays with its company.
    if ((action == 1 || (action == 2 && facts.outlookNewer)) && !facts.addressDiffers && facts.writeRight)
        return ChangedContactAction::writeServer;
    if (action == 0 || (action == 2 && !facts.outlookNewer))
        return ChangedContactAction::overwriteOutlook;
    // The server was to be written but a right is missing.
    if (action == 1 || action == 2) {
        if (rules.ovrNoRights == 0)
            return ChangedContactAction::overwriteOutlook;
        if (rules.ovrNoRights == 1)
            return ChangedContactAction::askToOverwriteOutlook;
    }
    return ChangedContactAction::leave;
}

} // namespace tarnwel
