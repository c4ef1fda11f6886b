// tarnwel-replicate as a user runs it: the built program against the
// reference server and a local store in a temporary directory.

#include "platform/base/ByteFile.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnwel {
namespace {

using testing::AllOf;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::MatchesRegex;
using testing::Not;

struct CProgramResult {
    int exitCode = -1;
    std::string output;  // standard output
    std::string errors;  // standard error
};

using test::ShellQuote;

class ReplicateToolTest : public testing::Test {
protected:
    // Runs `program` in the test's directory on its local store.
    CProgramResult Run(const std::string& program, const std::vector<std::string>& arguments)
    {
        std::string command = "cd " + ShellQuote(m_dir.Path().string()) + " && TARNWEL_PIMSTORE=" +
                              ShellQuote(m_storePath) + " " + ShellQuote(program);
        for (const std::string& argument : arguments)
            command += " " + ShellQuote(argument);
        command += " 2>" + ShellQuote(m_dir.Path("errors.txt")) + " </dev/null";
        const test::CShellResult shell = test::RunShellCommand(command);
        CProgramResult result{shell.exitCode, shell.output, {}};
        ReadFileBytes(m_dir.Path("errors.txt"), result.errors);
        return result;
    }
    CProgramResult Replicate(const std::vector<std::string>& arguments) { return Run(REPLICATE_TOOL, arguments); }

    // Runs the replication tool in the test's directory with its standard
    // output a pipe that nobody reads any more (its read end is closed before
    // the start), and SIGPIPE at its default, which ends a process; the wait
    // status.
    int ReplicateIntoAClosedPipe()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return -1;
        ::close(fds[0]);
        const std::string directory = m_dir.Path().string();
        const std::string errors = m_dir.Path("errors.txt");
        // Everything the child needs is made before the fork.
        test::CChildEnvironment environment("TARNWEL_PIMSTORE", m_dir.Path("store.db"));
        const pid_t child = ::fork();
        if (child == 0) {
            const int input = ::open("/dev/null", O_RDONLY);
            const int errorOutput = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (input < 0 || errorOutput < 0 || ::dup2(input, 0) < 0 || ::dup2(fds[1], 1) < 0 ||
                ::dup2(errorOutput, 2) < 0 || ::chdir(directory.c_str()) != 0)
                ::_exit(127);
            struct sigaction defaultAction {};
            defaultAction.sa_handler = SIG_DFL;
            ::sigaction(SIGPIPE, &defaultAction, nullptr);
            ::execle(REPLICATE_TOOL, REPLICATE_TOOL, static_cast<char*>(nullptr), environment.Pointers());
            ::_exit(127);
        }
        ::close(fds[1]);
        int status = -1;
        if (child < 0 || ::waitpid(child, &status, 0) != child)
            return -1;
        return status;
    }
    std::string Store(const std::vector<std::string>& arguments) { return Run(PIMSTORE_TOOL, arguments).output; }
    // The store's list without the modification times: a run writes the
    // server's participants into their local appointment again on every run.
    std::string StoreContent()
    {
        std::string content;
        std::istringstream lines(Store({"list"}));
        for (std::string line; std::getline(lines, line);) {
            // entry id, kind, message class, modification time, subject
            std::vector<std::string> fields;
            std::istringstream columns(line);
            for (std::string field; std::getline(columns, field, '\t');)
                fields.push_back(field);
            if (fields.size() == 5)
                fields.erase(fields.begin() + 3);
            for (const std::string& field : fields)
                content += field + "\t";
            content += "\n";
        }
        return content;
    }

    void WriteFile(const std::string& name, const std::string& text)
    {
        std::ofstream out(m_dir.Path(name), std::ios::binary);
        out << text;
    }

    test::CTemporaryDirectory m_dir;
    std::string m_storePath = m_dir.Path("store.db");  // TARNWEL_PIMSTORE of Run
};

