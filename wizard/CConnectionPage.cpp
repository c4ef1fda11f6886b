#include "wizard/CConnectionPage.h"

#include "platform/ui/MainWindow.h"
#include "resources/wizard/WizardPageIds.h"
#include "wizard/CTarnwelDlg.h"

namespace tarnwel {

using namespace wizard_pages;

CConnectionPage::CConnectionPage(CWizardContext& context) : CWizardPage(context, kConnectionPage) {}

bool CConnectionPage::OnInitDialog()
{
    const bool result = CWizardPage::OnInitDialog();
    SetItemText(kUrl, m_context.settings.serverUrl);
    SetItemText(kUserName, m_context.settings.userName);
    SetItemText(kPassword, m_context.settings.password);
    return result;
}

void CConnectionPage::OnOK()
{
    m_context.settings.serverUrl = GetItemText(kUrl);
    m_context.settings.userName = GetItemText(kUserName);
    m_context.settings.password = GetItemText(kPassword);
    CTarnwelDlg first(m_context, true);
    int result = 0;
    {
        // The first-replication page is the application's main window while
        // it runs, so that an automation client finds it.
        CScopedMainWindow mainWindow(first);
        result = first.DoModal();
    }
    if (result != kIdOk)
        EndDialog(result);
}

} // namespace tarnwel
