// tarnwel-replicate when something goes wrong: wrong answers, a server that
// never answers, a file-size limit, Ctrl-C and SIGTERM, a wrong password and a
// server that is down. Each case runs the fault, then a clean run, and
// compares both sides with a copy of the same world that saw no fault.

#include "platform/base/ByteFile.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tarnwel {
namespace {

using testing::AllOf;
using testing::HasSubstr;
using testing::Not;

constexpr int kKindFailed = 3;
constexpr int kStoppedBySignal = 4;

struct CToolRun {
    int status = -1;  // the wait status
    std::string output;
    std::string errors;

    bool Exited() const { return WIFEXITED(status); }
    int ExitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
    std::string Describe() const
    {
        std::string how = WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                                              : "exit " + std::to_string(ExitCode());
        return how + "\n--- output\n" + output + "--- errors\n" + errors;
    }
};

// How a run is disturbed: signals sent once the output shows `trigger`, a
// file-size limit.
struct CDisturbance {
    std::string trigger;
    std::vector<int> signals;
    std::optional<rlim_t> fileSizeLimit;
    // Standard input a pipe that is never written, so a question on the
    // terminal waits for its answer; else /dev/null.
    bool inputKeptOpen = false;
};

// One user's world: the reference server's store, the local store, the
// settings and mapping files, in one directory.
class CToolWorld {
public:
    std::string Path(const std::string& name) const { return m_dir.Path(name); }

    void StartServer(std::vector<std::string> switches = {})
    {
        m_server.reset();
        switches.insert(switches.begin(), {"--store", Path("server.db")});
        m_server = std::make_unique<test::CReferenceServer>(switches);
    }
    void StopServer() { m_server.reset(); }
    std::string Url() const { return m_server->Url(); }

    void Seed(const std::string& json)
    {
        WriteFile("seed.json", json);
        test::CReferenceServer::RunCommand({"seed", "--store", Path("server.db"), Path("seed.json")});
    }
    void AddLocalAppointment(const std::string& subject, int day)
    {
        const std::string date = "2026-03-" + std::string(day < 10 ? "0" : "") + std::to_string(day);
        Pimstore({"add", "appointment", "Subject=" + subject, "Start=" + date + " 08:30:00",
                  "End=" + date + " 09:00:00"});
    }
    // Changes the subject of the local item whose subject is `subject`.
    void EditLocal(const std::string& subject, const std::string& newSubject)
    {
        std::istringstream lines(Pimstore({"list"}));
        for (std::string line; std::getline(lines, line);)
            if (line.size() > subject.size() && line.compare(line.size() - subject.size(), subject.size(), subject) == 0 &&
                line[line.size() - subject.size() - 1] == '\t') {
                Pimstore({"set", line.substr(0, line.find('\t')), "Subject=" + newSubject});
                return;
            }
        ADD_FAILURE() << "no local item " << subject;
    }

    void WriteSettings(const std::string& url, const std::string& password = "vezi",
                       const std::string& more = "")
    {
        WriteFile("TarnwelClient.ini", "URL = " + url + "\r\nusername = user\r\npassword = " + password +
                                           "\r\nCategory checkboxes = 1 0 0\r\n" + more);
    }

    // Runs tarnwel-replicate here with the settings file as it stands.
    CToolRun Replicate(const CDisturbance& disturbance = {}) const
    {
        const std::string directory = m_dir.Path().string();
        const std::string output = Path("out.txt");
        const std::string errors = Path("err.txt");
        test::CChildEnvironment environment("TARNWEL_PIMSTORE", Path("store.db"));

        int pipeEnds[2] = {-1, -1};
        if (disturbance.inputKeptOpen && ::pipe(pipeEnds) != 0)
            return {};
        const pid_t child = ::fork();
        if (child == 0) {
            const int input = disturbance.inputKeptOpen ? pipeEnds[0] : ::open("/dev/null", O_RDONLY);
            if (disturbance.inputKeptOpen)
                ::close(pipeEnds[1]);
            const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (input < 0 || out < 0 || err < 0 || ::dup2(input, 0) < 0 || ::dup2(out, 1) < 0 ||
                ::dup2(err, 2) < 0 || ::chdir(directory.c_str()) != 0)
                ::_exit(127);
            // The signals at their defaults, as a shell leaves them.
            struct sigaction defaultAction {};
            defaultAction.sa_handler = SIG_DFL;
            for (const int signal : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM})
                ::sigaction(signal, &defaultAction, nullptr);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            if (disturbance.fileSizeLimit) {
                rlimit limit{};
                ::getrlimit(RLIMIT_FSIZE, &limit);
                limit.rlim_cur = *disturbance.fileSizeLimit;
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            ::execle(REPLICATE_TOOL, REPLICATE_TOOL, static_cast<char*>(nullptr), environment.Pointers());
            ::_exit(127);
        }
        if (disturbance.inputKeptOpen)
            ::close(pipeEnds[0]);
        CToolRun run;
        if (child < 0) {
            if (disturbance.inputKeptOpen)
                ::close(pipeEnds[1]);
            return run;
        }
        if (!disturbance.signals.empty()) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            std::string seen;
            while (seen.find(disturbance.trigger) == std::string::npos &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ReadFileBytes(output, seen);
            }
            for (const int signal : disturbance.signals) {
                ::kill(child, signal);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        }
        ::waitpid(child, &run.status, 0);
        if (disturbance.inputKeptOpen)
            ::close(pipeEnds[1]);
        ReadFileBytes(output, run.output);
        ReadFileBytes(errors, run.errors);
        return run;
    }