TEST_F(ReplicateToolTest, ReplicatesBothWaysAnsweringFromAFileAndASecondRunChangesNothing)
{
    WriteFile("seed.json", R"({"appointments": [{"description": "Teambesprechung", "start": "2026-03-02 09:00:00",
                                  "end": "2026-03-02 10:00:00", "participants": ["anna", "user"]}],
                 "tasks": [{"title": "Messestand", "subtasks": [{"title": "Prospekte", "status": "50%"}]}]})");
    test::CReferenceServer server({"--seed", m_dir.Path("seed.json"), "--store", m_dir.Path("server.db")});
    ASSERT_THAT(Store({"add", "appointment", "Subject=Zahnarzt", "Start=2026-03-03 08:30:00",
                       "End=2026-03-03 09:00:00"}),
                Not(IsEmpty()));
    ASSERT_THAT(Store({"add", "task", "Subject=Steuererklärung"}), Not(IsEmpty()));
    // Contacts are not replicated; new local tasks are asked about.
    WriteFile("TarnwelClient.ini", "URL = " + server.Url() +
                                       "\r\nusername = user\r\npassword = vezi\r\nCategory checkboxes = 1 0 1\r\n"
                                       "Task New Action = 2\r\n");
    WriteFile("answers.txt", "# create the new task on the server\ndialog 145 click 1011 ok\n");

    const CProgramResult first = Replicate({"--answers", "answers.txt"});
    ASSERT_EQ(first.exitCode, 0) << first.output << first.errors;
    EXPECT_THAT(first.errors, IsEmpty());
    EXPECT_THAT(first.output, AllOf(HasSubstr("* Verbinde zu Server\n"), HasSubstr("Termine: Termine werden repliziert.\n"),
                                    HasSubstr("Kontakte: Kontakte sind nicht repliziert worden\n"),
                                    HasSubstr("Termine:  1 Termine werden vom Server repliziert.\n"),
                                    HasSubstr("Dialog 145 \"Information\":\n"), HasSubstr("Steuererklärung"),
                                    HasSubstr("chosen: 1011 "), HasSubstr("* Nicht verbunden\n"),
                                    HasSubstr("= Replikation abgeschlossen um ")));
    // Both sides hold everything.
    const std::string local = StoreContent();
    for (const char* subject : {"Teambesprechung", "Zahnarzt", "Messestand", "Steuererklärung"})
        EXPECT_THAT(local, HasSubstr(subject));
    const std::string remote = test::CReferenceServer::RunCommand({"dump", "--store", m_dir.Path("server.db")});
    EXPECT_THAT(remote, AllOf(HasSubstr("Zahnarzt"), HasSubstr("Steuererklärung")));
    std::string settings;
    ReadFileBytes(m_dir.Path("TarnwelClient.ini"), settings);
    EXPECT_THAT(settings, AllOf(HasSubstr("URL = " + server.Url() + "\r\n"), HasSubstr("Contacts reference= ")));

    const CProgramResult second = Replicate({"--answers", "answers.txt"});
    ASSERT_EQ(second.exitCode, 0) << second.output << second.errors;
    EXPECT_THAT(second.output, AllOf(Not(HasSubstr("Dialog ")), Not(HasSubstr("Message box"))));
    EXPECT_THAT(second.errors, IsEmpty());
    EXPECT_EQ(StoreContent(), local);
    EXPECT_EQ(test::CReferenceServer::RunCommand({"dump", "--store", m_dir.Path("server.db")}), remote);
}

TEST_F(ReplicateToolTest, AReaderThatWentAwayDoesNotKeepTheRunFromSavingItsMapping)
{
    test::CReferenceServer server;
    std::string entryId = Store({"add", "appointment", "Subject=Zahnarzt", "Start=2026-03-03 08:30:00",
                                 "End=2026-03-03 09:00:00"});
    ASSERT_FALSE(entryId.empty());
    entryId.pop_back();  // the line end
    WriteFile("TarnwelClient.ini", "URL = " + server.Url() +
                                       "\r\nusername = user\r\npassword = vezi\r\nCategory checkboxes = 1 0 0\r\n");

    const int status = ReplicateIntoAClosedPipe();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string mapping;
    ReadFileBytes(m_dir.Path("maps_appo.ids"), mapping);
    EXPECT_THAT(mapping, MatchesRegex(entryId + " [^ ]+\r\n"));
}

// A run on another local store than the one its pairs were made with (the
// variable pointing elsewhere, a store file that is not there) changes
// nothing on either side; back on its store, every item stands once on each
// side, also where a missing partner would be taken for a deletion.
class ReplicateOnAnotherStoreTest : public ReplicateToolTest, public testing::WithParamInterface<const char*> {};

