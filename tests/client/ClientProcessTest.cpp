// The built TarnwelClient as a child process on the offscreen platform: the
// single instance, "/stop", the end of the session (SIGTERM), a crashed
// client, and the wizard it starts. Each client gets a working directory, a
// local store and a session folder of its own; message boxes are logged and
// answered by the program's box log, commands sent by its test commands.

#include "platform/base/ByteFile.h"
#include "platform/ui/CSingleInstance.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace tarnwel {
namespace {

using namespace std::chrono_literals;

std::string ReadText(const std::string& path)
{
    std::string bytes;
    return ReadFileBytes(path, bytes) == FileReadResult::ok ? bytes : std::string();
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// One start of the program.
class CClientProcess {
public:
    CClientProcess(const std::string& workingDirectory, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment)
    {
        std::vector<std::string> entries;
        for (const auto& [name, value] : environment)
            entries.push_back(name + "=" + value);
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const std::string name = text.substr(0, text.find('='));
            if (environment.count(name) == 0)
                entries.push_back(text);
        }
        std::vector<std::string> words{TARNWEL_CLIENT_PROGRAM};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv, envp;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        for (std::string& entry : entries)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            if (::chdir(workingDirectory.c_str()) != 0)
                ::_exit(126);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
    }
    ~CClientProcess()
    {
        if (Running()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    CClientProcess(const CClientProcess&) = delete;
    CClientProcess& operator=(const CClientProcess&) = delete;

    pid_t Pid() const { return m_pid; }

    bool Running()
    {
        if (m_exited)
            return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_exited = true;
            m_status = status;
            return false;
        }
        return true;
    }
    // The exit status, or -1 when it has not ended within `limit` or ended
    // through a signal.
    int WaitForExit(std::chrono::milliseconds limit = 10s)
    {
        if (!WaitUntil([this] { return !Running(); }, limit))
            return -1;
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

private:
    pid_t m_pid = -1;
    bool m_exited = false;
    int m_status = 0;
};

class ClientProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(m_dir.Path("run").c_str(), 0700), 0);
        ASSERT_EQ(::mkdir(m_dir.Path("work").c_str(), 0700), 0);
    }

    std::string Work(const std::string& name) const { return m_dir.Path("work") + "/" + name; }
    std::string RunDir() const { return m_dir.Path("run"); }
    std::string BoxLog() const { return ReadText(m_dir.Path("boxes.log")); }

    void WriteSettings(const std::string& url, const std::string& extra = {})
    {
        std::ofstream out(Work("TarnwelClient.ini"), std::ios::binary);
        out << "URL = " << url << "\r\nusername = user\r\npassword = vezi\r\n"
            << "Category checkboxes = 1 0 0\r\n" << extra;
    }

    std::map<std::string, std::string> Environment(const std::string& runDir) const
    {
        return {{"XDG_RUNTIME_DIR", runDir},
                {"TARNWEL_PIMSTORE", m_dir.Path("store.db")},
                {"QT_QPA_PLATFORM", "offscreen"},
                {"TARNWEL_CLIENT_BOX_LOG", m_dir.Path("boxes.log")},
                {"TARNWEL_CLIENT_TEST_COMMANDS", m_commands}};
    }

    std::unique_ptr<CClientProcess> Start(const std::vector<std::string>& arguments = {})
    {
        return StartIn(RunDir(), arguments);
    }
    std::unique_ptr<CClientProcess> StartIn(const std::string& runDir, const std::vector<std::string>& arguments = {})
    {
        return std::make_unique<CClientProcess>(m_dir.Path("work"), arguments, Environment(runDir));
    }

    // Starts the running client and waits until it listens for other starts.
    std::unique_ptr<CClientProcess> StartListening(const std::string& runDir = {})
    {
        const std::string folder = runDir.empty() ? RunDir() : runDir;
        auto client = StartIn(folder);
        CSingleInstance probe(folder + "/tarnwel");
        EXPECT_TRUE(WaitUntil([&] { return !client->Running() || probe.Send("ping"); })) << "the client never listened";
        EXPECT_TRUE(client->Running());
        return client;
    }

    int RunToEnd(const std::vector<std::string>& arguments, const std::string& runDir = {})
    {
        return StartIn(runDir.empty() ? RunDir() : runDir, arguments)->WaitForExit();
    }

    test::CTemporaryDirectory m_dir;
    std::string m_commands;
};