    // Both sides without what differs from world to world: entry ids, server
    // ids and change times; sorted, one line per item or field.
    std::string LocalContent() const
    {
        std::vector<std::string> items;
        std::istringstream lines(Pimstore({"list"}));
        for (std::string line; std::getline(lines, line);) {
            std::vector<std::string> fields;
            std::istringstream columns(line);
            for (std::string field; std::getline(columns, field, '\t');)
                fields.push_back(field);
            if (fields.size() == 5)
                items.push_back(fields[1] + "\t" + fields[2] + "\t" + fields[4]);
        }
        std::sort(items.begin(), items.end());
        std::string content;
        for (const std::string& item : items)
            content += item + "\n";
        return content;
    }
    std::string ServerContent() const
    {
        std::vector<std::string> fields;
        std::istringstream lines(test::CReferenceServer::RunCommand({"dump", "--store", Path("server.db")}));
        for (std::string line; std::getline(lines, line);)
            if (line.find("\"id\":") == std::string::npos && line.find("\"last_updated\":") == std::string::npos)
                fields.push_back(line);
        std::sort(fields.begin(), fields.end());
        std::string content;
        for (const std::string& field : fields)
            content += field + "\n";
        return content;
    }
    int LocalCount() const
    {
        const std::string content = LocalContent();
        return static_cast<int>(std::count(content.begin(), content.end(), '\n'));
    }
    int ServerCount() const
    {
        const std::string content = ServerContent();
        int count = 0;
        for (std::size_t at = content.find("\"description\":"); at != std::string::npos;
             at = content.find("\"description\":", at + 1))
            ++count;
        return count;
    }

    // A copy of this world, to run without the fault (the server stopped).
    void CopyTo(CToolWorld& other) const
    {
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
            std::filesystem::copy(entry.path(), other.m_dir.Path() / entry.path().filename(),
                                  std::filesystem::copy_options::overwrite_existing);
    }

    void WriteFile(const std::string& name, const std::string& text) const
    {
        std::ofstream out(Path(name), std::ios::binary);
        out << text;
    }

private:
    std::string Pimstore(const std::vector<std::string>& arguments) const
    {
        std::string command = "TARNWEL_PIMSTORE=" + test::ShellQuote(Path("store.db")) + " " + PIMSTORE_TOOL;
        for (const std::string& argument : arguments)
            command += " " + test::ShellQuote(argument);
        return test::RunShellCommand(command + " </dev/null").output;
    }

    test::CTemporaryDirectory m_dir;
    std::unique_ptr<test::CReferenceServer> m_server;
};

constexpr const char* kSeed = R"({"appointments": [
    {"description": "Teambesprechung", "start": "2026-03-02 09:00:00", "end": "2026-03-02 10:00:00"},
    {"description": "Messe", "start": "2026-03-05 09:00:00", "end": "2026-03-05 17:00:00"}]})";

// A world replicated once: two server appointments and two local ones on
// both sides; then the local edit that the next run has to send.
void Prepare(CToolWorld& world, const std::string& settings = "")
{
    world.Seed(kSeed);
    world.AddLocalAppointment("Zahnarzt", 3);
    world.AddLocalAppointment("Friseur", 4);
    world.StartServer();
    world.WriteSettings(world.Url(), "vezi", settings);
    const CToolRun first = world.Replicate();
    ASSERT_EQ(first.ExitCode(), 0) << first.Describe();
    ASSERT_EQ(world.LocalCount(), 4);
    world.EditLocal("Zahnarzt", "Zahnarzt verschoben");
    world.StopServer();
}

