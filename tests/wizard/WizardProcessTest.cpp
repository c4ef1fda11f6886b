// The wizard program as a child process on a working directory of its own,
// answered by an answers file (TARNWEL_WIZARD_ANSWERS).

#include "settings/CReplicationSettings.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TemporaryDirectory.h"
#include "tools/screenshots/SampleSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tarnwel::test {
namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the wizard in `workDir` with `arguments` (shell words) and the answers.
CShellResult RunWizard(const CTemporaryDirectory& workDir, const std::string& arguments, const std::string& answers)
{
    const std::string answersPath = workDir.Path("answers.txt");
    std::ofstream(answersPath) << answers;
    return RunShellCommand("cd " + ShellQuote(workDir.Path().string()) +
                           " && TARNWEL_WIZARD_ANSWERS=" + ShellQuote(answersPath) + " " +
                           ShellQuote(TARNWEL_WIZARD_PROGRAM) + " " + arguments + " 2>&1");
}

TEST(WizardProcess, AStartInAnEmptyDirectoryWritesTheDefaultsBeforeAnyPage)
{
    CTemporaryDirectory dir;
    // The first page is cancelled at once: nothing but the start wrote.
    const CShellResult run = RunWizard(dir, "", "dialog 102 escape\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    CReplicationSettings defaults;
    defaults.SetDefaults();
    CReplicationSettings written;
    written.ReadFileText(ReadAll(dir.Path("TarnwelClient.ini")));
    EXPECT_EQ(written.serverUrl, CReplicationSettings::kDefaultServerUrl);
    EXPECT_EQ(written.FileLines().size(), static_cast<std::size_t>(CReplicationSettings::kLineCount));
    EXPECT_EQ(written.contactRules.newAction, defaults.contactRules.newAction);
    EXPECT_EQ(written.appointmentRules.ovrNoRights, defaults.appointmentRules.ovrNoRights);
}

TEST(WizardProcess, FinishWritesTheWholeRecordAndEveryOtherWayOutNothing)
{
    struct Case {
        const char* answers;
        bool saves;
    };
    const Case cases[] = {
        {"dialog 102 click 1003 click 1000\ndialog 129 click 1000\ndialog 131 click 1000\ndialog 130 ok\n", true},
        {"dialog 102 click 1003 click 1000\ndialog 129 click 1000\ndialog 131 click 1000\ndialog 130 click 2\n",
         false},
        {"dialog 102 click 1003 click 1000\ndialog 129 close\n", false},
        {"dialog 102 click 2\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answers);
        CTemporaryDirectory dir;
        SampleSettings().Save(dir.Path("TarnwelClient.ini"));
        const std::string before = ReadAll(dir.Path("TarnwelClient.ini"));
        const CShellResult run = RunWizard(dir, "", c.answers);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        const std::string after = ReadAll(dir.Path("TarnwelClient.ini"));
        if (!c.saves) {
            EXPECT_EQ(after, before);
            continue;
        }
        CReplicationSettings expected = SampleSettings();
        expected.appointmentRules.newAction = expected.contactRules.newAction = expected.taskRules.newAction = 2;
        expected.appointmentRules.ovrAction = expected.contactRules.ovrAction = expected.taskRules.ovrAction = 2;
        for (CKindRules* rules : {&expected.appointmentRules, &expected.contactRules, &expected.taskRules}) {
            rules->twDeletedAction = 0;
            rules->olDeletedAction = 1;
        }
        EXPECT_EQ(after, expected.FileText());
    }
}

TEST(WizardProcess, AnInstallerStartEditsTheFileInTheDirectoryWithOrWithoutSlash)
{
    for (const std::string slash : {"", "/"}) {
        SCOPED_TRACE("argument ends with '" + slash + "'");
        CTemporaryDirectory work;
        CTemporaryDirectory target;
        const std::string answers =
            "dialog 180 click 1\ndialog 102 click 1000\ndialog 129 click 1000\ndialog 131 click 1000\ndialog 130 ok\n";
        const CShellResult run = RunWizard(work, ShellQuote(target.Path().string() + slash), answers);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_FALSE(std::filesystem::exists(work.Path("TarnwelClient.ini")));
        CReplicationSettings written;
        written.ReadFileText(ReadAll(target.Path("TarnwelClient.ini")));
        EXPECT_EQ(written.contactRules.newAction, 2);
        EXPECT_EQ(written.appointmentRules.olDeletedAction, 1);
        // The connection page came first: the others ran inside it, and each
        // dialog is reported when it ends.
        const std::size_t connection = run.output.find("Dialog 180 \"Installationsoptionen\"");
        EXPECT_NE(connection, std::string::npos) << run.output;
        EXPECT_EQ(run.output.rfind("Dialog "), connection) << run.output;
    }
}

TEST(WizardProcess, ZurueckOnTheConnectionPageEndsWithoutSaving)
{
    CTemporaryDirectory work;
    SampleSettings().Save(work.Path("TarnwelClient.ini"));
    const std::string before = ReadAll(work.Path("TarnwelClient.ini"));
    const CShellResult run = RunWizard(work, ShellQuote(work.Path().string() + "/"),
                                       "dialog 180 click 2\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(ReadAll(work.Path("TarnwelClient.ini")), before);
}

TEST(WizardProcess, AFileThatCannotBeCreatedIsReportedUnderTheProgramsNameAndTheWizardGoesOn)
{
    CTemporaryDirectory work;
    const std::string missing = work.Path("missing") + "/";
    const CShellResult run = RunWizard(work, ShellQuote(missing),
                                       "box ok\ndialog 180 click 1\ndialog 102 click 1000\ndialog 129 click 1000\n"
                                       "dialog 131 click 1000\nbox ok\ndialog 130 ok\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::string box = "Message box \"TarnwelWizard\" (ok, default ok):\n  cannot create file <" + missing +
                            "TarnwelClient.ini>";
    const std::size_t first = run.output.find(box);
    ASSERT_NE(first, std::string::npos) << run.output;
    // Once at the start, once at "Fertigstellen".
    EXPECT_NE(run.output.find(box, first + 1), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
} // namespace tarnwel::test
