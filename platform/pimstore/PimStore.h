#pragma once
// The local item store: appointments, contacts and tasks in one SQLite file,
// offered through the automation object model of "Outlook.Application".

#include "platform/automation/DispatchObject.h"

#include <string>

namespace tarnwel {

// The store file: the environment variable TARNWEL_PIMSTORE, else
// $XDG_DATA_HOME/tarnwel/pimstore.db, else ~/.local/share/tarnwel/pimstore.db.
// The folder of a default path is created when missing.
std::string PimStorePath();

// The application object of the store in `path` (created when missing).
// Raises CComError when the file cannot be opened or is no store.
DispatchPtr OpenPimStore(const std::string& path);

// Registers the store under the ProgID "Outlook.Application"; each creation
// opens the file that PimStorePath() names at that moment. The store's lock
// file (StoreLockPath()) is that path with ".lock" appended.
void RegisterPimStore();

} // namespace tarnwel
