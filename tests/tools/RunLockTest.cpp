// One replication at a time in a working directory: two runs started
// together (tarnwel-replicate twice, the window's job beside the tool, two
// jobs of one process) against the reference server, and a holder that is
// killed. Each item stays once on each side.

#include "engine/CReplicationJob.h"
#include "engine/CRunLock.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/base/ByteFile.h"
#include "platform/base/FileLock.h"
#include "platform/pimstore/PimStore.h"
#include "tests/engine/StoreFixture.h"
#include "tests/support/BoxCapture.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/ScopedUserLocale.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/SilentProgressSink.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarnwel {
namespace {

using testing::HasSubstr;

constexpr int kCannotStart = 1;

// The descriptions of the local store's items, sorted.
std::vector<std::string> LocalDescriptions(const std::string& store)
{
    const test::CShellResult listed = test::RunShellCommand("TARNWEL_PIMSTORE=" + test::ShellQuote(store) + " " +
                                                            PIMSTORE_TOOL + " list </dev/null");
    std::vector<std::string> descriptions;
    std::istringstream lines(listed.output);
    for (std::string line; std::getline(lines, line);)
        descriptions.push_back(line.substr(line.rfind('\t') + 1));
    std::sort(descriptions.begin(), descriptions.end());
    return descriptions;
}

// The descriptions of the server's appointments, sorted.
std::vector<std::string> ServerDescriptions(const std::string& store)
{
    std::vector<std::string> descriptions;
    std::istringstream lines(test::CReferenceServer::RunCommand({"dump", "--store", store}));
    const std::string key = "\"description\": \"";
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(key);
        if (at != std::string::npos)
            descriptions.push_back(line.substr(at + key.size(), line.rfind('"') - at - key.size()));
    }
    std::sort(descriptions.begin(), descriptions.end());
    return descriptions;
}

void AddLocalAppointment(const std::string& store, const std::string& subject)
{
    test::RunShellCommand("TARNWEL_PIMSTORE=" + test::ShellQuote(store) + " " + PIMSTORE_TOOL +
                          " add appointment " + test::ShellQuote("Subject=" + subject) +
                          " 'Start=2026-03-02 08:30:00' 'End=2026-03-02 09:00:00' </dev/null >/dev/null");
}

void WriteSettings(const std::string& path, const std::string& url)
{
    std::ofstream(path, std::ios::binary)
        << "URL = " << url << "\r\nusername = user\r\npassword = vezi\r\nCategory checkboxes = 1 0 0\r\n";
}

