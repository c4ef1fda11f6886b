#pragma once
// Dialog 140: the rules for a replicated pair of which one or both sides were
// changed ("Ovr Action", "Ovr NoRights").

#include "dialogs/CRulesDialog.h"
#include "resources/dialogs/OvrRulesDialogIds.h"

namespace tarnwel {

class COvrRulesDialog : public CRulesDialog {
public:
    static constexpr int kTemplateId = ovr_rules_dialog::kTemplateId;

    // `resources` is the program's table, which holds the template of
    // `variant`.
    COvrRulesDialog(CReplicationSettings& settings, DialogVariant variant,
                    const CResourceTable& resources);

protected:
    void ApplyEnableRule(int row) override;
};

} // namespace tarnwel
