#include "wizard/CTarnwelDlgAutoProxy.h"

#include "platform/automation/ProgIdRegistry.h"
#include "wizard/CTarnwelDlg.h"
#include "wizard/CWizardApp.h"

#include <memory>
#include <mutex>

namespace tarnwel {
namespace {

std::mutex g_factoryMutex;
std::weak_ptr<CTarnwelDlgAutoProxy> g_living;

} // namespace

CTarnwelDlgAutoProxy::CTarnwelDlgAutoProxy() : m_app(CWizardApp::Current())
{
    if (m_app == nullptr)
        return;
    m_app->Lock();
    m_pDialog = dynamic_cast<CTarnwelDlg*>(m_app->MainPage());
    if (m_pDialog != nullptr)
        m_pDialog->AttachAutoProxy(this);
}

CTarnwelDlgAutoProxy::~CTarnwelDlgAutoProxy()
{
    CTarnwelDlg* page = m_pDialog;
    if (page != nullptr && page->m_pAutoProxy == this)
        page->DetachAutoProxy();
    m_pDialog = nullptr;
    if (m_app != nullptr)
        m_app->Unlock();
    // A page that hid itself for this proxy was asked to close: it closes
    // now, instead of staying open out of the user's sight for good.
    if (page != nullptr && !page->HasEnded() && !page->IsWindowVisible())
        page->PostSysCommand(SysCommand::close);
}

DispatchPtr CTarnwelDlgAutoProxy::Create()
{
    std::lock_guard lock(g_factoryMutex);
    if (auto living = g_living.lock())
        return living;
    auto proxy = std::make_shared<CTarnwelDlgAutoProxy>();
    g_living = proxy;
    return proxy;
}

void CTarnwelDlgAutoProxy::Register()
{
    CProgIdRegistry::Register(kProgId, &CTarnwelDlgAutoProxy::Create);
}

const CMemberTable<CTarnwelDlgAutoProxy>& CTarnwelDlgAutoProxy::MemberTable()
{
    static const CMemberTable<CTarnwelDlgAutoProxy> table;
    return table;
}

} // namespace tarnwel
