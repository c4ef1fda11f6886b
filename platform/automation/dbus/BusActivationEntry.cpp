#include "platform/automation/dbus/BusActivationEntry.h"

#include "platform/base/ByteFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tarnwel {
namespace {

std::string QuotedWord(const std::string& word)
{
    if (!word.empty() && word.find_first_of(" \t\n\"'\\$`#;&|<>()*?[]~=%") == std::string::npos)
        return word;
    std::string quoted = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\' || c == '$' || c == '`')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

std::string BusServicesDirectory()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/')
        return std::string(dataHome) + "/dbus-1/services";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.local/share/dbus-1/services";
    return {};
}

std::string BusActivationEntryText(const std::string& busName, const std::string& program,
                                   const std::string& automationSwitch)
{
    return "[D-BUS Service]\nName=" + busName + "\nExec=" + QuotedWord(program) + ' ' + automationSwitch + '\n';
}

bool WriteBusActivationEntry(const std::string& busName, const std::string& program,
                             const std::string& automationSwitch, std::string* error)
{
    const std::string directory = BusServicesDirectory();
    if (directory.empty()) {
        if (error != nullptr)
            *error = "neither XDG_DATA_HOME nor HOME is set";
        return false;
    }
    std::error_code made;
    std::filesystem::create_directories(directory, made);
    if (made) {
        if (error != nullptr)
            *error = "cannot create " + directory + ": " + made.message();
        return false;
    }
    const std::string path = directory + '/' + busName + ".service";
    std::string reason;
    if (!WriteFileAtomically(path, BusActivationEntryText(busName, program, automationSwitch), {}, &reason)) {
        if (error != nullptr)
            *error = "cannot write " + path + ": " + reason;
        return false;
    }
    return true;
}

} // namespace tarnwel
