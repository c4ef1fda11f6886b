#pragma once
// Dialog 141: the rules for a replicated pair whose Outlook item was deleted
// ("OLDeleted Action", "NoRights", "NewerThan", "NewerThanDate"). The date
// condition belongs to the action that re-creates the Outlook item: with it,
// an older server item is deleted instead, which needs the server right.

#include "dialogs/CRulesDialog.h"
#include "resources/dialogs/OLDeletedRulesDialogIds.h"

namespace tarnwel {

class COLDeletedRulesDialog : public CRulesDialog {
public:
    static constexpr int kTemplateId = ol_deleted_rules_dialog::kTemplateId;

    // `resources` is the program's table, which holds the template of
    // `variant`.
    COLDeletedRulesDialog(CReplicationSettings& settings, DialogVariant variant,
                          const CResourceTable& resources);

protected:
    void ApplyEnableRule(int row) override;
};

} // namespace tarnwel
