#include "tests/support/ShellCommand.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tarnwel {
namespace {

using testing::HasSubstr;
using testing::MatchesRegex;
using testing::StartsWith;

struct CToolResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

class PimStoreToolTest : public testing::Test {
protected:
    // Runs the built pimstore on the test's store file.
    CToolResult Run(const std::vector<std::string>& arguments)
    {
        std::string command =
            test::ShellQuote(PIMSTORE_TOOL) + " --store " + test::ShellQuote(m_directory.Path("store.db"));
        for (const std::string& argument : arguments)
            command += " " + test::ShellQuote(argument);
        const test::CShellResult result = test::RunShellCommand(command + " 2>&1");
        return {result.exitCode, result.output};
    }

    test::CTemporaryDirectory m_directory;
};

TEST_F(PimStoreToolTest, AddsChangesShowsDumpsAndDeletesItems)
{
    const CToolResult added = Run({"add", "appointment", "Subject=Planung \"Q3\"", "Start=2024-05-01 10:15:00",
                                   "AllDayEvent=true", "Participants=Anna\nBernd"});
    ASSERT_EQ(added.exitCode, 0) << added.output;
    ASSERT_THAT(added.output, MatchesRegex("[0-9A-F]{32}\n"));
    const std::string id = added.output.substr(0, 32);

    EXPECT_EQ(Run({"set", id, "Location=Raum 1", "IsRecurring=1", "AllDayEvent=false"}).exitCode, 0);
    const std::string shown = Run({"show", id}).output;
    for (const char* line : {"MessageClass: IPM.Appointment.DRAVAppointment\n", "Location: Raum 1\n",
                             "Start: 2024-05-01 10:15:00\n", "IsRecurring: true\n", "AllDayEvent: false\n"})
        EXPECT_THAT(shown, HasSubstr(line));

    ASSERT_EQ(Run({"add", "task", "MessageClass=IPM.Task", "Subject=Fremd"}).exitCode, 0);
    const std::string dump = Run({"dump"}).output;
    EXPECT_THAT(dump, StartsWith("{\"EntryID\":\"" + id + "\",\"Kind\":\"appointment\""));
    EXPECT_THAT(dump, HasSubstr("\"Subject\":\"Planung \\\"Q3\\\"\""));
    EXPECT_THAT(dump, HasSubstr("\"UserProperties\":{\"Participants\":\"Anna\\nBernd\"}}\n"));
    EXPECT_THAT(dump, HasSubstr("\"MessageClass\":\"IPM.Task\""));
    EXPECT_THAT(dump, HasSubstr("\"Importance\":1,"));
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 2);

    EXPECT_EQ(Run({"delete", id}).exitCode, 0);
    EXPECT_THAT(Run({"list"}).output, MatchesRegex("[0-9A-F]{32}\ttask\tIPM.Task\t[-0-9: ]+\tFremd\n"));
}

TEST_F(PimStoreToolTest, RefusesBadInputWithAMessage)
{
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"add", "note"}, "unknown kind note"},
        {{"add", "task", "DueDate=31.12.2024"}, "DueDate: '31.12.2024' is no date"},
        {{"add", "task", "PercentComplete=viel"}, "is no whole number"},
        {{"add", "task", "Importance=7"}, "Importance must lie between 0 and 2"},
        {{"add", "contact", "IsRecurring=true"}, "has no property IsRecurring"},
        {{"add", "task", "MessageClass=IPM.Task", "TaskType=x"}, "has no property TaskType"},
        {{"add", "task", "Subject"}, "is no key=value pair"},
        {{"set", "0123"}, "no item has the entry id 0123"},
        {{"show"}, "wrong number of arguments"},
        {{"frobnicate"}, "unknown command frobnicate"},
        {{}, "no command given"},
    };
    for (const auto& c : cases) {
        const CToolResult result = Run(c.arguments);
        EXPECT_EQ(result.exitCode, 1) << c.message;
        EXPECT_THAT(result.output, HasSubstr(c.message));
    }
    EXPECT_EQ(Run({"list"}).output, "");  // nothing half-added
    EXPECT_THAT(Run({"--help"}).output, HasSubstr("Usage: pimstore"));
}

TEST_F(PimStoreToolTest, AWritePastTheFileSizeLimitIsReportedInsteadOfEndingTheProgramSilently)
{
    ASSERT_EQ(Run({"add", "task", "Subject=klein"}).exitCode, 0);
    // The shell's limit counts blocks of 512 bytes: 32 KiB; the signal at its
    // default, as a login shell leaves it.
    const std::string command = "trap - XFSZ; ulimit -f 64; " + test::ShellQuote(PIMSTORE_TOOL) + " --store " +
                                test::ShellQuote(m_directory.Path("store.db")) + " add task " +
                                test::ShellQuote("Body=" + std::string(100000, 'x')) + " 2>&1";
    const test::CShellResult limited = test::RunShellCommand(command);
    EXPECT_EQ(limited.exitCode, 1) << limited.output;  // 153 when SIGXFSZ ended it
    EXPECT_THAT(limited.output, HasSubstr("pimstore: "));
    EXPECT_THAT(Run({"list"}).output, MatchesRegex("[0-9A-F]{32}\ttask\t[^\t]+\t[-0-9: ]+\tklein\n"));
}

} // namespace
} // namespace tarnwel