// tarnwel-replicate started in `directory` on the store there; its output
// and errors go to files named after `name`.
class CToolProcess {
public:
    CToolProcess(const std::string& directory, const std::string& name)
        : m_output(directory + "/" + name + ".out"), m_errors(directory + "/" + name + ".err")
    {
        test::CChildEnvironment environment("TARNWEL_PIMSTORE", directory + "/store.db");
        m_pid = ::fork();
        if (m_pid == 0) {
            const int input = ::open("/dev/null", O_RDONLY);
            const int out = ::open(m_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open(m_errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (input < 0 || out < 0 || err < 0 || ::dup2(input, 0) < 0 || ::dup2(out, 1) < 0 ||
                ::dup2(err, 2) < 0 || ::chdir(directory.c_str()) != 0)
                ::_exit(127);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::execle(REPLICATE_TOOL, REPLICATE_TOOL, static_cast<char*>(nullptr), environment.Pointers());
            ::_exit(127);
        }
    }
    ~CToolProcess()
    {
        if (m_pid > 0 && !m_status) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
    }
    CToolProcess(const CToolProcess&) = delete;
    CToolProcess& operator=(const CToolProcess&) = delete;

    // The exit code; -1 when the tool did not exit by itself.
    int Wait()
    {
        if (!m_status) {
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_status = status;
        }
        return WIFEXITED(*m_status) ? WEXITSTATUS(*m_status) : -1;
    }
    void Kill() { ::kill(m_pid, SIGKILL); }
    std::string Output() const { return Read(m_output); }
    std::string Errors() const { return Read(m_errors); }

    // Waits until the output holds `text` (or the tool has ended).
    bool WaitForOutput(const std::string& text)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (Output().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline || ::waitpid(m_pid, nullptr, WNOHANG) != 0)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

private:
    static std::string Read(const std::string& path)
    {
        std::string bytes;
        ReadFileBytes(path, bytes);
        return bytes;
    }

    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::string m_output;
    std::string m_errors;
};

// The window's run in this process: a replication job on the settings file
// of the working directory, with the store registered as the client
// registers it.
class CWindowRun {
public:
    explicit CWindowRun(const std::string& directory)
    {
        CReplicationSettings settings;
        settings.Load(directory + "/TarnwelClient.ini");
        m_job = std::make_unique<CReplicationJob>(settings, m_sink, directory + "/TarnwelClient.ini");
        m_job->Start(nullptr, 0);
    }
    // 0 replicated, 1 refused by the lock, 3 a kind failed (as the tool's codes).
    int Wait()
    {
        m_job->Join();
        return m_job->Busy() ? kCannotStart : m_job->KindFailed() ? 3 : 0;
    }

private:
    test::CSilentProgressSink m_sink;
    std::unique_ptr<CReplicationJob> m_job;
};

enum class Side { tool, window };

// Each cycle: a new working directory with its own local store holding two
// new appointments, the server holding all earlier cycles' items; two runs
// started together. Afterwards each item is once on each side.
void RunTogether(Side first, Side second, int cycles)
{
    test::CScopedUserLocale locale;
    test::CTemporaryDirectory root;
    const std::string serverStore = root.Path("server.db");
    {
        std::ofstream(root.Path("seed.json"))
            << R"({"appointments": [{"description": "Vom Server", "start": "2026-03-02 09:00:00",
                                     "end": "2026-03-02 10:00:00"}]})";
    }
    test::CReferenceServer::RunCommand({"seed", "--store", serverStore, root.Path("seed.json")});
    const test::CReferenceServer server({"--store", serverStore});
    std::vector<std::string> expected{"Vom Server"};
    std::mutex boxesMutex;
    std::vector<std::string> boxes;
    const test::CBoxCapture capture([&](const CMessageBoxRequest& request) {
        std::lock_guard lock(boxesMutex);
        boxes.push_back(request.text);
        return MessageBoxResult::ok;
    });
    int refused = 0;
    int runs = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        const std::string directory = root.Path("cycle-" + std::to_string(cycle));
        std::filesystem::create_directory(directory);
        const std::string store = directory + "/store.db";
        for (const char* suffix : {"a", "b"}) {
            const std::string subject = "Lokal " + std::to_string(cycle) + suffix;
            AddLocalAppointment(store, subject);
            expected.push_back(subject);
        }
        std::sort(expected.begin(), expected.end());
        WriteSettings(directory + "/TarnwelClient.ini", server.Url());

        // The window's runs work in the process's working directory on the
        // store registered here, with its lock file where the client puts it.
        const test::CScopedWorkingDirectory working(directory);
        const CScopedProgIdRegistration registration([store] { return OpenPimStore(store); });
        const StoreLockPathSource previous = SetStoreLockPathSource([store] { return store + ".lock"; });
        std::optional<CToolProcess> tools[2];
        std::optional<CWindowRun> windows[2];
        const Side sides[2] = {first, second};
        for (int i = 0; i < 2; ++i) {
            if (sides[i] == Side::tool)
                tools[i].emplace(directory, "run" + std::to_string(i));
            else
                windows[i].emplace(directory);
        }
        int replicated = 0;
        runs += 2;
        for (int i = 0; i < 2; ++i) {
            const int code = tools[i] ? tools[i]->Wait() : windows[i]->Wait();
            if (code == kCannotStart) {
                ++refused;
                if (tools[i]) {
                    EXPECT_THAT(tools[i]->Errors(), HasSubstr("Diese Replikation wurde beendet, ohne etwas zu ändern."));
                }
            } else {
                EXPECT_EQ(code, 0) << (tools[i] ? tools[i]->Output() + tools[i]->Errors() : std::string());
                ++replicated;
            }
        }
        SetStoreLockPathSource(previous);
        EXPECT_GE(replicated, 1);
        EXPECT_EQ(LocalDescriptions(store), expected);
        EXPECT_EQ(ServerDescriptions(serverStore), expected);
        if (testing::Test::HasFailure())
            break;
    }
    // Only the busy message may have come, from a window's run refused.
    for (const std::string& box : boxes)
        EXPECT_THAT(box, HasSubstr("Diese Replikation wurde beendet, ohne etwas zu ändern.")) << box;
    std::cout << "runs refused by the lock: " << refused << " of " << runs << "\n";
}

