#pragma once
// The local item store: appointments, contacts and tasks in one SQLite file,
// offered through the automation object model of "Outlook.Application".

#include "platform/automation/DispatchObject.h"

#include <string>

namespace tarnwel {

// The store file: the environment variable TARNWEL_PIMSTORE, else
// $XDG_DATA_HOME/tarnwel/pimstore.db, else ~/.local/share/tarnwel/pimstore.db.
// The folders of a default path are created when missing, for the user alone
// (0700); a default folder and store that an earlier version left readable by
// others lose the rights of group and others (never through a link).
std::string PimStorePath();

// The application object of the store in `path`. A file that exists is
// opened at once; raises CComError when it cannot be opened or is no store.
// A missing file is created at the first GetNamespace (0600 whatever the
// umask; an existing file keeps its mode), unless the application's property
// CreateMissingStore was set to false before: then GetNamespace raises
// CComError com_codes::kFileNotFound. Each default folder answers the store's
// identity as its text property StoreID.
DispatchPtr OpenPimStore(const std::string& path);

// Registers the store under the ProgID "Outlook.Application"; each creation
// opens the file that PimStorePath() names at that moment. The store's lock
// file (StoreLockPath()) is that path with ".lock" appended.
void RegisterPimStore();

} // namespace tarnwel
