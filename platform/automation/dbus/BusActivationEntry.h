#pragma once
// The session bus's activation entry of an automation class: a service file
// "<bus name>.service" in "$XDG_DATA_HOME/dbus-1/services" (default
// "~/.local/share/dbus-1/services") that names the program and its automation
// switch, so that the bus starts the program when a client asks for the name.

#include <string>

namespace tarnwel {

// "$XDG_DATA_HOME/dbus-1/services" when XDG_DATA_HOME is an absolute path,
// otherwise "$HOME/.local/share/dbus-1/services"; empty without either.
std::string BusServicesDirectory();

// The service file's text: the bus name and the command line `program`
// `automationSwitch`, the program quoted when it holds what the bus's
// command-line reader would split or change.
std::string BusActivationEntryText(const std::string& busName, const std::string& program,
                                   const std::string& automationSwitch);

// Writes the entry into BusServicesDirectory() (made when missing), replacing
// the file whole. False with the reason in `error` when it cannot.
bool WriteBusActivationEntry(const std::string& busName, const std::string& program,
                             const std::string& automationSwitch, std::string* error = nullptr);

} // namespace tarnwel
