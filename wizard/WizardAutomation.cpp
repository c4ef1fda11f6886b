#include "wizard/WizardAutomation.h"

#include <algorithm>
#include <cctype>

namespace tarnwel {

namespace {

bool IsAutomationSwitch(const std::string& argument)
{
    if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '/'))
        return false;
    std::string name = argument.substr(1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name == "embedding" || name == "automation";
}

} // namespace

bool ConsumeAutomationSwitches(std::vector<std::string>& arguments)
{
    const auto removed = std::remove_if(arguments.begin(), arguments.end(), IsAutomationSwitch);
    const bool found = removed != arguments.end();
    arguments.erase(removed, arguments.end());
    return found;
}

} // namespace tarnwel
