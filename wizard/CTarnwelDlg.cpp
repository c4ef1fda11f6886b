#include "wizard/CTarnwelDlg.h"

#include "resources/wizard/WizardPageIds.h"
#include "wizard/CChangedPage.h"
#include "wizard/CTarnwelDlgAutoProxy.h"
#include "wizard/CWizardAboutDialog.h"

namespace tarnwel {

using namespace wizard_pages;

CTarnwelDlg::CTarnwelDlg(CWizardContext& context, bool showBack)
    : CChoicePage(context, kFirstPage, kFirstReplicationSlot, kRadio1, kRadio4, kRadio1), m_showBack(showBack)
{
}

CTarnwelDlg::~CTarnwelDlg()
{
    if (m_pAutoProxy != nullptr)
        m_pAutoProxy->m_pDialog = nullptr;
}

std::string CTarnwelDlg::AboutMenuText()
{
    return kAboutMenuText;
}

bool CTarnwelDlg::OnInitDialog()
{
    const bool result = CChoicePage::OnInitDialog();
    ShowItem(kBack, m_showBack);
    return result;
}

void CTarnwelDlg::ApplyChoice(int id)
{
    CWizardSettings& settings = m_context.settings;
    switch (id) {
    case kRadio1:
        settings.SetNewActionForAll(rule_code::kNewAddToServer);
        settings.contactRules.newAction = rule_code::kNewAskUser;
        break;
    case kRadio2:
        settings.SetNewActionForAll(rule_code::kNewAddToServer);
        break;
    case kRadio3:
        settings.SetNewActionForAll(rule_code::kNewAskUser);
        break;
    case kRadio4:
        settings.SetNewActionForAll(rule_code::kNewLeave);
        break;
    default:
        break;
    }
}

std::unique_ptr<CDialog> CTarnwelDlg::NextPage()
{
    return std::make_unique<CChangedPage>(m_context);
}

void CTarnwelDlg::OnSystemMenuCommand(int command)
{
    if (command >= kAboutCommand && command <= kAboutCommand + 0xF) {
        CWizardAboutDialog about(m_context.resources);
        about.DoModal();
    }
}

bool CTarnwelDlg::CanExit()
{
    if (m_pAutoProxy == nullptr)
        return true;
    HidePage();
    return false;
}

void CTarnwelDlg::HidePage()
{
    ShowWindow(ShowCommand::hide);
}

void CTarnwelDlg::OnOK()
{
    if (CanExit())
        CChoicePage::OnOK();
}

void CTarnwelDlg::OnCancel()
{
    if (CanExit())
        CChoicePage::OnCancel();
}

} // namespace tarnwel
