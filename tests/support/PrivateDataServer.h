#pragma once
// A data server of the test process's own: a dbus-daemon on a private
// session bus whose service folder is the system's, so that the bus starts
// the source registry, the calendar factory and the address-book factory
// when they are first called, all with HOME and every XDG folder in a
// temporary directory. No user's own data is touched. One data server serves
// the whole test process (the process keeps its bus connection); it ends
// with the process, the programs the bus started with it.

#include "tests/support/ShellCommand.h"
#include "tests/support/TemporaryDirectory.h"

#include <signal.h>
#include <unistd.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tarnwel::test {

class CPrivateDataServer {
public:
    // The one of the process, started at its first use.
    static CPrivateDataServer& Get()
    {
        static CPrivateDataServer server;
        return server;
    }

    const std::string& Home() const { return m_home; }

    // The processes that the bus started and that still run, with their
    // command names. The bus leaves them to the system, so they are found by
    // the private home in their environment.
    std::vector<std::pair<int, std::string>> Programs() const
    {
        std::vector<std::pair<int, std::string>> programs;
        const std::string mark = "HOME=" + m_home;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            const int pid = std::atoi(name.c_str());
            if (pid == ::getpid() || pid == m_pid)
                continue;
            const std::string environment = ReadAll(entry.path().string() + "/environ");
            bool ours = false;
            for (std::size_t at = 0; at < environment.size();) {
                const std::size_t end = environment.find('\0', at);
                const std::string variable = environment.substr(at, end == std::string::npos ? end : end - at);
                ours = ours || variable == mark;
                if (end == std::string::npos)
                    break;
                at = end + 1;
            }
            if (!ours)
                continue;
            std::string command = ReadAll(entry.path().string() + "/comm");
            while (!command.empty() && command.back() == '\n')
                command.pop_back();
            programs.emplace_back(pid, command);
        }
        return programs;
    }

    // The pid of a program the bus started whose name begins with `prefix`,
    // or 0.
    int ProgramPid(const std::string& prefix) const
    {
        for (const auto& [pid, name] : Programs())
            if (name.rfind(prefix, 0) == 0)
                return pid;
        return 0;
    }

    // Sends `signal` to every program whose command name begins with
    // `prefix` (SIGSTOP: the data server's factory stands still); their pids.
    std::vector<int> SignalPrograms(const std::string& prefix, int signal) const
    {
        std::vector<int> signalled;
        for (const auto& [pid, name] : Programs())
            if (name.rfind(prefix, 0) == 0) {
                ::kill(pid, signal);
                signalled.push_back(pid);
            }
        return signalled;
    }

    ~CPrivateDataServer() { Stop(); }
    CPrivateDataServer(const CPrivateDataServer&) = delete;
    CPrivateDataServer& operator=(const CPrivateDataServer&) = delete;

private:
    CPrivateDataServer()
    {
        m_home = m_directory.Path("home");
        const std::string runtime = m_directory.Path("runtime");
        std::filesystem::create_directories(m_home);
        std::filesystem::create_directories(runtime);
        ::chmod(runtime.c_str(), 0700);
        ::setenv("HOME", m_home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_home + "/.config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_home + "/.local/share").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (m_home + "/.cache").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (m_home + "/.local/state").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("GSETTINGS_BACKEND", "memory", 1);
        ::setenv("GIO_USE_VFS", "local", 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        const std::string config = m_directory.Path("bus.conf");
        std::ofstream(config) << "<busconfig>\n  <type>session</type>\n"
                                 "  <listen>unix:path=" << m_directory.Path("bus") << "</listen>\n"
                                 "  <servicedir>/usr/share/dbus-1/services</servicedir>\n"
                                 "  <policy context=\"default\">\n"
                                 "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                 "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n"
                                 "  </policy>\n</busconfig>\n";
        const std::string out = m_directory.Path("daemon.out");
        const CShellResult started = RunShellCommand(
            "cd " + ShellQuote(m_directory.Path().string()) + " && { dbus-daemon --config-file=" + ShellQuote(config) +
            " --nofork --print-address=1 >" + ShellQuote(out) + " 2>&1 </dev/null & echo $!; }");
        m_pid = std::atoi(started.output.c_str());
        for (int i = 0; i < 1000 && m_pid > 0 && ReadAll(out).find('\n') == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string printed = ReadAll(out);
        if (m_pid <= 0 || printed.find('\n') == std::string::npos) {
            Stop();
            throw std::runtime_error("dbus-daemon did not start: " + printed);
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", printed.substr(0, printed.find('\n')).c_str(), 1);
        // A test process that is killed leaves no bus behind: a watcher ends
        // the daemon once the process is gone, and the data server's
        // programs end with their bus.
        RunShellCommand("{ while kill -0 " + std::to_string(::getpid()) + " 2>/dev/null; do sleep 1; done; kill " +
                        std::to_string(m_pid) + " 2>/dev/null; } >/dev/null 2>&1 </dev/null &");
    }

    static std::string ReadAll(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void Stop()
    {
        if (m_pid <= 0)
            return;
        for (const auto& program : Programs())
            ::kill(program.first, SIGKILL);
        ::kill(m_pid, SIGTERM);
        m_pid = -1;
    }

    CTemporaryDirectory m_directory;
    std::string m_home;
    int m_pid = -1;
};

} // namespace tarnwel::test
