// Stand-ins of the wizard application and its first page, as small as the
// proxy's tests need them: the application locks and names a main page that
// the test sets; the page clears its proxy's link when it goes.

#include "tests/wizard/AutomationWizardStandIn.h"

#include "wizard/CTarnwelDlg.h"
#include "wizard/CWizardApp.h"

namespace tarnwel {
namespace {

CWizardApp* g_current = nullptr;
CDialog* g_mainPage = nullptr;

CDialogTemplate PageTemplate(int id)
{
    CDialogTemplate t;
    t.id = id;
    return t;
}

} // namespace

namespace test {
void SetStandInMainPage(CDialog* page)
{
    g_mainPage = page;
}
} // namespace test

CWizardApp::CWizardApp(const CResourceTable& resources) : m_resources(resources)
{
    g_current = this;
}
CWizardApp::~CWizardApp()
{
    g_current = nullptr;
}
CWizardApp* CWizardApp::Current()
{
    return g_current;
}
void CWizardApp::Lock()
{
    std::lock_guard lock(m_lockMutex);
    ++m_locks;
}
void CWizardApp::Unlock()
{
    std::lock_guard lock(m_lockMutex);
    --m_locks;
}
bool CWizardApp::IsLocked() const
{
    std::lock_guard lock(m_lockMutex);
    return m_locks > 0;
}
CDialog* CWizardApp::MainPage() const
{
    return g_mainPage;
}

CWizardPage::CWizardPage(CWizardContext& context, int templateId)
    : CDialog(PageTemplate(templateId)), m_context(context)
{
}
CChoicePage::CChoicePage(CWizardContext& context, int templateId, int slot, int firstRadio, int lastRadio,
                         int defaultRadio)
    : CWizardPage(context, templateId), m_slot(slot), m_firstRadio(firstRadio), m_lastRadio(lastRadio),
      m_defaultRadio(defaultRadio)
{
}
bool CChoicePage::OnInitDialog()
{
    return true;
}
void CChoicePage::OnClicked(int) {}

CTarnwelDlg::CTarnwelDlg(CWizardContext& context, bool showBack)
    : CChoicePage(context, 102, 0, 1001, 1004, 1001), m_showBack(showBack)
{
}
CTarnwelDlg::~CTarnwelDlg()
{
    if (m_pAutoProxy != nullptr)
        m_pAutoProxy->m_pDialog = nullptr;
}
bool CTarnwelDlg::OnInitDialog()
{
    return true;
}
void CTarnwelDlg::OnOK() {}
void CTarnwelDlg::OnCancel() {}

} // namespace tarnwel
