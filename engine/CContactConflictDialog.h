#pragma once
// The question of the contact run for a pair changed on both sides: new
// address (0), overwrite the server (1), link to an existing address (2,
// optionally keeping a copy at the former one), overwrite Outlook (3), leave
// both (4). The caller sets the rights and differences, the text and the
// company names, and reads m_choice, m_index and m_keepCopy after DoModal.

#include "platform/ui/CDialog.h"
#include "resources/dialogs/ContactConflictDialogIds.h"

#include <string>
#include <vector>

namespace tarnwel {

class CContactConflictDialog : public CDialog {
public:
    static constexpr int kTemplateId = contact_conflict_dialog::kTemplateId;

    // The options as m_choice names them.
    static constexpr int kNewAddressChoice = 0;
    static constexpr int kOverwriteServerChoice = 1;
    static constexpr int kLinkChoice = 2;
    static constexpr int kOverwriteOutlookChoice = 3;
    static constexpr int kLeaveBothChoice = 4;

    CContactConflictDialog();

    // Set by the initialisation and by every click, so Escape keeps the last.
    int m_choice = kNewAddressChoice;
    // With kLinkChoice: the selected entry of the company list, else -1.
    int m_index = -1;
    // Follows the keep-a-copy check box (kKeepCopy).
    bool m_keepCopy = false;
    bool m_addressRight = false;
    bool m_writeRight = false;
    bool m_personalDiffers = false;
    bool m_addressDiffers = false;
    bool m_outlookNewer = false;
    std::string m_text;

    // When clear, the option that overwrites the server and the keep-a-copy
    // box are hidden.
    void SetShowOverwrite(bool show) { m_showOverwrite = show; }
    // The names listed for the link option, in this order; not owned, must
    // outlive the dialog's showing.
    void SetCompanyNames(const std::vector<std::string>* names) { m_companyNames = names; }

protected:
    bool OnInitDialog() override;
    void OnClicked(int id) override;
    void OnSelectionChange(int id) override;
    void DoDataExchange(bool save) override;

private:
    void EnableLinkControls(bool enable);

    const std::vector<std::string>* m_companyNames = nullptr;
    bool m_showOverwrite = true;
};

} // namespace tarnwel
