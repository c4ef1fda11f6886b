#pragma once
// The question of the contact run for an Outlook contact that is new or whose
// server contact was deleted: new address (0), link to an existing address
// (1), delete the Outlook contact (2), leave it (3). The caller sets the
// rights, the three captions, the text and the company names, and reads
// m_choice and m_index after DoModal.

#include "platform/ui/CDialog.h"
#include "resources/dialogs/ContactLinkDialogIds.h"

#include <string>
#include <vector>

namespace tarnwel {

class CContactLinkDialog : public CDialog {
public:
    static constexpr int kTemplateId = contact_link_dialog::kTemplateId;

    // The options as m_choice names them.
    static constexpr int kNewAddressChoice = 0;
    static constexpr int kLinkChoice = 1;
    static constexpr int kDeleteChoice = 2;
    static constexpr int kLeaveChoice = 3;

    CContactLinkDialog();

    // Set by the initialisation and by every click, so Escape keeps the last.
    int m_choice = kNewAddressChoice;
    // With kLinkChoice: the selected entry of the company list, else -1.
    int m_index = -1;
    bool m_addressRight = false;
    bool m_writeRight = false;
    std::string m_newAddressCaption;
    std::string m_linkCaption;
    std::string m_deleteCaption;
    std::string m_text;

    // The names listed for the link option, in this order; not owned, must
    // outlive the dialog's showing. Without names the link option is off.
    void SetCompanyNames(const std::vector<std::string>* names) { m_companyNames = names; }

protected:
    bool OnInitDialog() override;
    void OnClicked(int id) override;
    void OnSelectionChange(int id) override;
    void DoDataExchange(bool save) override;

private:
    const std::vector<std::string>* m_companyNames = nullptr;
};

} // namespace tarnwel
