#pragma once
// The wizard's automation hook: puts "Tarnwel.Application" into the ProgID
// registry of the process, writes the session bus's activation entry at a
// normal start, and serves the class on the session bus at a start for
// automation. Where no session bus is reachable it writes a trace line and
// the wizard goes on without it.

#include "wizard/WizardAutomation.h"

#include <memory>
#include <string>

namespace tarnwel {

class CBusAutomationServer;

class CWizardAutomation : public IWizardAutomation {
public:
    // The switch the activation entry starts the program with.
    static constexpr const char* kAutomationSwitch = "-Automation";

    CWizardAutomation();
    ~CWizardAutomation() override;

    void RegisterAtNormalStart() override;
    void ServeForAutomation() override;

    // Releases a held object and gives up the bus name and the object; also
    // done when the Qt application ends, before its bus connection goes.
    void StopServing();

    // The bus server while the class is served; null otherwise.
    CBusAutomationServer* Server() const { return m_server.get(); }

    // The absolute path of the running program (/proc/self/exe).
    static std::string ProgramPath();

private:
    std::unique_ptr<CBusAutomationServer> m_server;
};

} // namespace tarnwel
