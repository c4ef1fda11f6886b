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
        const std::string out = m_directory.Path("daemon.out");
        const CShellResult started = RunShellCommand("dbus-daemon --config-file=" + ShellQuote(config) +
                                                     " --fork --print-address=1 --print-pid=1 >" +
                                                     ShellQuote(out) + " 2>&1 </dev/null");
        if (started.exitCode != 0 || !WaitForText(out, "\n") )
            throw std::runtime_error("dbus-daemon did not start: " + FileText(out));
        for (int i = 0; i < 500; ++i) {
            std::istringstream lines(FileText(out));
            if (std::getline(lines, m_address) && lines >> m_pid)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (m_pid <= 0)
            throw std::runtime_error("dbus-daemon gave no address: " + FileText(out));
        ::setenv("DBUS_SESSION_BUS_ADDRESS", m_address.c_str(), 1);
    }
    ~CPrivateSessionBus()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
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

private:
    CTemporaryDirectory m_directory;
    std::string m_dataHome;
    std::string m_address;
    int m_pid = -1;
};

} // namespace tarnwel::test
