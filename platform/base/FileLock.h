#pragma once
// Exclusive locks on lock files, across processes: one replication (or
// vacuum) at a time in a working directory and on a local item store.

#include <chrono>
#include <functional>
#include <string>

namespace tarnwel {

// An exclusive flock(2) on a file of its own. The lock belongs to the open
// file (not to the process), so two locks on one file conflict also inside
// one process; it goes when the object goes, and with the process, however
// the process ends (a kill included). The descriptor is closed on exec, so a
// program started meanwhile never keeps the lock. The file itself stays: it
// holds nothing, and removing it could let two processes lock two files of
// the same name.
class CFileLock {
public:
    enum class Outcome {
        locked,     // the lock is held
        busy,       // another holder kept it for the whole wait
        unlockable  // the file can be neither made nor opened (errno kept in Error())
    };

    CFileLock() = default;
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // Opens (or makes, mode 0666 less the umask) the file `path` and takes
    // its lock, trying again until `deadline` while another holder has it.
    // A file that cannot be opened for writing (a read-only directory that
    // holds it already) is locked through a read-only descriptor.
    Outcome Lock(const std::string& path, std::chrono::steady_clock::time_point deadline);
    void Unlock();
    bool Held() const { return m_fd >= 0; }
    int Error() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
};

// The file whose lock stands for the local item store, so that one
// replication at a time works on it whatever its working directory. The
// store's registration supplies it (the file store: a file beside its
// database), since only the store knows where it keeps its data; empty while
// no store named one. Returns the source it replaces.
using StoreLockPathSource = std::function<std::string()>;
StoreLockPathSource SetStoreLockPathSource(StoreLockPathSource source);
std::string StoreLockPath();

} // namespace tarnwel