TEST_P(ReplicateOnAnotherStoreTest, ChangesNothingAndTheRightStoreGoesOnAsBefore)
{
    const char* deleteRule = GetParam();  // "OLDeleted Action"
    {
        WriteFile("seed.json", R"({"appointments": [
            {"description": "Teambesprechung", "start": "2026-03-02 09:00:00", "end": "2026-03-02 10:00:00"},
            {"description": "Planung", "start": "2026-03-04 09:00:00", "end": "2026-03-04 10:00:00"}]})");
        test::CReferenceServer server({"--seed", m_dir.Path("seed.json"), "--store", m_dir.Path("server.db")});
        ASSERT_THAT(Store({"add", "appointment", "Subject=Zahnarzt", "Start=2026-03-03 08:30:00",
                           "End=2026-03-03 09:00:00"}),
                    Not(IsEmpty()));
        WriteFile("TarnwelClient.ini", "URL = " + server.Url() +
                                           "\r\nusername = user\r\npassword = vezi\r\nCategory checkboxes = 1 0 1\r\n"
                                           "OLDeleted Action = " + deleteRule + "\r\n");
        const CProgramResult first = Replicate({});
        ASSERT_EQ(first.exitCode, 0) << first.output << first.errors;
        const std::string local = StoreContent();
        const std::string remote = test::CReferenceServer::RunCommand({"dump", "--store", m_dir.Path("server.db")});
        std::string mapping, recorded;
        ReadFileBytes(m_dir.Path("maps_appo.ids"), mapping);
        ASSERT_EQ(ReadFileBytes(m_dir.Path("maps_appo.ids.store"), recorded), FileReadResult::ok);
        ASSERT_THAT(recorded, MatchesRegex("[0-9a-f]{32}\r\n"));
        recorded.resize(32);

        // A store in a place that does not exist, and a second store with an
        // item of its own.
        m_storePath = m_dir.Path("second.db");
        ASSERT_THAT(Store({"add", "appointment", "Subject=Fremd", "Start=2026-03-05 08:30:00",
                           "End=2026-03-05 09:00:00"}),
                    Not(IsEmpty()));
        const std::string secondContent = StoreContent();
        // The tasks have no pairs, but the store file is the one of every kind.
        for (const std::string& path : {m_dir.Path("gone.db"), m_dir.Path("second.db")}) {
            SCOPED_TRACE(path);
            m_storePath = path;
            const CProgramResult other = Replicate({});
            EXPECT_EQ(other.exitCode, 3) << other.output << other.errors;
            EXPECT_THAT(other.output, AllOf(HasSubstr("gehört zur lokalen Ablage " + recorded),
                                            HasSubstr("Outlook löschen"), HasSubstr("maps_appo.ids.store")));
            EXPECT_EQ(test::CReferenceServer::RunCommand({"dump", "--store", m_dir.Path("server.db")}), remote);
            std::string mappingAfter, recordedAfter;
            ReadFileBytes(m_dir.Path("maps_appo.ids"), mappingAfter);
            ReadFileBytes(m_dir.Path("maps_appo.ids.store"), recordedAfter);
            EXPECT_EQ(mappingAfter, mapping);
            EXPECT_EQ(recordedAfter, recorded + "\r\n");
        }
        EXPECT_FALSE(std::filesystem::exists(m_dir.Path("gone.db")));
        EXPECT_EQ(StoreContent(), secondContent);  // second.db

        m_storePath = m_dir.Path("store.db");
        const CProgramResult back = Replicate({});
        EXPECT_EQ(back.exitCode, 0) << back.output << back.errors;
        EXPECT_EQ(StoreContent(), local);
        EXPECT_EQ(test::CReferenceServer::RunCommand({"dump", "--store", m_dir.Path("server.db")}), remote);
        for (const std::string& text : {local, remote})
            for (const char* subject : {"Teambesprechung", "Planung", "Zahnarzt"}) {
                const std::size_t first = text.find(subject);
                EXPECT_NE(first, std::string::npos) << subject;
                EXPECT_EQ(text.find(subject, first + 1), std::string::npos) << subject << " twice";
            }
    }
}

INSTANTIATE_TEST_SUITE_P(DeleteRules, ReplicateOnAnotherStoreTest, testing::Values("0", "1"));

// Pairs that a damaged mapping file loses are told once, among the lines of
// the run, without a question.
TEST_F(ReplicateToolTest, TellsOnceOfTheLinesOfADamagedMappingFile)
{
    test::CReferenceServer server;
    ASSERT_THAT(Store({"add", "appointment", "Subject=Zahnarzt", "Start=2026-03-03 08:30:00",
                       "End=2026-03-03 09:00:00"}),
                Not(IsEmpty()));
    WriteFile("TarnwelClient.ini", "URL = " + server.Url() +
                                       "\r\nusername = user\r\npassword = vezi\r\nCategory checkboxes = 1 0 0\r\n");
    ASSERT_EQ(Replicate({}).exitCode, 0);
    std::string mapping;
    ReadFileBytes(m_dir.Path("maps_appo.ids"), mapping);
    WriteFile("maps_appo.ids", mapping + "abgeschnitten\r\n");

    const CProgramResult damaged = Replicate({});
    EXPECT_EQ(damaged.exitCode, 0) << damaged.output << damaged.errors;
    const std::string notice = "Termine: Zuordnungsdatei maps_appo.ids: 1 beschädigte Zeile übergangen.";
    const std::size_t at = damaged.output.find(notice);
    EXPECT_NE(at, std::string::npos) << damaged.output;
    EXPECT_EQ(damaged.output.find(notice, at + 1), std::string::npos) << damaged.output;
    EXPECT_THAT(damaged.output, Not(HasSubstr("Message box")));
    EXPECT_THAT(Replicate({}).output, Not(HasSubstr("Zuordnungsdatei")));
}

