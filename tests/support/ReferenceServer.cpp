#include "tests/support/ReferenceServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <stdexcept>
#include <string_view>

#ifndef TARNWEL_TESTSERVER_SCRIPT
#error "TARNWEL_TESTSERVER_SCRIPT must name the reference server's script"
#endif

namespace tarnwel::test {
namespace {

constexpr std::string_view kListeningPrefix = "listening on ";

// Starts the script with `arguments`; its standard output goes to the returned
// pipe end.
int Spawn(const std::vector<std::string>& arguments, int& outputFd)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> words{"/usr/bin/python3", TARNWEL_TESTSERVER_SCRIPT};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    outputFd = pipeFds[0];
    return pid;
}

// Reads the child's output until `done` says it has enough or the output ends.
template <typename Done>
std::string ReadOutput(int fd, std::chrono::milliseconds limit, Done done)
{
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    while (!done(output)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw std::runtime_error("the reference server did not answer in time: " + output);
        pollfd poller{fd, POLLIN, 0};
        if (::poll(&poller, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
            throw std::runtime_error("poll failed");
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count == 0)
            break;
        if (count > 0)
            output.append(buffer, static_cast<std::size_t>(count));
    }
    return output;
}

int WaitFor(int pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

CReferenceServer::CReferenceServer(const std::vector<std::string>& arguments)
{
    std::vector<std::string> words{"serve", "--port", "0"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    int outputFd = -1;
    m_pid = Spawn(words, outputFd);
    std::string line;
    try {
        line = ReadOutput(outputFd, std::chrono::seconds(20),
                          [](const std::string& output) { return output.find('\n') != std::string::npos; });
    } catch (...) {
        ::close(outputFd);
        ::kill(m_pid, SIGKILL);
        WaitFor(m_pid);
        throw;
    }
    ::close(outputFd);
    const auto start = line.find(kListeningPrefix);
    const auto end = line.find('\n');
    if (start == std::string::npos || end == std::string::npos) {
        ::kill(m_pid, SIGKILL);
        WaitFor(m_pid);
        throw std::runtime_error("the reference server did not start: " + line);
    }
    m_url = line.substr(start + kListeningPrefix.size(), end - start - kListeningPrefix.size());
    const auto portStart = m_url.rfind(':') + 1;
    m_port = std::stoi(m_url.substr(portStart));
}

CReferenceServer::~CReferenceServer()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        WaitFor(m_pid);
    }
}

std::string CReferenceServer::RunCommand(const std::vector<std::string>& arguments)
{
    int outputFd = -1;
    const int pid = Spawn(arguments, outputFd);
    std::string output;
    try {
        output = ReadOutput(outputFd, std::chrono::seconds(60), [](const std::string&) { return false; });
    } catch (...) {
        ::close(outputFd);
        ::kill(pid, SIGKILL);
        WaitFor(pid);
        throw;
    }
    ::close(outputFd);
    const int status = WaitFor(pid);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the reference server's command failed: " + output);
    return output;
}

CClosedPort::CClosedPort()
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_fd >= 0)
            ::close(m_fd);
        throw std::runtime_error("cannot reserve a loopback port");
    }
    m_port = ntohs(address.sin_port);
}

CClosedPort::~CClosedPort()
{
    ::close(m_fd);
}

CSilentServer::CSilentServer()
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_fd, 16) != 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_fd >= 0)
            ::close(m_fd);
        throw std::runtime_error("cannot open a loopback port");
    }
    m_port = ntohs(address.sin_port);
}

CSilentServer::~CSilentServer()
{
    ::close(m_fd);
}

std::string CSilentServer::Url() const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/tarnwelreplication";
}

} // namespace tarnwel::test
