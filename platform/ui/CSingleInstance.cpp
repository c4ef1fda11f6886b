#include "platform/ui/CSingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace tarnwel {

namespace {

constexpr std::size_t kMaxMessage = 256;

void SetError(std::string* error, const std::string& text)
{
    if (error != nullptr)
        *error = text;
}

std::string ErrnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// The folder is the user's own and nobody else may enter it.
bool IsPrivateFolder(const std::string& path, std::string* error)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        SetError(error, ErrnoText("cannot examine", path));
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        SetError(error, path + " is not a folder");
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        SetError(error, path + " belongs to another user");
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        SetError(error, path + " is open to other users");
        return false;
    }
    return true;
}

bool MakePrivateFolder(const std::string& path, std::string* error)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        SetError(error, ErrnoText("cannot create", path));
        return false;
    }
    return IsPrivateFolder(path, error);
}

bool FillAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// The lock file is free: no client holds it. A file that cannot be opened
// counts as held, so that a caller keeps trying its socket.
bool LockIsFree(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errno == ENOENT;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// Reads one message from an accepted connection, waiting at most `waitMs`
// for the sender to write it.
std::string ReadMessage(int fd, int waitMs)
{
    std::string message;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    char buffer[kMaxMessage];
    while (message.size() < kMaxMessage) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left)) <= 0)
            break;
        const ssize_t count = ::read(fd, buffer, sizeof(buffer) - message.size());
        if (count <= 0)
            break;
        message.append(buffer, static_cast<std::size_t>(count));
        if (message.find('\n') != std::string::npos)
            break;
    }
    const std::size_t end = message.find('\n');
    return end == std::string::npos ? message : message.substr(0, end);
}

} // namespace

std::string InstanceDirectory(std::string* error)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime != nullptr && runtime[0] == '/') {
        folder = std::string(runtime) + "/tarnwel";
    } else {
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
        folder = base + "/tarnwel-" + std::to_string(::geteuid());
    }
    if (!MakePrivateFolder(folder, error))
        return {};
    return folder;
}

CSingleInstance::CSingleInstance(std::string directory) : m_directory(std::move(directory))
{
    if (m_directory.empty())
        m_directory = InstanceDirectory(&m_directoryError);
    else if (!MakePrivateFolder(m_directory, &m_directoryError))
        m_directory.clear();
}

CSingleInstance::~CSingleInstance()
{
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        ::unlink(SocketPath().c_str());
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

CSingleInstance::ClaimResult CSingleInstance::Claim(std::string* error)
{
    if (m_lockFd >= 0)
        return ClaimResult::claimed;
    if (m_directory.empty()) {
        SetError(error, m_directoryError);
        return ClaimResult::failed;
    }
    const int fd = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetError(error, ErrnoText("cannot open", LockPath()));
        return ClaimResult::failed;
    }
    // A sender that looks whether a client runs holds a shared lock for a
    // moment: a lock held only that long is not a running client.
    int locked = -1;
    for (int attempt = 0; attempt < 5; ++attempt) {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
        if (locked == 0 || errno != EWOULDBLOCK)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (locked != 0) {
        const bool held = errno == EWOULDBLOCK;
        if (!held)
            SetError(error, ErrnoText("cannot lock", LockPath()));
        ::close(fd);
        return held ? ClaimResult::anotherRuns : ClaimResult::failed;
    }
    m_lockFd = fd;
    if (!Listen(error)) {
        // Without the socket no second process could reach this one; the
        // caller decides whether to run all the same.
        return ClaimResult::failed;
    }
    return ClaimResult::claimed;
}

bool CSingleInstance::Listen(std::string* error)
{
    const std::string path = SocketPath();
    sockaddr_un address;
    if (!FillAddress(path, address)) {
        SetError(error, "socket path too long: " + path);
        return false;
    }
    // Whoever held the lock before is gone: its socket file is stale.
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && ::unlink(path.c_str()) != 0) {
        SetError(error, ErrnoText("cannot remove", path));
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        SetError(error, ErrnoText("cannot create socket", path));
        return false;
    }
    const mode_t previous = ::umask(077);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::umask(previous);
    if (bound != 0 || ::listen(fd, 8) != 0) {
        SetError(error, ErrnoText("cannot listen on", path));
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    return true;
}

std::vector<std::string> CSingleInstance::TakeMessages()
{
    std::vector<std::string> messages;
    if (m_listenFd < 0)
        return messages;
    for (;;) {
        const int connection = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            break;  // EAGAIN: none waits any more
        ucred peer{};
        socklen_t length = sizeof(peer);
        const bool ownUser = ::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
                             peer.uid == ::geteuid();
        if (ownUser)
            messages.push_back(ReadMessage(connection, 500));
        ::close(connection);
    }
    return messages;
}

bool CSingleInstance::Send(const std::string& message) const
{
    if (m_directory.empty())
        return false;
    const std::string path = SocketPath();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    sockaddr_un address;
    if (!FillAddress(path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool sent = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
        const std::string line = message + "\n";
        sent = ::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
    }
    ::close(fd);
    return sent;
}

bool CSingleInstance::SendToRunning(const std::string& message, int waitMs) const
{
    if (m_directory.empty())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (Send(message))
            return true;
        if (LockIsFree(LockPath()) || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace tarnwel
