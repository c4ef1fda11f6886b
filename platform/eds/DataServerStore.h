#pragma once
// The object model of "Outlook.Application" over the desktop's data server:
// the default calendar (folder 9), address book (10) and task list (13) of
// evolution-data-server, reached over the session bus.

#include "platform/automation/DispatchObject.h"

#include <chrono>
#include <string>

namespace tarnwel {

// How long a call may wait for the data server before it fails.
constexpr std::chrono::milliseconds kDataServerLimit{60000};

// A new application object; it connects at the first folder it is asked for.
DispatchPtr OpenDataServerStore(std::chrono::milliseconds limit = kDataServerLimit);

// The file whose lock stands for the data server's stores: one per user,
// $XDG_DATA_HOME/tarnwel/dataserver.lock (by default under
// ~/.local/share), beside the file of the stores' identities; its folder is
// made for the user alone when missing. Empty without a home directory.
std::string DataServerLockPath();

// Registers the data server's object model under "Outlook.Application" and
// DataServerLockPath() as the store's lock file.
void RegisterDataServerStore();

} // namespace tarnwel
