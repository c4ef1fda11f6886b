#pragma once
// What the Outlook pass of a run does with one Outlook item that the server
// pass did not meet: a never-replicated item (the kind's New rule) or a pair
// whose server item was deleted (the TWDeleted rule). Creating or restoring
// an item on the server, and asking about it, need the write right; without
// it the rule's NoRights code decides on the Outlook side alone.
//
// The contact run decides its changed pairs and its Outlook pass in its own
// way (a contact's company is a server object of its own); its decisions are
// here too.

#include "platform/base/OleDate.h"
#include "settings/CKindRules.h"

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

// The Outlook pass of the contact run. The actions mean for a contact:
// askWhatToDo: the link dialog (new address, link to an existing address,
// delete, leave); addToServer: created on the server with a new address
// (needs the address right as well). Without the rights, and for a
// server-deleted pair whose restore date condition fails, the NoRights code
// decides on the Outlook side.
OutlookPassAction DecideContactOutlookPass(bool newItem, const CKindRules& rules, bool writeRight,
                                           bool addressRight, const COleDate& lastUpdated);

// What the contact run does with a pair changed since the last run.
enum class ChangedContactAction {
    askUser,                // the contact conflict dialog
    writeServer,            // the Outlook contact overwrites the server contact, its address unchanged
    overwriteOutlook,       // the server contact overwrites the Outlook contact
    askToOverwriteOutlook,  // no rights: the OK/Cancel question whether to overwrite Outlook instead
    leave,                  // nothing changes
};

// The facts about a changed pair that the decision rests on, gathered before
// anything is asked.
struct CChangedContactFacts {
    bool addressDiffers = false;   // the company parts differ
    bool outlookNewer = false;     // the server contact's change is earlier than the Outlook contact's
    bool outlookChangedSinceLastRun = false;  // the Outlook contact changed after the end of the last run
    bool writeRight = false;
    bool addressRight = false;
};

// By the contact rules' Ovr Action and Ovr NoRights.
ChangedContactAction DecideChangedContact(const CChangedContactFacts& facts, const CKindRules& rules);

} // namespace tarnwel
