#include "engine/CContactConflictDialog.h"

#include "resources/SharedResources.h"

namespace tarnwel {

using namespace contact_conflict_dialog;

CContactConflictDialog::CContactConflictDialog() : CDialog(LoadDialogTemplate(kTemplateId)) {}

void CContactConflictDialog::EnableLinkControls(bool enable)
{
    EnableItem(kCompanies, enable);
    EnableItem(kKeepCopy, enable);
}

bool CContactConflictDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    const bool pd = m_personalDiffers;
    const bool ad = m_addressDiffers;
    const bool a = m_addressRight;
    const bool w = m_writeRight;
    const bool haveCompanies = m_companyNames && !m_companyNames->empty();

    EnableItem(kNewAddress, ad && a && w);
    EnableItem(kOverwriteServer, (pd && w && !ad) || (ad && a && w));
    if (pd && !ad)
        SetItemText(kOverwriteServer, "Overwrite .tarnWel Contact with Outlook Personal part");
    else if (pd && ad)
        SetItemText(kOverwriteServer,
                    "Overwrite .tarnWel Address with Outlook Business part and .tarnWel Contact with Outlook "
                    "Personal part");
    EnableItem(kLink, ad && w);
    EnableLinkControls(ad && w);
    if (haveCompanies) {
        for (const std::string& name : *m_companyNames)
            AddComboEntry(kCompanies, name);
        SetComboSelection(kCompanies, 0);
    }
    if (!m_showOverwrite) {
        ShowItem(kOverwriteServer, false);
        ShowItem(kKeepCopy, false);
    }

    m_index = -1;
    m_choice = kNewAddressChoice;
    m_keepCopy = false;

    // A hidden option is never preselected: the user could not see what OK
    // would do.
    if (m_outlookNewer && IsItemEnabled(kOverwriteServer) && IsItemVisible(kOverwriteServer))
        CheckRadioButton(kNewAddress, kLeaveBoth, kOverwriteServer);
    else
        CheckRadioButton(kNewAddress, kLeaveBoth, kOverwriteOutlook);
    EnableLinkControls(GetCheck(kLink) == 1);

    switch (GetCheckedRadioButton(kNewAddress, kLeaveBoth)) {
    case kNewAddress:
        m_choice = kNewAddressChoice;
        break;
    case kOverwriteServer:
        m_choice = kOverwriteServerChoice;
        break;
    case kLink:
        m_choice = kLinkChoice;
        m_index = GetComboSelection(kCompanies);
        break;
    case kOverwriteOutlook:
        m_choice = kOverwriteOutlookChoice;
        break;
    default:
        break;
    }
    return true;
}

void CContactConflictDialog::OnClicked(int id)
{
    switch (id) {
    case kNewAddress:
    case kOverwriteServer:
    case kOverwriteOutlook:
    case kLeaveBoth:
        EnableLinkControls(false);
        m_index = -1;
        m_choice = id == kNewAddress         ? kNewAddressChoice
                 : id == kOverwriteServer  ? kOverwriteServerChoice
                 : id == kOverwriteOutlook ? kOverwriteOutlookChoice
                                           : kLeaveBothChoice;
        break;
    case kLink:
        EnableLinkControls(true);
        m_index = GetComboSelection(kCompanies);
        m_choice = kLinkChoice;
        break;
    case kKeepCopy:
        m_keepCopy = GetCheck(kKeepCopy) == 1;
        break;
    default:
        break;
    }
}

void CContactConflictDialog::OnSelectionChange(int id)
{
    if (id == kCompanies)
        m_index = GetComboSelection(kCompanies);
}

void CContactConflictDialog::DoDataExchange(bool save)
{
    if (save)
        m_text = GetItemText(kText);
    else
        SetItemText(kText, m_text);
}

} // namespace tarnwel