TEST_F(ClientProcessTest, SecondStartActivatesTheFirstAndStopEndsItWithItsSettingsSaved)
{
    WriteSettings("http://127.0.0.1:9/tarnwelreplication");
    auto client = StartListening();

    EXPECT_EQ(RunToEnd({}), 0);  // the second start hands over and ends
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(client->Running());

    EXPECT_EQ(RunToEnd({"/stop"}), 0);
    EXPECT_EQ(client->WaitForExit(), 0);
    // "Verlassen und Sync deaktivieren" wrote the whole record, with today as
    // the last-run time.
    const std::string saved = ReadText(Work("TarnwelClient.ini"));
    EXPECT_NE(saved.find("URL = http://127.0.0.1:9/tarnwelreplication\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Contacts reference= "), std::string::npos) << saved;
    EXPECT_TRUE(BoxLog().empty()) << BoxLog();
    // The next start finds no client and runs as the only one.
    auto next = StartListening();
}

TEST_F(ClientProcessTest, StopNeedsNoDisplay)
{
    WriteSettings("http://127.0.0.1:9/tarnwelreplication");
    auto client = StartListening();
    std::map<std::string, std::string> console = Environment(RunDir());
    console["QT_QPA_PLATFORM"] = "";
    console["DISPLAY"] = "";
    console["WAYLAND_DISPLAY"] = "";
    EXPECT_EQ(CClientProcess(m_dir.Path("work"), {"/stop"}, console).WaitForExit(), 0);
    EXPECT_EQ(client->WaitForExit(), 0);
}

TEST_F(ClientProcessTest, AnyOtherCommandLineEndsAtOnceAndChangesNothing)
{
    WriteSettings("http://127.0.0.1:9/tarnwelreplication");
    const std::string before = ReadText(Work("TarnwelClient.ini"));
    auto client = StartListening();
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"/STOP"}, {"/stop "}, {"/stop", "now"}, {"stop"}, {""}}) {
        EXPECT_EQ(RunToEnd(arguments), 0) << arguments[0];
        std::this_thread::sleep_for(200ms);
        EXPECT_TRUE(client->Running()) << arguments[0];
    }
    EXPECT_EQ(ReadText(Work("TarnwelClient.ini")), before);
    // "/stop" without a running client ends too.
    ::kill(client->Pid(), SIGKILL);
    client->WaitForExit();
    EXPECT_EQ(RunToEnd({"/stop"}), 0);
    EXPECT_EQ(ReadText(Work("TarnwelClient.ini")), before);
}

TEST_F(ClientProcessTest, StopDuringARunIsRefusedAndTheClientKeepsRunning)
{
    test::CSilentServer server;  // the run waits for its first answer
    WriteSettings(server.Url());
    m_commands = "32774";
    auto client = StartListening();
    std::this_thread::sleep_for(500ms);

    EXPECT_EQ(RunToEnd({"/stop"}), 0);
    EXPECT_TRUE(WaitUntil([&] { return BoxLog().find("Bitte stoppen Sie die Replikation") != std::string::npos; }))
        << BoxLog();
    EXPECT_EQ(BoxLog().substr(0, BoxLog().find('\t')), "DRAV replicator");
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(client->Running());
}

TEST_F(ClientProcessTest, KilledClientDoesNotKeepTheNextFromStarting)
{
    WriteSettings("http://127.0.0.1:9/tarnwelreplication");
    {
        auto killed = StartListening();
        ::kill(killed->Pid(), SIGKILL);
        EXPECT_EQ(killed->WaitForExit(), -1);
    }
    EXPECT_TRUE(std::filesystem::exists(RunDir() + "/tarnwel/client.socket"));  // left behind
    auto next = StartListening();
    EXPECT_EQ(RunToEnd({"/stop"}), 0);
    EXPECT_EQ(next->WaitForExit(), 0);
}

TEST_F(ClientProcessTest, AnotherSessionsClientIsNotReached)
{
    WriteSettings("http://127.0.0.1:9/tarnwelreplication");
    const std::string otherSession = m_dir.Path("other-run");
    ASSERT_EQ(::mkdir(otherSession.c_str(), 0700), 0);
    auto first = StartListening();
    auto second = StartListening(otherSession);  // runs beside the first

    EXPECT_EQ(RunToEnd({"/stop"}, otherSession), 0);
    EXPECT_EQ(second->WaitForExit(), 0);
    EXPECT_TRUE(first->Running());
}

TEST_F(ClientProcessTest, SigtermEndsTheClientWithoutSavingItsSettings)
{
    WriteSettings("http://127.0.0.1:9/tarnwelreplication");
    const std::string before = ReadText(Work("TarnwelClient.ini"));
    auto client = StartListening();
    ::kill(client->Pid(), SIGTERM);
    EXPECT_EQ(client->WaitForExit(), 0);
    EXPECT_EQ(ReadText(Work("TarnwelClient.ini")), before);
}

