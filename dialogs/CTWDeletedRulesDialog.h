#pragma once
// Dialog 139: the rules for a replicated pair whose server item was deleted
// ("TWDeleted Action", "NoRights", "NewerThan", "NewerThanDate"). The date
// condition belongs to the action that restores the server item: with it,
// only an Outlook item changed after the date is restored.

#include "dialogs/CRulesDialog.h"
#include "resources/dialogs/TWDeletedRulesDialogIds.h"

namespace tarnwel {

class CTWDeletedRulesDialog : public CRulesDialog {
public:
    static constexpr int kTemplateId = tw_deleted_rules_dialog::kTemplateId;

    // `resources` is the program's table, which holds the template of
    // `variant`.
    CTWDeletedRulesDialog(CReplicationSettings& settings, DialogVariant variant,
                          const CResourceTable& resources);

protected:
    void ApplyEnableRule(int row) override;
};

} // namespace tarnwel
