#include "engine/CRunLock.h"

#include <cstring>
#include <filesystem>

namespace tarnwel {

CRunLock::CRunLock(std::chrono::milliseconds wait, const std::function<void(const std::string&)>& log)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const auto take = [&](CFileLock& lock, const std::string& path) {
        switch (lock.Lock(path, deadline)) {
        case CFileLock::Outcome::locked:
            return true;
        case CFileLock::Outcome::busy:
            m_busyPath = path;
            return false;
        case CFileLock::Outcome::unlockable:
            if (log)
                log("The lock file " + path + " cannot be used (" + std::strerror(lock.Error()) + "); passed over");
            return true;
        }
        return true;
    };
    std::error_code error;
    std::filesystem::path directory = std::filesystem::current_path(error);
    if (error)
        directory = ".";
    if (!take(m_directory, (directory / kFileName).string()))
        return;
    const std::string storePath = StoreLockPath();
    if (!storePath.empty() && !take(m_store, storePath)) {
        m_storeBusy = true;
        m_directory.Unlock();
    }
}

std::string CRunLock::BusyText() const
{
    if (Held())
        return {};
    if (m_storeBusy)
        return "Der lokale Speicher wird gerade von einer anderen Replikation oder vom Löschen der "
               "Outlook-Daten benutzt.";
    const std::string directory = std::filesystem::path(m_busyPath).parent_path().string();
    return "Im Ordner <" + directory + "> läuft gerade eine andere Replikation oder das Löschen der "
           "Outlook-Daten.";
}

} // namespace tarnwel
