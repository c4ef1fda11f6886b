#include "dialogs/CRulesDialog.h"

namespace tarnwel {

CRulesDialog::CRulesDialog(const CResourceTable& resources, int templateId, const rules_parts::CRuleRows& rows,
                           const CRuleFields& fields, CReplicationSettings& settings)
    : CDialog(resources.Dialog(templateId)), m_rows(rows), m_fields(fields), m_settings(settings)
{
}

CKindRules& CRulesDialog::Rules(int row)
{
    switch (row) {
    case rules_parts::kAppointmentRow:
        return m_settings.appointmentRules;
    case rules_parts::kContactRow:
        return m_settings.contactRules;
    default:
        return m_settings.taskRules;
    }
}

bool CRulesDialog::OnInitDialog()
{
    for (int row = 0; row < kRowCount; ++row) {
        const CKindRules& rules = Rules(row);
        const auto r = static_cast<std::size_t>(row);
        m_action[r] = rules.*m_fields.action;
        m_noRights[r] = rules.*m_fields.noRights;
        if (HasCheckRow())
            m_newerThan[r] = rules.*m_fields.newerThan != 0 ? 1 : 0;
    }
    CDialog::OnInitDialog();
    for (int row = 0; row < kRowCount; ++row) {
        if (HasCheckRow()) {
            const int picker = RowIds(row).newerThanDate;
            SetDate(picker, Rules(row).*m_fields.newerThanDate);
            EnableItem(picker, m_newerThan[static_cast<std::size_t>(row)] != 0);
        }
        ApplyEnableRule(row);
    }
    return true;
}

void CRulesDialog::DoDataExchange(bool save)
{
    for (int row = 0; row < kRowCount; ++row) {
        const rules_parts::CRuleRowIds& ids = RowIds(row);
        const auto r = static_cast<std::size_t>(row);
        if (save) {
            m_action[r] = GetComboSelection(ids.action);
            m_noRights[r] = GetComboSelection(ids.noRights);
            if (HasCheckRow())
                m_newerThan[r] = GetCheck(ids.newerThan) != 0 ? 1 : 0;
        } else {
            // A code outside the list's entries leaves the list without a
            // selection.
            SetComboSelection(ids.action, m_action[r]);
            SetComboSelection(ids.noRights, m_noRights[r]);
            if (HasCheckRow())
                SetCheck(ids.newerThan, m_newerThan[r]);
        }
    }
}

void CRulesDialog::OnSelectionChange(int id)
{
    for (int row = 0; row < kRowCount; ++row) {
        if (RowIds(row).action == id)
            ApplyEnableRule(row);
    }
}

void CRulesDialog::OnClicked(int id)
{
    if (!HasCheckRow())
        return;
    for (int row = 0; row < kRowCount; ++row) {
        if (RowIds(row).newerThan == id)
            ApplyEnableRule(row);
    }
}

void CRulesDialog::OnOK()
{
    DoDataExchange(true);
    for (int row = 0; row < kRowCount; ++row) {
        CKindRules& rules = Rules(row);
        const auto r = static_cast<std::size_t>(row);
        rules.*m_fields.action = m_action[r];
        rules.*m_fields.noRights = m_noRights[r];
        if (HasCheckRow()) {
            rules.*m_fields.newerThan = m_newerThan[r];
            // An unchecked row keeps its old date. The picker always holds a
            // valid date, so what is stored is what the user saw.
            if (m_newerThan[r] != 0)
                rules.*m_fields.newerThanDate = GetDate(RowIds(row).newerThanDate);
        }
    }
    EndDialog(kIdOk);
}

} // namespace tarnwel
