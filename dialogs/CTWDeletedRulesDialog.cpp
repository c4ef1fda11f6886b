#include "dialogs/CTWDeletedRulesDialog.h"

namespace tarnwel {

CTWDeletedRulesDialog::CTWDeletedRulesDialog(CReplicationSettings& settings, DialogVariant variant,
                                             const CResourceTable& resources)
    : CRulesDialog(resources, kTemplateId, tw_deleted_rules_dialog::Rows(variant),
                   {&CKindRules::twDeletedAction, &CKindRules::twDeletedNoRights, &CKindRules::twDeletedNewerThan,
                    &CKindRules::twDeletedNewerThanDate}, settings)
{
}

void CTWDeletedRulesDialog::ApplyEnableRule(int row)
{
    const rules_parts::CRuleRowIds& ids = RowIds(row);
    const bool restore = Action(row) == rule_code::kTWDeletedRestoreOnServer;
    EnableItem(ids.noRights, Action(row) != rule_code::kTWDeletedRemoveFromOutlook);
    EnableItem(ids.newerThan, restore);
    EnableItem(ids.newerThanDate, restore && IsBoxChecked(row));
}

} // namespace tarnwel
