// The single-instance guard: the lock, the socket and the folder they live in.

#include "platform/ui/CInstanceListener.h"
#include "platform/ui/CSingleInstance.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <cstring>
#include <optional>

namespace tarnwel {
namespace {

class CScopedEnvironment {
public:
    CScopedEnvironment(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~CScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(SingleInstanceTest, SecondClaimFindsTheFirstAndReachesIt)
{
    test::CTemporaryDirectory dir;
    const std::string folder = dir.Path("guard");
    CSingleInstance first(folder);
    ASSERT_EQ(first.Claim(), CSingleInstance::ClaimResult::claimed);
    EXPECT_GE(first.ListenerFd(), 0);

    CSingleInstance second(folder);
    EXPECT_EQ(second.Claim(), CSingleInstance::ClaimResult::anotherRuns);
    EXPECT_FALSE(second.IsClaimed());
    EXPECT_TRUE(second.SendToRunning(kActivateMessage));
    EXPECT_TRUE(second.Send(kCloseMessage));
    EXPECT_EQ(first.TakeMessages(), (std::vector<std::string>{kActivateMessage, kCloseMessage}));
    EXPECT_TRUE(first.TakeMessages().empty());

    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(SingleInstanceTest, ReleasedLockAndStaleSocketLetTheNextClaim)
{
    test::CTemporaryDirectory dir;
    const std::string folder = dir.Path("guard");
    {
        CSingleInstance first(folder);
        ASSERT_EQ(first.Claim(), CSingleInstance::ClaimResult::claimed);
    }
    // A socket file whose listener is gone, as a killed client leaves it.
    const std::string socketPath = folder + "/client.socket";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);

    CSingleInstance probe(folder);
    EXPECT_FALSE(probe.SendToRunning(kActivateMessage, 200));  // nobody holds the lock

    CSingleInstance next(folder);
    ASSERT_EQ(next.Claim(), CSingleInstance::ClaimResult::claimed);
    EXPECT_TRUE(probe.Send(kActivateMessage));
    EXPECT_EQ(next.TakeMessages(), std::vector<std::string>{kActivateMessage});
}

TEST(SingleInstanceTest, RefusesAFolderOthersMayEnter)
{
    test::CTemporaryDirectory dir;
    for (const mode_t mode : {0750, 0705, 0777}) {
        const std::string folder = dir.Path("open" + std::to_string(mode));
        ASSERT_EQ(::mkdir(folder.c_str(), mode), 0);
        ::chmod(folder.c_str(), mode);
        CSingleInstance guard(folder);
        std::string error;
        EXPECT_EQ(guard.Claim(&error), CSingleInstance::ClaimResult::failed) << mode;
        EXPECT_NE(error.find("open to other users"), std::string::npos) << error;
        EXPECT_FALSE(guard.Send(kActivateMessage));
    }
    // A link to a private folder is no folder of ours either.
    const std::string target = dir.Path("target");
    ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(target.c_str(), dir.Path("link").c_str()), 0);
    CSingleInstance linked(dir.Path("link"));
    EXPECT_EQ(linked.Claim(), CSingleInstance::ClaimResult::failed);
}

TEST(SingleInstanceTest, FolderFollowsTheSessionsRuntimeFolder)
{
    test::CTemporaryDirectory one;
    test::CTemporaryDirectory other;
    std::string firstFolder;
    {
        CScopedEnvironment runtime("XDG_RUNTIME_DIR", one.Path().string());
        firstFolder = InstanceDirectory();
        EXPECT_EQ(firstFolder, one.Path("tarnwel"));
    }
    CSingleInstance first(firstFolder);
    ASSERT_EQ(first.Claim(), CSingleInstance::ClaimResult::claimed);

    CScopedEnvironment runtime("XDG_RUNTIME_DIR", other.Path().string());
    CSingleInstance elsewhere;
    EXPECT_EQ(elsewhere.Directory(), other.Path("tarnwel"));
    EXPECT_EQ(elsewhere.Claim(), CSingleInstance::ClaimResult::claimed);
    EXPECT_TRUE(first.TakeMessages().empty());
}

TEST(SingleInstanceTest, ListenerHandsOnEveryMessageUntilItEnds)
{
    test::CTemporaryDirectory dir;
    CSingleInstance running(dir.Path("guard"));
    ASSERT_EQ(running.Claim(), CSingleInstance::ClaimResult::claimed);
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> messages;
    {
        CInstanceListener listener(running, [&](const std::string& message) {
            std::lock_guard lock(mutex);
            messages.push_back(message);
            arrived.notify_all();
        });
        CSingleInstance sender(dir.Path("guard"));
        ASSERT_TRUE(sender.Send(kCloseMessage));
        ASSERT_TRUE(sender.Send("something else"));
        std::unique_lock lock(mutex);
        EXPECT_TRUE(arrived.wait_for(lock, std::chrono::seconds(5), [&] { return messages.size() == 2; }));
    }
    EXPECT_EQ(messages, (std::vector<std::string>{kCloseMessage, "something else"}));
}

} // namespace
} // namespace tarnwel
