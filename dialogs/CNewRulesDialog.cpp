#include "dialogs/CNewRulesDialog.h"

namespace tarnwel {

CNewRulesDialog::CNewRulesDialog(CReplicationSettings& settings, DialogVariant variant,
                                 const CResourceTable& resources)
    : CRulesDialog(resources, kTemplateId, new_rules_dialog::Rows(variant),
                   {&CKindRules::newAction, &CKindRules::newNoRights}, settings)
{
}

void CNewRulesDialog::ApplyEnableRule(int row)
{
    // Deleting the Outlook item needs no server right.
    EnableItem(RowIds(row).noRights, Action(row) != rule_code::kNewRemoveFromOutlook);
}

} // namespace tarnwel
