#include "client/CReplicatorApp.h"

#include "platform/ui/CInstanceListener.h"
#include "platform/ui/MainWindow.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/UiBackend.h"
#include "resources/client/MainMenuIds.h"

#include <iostream>

namespace tarnwel {

namespace {

// Runs `call` on the user-interface thread while the application lives.
void PostToApp(const std::shared_ptr<std::atomic<CReplicatorApp*>>& self,
               std::function<void(CReplicatorApp&)> call)
{
    ActiveUiBackend().Post([self, call = std::move(call)] {
        if (CReplicatorApp* app = self->load())
            call(*app);
    });
}

} // namespace

CReplicatorApp::CReplicatorApp(DialogFactory createMainDialog, std::string instanceDirectory)
    : m_createMainDialog(std::move(createMainDialog)),
      m_instance(std::move(instanceDirectory)),
      m_self(std::make_shared<std::atomic<CReplicatorApp*>>(this))
{
}

CReplicatorApp::~CReplicatorApp()
{
    m_self->store(nullptr);
}

std::string CReplicatorApp::CommandLineText(const std::vector<std::string>& arguments)
{
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            text += ' ';
        text += arguments[i].empty() ? std::string("\"\"") : arguments[i];
    }
    return text;
}

int CReplicatorApp::InitInstance(const std::string& commandLine)
{
    SetApplicationTitle(kApplicationTitle);

    // Any command line ends this process at once; "/stop" first asks the
    // running client, if any, to end.
    if (!commandLine.empty()) {
        if (commandLine == kStopCommandLine)
            m_instance.SendToRunning(kCloseMessage);
        return 0;
    }

    if (IsAnotherInstanceRunning())
        return 0;

    if (m_endRequested.load())
        return 0;
    m_mainDialog = m_createMainDialog();
    CScopedMainWindow mainWindow(*m_mainDialog);
    {
        // Messages are read on the listener's thread and handled on the
        // user-interface thread, also while a modal window of the client is
        // open; the listener ends before the dialog goes.
        std::unique_ptr<CInstanceListener> listener;
        if (m_instance.IsClaimed())
            listener = std::make_unique<CInstanceListener>(m_instance, [self = m_self](const std::string& message) {
                PostToApp(self, [message](CReplicatorApp& app) { app.PreTranslateMessage(message); });
            });
        if (m_endRequested.load())
            PostToApp(m_self, [](CReplicatorApp& app) { app.EndOnUiThread(); });
        m_mainDialog->DoModal();
    }
    m_mainDialog.reset();
    return 0;
}

bool CReplicatorApp::IsAnotherInstanceRunning()
{
    std::string error;
    switch (m_instance.Claim(&error)) {
    case CSingleInstance::ClaimResult::claimed:
        return false;
    case CSingleInstance::ClaimResult::anotherRuns:
        m_instance.SendToRunning(kActivateMessage);
        return true;
    case CSingleInstance::ClaimResult::failed:
        break;
    }
    // Without a safe folder for the guard this client counts as the only one
    // and runs; no second start can reach it then.
    std::cerr << "TarnwelClient: no single-instance guard (" << error << ")" << std::endl;
    return false;
}

bool CReplicatorApp::PreTranslateMessage(const std::string& message)
{
    if (message == kActivateMessage) {
        ActivateMainWindow();
        return true;
    }
    if (message == kCloseMessage) {
        if (m_mainDialog)
            m_mainDialog->SendCommand(main_menu::kLeaveAndDisableSync);
        return true;
    }
    return false;
}

bool CReplicatorApp::ActivateMainWindow()
{
    CDialog* window = MainWindow();
    if (window == nullptr || window->HasEnded())
        return true;
    if (auto* target = dynamic_cast<IActivationTarget*>(window)) {
        target->ActivateWindow();
        return true;
    }
    // Through the system command, so that a window that keeps state about
    // being minimised (or in the tray) hears of its restore.
    if (window->IsIconic() || !window->IsWindowVisible())
        window->UserSysCommand(SysCommand::restore);
    window->BringToFront();
    return true;
}

void CReplicatorApp::RequestEnd()
{
    m_endRequested.store(true);
    PostToApp(m_self, [](CReplicatorApp& app) { app.EndOnUiThread(); });
}

void CReplicatorApp::EndOnUiThread()
{
    if (m_mainDialog && !m_mainDialog->HasEnded())
        m_mainDialog->UserEscape();
}

} // namespace tarnwel
