#include "platform/base/FileLock.h"

#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnwel {
namespace {

using Outcome = CFileLock::Outcome;
using Clock = std::chrono::steady_clock;

// Two locks of one file conflict also inside one process (as the window's
// run and its vacuum would), for the whole wait; the lock is free once its
// holder lets go.
TEST(FileLockTest, ASecondLockWaitsInVainWhileTheFirstIsHeldAndGetsItOnceReleased)
{
    test::CTemporaryDirectory dir;
    const std::string path = dir.Path("run.lock");
    CFileLock first;
    ASSERT_EQ(first.Lock(path, Clock::now()), Outcome::locked);
    CFileLock second;
    const auto start = Clock::now();
    EXPECT_EQ(second.Lock(path, start + std::chrono::milliseconds(150)), Outcome::busy);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_FALSE(second.Held());

    first.Unlock();
    EXPECT_EQ(second.Lock(path, Clock::now()), Outcome::locked);
    EXPECT_TRUE(second.Held());
    EXPECT_EQ(CFileLock().Lock(dir.Path("missing/run.lock"), Clock::now()), Outcome::unlockable);
}

// A program started while the lock is held (the wizard) does not keep it,
// and a holder that is killed leaves it behind free.
TEST(FileLockTest, TheLockStaysWithNoOtherProgramAndGoesWithAKilledHolder)
{
    test::CTemporaryDirectory dir;
    const std::string path = dir.Path("run.lock");
    {
        CFileLock held;
        ASSERT_EQ(held.Lock(path, Clock::now()), Outcome::locked);
        pid_t started = -1;
        char sleepProgram[] = "sleep";
        char seconds[] = "60";
        char* arguments[] = {sleepProgram, seconds, nullptr};
        ASSERT_EQ(::posix_spawnp(&started, "sleep", nullptr, nullptr, arguments, environ), 0);
        held.Unlock();
        EXPECT_EQ(CFileLock().Lock(path, Clock::now()), Outcome::locked);
        ::kill(started, SIGKILL);
        ::waitpid(started, nullptr, 0);
    }

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        CFileLock lock;
        const char answer = lock.Lock(path, Clock::now()) == Outcome::locked ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) != 1)
            ::_exit(1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(answer, 'y');
    EXPECT_EQ(CFileLock().Lock(path, Clock::now()), Outcome::busy);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(CFileLock().Lock(path, Clock::now()), Outcome::locked);
}

} // namespace
} // namespace tarnwel
