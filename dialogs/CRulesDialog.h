#pragma once
// What the four rule dialogs share. Each edits one situation's rules of the
// three item kinds in the settings record, one row per kind: the action list,
// the list of what to do without the server right and, in the two dialogs of
// deleted items, the newer-than check box with its date picker. A list's
// entry index is the rule code stored in the settings. The dialog writes into
// the record only at its OK, and then at once, whatever its opener does next.
//
// Both programs show these dialogs: the variant and the program's resource
// table given at construction choose the ids and texts of that program.

#include "platform/ui/CDialog.h"
#include "platform/ui/CResourceTable.h"
#include "resources/dialogs/DialogVariant.h"
#include "resources/dialogs/RulesDialogParts.h"
#include "settings/CReplicationSettings.h"

#include <array>

namespace tarnwel {

class CRulesDialog : public CDialog {
public:
    static constexpr int kRowCount = rules_parts::kRowCount;

    // Per row (appointments, contacts, tasks): the selected entry of the two
    // lists, -1 for none, and the newer-than flag (0 or 1).
    std::array<int, kRowCount> m_action = {-1, -1, -1};
    std::array<int, kRowCount> m_noRights = {-1, -1, -1};
    std::array<int, kRowCount> m_newerThan = {0, 0, 0};

protected:
    // The fields of CKindRules that the rows edit; the newer-than fields are
    // null in the dialogs without a check row.
    struct CRuleFields {
        int CKindRules::*action = nullptr;
        int CKindRules::*noRights = nullptr;
        int CKindRules::*newerThan = nullptr;
        COleDate CKindRules::*newerThanDate = nullptr;
    };

    CRulesDialog(const CResourceTable& resources, int templateId, const rules_parts::CRuleRows& rows,
                 const CRuleFields& fields, CReplicationSettings& settings);

    // Enables the row's controls from its action list's selection and its
    // check box.
    virtual void ApplyEnableRule(int row) = 0;

    const rules_parts::CRuleRowIds& RowIds(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    bool HasCheckRow() const { return m_fields.newerThan != nullptr; }
    int Action(int row) const { return GetComboSelection(RowIds(row).action); }
    bool IsBoxChecked(int row) const { return HasCheckRow() && GetCheck(RowIds(row).newerThan) != 0; }

    bool OnInitDialog() override;
    void OnSelectionChange(int id) override;
    void OnClicked(int id) override;
    void OnOK() override;
    void DoDataExchange(bool save) override;

private:
    CKindRules& Rules(int row);

    rules_parts::CRuleRows m_rows;
    CRuleFields m_fields;
    CReplicationSettings& m_settings;
};

} // namespace tarnwel
