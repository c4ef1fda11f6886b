#include "dialogs/COvrRulesDialog.h"

namespace tarnwel {

COvrRulesDialog::COvrRulesDialog(CReplicationSettings& settings, DialogVariant variant,
                                 const CResourceTable& resources)
    : CRulesDialog(resources, kTemplateId, ovr_rules_dialog::Rows(variant),
                   {&CKindRules::ovrAction, &CKindRules::ovrNoRights}, settings)
{
}

void COvrRulesDialog::ApplyEnableRule(int row)
{
    // Overwriting the Outlook item needs no server right.
    EnableItem(RowIds(row).noRights, Action(row) != rule_code::kOvrOverwriteOutlook);
}

} // namespace tarnwel
