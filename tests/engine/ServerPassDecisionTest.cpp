// What the server pass does with a replicated pair changed since the last
// run (Ovr rule) and with a pair whose Outlook item was deleted (OLDeleted
// rule), before anything is asked.

#include "engine/ServerPassDecision.h"

#include <gtest/gtest.h>

namespace tarnwel {
namespace {

const COleDate kTen = COleDate::FromFields(2026, 3, 1, 10, 0);
const COleDate kEleven = COleDate::FromFields(2026, 3, 1, 11, 0);
const COleDate kTwelve = COleDate::FromFields(2026, 3, 1, 12, 0);

using C = ChangedPairAction;

TEST(ServerPassDecision, ChangedPairFollowsTheOvrActionTheWriteRightAndTheDates)
{
    struct Case {
        int action;
        int noRights;
        bool writeRight;
        COleDate serverUpdated;  // the Outlook item changed at 11:00
        C expected;
    };
    const Case cases[] = {
        // Overwrite Outlook needs no right, whatever the dates.
        {0, 1, false, kTen, C::overwriteOutlook},
        {0, 2, true, kTwelve, C::overwriteOutlook},
        // Overwrite the server: the right, else NoRights on the Outlook side.
        {1, 1, true, kTwelve, C::overwriteServer},
        {1, 0, false, kTwelve, C::overwriteOutlook},
        {1, 1, false, kTen, C::askToOverwriteOutlook},
        {1, 2, false, kTen, C::leave},
        {1, 7, false, kTen, C::leave},
        {1, -1, false, kTen, C::leave},
        // Newer wins: a newer server item needs no right; with equal dates
        // the server item is the one overwritten.
        {2, 1, false, kTwelve, C::overwriteOutlook},
        {2, 2, true, kTwelve, C::overwriteOutlook},
        {2, 2, true, kEleven, C::overwriteServer},
        {2, 2, true, kTen, C::overwriteServer},
        {2, 0, false, kEleven, C::overwriteOutlook},
        {2, 1, false, kTen, C::askToOverwriteOutlook},
        {2, 2, false, kTen, C::leave},
        // The dialog preselects overwriting the server only when the Outlook
        // item is newer; without the right NoRights decides.
        {3, 1, true, kTen, C::askPreselectingOverwriteServer},
        {3, 1, true, kEleven, C::askPreselectingOverwriteOutlook},
        {3, 1, true, kTwelve, C::askPreselectingOverwriteOutlook},
        {3, 0, false, kTen, C::overwriteOutlook},
        {3, 1, false, kTen, C::askToOverwriteOutlook},
        {3, 2, false, kTwelve, C::leave},
        // An unknown Action asks like the dialog code.
        {4, 2, true, kTen, C::askPreselectingOverwriteServer},
        {-1, 2, true, kTwelve, C::askPreselectingOverwriteOutlook},
        {4, 1, false, kTen, C::askToOverwriteOutlook},
        {-1, 0, false, kTen, C::overwriteOutlook},
    };
    for (const Case& c : cases) {
        CKindRules rules;
        rules.ovrAction = c.action;
        rules.ovrNoRights = c.noRights;
        // The OLDeleted fields must not matter.
        rules.olDeletedAction = 1;
        rules.olDeletedNoRights = 1;
        EXPECT_EQ(DecideChangedPair(rules, c.writeRight, c.serverUpdated, kEleven), c.expected)
            << "action " << c.action << " noRights " << c.noRights << " write " << c.writeRight << " server "
            << c.serverUpdated.Format("%H:%M");
    }
}

using D = OutlookDeletionAction;

TEST(ServerPassDecision, OutlookDeletionFollowsTheOLDeletedActionTheDeleteRightAndTheNewerThanDate)
{
    const COleDate date = COleDate::FromFields(2026, 3, 1);
    const COleDate before = COleDate::FromFields(2026, 2, 10);
    const COleDate after = COleDate::FromFields(2026, 3, 1, 0, 1);
    struct Case {
        int action;
        int noRights;
        int newerThan;  // the flag; its date is 1 March, 00:00
        COleDate serverUpdated;
        bool deleteRight;
        D expected;
    };
    const Case cases[] = {
        // Restore in Outlook: without the date condition, or changed after
        // its date, no right is needed.
        {0, 1, 0, before, false, D::restoreInOutlook},
        {0, 1, 1, after, false, D::restoreInOutlook},
        {0, 2, 1, after, true, D::restoreInOutlook},
        // Not changed after the date (equal is not after): deleted on the
        // server, which takes the right; any non-zero flag sets the condition.
        {0, 1, 1, before, true, D::deleteOnServer},
        {0, 1, 1, date, true, D::deleteOnServer},
        {0, 1, 5, before, true, D::deleteOnServer},
        {0, 0, 1, before, false, D::restoreInOutlook},
        {0, 1, 1, date, false, D::askToRestoreInOutlook},
        {0, 2, 1, before, false, D::leave},
        // Delete on the server, whatever the date condition.
        {1, 2, 0, after, true, D::deleteOnServer},
        {1, 2, 1, before, true, D::deleteOnServer},
        {1, 0, 0, after, false, D::restoreInOutlook},
        {1, 1, 1, after, false, D::askToRestoreInOutlook},
        {1, 2, 0, after, false, D::leave},
        {1, 9, 0, after, false, D::leave},
        // The dialog takes the right; an unknown Action asks as well.
        {2, 1, 1, before, true, D::askUser},
        {2, 0, 0, after, false, D::restoreInOutlook},
        {2, 1, 0, after, false, D::askToRestoreInOutlook},
        {3, 2, 0, after, true, D::askUser},
        {-1, 2, 1, after, false, D::leave},
    };
    for (const Case& c : cases) {
        CKindRules rules;
        rules.olDeletedAction = c.action;
        rules.olDeletedNoRights = c.noRights;
        rules.olDeletedNewerThan = c.newerThan;
        rules.olDeletedNewerThanDate = date;
        // The Ovr and TWDeleted fields must not matter.
        rules.ovrAction = 1;
        rules.ovrNoRights = 1;
        rules.twDeletedNewerThan = 1;
        EXPECT_EQ(DecideOutlookDeletion(rules, c.deleteRight, c.serverUpdated), c.expected)
            << "action " << c.action << " noRights " << c.noRights << " newerThan " << c.newerThan << " server "
            << c.serverUpdated.Format("%Y-%m-%d %H:%M") << " delete " << c.deleteRight;
    }
}

} // namespace
} // namespace tarnwel
