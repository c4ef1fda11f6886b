// What the Outlook pass does with a never-replicated item (New rule) and with
// a pair whose server item was deleted (TWDeleted rule).

#include "engine/OutlookPassDecision.h"

#include <gtest/gtest.h>

namespace tarnwel {
namespace {

using A = OutlookPassAction;

struct Case {
    bool newItem;
    int action;
    int noRights;
    bool newerThan;     // TWDeleted NewerThan set (its date is 1 March 2024)
    bool changedLater;  // the Outlook item changed after that date
    bool writeRight;
    A expected;
};

TEST(OutlookPassDecision, FollowsTheFirstRowThatApplies)
{
    const Case cases[] = {
        // New rule with the write right: each Action.
        {true, 0, 2, false, false, true, A::addToServer},
        {true, 1, 2, false, false, true, A::removeFromOutlook},
        {true, 2, 2, false, false, true, A::askWhatToDo},
        {true, 3, 0, false, false, true, A::leave},
        {true, 7, 0, false, false, true, A::leave},
        // New rule without it: deleting in Outlook and leaving need no right,
        // creating and asking fall to NoRights; Action 3 never asks.
        {true, 1, 2, false, false, false, A::removeFromOutlook},
        {true, 3, 1, false, false, false, A::leave},
        {true, 0, 0, false, false, false, A::removeFromOutlook},
        {true, 0, 1, false, false, false, A::askToRemove},
        {true, 2, 2, false, false, false, A::leave},
        {true, 2, 9, false, false, false, A::leave},
        // TWDeleted rule with the write right.
        {false, 0, 2, false, false, true, A::removeFromOutlook},
        {false, 1, 2, false, false, true, A::addToServer},
        {false, 1, 2, true, true, true, A::addToServer},
        {false, 1, 2, true, false, true, A::leave},
        {false, 2, 2, false, false, true, A::askWhatToDo},
        // TWDeleted without it: a restore not yet due also falls to NoRights.
        {false, 0, 2, false, false, false, A::removeFromOutlook},
        {false, 1, 0, false, false, false, A::removeFromOutlook},
        {false, 1, 1, true, false, false, A::askToRemove},
        {false, 2, 2, false, false, false, A::leave},
    };
    const COleDate date = COleDate::FromFields(2024, 3, 1, 0, 0, 0);
    for (const Case& c : cases) {
        CKindRules rules;
        // The other rule's fields hold codes that would delete the item.
        rules.newAction = c.newItem ? c.action : 1;
        rules.newNoRights = c.newItem ? c.noRights : 0;
        rules.twDeletedAction = c.newItem ? 0 : c.action;
        rules.twDeletedNoRights = c.newItem ? 0 : c.noRights;
        rules.twDeletedNewerThan = c.newerThan ? 1 : 0;
        rules.twDeletedNewerThanDate = date;
        const COleDate lastUpdated = date.AddDays(c.changedLater ? 1.0 : 0.0);
        EXPECT_EQ(DecideOutlookPass(c.newItem, rules, c.writeRight, lastUpdated), c.expected)
            << (c.newItem ? "new" : "server-deleted") << " action " << c.action << " noRights " << c.noRights
            << " newerThan " << c.newerThan << " later " << c.changedLater << " write " << c.writeRight;
    }
}

} // namespace
} // namespace tarnwel