// A settings file that exists but cannot be read (here a directory in its
// place): nothing is replicated, nothing is written, and a script can tell.
TEST_F(ReplicateToolTest, AnUnreadableSettingsFileEndsWithoutARunAndAStatusOfItsOwn)
{
    std::filesystem::create_directory(m_dir.Path("TarnwelClient.ini"));
    const CProgramResult result = Replicate({});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.output, HasSubstr("Replikation nicht gestartet"));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir.Path("TarnwelClient.ini")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path("maps_appo.ids")));
}

// A settings file as an editor saves it (a byte order mark, CR line ends) is
// read right, and the temporary file of a save that a kill cut off, which
// holds the password, is gone after the next run. Every file the run makes is
// the user's alone, even with a umask of 0.
TEST_F(ReplicateToolTest, ASettingsFileWithAByteOrderMarkReplicatesAndAStraySaveIsRemoved)
{
    test::CReferenceServer server;
    ASSERT_THAT(Store({"add", "appointment", "Subject=Zahnarzt", "Start=2026-03-03 08:30:00",
                       "End=2026-03-03 09:00:00"}),
                Not(IsEmpty()));
    WriteFile("TarnwelClient.ini", "\xEF\xBB\xBFURL = " + server.Url() +
                                       "\rusername = user\rpassword = vezi\rCategory checkboxes = 1 0 0\r");
    WriteFile("TarnwelClient.ini.0123456789ab.tmp", "URL = " + server.Url() + "\r\npassword = vezi\r\n");

    const mode_t previous = ::umask(0);
    const CProgramResult result = Replicate({});
    ::umask(previous);
    ASSERT_EQ(result.exitCode, 0) << result.output << result.errors;
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path("TarnwelClient.ini.0123456789ab.tmp")));
    std::string settings;
    ReadFileBytes(m_dir.Path("TarnwelClient.ini"), settings);
    EXPECT_TRUE(settings.starts_with("URL = " + server.Url() + "\r\nusername = user\r\npassword = vezi\r\n"));
    std::string mapping;
    ReadFileBytes(m_dir.Path("maps_appo.ids"), mapping);
    EXPECT_THAT(mapping, Not(IsEmpty()));
    for (const char* name : {"TarnwelClient.ini", "maps_appo.ids", "store.db"}) {
        struct stat info {};
        ASSERT_EQ(::stat(m_dir.Path(name).c_str(), &info), 0) << name;
        EXPECT_EQ(info.st_mode & 07777, 0600u) << name;
    }
}

// A line for the server that cannot be read as written: nothing is sent to
// the default server in its place, and the user's line stays.
TEST_F(ReplicateToolTest, ALineForTheServerThatCannotBeReadStopsTheRunAndStays)
{
    test::CReferenceServer server;
    const std::string settings = "url = " + server.Url() + "\r\nusername = user\r\npassword = vezi\r\n";
    WriteFile("TarnwelClient.ini", settings);
    const CProgramResult result = Replicate({});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.output, AllOf(HasSubstr("kann die Zeile für \"URL\" nicht gelesen werden"),
                                     HasSubstr("Replikation nicht gestartet")));
    std::string after;
    ReadFileBytes(m_dir.Path("TarnwelClient.ini"), after);
    EXPECT_EQ(after, settings);
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path("maps_appo.ids")));
}

TEST_F(ReplicateToolTest, RefusesBadArgumentsAndAnswersFilesBeforeItRuns)
{
    WriteFile("bad-answers.txt", "box yes\nbox perhaps\n");
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--frobnicate"}, "unknown argument --frobnicate"},
        {{"--answers"}, "--answers needs a value"},
        {{"--server", ""}, "--server needs a value"},
        {{"--answers", "missing.txt"}, "cannot open missing.txt"},
        {{"--answers", "bad-answers.txt"}, "bad-answers.txt:2: a box line is"},
    };
    for (const auto& c : cases) {
        const CProgramResult result = Replicate(c.arguments);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_THAT(result.errors, HasSubstr(c.message));
    }
    EXPECT_EQ(m_dir.EntryCount(), 2) << "no settings file, no store, no mapping file";  // bad-answers.txt, errors.txt

    const CProgramResult help = Replicate({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.output, AllOf(HasSubstr("Usage: tarnwel-replicate"), HasSubstr("box yes|no|ok|cancel"),
                                   HasSubstr("select ID INDEX"), HasSubstr("  3  the run has ended, but"),
                                   HasSubstr("  4  the run was stopped by SIGINT or SIGTERM")));
}

} // namespace
} // namespace tarnwel
