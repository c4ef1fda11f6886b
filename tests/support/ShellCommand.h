#pragma once
// Runs a shell command line for tests of the command-line programs and
// collects what it writes to standard output.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace tarnwel::test {

// `text` as one shell word, whatever it holds.
inline std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct CShellResult {
    int exitCode = -1;  // -1 when the command could not run or did not exit
    std::string output;
};

inline CShellResult RunShellCommand(const std::string& command)
{
    CShellResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> buffer;
    while (const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), pipe))
        result.output.append(buffer.data(), count);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// This process's environment with `name` set to `value`, for a child started
// with execle: made before the fork, since the child may only exec.
class CChildEnvironment {
public:
    CChildEnvironment(const std::string& name, const std::string& value)
    {
        const std::string prefix = name + "=";
        m_entries.push_back(prefix + value);
        for (char** entry = environ; *entry != nullptr; ++entry)
            if (std::strncmp(*entry, prefix.c_str(), prefix.size()) != 0)
                m_entries.emplace_back(*entry);
        for (std::string& entry : m_entries)
            m_pointers.push_back(entry.data());
        m_pointers.push_back(nullptr);
    }
    CChildEnvironment(const CChildEnvironment&) = delete;
    CChildEnvironment& operator=(const CChildEnvironment&) = delete;

    char** Pointers() { return m_pointers.data(); }

private:
    std::vector<std::string> m_entries;
    std::vector<char*> m_pointers;
};

} // namespace tarnwel::test