// `reference`, the copy of `world` made before its fault, runs once without
// the fault; `world` has its clean run; then both sides of both are alike,
// and a further run changes nothing.
void ExpectCleanRunAsWithoutFault(CToolWorld& world, CToolWorld& reference, const std::string& settings = "")
{
    reference.StartServer();
    reference.WriteSettings(reference.Url(), "vezi", settings);
    const CToolRun withoutFault = reference.Replicate();
    ASSERT_EQ(withoutFault.ExitCode(), 0) << withoutFault.Describe();

    world.StartServer();
    world.WriteSettings(world.Url(), "vezi", settings);
    const CToolRun clean = world.Replicate();
    ASSERT_EQ(clean.ExitCode(), 0) << clean.Describe();
    EXPECT_EQ(world.LocalContent(), reference.LocalContent());
    EXPECT_EQ(world.ServerContent(), reference.ServerContent());

    const std::string local = world.LocalContent();
    const std::string server = world.ServerContent();
    const CToolRun again = world.Replicate();
    EXPECT_EQ(again.ExitCode(), 0) << again.Describe();
    EXPECT_EQ(world.LocalContent(), local);
    EXPECT_EQ(world.ServerContent(), server);
    world.StopServer();
    reference.StopServer();
}

// Overwrite rule 1 makes the local version win over the server's, so a
// reply read as "no items" would have deleted the local items and lost the
// edit on both sides.
TEST(ReplicateFaults, AGetItemsAnswerThatIsNoReplyChangesNothingAndFailsTheRun)
{
    const std::string settings = "Appo Ovr Action = 1\r\n";
    for (const char* kind : {"page", "empty", "other"}) {
        SCOPED_TRACE(kind);
        CToolWorld world;
        Prepare(world, settings);
        CToolWorld reference;
        world.CopyTo(reference);
        const std::string localBefore = world.LocalContent();
        const std::string serverBefore = world.ServerContent();

        world.StartServer({"--misreply", std::string("getItems=") + kind});
        world.WriteSettings(world.Url(), "vezi", settings);
        const CToolRun faulty = world.Replicate();
        EXPECT_EQ(faulty.ExitCode(), kKindFailed) << faulty.Describe();
        EXPECT_THAT(faulty.output + faulty.errors,
                    AllOf(HasSubstr("Unerwarteter Server-Fehler!"), HasSubstr("Replikation abgeschlossen")));
        EXPECT_EQ(world.LocalContent(), localBefore);
        EXPECT_EQ(world.ServerContent(), serverBefore);
        world.StopServer();

        ExpectCleanRunAsWithoutFault(world, reference, settings);
        EXPECT_THAT(world.ServerContent(), HasSubstr("Zahnarzt verschoben"));
    }
}

// A world before its first run: one server appointment and `localCount` new
// local ones, which the run adds to the server in one addItems call.
void PrepareNewItems(CToolWorld& world, int localCount)
{
    world.Seed(R"({"appointments": [{"description": "Teambesprechung", "start": "2026-03-02 09:00:00",
                                      "end": "2026-03-02 10:00:00"}]})");
    for (int i = 1; i <= localCount; ++i)
        world.AddLocalAppointment("Termin " + std::to_string(i), 1 + i % 28);
}

// The signal ends the addItems under way; whether the server made the items
// or not, the next run leaves each item once on each side.
TEST(ReplicateFaults, SigintOrSigtermDuringAnAddItemsEndsItSavesThePairsAndEnds)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        CToolWorld world;
        PrepareNewItems(world, 20);
        CToolWorld reference;
        world.CopyTo(reference);

        world.StartServer({"--delay", "addItems=2"});
        world.WriteSettings(world.Url());
        const CToolRun stopped = world.Replicate({"Termine auf dem Server einf", {signal}, std::nullopt});
        ASSERT_TRUE(stopped.Exited()) << stopped.Describe();
        EXPECT_EQ(stopped.ExitCode(), kStoppedBySignal) << stopped.Describe();
        EXPECT_THAT(stopped.errors, HasSubstr(signal == SIGINT ? "SIGINT received" : "SIGTERM received"));
        EXPECT_THAT(stopped.output, Not(HasSubstr("Message box")));
        world.StopServer();

        ExpectCleanRunAsWithoutFault(world, reference);
        EXPECT_EQ(world.LocalCount(), 21);
        EXPECT_EQ(world.ServerCount(), 21);
    }
}

