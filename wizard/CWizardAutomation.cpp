#include "wizard/CWizardAutomation.h"

#include "platform/automation/ProgIdRegistry.h"
#include "platform/automation/dbus/BusActivationEntry.h"
#include "platform/automation/dbus/BusNames.h"
#include "platform/automation/dbus/CBusAutomationServer.h"
#include "wizard/CTarnwelDlgAutoProxy.h"

#include <QCoreApplication>

#include <filesystem>
#include <iostream>
#include <system_error>

namespace tarnwel {
namespace {

// The English trace line of the automation class (standard error).
void Trace(const std::string& text)
{
    std::clog << "automation: " << text << '\n';
}

// The hook that serves on the bus now: the Qt application's end stops it,
// while the bus connection still exists.
CWizardAutomation* g_serving = nullptr;

void StopServingAtQtEnd()
{
    if (g_serving != nullptr)
        g_serving->StopServing();
}

} // namespace

CWizardAutomation::CWizardAutomation()
{
    CTarnwelDlgAutoProxy::Register();
}

CWizardAutomation::~CWizardAutomation()
{
    StopServing();
}

void CWizardAutomation::StopServing()
{
    m_server.reset();
    if (g_serving == this)
        g_serving = nullptr;
}

std::string CWizardAutomation::ProgramPath()
{
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

void CWizardAutomation::RegisterAtNormalStart()
{
    const CBusNames names = BusNamesForProgId(CTarnwelDlgAutoProxy::kProgId);
    const std::string program = ProgramPath();
    std::string error = "the program's own path is unknown";
    if (program.empty() || !WriteBusActivationEntry(names.busName, program, kAutomationSwitch, &error))
        Trace("automation class " + std::string(CTarnwelDlgAutoProxy::kProgId) +
                                    " not registered on the session bus: " + error);
}

void CWizardAutomation::ServeForAutomation()
{
    if (m_server)
        return;
    auto server = std::make_unique<CBusAutomationServer>(BusNamesForProgId(CTarnwelDlgAutoProxy::kProgId),
                                                         std::string(CTarnwelDlgAutoProxy::kDispatchInterfaceId),
                                                         [] { return CProgIdRegistry::Create(CTarnwelDlgAutoProxy::kProgId); });
    std::string error;
    if (!server->Serve(&error)) {
        Trace("automation class " + std::string(CTarnwelDlgAutoProxy::kProgId) +
                                    " not served: " + error);
        return;
    }
    m_server = std::move(server);
    if (QCoreApplication::instance() != nullptr) {
        g_serving = this;
        qAddPostRoutine(&StopServingAtQtEnd);
    }
}

} // namespace tarnwel