TEST_F(ClientProcessTest, SigtermDuringARunLetsTheRunSaveItsPairs)
{
    // The session ends while the run writes the server's appointments into
    // the store: the pairs made so far are in the journal, and the run's
    // save puts them into the mapping file. The journal holds them from the
    // first batch's commit until the run's end, so there must be enough
    // batches for that to last longer than a busy machine keeps this test
    // from looking.
    constexpr int kCount = 12000;
    const std::string seed = m_dir.Path("seed.json");
    {
        std::ofstream out(seed);
        out << "{\"appointments\": [";
        for (int i = 0; i < kCount; ++i)
            out << (i ? ",\n" : "") << "{\"description\": \"Termin " << i
                << "\", \"start\": \"2026-03-01 09:30:00\", \"end\": \"2026-03-01 10:30:00\"}";
        out << "]}";
    }
    test::CReferenceServer server({"--seed", seed});
    WriteSettings(server.Url());
    m_commands = "32774";
    auto client = StartListening();
    const auto journalLines = [&] {
        const std::string journal = ReadText(Work("maps_appo.ids.journal"));
        return std::count(journal.begin(), journal.end(), '\n');
    };
    ASSERT_TRUE(WaitUntil([&] { return journalLines() >= 10; }, 30s));
    ::kill(client->Pid(), SIGTERM);
    EXPECT_EQ(client->WaitForExit(20s), 0);
    const std::string pairs = ReadText(Work("maps_appo.ids"));
    EXPECT_GE(std::count(pairs.begin(), pairs.end(), '\n'), 10);
    EXPECT_FALSE(std::filesystem::exists(Work("maps_appo.ids.journal")));
    EXPECT_TRUE(BoxLog().empty()) << BoxLog();
}

TEST_F(ClientProcessTest, SettingsAreReadAgainAfterTheWizard)
{
    WriteSettings("http://127.0.0.1:9/tarnwelreplication");
    {
        // A stand-in wizard that changes the server address in the file.
        std::ofstream wizard(Work("TarnwelWizard"));
        wizard << "#!/bin/sh\nsed -i 's|^URL = .*|URL = http://127.0.0.1:7/from-wizard\\r|' TarnwelClient.ini\n";
    }
    ASSERT_EQ(::chmod(Work("TarnwelWizard").c_str(), 0755), 0);
    m_commands = "32788";
    auto client = StartListening();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(RunToEnd({"/stop"}), 0);
    EXPECT_EQ(client->WaitForExit(), 0);
    const std::string saved = ReadText(Work("TarnwelClient.ini"));
    EXPECT_NE(saved.find("URL = http://127.0.0.1:7/from-wizard\r\n"), std::string::npos) << saved;
}

TEST_F(ClientProcessTest, StopWhileTheWizardRunsEndsTheClientWhenTheWizardEndsWithItsSettingsSaved)
{
    WriteSettings("http://127.0.0.1:9/tarnwelreplication");
    {
        // A stand-in wizard that says it runs, waits until the test lets it
        // end, and changes the server address in the file as it ends.
        std::ofstream wizard(Work("TarnwelWizard"));
        wizard << "#!/bin/sh\ntouch wizard.started\nwhile [ ! -e wizard.release ]; do sleep 0.05; done\n"
                  "sed -i 's|^URL = .*|URL = http://127.0.0.1:7/from-wizard\\r|' TarnwelClient.ini\n";
    }
    ASSERT_EQ(::chmod(Work("TarnwelWizard").c_str(), 0755), 0);
    m_commands = "32788";
    auto client = StartListening();
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(Work("wizard.started")); }));

    EXPECT_EQ(RunToEnd({"/stop"}), 0);
    EXPECT_EQ(RunToEnd({}), 0);  // a second start waits as well
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(client->Running()) << "the client ended while the wizard ran";

    std::ofstream(Work("wizard.release")).close();
    EXPECT_EQ(client->WaitForExit(), 0);
    // Saved after the wizard's file was read: its address, and the last-run time.
    const std::string saved = ReadText(Work("TarnwelClient.ini"));
    EXPECT_NE(saved.find("URL = http://127.0.0.1:7/from-wizard\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Contacts reference= "), std::string::npos) << saved;
    EXPECT_TRUE(BoxLog().empty()) << BoxLog();
}

} // namespace
} // namespace tarnwel
