#pragma once
// What the server pass of the appointment and task runs does with a pair
// that differs: a replicated pair changed since the last run (the kind's Ovr
// rule), and a pair whose Outlook item was deleted (the OLDeleted rule).
// Acting on the server item, and the conflict dialog that offers it, need the
// server right; without it the rule's NoRights code decides on the Outlook
// side alone. The decisions show nothing: the caller asks the user where the
// action says so.

#include "platform/base/OleDate.h"
#include "settings/CKindRules.h"

namespace tarnwel {

enum class ChangedPairAction {
    overwriteOutlook,  // the server item overwrites the Outlook item
    overwriteServer,   // the Outlook item overwrites the server item
    leave,             // both stay as they are
    // The conflict dialog (overwrite the server item, overwrite the Outlook
    // item, no changes) with the newer side's option preselected: overwriting
    // the server when the Outlook item is newer, else overwriting Outlook.
    askPreselectingOverwriteServer,
    askPreselectingOverwriteOutlook,
    askToOverwriteOutlook,  // no right: the Yes/No question whether to overwrite the Outlook item instead
};

// `serverUpdated`, `outlookUpdated`: the last changes of the two items, which
// the NewerWins action and the dialog's preselection compare.
ChangedPairAction DecideChangedPair(const CKindRules& rules, bool writeRight, const COleDate& serverUpdated,
                                    const COleDate& outlookUpdated);

enum class OutlookDeletionAction {
    restoreInOutlook,       // the server item is created again in Outlook
    deleteOnServer,         // the server item is deleted too
    leave,                  // both stay as they are
    askUser,                // the conflict dialog: delete on the server, restore in Outlook, no changes
    askToRestoreInOutlook,  // no right: the Yes/No question whether to restore the Outlook item instead
};

// `serverUpdated`: the server item's last change, which the OLDeleted
// NewerThan condition compares with its date.
OutlookDeletionAction DecideOutlookDeletion(const CKindRules& rules, bool deleteRight, const COleDate& serverUpdated);

} // namespace tarnwel
