#include "platform/base/FileLock.h"

#include <cerrno>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarnwel {

CFileLock::~CFileLock()
{
    Unlock();
}

void CFileLock::Unlock()
{
    if (m_fd >= 0)
        ::close(m_fd);  // releases the lock
    m_fd = -1;
}

CFileLock::Outcome CFileLock::Lock(const std::string& path, std::chrono::steady_clock::time_point deadline)
{
    Unlock();
    m_error = 0;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        m_error = errno;
        return Outcome::unlockable;
    }
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return Outcome::locked;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_error = errno;
            ::close(fd);
            return Outcome::unlockable;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return Outcome::busy;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

namespace {

std::mutex& SourceMutex()
{
    static std::mutex mutex;
    return mutex;
}

StoreLockPathSource& Source()
{
    static StoreLockPathSource source;
    return source;
}

} // namespace

StoreLockPathSource SetStoreLockPathSource(StoreLockPathSource source)
{
    std::lock_guard lock(SourceMutex());
    std::swap(Source(), source);
    return source;
}

std::string StoreLockPath()
{
    StoreLockPathSource source;
    {
        std::lock_guard lock(SourceMutex());
        source = Source();
    }
    return source ? source() : std::string();
}

} // namespace tarnwel
