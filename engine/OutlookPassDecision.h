#pragma once
// What the Outlook pass of a run does with one Outlook item that the server
// pass did not meet: a never-replicated item (the kind's New rule) or a pair
// whose server item was deleted (the TWDeleted rule). Creating or restoring
// an item on the server, and asking about it, need the write right; without
// it the rule's NoRights code decides on the Outlook side alone.

#include "engine/CKindRules.h"
#include "platform/base/OleDate.h"

namespace tarnwel {

enum class OutlookPassAction {
    leave,              // nothing changes
    removeFromOutlook,  // the Outlook item is deleted
    askWhatToDo,        // the three-way dialog: create on the server, delete in Outlook, leave
    addToServer,        // the item is created on the server
    askToRemove,        // the Yes/No question whether to delete it from Outlook (no rights)
};

// `newItem`: the item was never replicated (else its server item was
// deleted). `lastUpdated`: the Outlook item's last change, which the
// TWDeleted NewerThan condition compares with its date.
OutlookPassAction DecideOutlookPass(bool newItem, const CKindRules& rules, bool writeRight,
                                    const COleDate& lastUpdated);

} // namespace tarnwel