constexpr int kCycles = 40;

TEST(RunLockTest, TwoToolsStartedTogetherLeaveEachItemOnceOnEachSide)
{
    RunTogether(Side::tool, Side::tool, kCycles);
}

TEST(RunLockTest, TheWindowsRunAndTheToolStartedTogetherLeaveEachItemOnceOnEachSide)
{
    RunTogether(Side::window, Side::tool, kCycles);
}

TEST(RunLockTest, TwoWindowRunsStartedTogetherLeaveEachItemOnceOnEachSide)
{
    RunTogether(Side::window, Side::window, kCycles);
}

// A run holds the directory (its getItems held back by the server): a second
// run says so, exits 1 and changes nothing. The holder is killed; its lock
// goes with it and the next run replicates.
TEST(RunLockTest, ASecondRunIsRefusedWhileTheFirstHoldsTheLockWhichGoesWhenTheFirstIsKilled)
{
    test::CTemporaryDirectory dir;
    const std::string serverStore = dir.Path("server.db");
    std::ofstream(dir.Path("seed.json"))
        << R"({"appointments": [{"description": "Vom Server", "start": "2026-03-02 09:00:00",
                                 "end": "2026-03-02 10:00:00"}]})";
    test::CReferenceServer::RunCommand({"seed", "--store", serverStore, dir.Path("seed.json")});
    AddLocalAppointment(dir.Path("store.db"), "Lokal");
    const std::vector<std::string> localBefore = LocalDescriptions(dir.Path("store.db"));
    std::string settingsBefore;
    {
        const test::CReferenceServer slow({"--store", serverStore, "--delay", "getItems=60"});
        WriteSettings(dir.Path("TarnwelClient.ini"), slow.Url());
        ASSERT_EQ(ReadFileBytes(dir.Path("TarnwelClient.ini"), settingsBefore), FileReadResult::ok);
        CToolProcess holder(dir.Path().string(), "holder");
        ASSERT_TRUE(holder.WaitForOutput("Daten vom Server werden übertragen.")) << holder.Output() << holder.Errors();

        CToolProcess second(dir.Path().string(), "second");
        EXPECT_EQ(second.Wait(), kCannotStart) << second.Output() << second.Errors();
        const std::string directory = std::filesystem::canonical(dir.Path()).string();
        EXPECT_THAT(second.Errors(), HasSubstr("tarnwel-replicate: Im Ordner <" + directory +
                                               "> läuft gerade eine andere Replikation oder das Löschen der "
                                               "Outlook-Daten. Diese Replikation wurde beendet, ohne etwas zu "
                                               "ändern.\n"));
        EXPECT_EQ(LocalDescriptions(dir.Path("store.db")), localBefore);
        std::string settings;
        ASSERT_EQ(ReadFileBytes(dir.Path("TarnwelClient.ini"), settings), FileReadResult::ok);
        EXPECT_EQ(settings, settingsBefore);
        EXPECT_FALSE(std::filesystem::exists(dir.Path("maps_appo.ids.journal")) &&
                     std::filesystem::file_size(dir.Path("maps_appo.ids.journal")) > 0);

        holder.Kill();
        EXPECT_EQ(holder.Wait(), -1);
    }
    const test::CReferenceServer server({"--store", serverStore});
    WriteSettings(dir.Path("TarnwelClient.ini"), server.Url());
    CToolProcess next(dir.Path().string(), "next");
    EXPECT_EQ(next.Wait(), 0) << next.Output() << next.Errors();
    const std::vector<std::string> both{"Lokal", "Vom Server"};
    EXPECT_EQ(LocalDescriptions(dir.Path("store.db")), both);
    EXPECT_EQ(ServerDescriptions(serverStore), both);
}

} // namespace
} // namespace tarnwel
