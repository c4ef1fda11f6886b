#pragma once
// The names under which an automation class appears on the session bus,
// derived from its ProgID: "Tarnwel.Application" is the bus name and the
// interface name, "/Tarnwel/Application" the object path. Characters a bus
// name cannot hold become "_", as does the start of an element that begins
// with a digit; a ProgID of one element gets "Automation." in front, since a
// bus name needs two.

#include <string>
#include <string_view>

namespace tarnwel {

struct CBusNames {
    std::string busName;
    std::string objectPath;
    std::string interfaceName;
};

CBusNames BusNamesForProgId(std::string_view progId);

} // namespace tarnwel