// The first signal asks the run to stop, but the run waits for the answer to
// a question on the terminal; the second ends the program at once.
TEST(ReplicateFaults, ASecondSignalEndsTheProgramAtOnce)
{
    CToolWorld world;
    PrepareNewItems(world, 2);
    world.StartServer();
    world.WriteSettings(world.Url(), "vezi", "Appo New Action = 2\r\n");
    const auto start = std::chrono::steady_clock::now();
    CDisturbance disturbance{"action (", {SIGINT, SIGINT}, std::nullopt};
    disturbance.inputKeptOpen = true;
    const CToolRun killed = world.Replicate(disturbance);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ASSERT_TRUE(WIFSIGNALED(killed.status)) << killed.Describe();
    EXPECT_EQ(WTERMSIG(killed.status), SIGINT);
}

// The server takes the connection and never answers: a stop ends the call
// under way, which is no failure of the server (no message box), and the
// program ends.
TEST(ReplicateFaults, AStopEndsACallThatTheServerNeverAnswers)
{
    CToolWorld world;
    Prepare(world);
    CToolWorld reference;
    world.CopyTo(reference);

    const test::CSilentServer silent;
    world.WriteSettings(silent.Url());
    const auto start = std::chrono::steady_clock::now();
    const CToolRun stopped = world.Replicate({"Verbinde zu Server", {SIGTERM}, std::nullopt});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(stopped.ExitCode(), kStoppedBySignal) << stopped.Describe();
    EXPECT_THAT(stopped.output, AllOf(HasSubstr("Replikation abgeschlossen"), Not(HasSubstr("Message box"))));

    ExpectCleanRunAsWithoutFault(world, reference);
}

TEST(ReplicateFaults, AWrongPasswordOrAServerThatIsDownEndsWithAStatusOfItsOwn)
{
    for (const bool serverDown : {false, true}) {
        SCOPED_TRACE(serverDown ? "server down" : "wrong password");
        CToolWorld world;
        Prepare(world);
        CToolWorld reference;
        world.CopyTo(reference);
        const std::string localBefore = world.LocalContent();

        const test::CClosedPort closed;
        if (serverDown) {
            world.WriteSettings("http://127.0.0.1:" + std::to_string(closed.Port()) + "/tarnwelreplication");
        } else {
            world.StartServer();
            world.WriteSettings(world.Url(), "falsch");
        }
        const CToolRun failed = world.Replicate();
        EXPECT_EQ(failed.ExitCode(), kKindFailed) << failed.Describe();
        EXPECT_THAT(failed.output + failed.errors,
                    AllOf(HasSubstr(serverDown ? "Unerwarteter Server-Fehler!" : "Server-Fehler!"),
                          HasSubstr("Replikation abgeschlossen")));
        EXPECT_EQ(world.LocalContent(), localBefore);
        world.StopServer();

        ExpectCleanRunAsWithoutFault(world, reference);
    }
}

// A file-size limit makes writes fail part way through a first run of
// hundreds of items; the run must report them and end, not die unsaved.
TEST(ReplicateFaults, AFileSizeLimitFailsWritesInsteadOfKillingTheRun)
{
    CToolWorld world;
    std::string seed = R"({"appointments": [)";
    for (int i = 1; i <= 300; ++i)
        seed += std::string(i > 1 ? "," : "") + R"({"description": "Server )" + std::to_string(i) +
                R"(", "start": "2026-04-01 09:00:00", "end": "2026-04-01 10:00:00"})";
    world.Seed(seed + "]}");
    CToolWorld reference;
    world.CopyTo(reference);

    world.StartServer();
    world.WriteSettings(world.Url());
    const CToolRun limited = world.Replicate({"", {}, rlim_t{96 * 1024}});
    ASSERT_TRUE(limited.Exited()) << limited.Describe();
    // Each item whose writing failed is reported, and the run goes on to its
    // end (its output file is limited as well and lacks the last lines).
    EXPECT_EQ(limited.ExitCode(), 0) << limited.Describe();
    EXPECT_THAT(limited.output, HasSubstr("An error occured while writing appointment"));
    world.StopServer();

    ExpectCleanRunAsWithoutFault(world, reference);
    EXPECT_EQ(world.LocalCount(), 300);
    EXPECT_EQ(world.ServerCount(), 300);
}

}  // namespace
}  // namespace tarnwel
