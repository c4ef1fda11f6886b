#pragma once
// Dialog 146: the rules for an Outlook item that was never replicated
// ("New Action", "New NoRights").

#include "dialogs/CRulesDialog.h"
#include "resources/dialogs/NewRulesDialogIds.h"

namespace tarnwel {

class CNewRulesDialog : public CRulesDialog {
public:
    static constexpr int kTemplateId = new_rules_dialog::kTemplateId;

    // `resources` is the program's table, which holds the template of
    // `variant`.
    CNewRulesDialog(CReplicationSettings& settings, DialogVariant variant,
                    const CResourceTable& resources);

protected:
    void ApplyEnableRule(int row) override;
};

} // namespace tarnwel
