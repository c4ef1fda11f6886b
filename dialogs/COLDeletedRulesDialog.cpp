#include "dialogs/COLDeletedRulesDialog.h"

namespace tarnwel {

COLDeletedRulesDialog::COLDeletedRulesDialog(CReplicationSettings& settings, DialogVariant variant,
                                             const CResourceTable& resources)
    : CRulesDialog(resources, kTemplateId, ol_deleted_rules_dialog::Rows(variant),
                   {&CKindRules::olDeletedAction, &CKindRules::olDeletedNoRights, &CKindRules::olDeletedNewerThan,
                    &CKindRules::olDeletedNewerThanDate}, settings)
{
}

void COLDeletedRulesDialog::ApplyEnableRule(int row)
{
    const rules_parts::CRuleRowIds& ids = RowIds(row);
    const bool recreate = Action(row) == rule_code::kOLDeletedRestoreInOutlook;
    const bool checked = IsBoxChecked(row);
    EnableItem(ids.noRights, !recreate || checked);
    EnableItem(ids.newerThan, recreate);
    EnableItem(ids.newerThanDate, recreate && checked);
}

} // namespace tarnwel
