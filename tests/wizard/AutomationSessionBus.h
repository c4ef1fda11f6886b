#pragma once
// A private session bus for one test: a dbus-daemon of its own, listening in
// a temporary directory and activating the services that a program writes
// into that directory's XDG_DATA_HOME. While it runs, this process and its
// children (through the environment) use it as their session bus.

#include "tests/support/ShellCommand.h"
#include "tests/support/TemporaryDirectory.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tarnwel::test {

// The whole file, or "" when it cannot be read.
inline std::string FileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits up to five seconds for `path` to hold `text`.
inline bool WaitForText(const std::string& path, const std::string& text)
{
    for (int i = 0; i < 500; ++i) {
        if (FileText(path).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class CPrivateSessionBus {
public:
    CPrivateSessionBus()
    {
        m_dataHome = m_directory.Path("data");
        ::setenv("XDG_DATA_HOME", m_dataHome.c_str(), 1);
        const std::string config = m_directory.Path("bus.conf");
        std::ofstream(config) << "<busconfig>\n  <type>session</type>\n"
                                 "  <listen>unix:path=" << m_directory.Path("bus") << "</listen>\n"
                                 "  <servicedir>" << ServicesDirectory() << "</servicedir>\n"
                                 "  <policy context=\"default\">\n"
                                 "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                 "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n"
                                 "  </policy>\n</busconfig>\n";
        // In the foreground of its own shell job, so that the programs it
        // starts work in the temporary directory, as the daemon does.
        const std::string out = m_directory.Path("daemon.out");
        const CShellResult started = RunShellCommand(
            "cd " + ShellQuote(m_directory.Path().string()) + " && { dbus-daemon --config-file=" +
            ShellQuote(config) + " --nofork --print-address=1 >" + ShellQuote(out) + " 2>&1 </dev/null & echo $!; }");
        m_pid = std::atoi(started.output.c_str());
        if (m_pid <= 0 || !WaitForText(out, "\n")) {
            Stop();
            throw std::runtime_error("dbus-daemon did not start: " + FileText(out));
        }
        std::istringstream lines(FileText(out));
        std::getline(lines, m_address);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", m_address.c_str(), 1);
    }
    ~CPrivateSessionBus()
    {
        Stop();
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        ::unsetenv("XDG_DATA_HOME");
    }
    CPrivateSessionBus(const CPrivateSessionBus&) = delete;
    CPrivateSessionBus& operator=(const CPrivateSessionBus&) = delete;

    const std::string& Address() const { return m_address; }
    std::string ServicesDirectory() const { return m_dataHome + "/dbus-1/services"; }
    std::string Path(const std::string& name) const { return m_directory.Path(name); }

    // A dbus-send call on this bus, with its reply printed.
    CShellResult Send(const std::string& arguments) const
    {
        return RunShellCommand("dbus-send --session --print-reply --reply-timeout=5000 " + arguments + " 2>&1");
    }
    bool HasOwner(const std::string& busName) const
    {
        return Send("--dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:" + busName)
                   .output.find("boolean true") != std::string::npos;
    }

    // The processes the bus started that still run (with the daemon's
    // helpers between it and the programs).
    std::vector<int> StartedPrograms() const
    {
        std::vector<int> pids;
        std::vector<int> parents = {m_pid};
        while (!parents.empty()) {
            const int parent = parents.back();
            parents.pop_back();
            std::istringstream lines(RunShellCommand("pgrep -P " + std::to_string(parent)).output);
            for (int pid = 0; lines >> pid;) {
                pids.push_back(pid);
                parents.push_back(pid);
            }
        }
        return pids;
    }

private:
    void Stop()
    {
        if (m_pid <= 0)
            return;
        for (const int pid : StartedPrograms())
            ::kill(pid, SIGKILL);
        ::kill(m_pid, SIGTERM);
        m_pid = -1;
    }

    CTemporaryDirectory m_directory;
    std::string m_dataHome;
    std::string m_address;
    int m_pid = -1;
};

} // namespace tarnwel::test
