#pragma once
// The wizard's automation class ("Tarnwel.Application") reaches the
// application through this hook. CWizardApp's start-up calls it where the
// class factories are registered: ServeForAutomation when the program was
// started for embedding or automation, RegisterAtNormalStart otherwise. The
// automation code installs its implementation before the start-up runs.

#include <string>
#include <vector>

namespace tarnwel {

class IWizardAutomation {
public:
    virtual ~IWizardAutomation() = default;
    // A start for a user: writes the registration of the automation class
    // again.
    virtual void RegisterAtNormalStart() = 0;
    // A start for an automation client: offers the class factory as running
    // (one object per process).
    virtual void ServeForAutomation() = 0;
};

// Removes every automation start switch ("-Embedding", "/Embedding",
// "-Automation", "/Automation", in any case) from `arguments` and returns
// true when there was one. Start-up calls it before it reads the command line.
bool ConsumeAutomationSwitches(std::vector<std::string>& arguments);

} // namespace tarnwel
