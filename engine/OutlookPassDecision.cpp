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

OutlookPassAction DecideContactOutlookPass(bool, const CKindRules&, bool, bool, const COleDate&)
{
    return OutlookPassAction::leave;
}

ChangedContactAction DecideChangedContact(const CChangedContactFacts&, const CKindRules&)
{
    return ChangedContactAction::leave;
}

} // namespace tarnwel
