#pragma once
// Runs work in a child process that may end at a chosen crash point, the
// way the recovery tests kill a run: the child says each crash point it
// passes (and any line of its own) through a pipe, and ends at once, without
// unwinding, at the point chosen. The parent reads what it said and how it
// ended.

#include "engine/CrashPoint.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tarnwel::test {

// The exit code of a child that ended at its chosen crash point.
inline constexpr int kCrashedCode = 86;

struct CChildOutcome {
    std::vector<std::string> lines;  // what the child said, crash points included, in order
    bool crashed = false;            // it ended at the chosen point
};

namespace crash_child {
inline int crashAt = 0;                    // the point (counted from 1) at which the child ends; 0: none
inline const char* crashAtName = nullptr;  // or the name of the point at whose first pass it ends
inline int passed = 0;
inline int pipe = -1;
} // namespace crash_child

// From the child: says one line to the parent.
inline void SayToParent(std::string_view line)
{
    std::string text(line);
    text += '\n';
    if (::write(crash_child::pipe, text.data(), text.size()) < 0)
        ::_exit(kCrashedCode + 1);
}

inline void EndAtChosenCrashPoint(const char* point)
{
    ++crash_child::passed;
    SayToParent(point);
    if (crash_child::passed == crash_child::crashAt ||
        (crash_child::crashAtName && std::string_view(point) == crash_child::crashAtName))
        ::_exit(kCrashedCode);
}

// Runs `work` in a child process that ends at its `crashAt`-th crash point,
// or at the first pass of the point named `crashAtName` (0 and null: runs to
// its end), and waits for it.
inline CChildOutcome RunInCrashChild(const std::function<void()>& work, int crashAt = 0,
                                     const char* crashAtName = nullptr)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        crash_child::pipe = fds[1];
        crash_child::crashAt = crashAt;
        crash_child::crashAtName = crashAtName;
        crash_child::passed = 0;
        SetCrashPointHook(&EndAtChosenCrashPoint);
        // On a thread of its own: the child's random engines (entry ids,
        // temporary file names) start afresh there instead of repeating the
        // parent's.
        std::thread(work).join();
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) != 0;)
        if (got > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            break;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    CChildOutcome outcome;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        outcome.lines.push_back(text.substr(start, end - start));
    outcome.crashed = WIFEXITED(status) && WEXITSTATUS(status) == kCrashedCode;
    EXPECT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == 0 || outcome.crashed)) << "child status " << status;
    return outcome;
}

} // namespace tarnwel::test
