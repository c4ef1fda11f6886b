#include "platform/base/Signals.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tarnwel {
namespace {

TEST(SignalWatch, HandsEachSignalWithItsCountToTheHandlerOnItsOwnThread)
{
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::pair<int, int>> seen;
    bool onOtherThread = true;
    const std::thread::id testThread = std::this_thread::get_id();
    {
        CSignalWatch watch([&](int signal, int count) {
            std::lock_guard lock(mutex);
            seen.emplace_back(signal, count);
            onOtherThread = onOtherThread && std::this_thread::get_id() != testThread;
            arrived.notify_all();
        });
        for (const int signal : {SIGTERM, SIGINT}) {
            ::kill(::getpid(), signal);
            std::unique_lock lock(mutex);
            const std::size_t expected = signal == SIGTERM ? 1 : 2;
            arrived.wait_for(lock, std::chrono::seconds(10), [&] { return seen.size() == expected; });
        }
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{SIGTERM, 1}, {SIGINT, 2}}));
    EXPECT_TRUE(onOtherThread);
}

// In a child process, so that the limit and the signal's default disposition
// stay there.
TEST(IgnoreFileWriteSignals, AWritePastTheFileSizeLimitFailsInsteadOfEndingTheProcess)
{
    const test::CTemporaryDirectory directory;
    const std::string path = directory.Path("big.bin");
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_DFL);
        IgnoreFileWriteSignals();
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string block(2000, 'x');
        const ssize_t first = ::write(fd, block.data(), block.size());   // cut at the limit
        const ssize_t second = ::write(fd, block.data(), block.size());  // past it: EFBIG
        ::_exit(first == 1000 && second < 0 && errno == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace tarnwel
