#pragma once
// Runs a shell command line for tests of the command-line programs and
// collects what it writes to standard output.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

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

} // namespace tarnwel::test
