// build/dataserver-items, the soak's tool for the data server's items: what
// it writes reads back in its dump in the form the soak compares, and its
// clear leaves the three folders empty.

#include "tests/support/PrivateDataServer.h"
#include "tests/support/ShellCommand.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

using test::ShellQuote;
using testing::HasSubstr;

test::CShellResult Tool(const std::string& arguments, const std::string& input = "")
{
    std::string command = ShellQuote(DATASERVER_ITEMS_TOOL) + " " + arguments + " 2>&1";
    if (!input.empty())
        command = "printf '%s' " + ShellQuote(input) + " | " + command;
    return test::RunShellCommand(command);
}

// The dump line of the item with that entry id, or "".
std::string DumpLine(const std::string& entryId)
{
    std::istringstream dump(Tool("dump").output);
    for (std::string line; std::getline(dump, line);)
        if (line.find("\"EntryID\":\"" + entryId + "\"") != std::string::npos)
            return line;
    return {};
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

TEST(DataServerItemsToolTest, AddSetDeleteAndClearReadBackInTheDump)
{
    test::CPrivateDataServer::Get();  // HOME, XDG folders and session bus of this process and its children
    ASSERT_EQ(Tool("clear").exitCode, 0);

    const test::CShellResult added = Tool(
        "add appointment Subject=Planung 'Start=2026-12-03 09:00:00' 'End=2026-12-03 10:00:00' Location=Raum");
    ASSERT_EQ(added.exitCode, 0) << added.output;
    const std::string appointment = Trimmed(added.output);
    EXPECT_THAT(DumpLine(appointment), AllOf(HasSubstr("\"Kind\":\"appointment\""), HasSubstr("\"Subject\":\"Planung\""),
                                             HasSubstr("\"Location\":\"Raum\""),
                                             HasSubstr("\"Start\":\"2026-12-03 09:00:00\"")));

    ASSERT_EQ(Tool("set " + ShellQuote(appointment) + " Subject=Umbenannt 'Start=2026-12-10 08:30:00' "
                   "'End=2026-12-10 09:30:00' Location=edit-1").exitCode, 0);
    EXPECT_THAT(DumpLine(appointment), AllOf(HasSubstr("\"Subject\":\"Umbenannt\""), HasSubstr("\"Location\":\"edit-1\""),
                                             HasSubstr("\"Start\":\"2026-12-10 08:30:00\"")));

    // A batch adds a task and a contact in one go; set works on each kind.
    const test::CShellResult batch = Tool(
        "batch", "add\ttask\tSubject=Bericht\nadd\tcontact\tFirstName=L\tLastName=Berg\tCompanyName=Lokal 1\n");
    ASSERT_EQ(batch.exitCode, 0) << batch.output;
    std::istringstream ids(batch.output);
    std::string task, contact;
    std::getline(ids, task);
    std::getline(ids, contact);
    ASSERT_EQ(Tool("set " + ShellQuote(task) + " Body=edit-2 'DueDate=2027-01-05 00:00:00'").exitCode, 0);
    ASSERT_EQ(Tool("set " + ShellQuote(contact) + " Email1Address=edit-3").exitCode, 0);
    EXPECT_THAT(DumpLine(task), AllOf(HasSubstr("\"Kind\":\"task\""), HasSubstr("\"Body\":\"edit-2\""),
                                      HasSubstr("\"DueDate\":\"2027-01-05 00:00:00\"")));
    EXPECT_THAT(DumpLine(contact), AllOf(HasSubstr("\"Kind\":\"contact\""), HasSubstr("\"LastName\":\"Berg\""),
                                         HasSubstr("\"Email1Address\":\"edit-3\"")));

    // Wrong input fails with a message and changes nothing.
    const test::CShellResult unknown = Tool("set " + ShellQuote(task) + " Nonsense=1");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_THAT(unknown.output, HasSubstr("has no property Nonsense"));
    EXPECT_EQ(Tool("set " + ShellQuote(task) + " 'DueDate=morgen'").exitCode, 1);
    EXPECT_THAT(DumpLine(task), HasSubstr("\"DueDate\":\"2027-01-05 00:00:00\""));

    ASSERT_EQ(Tool("delete " + ShellQuote(appointment)).exitCode, 0);
    EXPECT_EQ(DumpLine(appointment), "");
    EXPECT_NE(DumpLine(task), "");
    ASSERT_EQ(Tool("clear").exitCode, 0);
    EXPECT_EQ(Tool("dump").output, "");
}

} // namespace
} // namespace tarnwel
