#include "engine/CContactLinkDialog.h"

#include "resources/SharedResources.h"

namespace tarnwel {

using namespace contact_link_dialog;

CContactLinkDialog::CContactLinkDialog() : CDialog(LoadDialogTemplate(kTemplateId)) {}

bool CContactLinkDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetItemText(kNewAddress, m_newAddressCaption);
    SetItemText(kLink, m_linkCaption);
    SetItemText(kDelete, m_deleteCaption);

    // Linking needs an address to link to: without company names the link
    // option could only answer with no entry.
    const bool haveCompanies = m_companyNames && !m_companyNames->empty();
    EnableItem(kNewAddress, m_addressRight && m_writeRight);
    EnableItem(kLink, m_writeRight && haveCompanies);
    EnableItem(kCompanies, m_writeRight && haveCompanies);
    if (haveCompanies) {
        for (const std::string& name : *m_companyNames)
            AddComboEntry(kCompanies, name);
        SetComboSelection(kCompanies, 0);
    }

    m_index = -1;
    m_choice = kNewAddressChoice;

    if (IsItemEnabled(kNewAddress))
        CheckRadioButton(kNewAddress, kLeave, kNewAddress);
    else if (IsItemEnabled(kLink))
        CheckRadioButton(kNewAddress, kLeave, kLink);
    else if (m_writeRight)
        // Linking is off only for want of a company: deleting the contact
        // must not become what OK or Escape does.
        CheckRadioButton(kNewAddress, kLeave, kLeave);
    else
        CheckRadioButton(kNewAddress, kLeave, kDelete);
    EnableItem(kCompanies, GetCheck(kLink) == 1);

    switch (GetCheckedRadioButton(kNewAddress, kLeave)) {
    case kNewAddress:
        m_choice = kNewAddressChoice;
        break;
    case kLink:
        m_choice = kLinkChoice;
        m_index = GetComboSelection(kCompanies);
        break;
    case kDelete:
        m_choice = kDeleteChoice;
        break;
    case kLeave:
        m_choice = kLeaveChoice;
        break;
    default:
        break;
    }
    return true;
}

void CContactLinkDialog::OnClicked(int id)
{
    switch (id) {
    case kNewAddress:
    case kDelete:
    case kLeave:
        EnableItem(kCompanies, false);
        m_index = -1;
        m_choice = id == kNewAddress ? kNewAddressChoice : id == kDelete ? kDeleteChoice : kLeaveChoice;
        break;
    case kLink:
        EnableItem(kCompanies, true);
        m_index = GetComboSelection(kCompanies);
        m_choice = kLinkChoice;
        break;
    default:
        break;
    }
}

void CContactLinkDialog::OnSelectionChange(int id)
{
    if (id == kCompanies)
        m_index = GetComboSelection(kCompanies);
}

void CContactLinkDialog::DoDataExchange(bool save)
{
    if (save)
        m_text = GetItemText(kText);
    else
        SetItemText(kText, m_text);
}

} // namespace tarnwel
