#include "wizard/CWizardApp.h"

#include "platform/ui/MainWindow.h"
#include "platform/ui/MessageBox.h"
#include "wizard/CConnectionPage.h"
#include "wizard/CTarnwelDlg.h"

#include <sys/stat.h>

namespace tarnwel {

namespace {

CWizardApp* g_current = nullptr;

bool IsDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

CWizardApp::CWizardApp(const CResourceTable& resources) : m_resources(resources)
{
    g_current = this;
}

CWizardApp::~CWizardApp()
{
    if (g_current == this)
        g_current = nullptr;
}

CWizardApp* CWizardApp::Current()
{
    return g_current;
}

std::string CWizardApp::SettingsPath(const std::string& commandLine)
{
    if (commandLine.empty())
        return CReplicationSettings::kFileName;
    if (commandLine.back() != '/' && IsDirectory(commandLine))
        return commandLine + "/" + CReplicationSettings::kFileName;
    return commandLine + CReplicationSettings::kFileName;
}

int CWizardApp::InitInstance(std::vector<std::string> arguments)
{
    m_startedForAutomation = ConsumeAutomationSwitches(arguments);
    if (m_automation != nullptr) {
        if (m_startedForAutomation)
            m_automation->ServeForAutomation();
        else
            m_automation->RegisterAtNormalStart();
    }

    std::string commandLine;
    for (const std::string& argument : arguments) {
        if (!commandLine.empty())
            commandLine += ' ';
        commandLine += argument;
    }
    const bool installerStart = !commandLine.empty();
    // A missing file is written with the defaults here, before any page.
    m_settings.Load(SettingsPath(commandLine));

    CWizardContext context{m_settings, m_choiceTexts, m_resources};
    // Every way out of the chain ends the program with 0; only "Fertigstellen"
    // has saved.
    if (installerStart) {
        CConnectionPage connection(context);
        CScopedMainWindow mainWindow(connection);
        connection.DoModal();
    } else {
        CTarnwelDlg first(context, false);
        CScopedMainWindow mainWindow(first);
        first.DoModal();
    }
    return 0;
}

void CWizardApp::Lock()
{
    const std::lock_guard<std::mutex> lock(m_lockMutex);
    ++m_locks;
}

void CWizardApp::Unlock()
{
    std::function<void()> handler;
    {
        const std::lock_guard<std::mutex> lock(m_lockMutex);
        if (m_locks == 0)
            return;
        if (--m_locks == 0)
            handler = m_unlocked;
    }
    if (handler)
        handler();
}

bool CWizardApp::IsLocked() const
{
    const std::lock_guard<std::mutex> lock(m_lockMutex);
    return m_locks > 0;
}

void CWizardApp::SetUnlockedHandler(std::function<void()> handler)
{
    const std::lock_guard<std::mutex> lock(m_lockMutex);
    m_unlocked = std::move(handler);
}

CDialog* CWizardApp::MainPage() const
{
    return MainWindow();
}

} // namespace tarnwel
