#pragma once
// The conflict rules and no-rights policies of one item kind (appointments,
// contacts or tasks). The values are the list positions of the rule dialogs;
// the code that applies a rule decides what an unknown value means, so a value
// read from the settings file is kept as it stands, even out of range.

#include "platform/base/OleDate.h"

namespace tarnwel {

struct CKindRules {
    // A replicated pair was changed on one or both sides.
    int ovrAction = 0;    // 0-3
    int ovrNoRights = 2;  // 0-2, when the server right is missing
    // An Outlook item was never replicated.
    int newAction = 0;    // 0-3
    int newNoRights = 2;  // 0-2
    // The Outlook item of a pair was deleted.
    int olDeletedAction = 0;     // 0-2
    int olDeletedNoRights = 2;   // 0-2
    int olDeletedNewerThan = 0;  // flag: the rule applies its date condition
    COleDate olDeletedNewerThanDate;  // the zero date until defaults or a load set it
    // The server item of a pair was deleted.
    int twDeletedAction = 0;     // 0-2
    int twDeletedNoRights = 2;   // 0-2
    int twDeletedNewerThan = 0;  // flag
    COleDate twDeletedNewerThanDate;

    // Every field to its default; both dates to `newerThanDate`.
    void SetDefaults(const COleDate& newerThanDate)
    {
        *this = CKindRules{};
        olDeletedNewerThanDate = newerThanDate;
        twDeletedNewerThanDate = newerThanDate;
    }

    friend bool operator==(const CKindRules&, const CKindRules&) = default;
};

} // namespace tarnwel
