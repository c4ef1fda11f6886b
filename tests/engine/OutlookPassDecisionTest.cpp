// What the Outlook pass does with a never-replicated item (New rule) and with
// a pair whose server item was deleted (TWDeleted rule); and what the contact
// run does with its Outlook pass and its changed pairs.

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

struct ContactCase {
    bool newItem;
    int action;
    int noRights;
    bool newerThan;     // TWDeleted NewerThan set (its date is 1 March 2024)
    bool changedLater;  // the Outlook contact changed after that date
    bool writeRight;
    bool addressRight;
    A expected;
};

TEST(OutlookPassDecision, ContactFollowsTheFirstRowThatApplies)
{
    const ContactCase cases[] = {
        // New contact: Action 3 is never asked, not even without rights.
        {true, 3, 0, false, false, true, true, A::leave},
        {true, 3, 0, false, false, false, false, A::leave},
        // Deleting in Outlook needs no right and comes before everything else.
        {true, 1, 2, false, false, true, true, A::removeFromOutlook},
        {true, 1, 2, false, false, false, false, A::removeFromOutlook},
        // The link dialog needs the write right only.
        {true, 2, 0, false, false, true, false, A::askWhatToDo},
        {true, 2, 1, false, false, false, true, A::askToRemove},
        // Creating with a new address needs both rights; else NoRights decides.
        {true, 0, 0, false, false, true, true, A::addToServer},
        {true, 0, 0, false, false, true, false, A::removeFromOutlook},
        {true, 0, 1, false, false, true, false, A::askToRemove},
        {true, 0, 2, false, false, true, false, A::leave},
        {true, 0, 0, false, false, false, true, A::removeFromOutlook},
        {true, 7, 0, false, false, true, true, A::removeFromOutlook},
        {true, 7, 2, false, false, true, true, A::leave},
        // Server-deleted pair.
        {false, 0, 2, false, false, false, false, A::removeFromOutlook},
        {false, 2, 0, false, false, true, false, A::askWhatToDo},
        {false, 2, 0, false, false, false, true, A::removeFromOutlook},
        // A restore asks (the contact needs a company), never adds at once...
        {false, 1, 0, false, false, true, true, A::askWhatToDo},
        {false, 1, 0, true, true, true, false, A::askWhatToDo},
        // ...and when its date condition fails, NoRights decides even with
        // both rights.
        {false, 1, 0, true, false, true, true, A::removeFromOutlook},
        {false, 1, 1, true, false, true, true, A::askToRemove},
        {false, 1, 2, true, false, true, true, A::leave},
        {false, 1, 1, false, false, false, true, A::askToRemove},
    };
    const COleDate date = COleDate::FromFields(2024, 3, 1, 0, 0, 0);
    for (const ContactCase& c : cases) {
        CKindRules rules;
        rules.newAction = c.newItem ? c.action : 1;
        rules.newNoRights = c.newItem ? c.noRights : 0;
        rules.twDeletedAction = c.newItem ? 0 : c.action;
        rules.twDeletedNoRights = c.newItem ? 0 : c.noRights;
        rules.twDeletedNewerThan = c.newerThan ? 1 : 0;
        rules.twDeletedNewerThanDate = date;
        const COleDate lastUpdated = date.AddDays(c.changedLater ? 1.0 : 0.0);
        EXPECT_EQ(DecideContactOutlookPass(c.newItem, rules, c.writeRight, c.addressRight, lastUpdated), c.expected)
            << (c.newItem ? "new" : "server-deleted") << " action " << c.action << " noRights " << c.noRights
            << " newerThan " << c.newerThan << " later " << c.changedLater << " write " << c.writeRight
            << " address " << c.addressRight;
    }
}

using C = ChangedContactAction;

struct ChangedCase {
    int ovrAction;
    int ovrNoRights;
    bool addressDiffers;
    bool outlookNewer;
    bool changedSinceLastRun;
    bool writeRight;
    bool addressRight;
    C expected;
};

TEST(ChangedContactDecision, AsksOrFollowsTheFirstRowThatApplies)
{
    const ChangedCase cases[] = {
        // Action 3 always asks.
        {3, 2, false, false, false, false, false, C::askUser},
        // Action 1: a changed company is asked about when the user may change it.
        {1, 2, true, false, false, true, true, C::askUser},
        {1, 2, true, true, true, true, true, C::askUser},
        // Only the person changed: written to the server with the write right alone.
        {1, 0, false, false, false, true, false, C::writeServer},
        {1, 0, false, false, true, true, true, C::writeServer},
        // Missing rights: NoRights decides.
        {1, 0, true, false, false, true, false, C::overwriteOutlook},
        {1, 1, true, false, false, true, false, C::askToOverwriteOutlook},
        {1, 2, true, false, false, true, false, C::leave},
        {1, 0, true, false, false, false, true, C::overwriteOutlook},
        {1, 1, false, false, false, false, true, C::askToOverwriteOutlook},
        {1, 2, false, false, false, false, false, C::leave},
        // Action 2, Outlook newer: as Action 1.
        {2, 2, true, true, false, true, true, C::askUser},
        {2, 2, false, true, false, true, false, C::writeServer},
        {2, 2, false, true, true, true, false, C::writeServer},
        {2, 1, true, true, false, true, false, C::askToOverwriteOutlook},
        {2, 0, false, true, false, false, false, C::overwriteOutlook},
        {2, 2, false, true, false, false, true, C::leave},
        // Action 2, server newer: asked when Outlook changed since the last
        // run too, else Outlook is overwritten whatever the rights.
        {2, 2, false, false, true, false, false, C::askUser},
        {2, 2, true, false, false, true, true, C::overwriteOutlook},
        {2, 2, false, false, false, false, false, C::overwriteOutlook},
        // Action 0 overwrites Outlook, whatever differs.
        {0, 2, true, true, true, true, true, C::overwriteOutlook},
        {0, 2, false, false, false, false, false, C::overwriteOutlook},
        // An unknown Action changes nothing.
        {5, 0, true, true, true, true, true, C::leave},
    };
    for (const ChangedCase& c : cases) {
        CKindRules rules;
        rules.ovrAction = c.ovrAction;
        rules.ovrNoRights = c.ovrNoRights;
        const CChangedContactFacts facts{.addressDiffers = c.addressDiffers,
                                         .outlookNewer = c.outlookNewer,
                                         .outlookChangedSinceLastRun = c.changedSinceLastRun,
                                         .writeRight = c.writeRight,
                                         .addressRight = c.addressRight};
        EXPECT_EQ(DecideChangedContact(facts, rules), c.expected)
            << "action " << c.ovrAction << " noRights " << c.ovrNoRights << " addressDiffers "
            << c.addressDiffers << " outlookNewer " << c.outlookNewer << " changedSince "
            << c.changedSinceLastRun << " write " << c.writeRight << " address " << c.addressRight;
    }
}

} // namespace
} // namespace tarnwel
