#include "platform/automation/dbus/BusNames.h"

#include <vector>

namespace tarnwel {
namespace {

bool IsNameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The ProgID's elements, each made a valid element of bus and interface names
// (letters, digits and "_", not starting with a digit, never empty).
std::vector<std::string> NameElements(std::string_view progId)
{
    std::vector<std::string> elements(1);
    for (const char c : progId) {
        if (c == '.') {
            elements.emplace_back();
            continue;
        }
        elements.back() += IsNameCharacter(c) ? c : '_';
    }
    std::vector<std::string> valid;
    for (std::string& element : elements) {
        if (element.empty())
            continue;
        if (element.front() >= '0' && element.front() <= '9')
            element.insert(element.begin(), '_');
        valid.push_back(std::move(element));
    }
    if (valid.empty())
        valid.push_back("_");
    if (valid.size() == 1)
        valid.insert(valid.begin(), "Automation");
    return valid;
}

} // namespace

CBusNames BusNamesForProgId(std::string_view progId)
{
    CBusNames names;
    for (const std::string& element : NameElements(progId)) {
        if (!names.busName.empty())
            names.busName += '.';
        names.busName += element;
        names.objectPath += '/' + element;
    }
    names.interfaceName = names.busName;
    return names;
}

} // namespace tarnwel
