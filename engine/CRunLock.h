#pragma once
// One replication or vacuum at a time: the lock of the working directory
// (its mapping files and settings file) and the lock of the local item store,
// held from the start of the work to its end, across processes.

#include "platform/base/FileLock.h"

#include <chrono>
#include <functional>
#include <string>

namespace tarnwel {

class CRunLock {
public:
    // The lock file in the working directory. The settings file and the
    // mapping files are replaced by rename, so a lock on them would not hold.
    static constexpr const char* kFileName = "TarnwelClient.lock";
    // How long a second run waits for the first before it gives up.
    static constexpr std::chrono::milliseconds kWait{2000};

    // Takes the working directory's lock, then the store's (StoreLockPath(),
    // none when no store names a file), waiting up to `wait` in all. A lock
    // file that cannot be made or opened (a read-only directory) is passed
    // over with a trace line through `log`: the stores there refuse to work
    // before they change anything.
    explicit CRunLock(std::chrono::milliseconds wait = kWait,
                      const std::function<void(const std::string&)>& log = {});

    bool Held() const { return m_busyPath.empty(); }
    // What is in use, for the user (German): the directory or the store;
    // empty while held.
    std::string BusyText() const;

private:
    CFileLock m_directory;
    CFileLock m_store;
    std::string m_busyPath;
    bool m_storeBusy = false;
};

} // namespace tarnwel
