// The application object with the scripted backend: the command line, the
// single-instance check, and the messages and the session's end as they
// reach the main dialog on the user-interface thread.

#include "client/CReplicatorApp.h"
#include "platform/ui/CScriptedUiBackend.h"
#include "platform/ui/MainWindow.h"
#include "platform/ui/MessageBox.h"
#include "resources/client/MainMenuIds.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

class CRecordingMainDialog : public CDialog {
public:
    CRecordingMainDialog() : CDialog(Template()) {}

    static CDialogTemplate Template()
    {
        CDialogTemplate t;
        t.id = 102;
        t.caption = "DRAV Replikation";
        t.width = 251;
        t.height = 177;
        CControlTemplate ok;
        ok.id = kIdOk;
        ok.type = ControlType::pushButton;
        ok.text = "Exit";
        t.controls.push_back(ok);
        return t;
    }

    std::vector<int> m_commands;

protected:
    void OnCommand(int id) override { m_commands.push_back(id); }
};

class ReplicatorAppTest : public ::testing::Test {
protected:
    std::string Folder() const { return m_dir.Path("session"); }

    std::unique_ptr<CReplicatorApp> MakeApp()
    {
        return std::make_unique<CReplicatorApp>(
            [this] {
                ++m_created;
                auto dialog = std::make_unique<CRecordingMainDialog>();
                m_dialog = dialog.get();
                return dialog;
            },
            Folder());
    }

    test::CTemporaryDirectory m_dir;
    CScriptedUiBackend m_backend;
    CScopedUiBackend m_scoped{m_backend};
    int m_created = 0;
    CRecordingMainDialog* m_dialog = nullptr;
};

TEST_F(ReplicatorAppTest, CommandLineEndsAtOnceAndOnlyExactStopAsksTheRunningClient)
{
    CSingleInstance running(Folder());
    ASSERT_EQ(running.Claim(), CSingleInstance::ClaimResult::claimed);
    struct {
        std::string commandLine;
        std::vector<std::string> received;
    } const cases[] = {
        {"/stop", {kCloseMessage}}, {"/STOP", {}}, {"/stop ", {}}, {"/stop /stop", {}}, {"\"\"", {}}, {"-x", {}},
    };
    for (const auto& c : cases) {
        auto app = MakeApp();
        EXPECT_EQ(app->InitInstance(c.commandLine), 0) << c.commandLine;
        EXPECT_EQ(running.TakeMessages(), c.received) << c.commandLine;
    }
    EXPECT_EQ(m_created, 0);
    EXPECT_EQ(ApplicationTitle(), "DRAV replicator");
    EXPECT_TRUE(m_backend.MessageBoxes().empty());

    EXPECT_EQ(CReplicatorApp::CommandLineText({}), "");
    EXPECT_EQ(CReplicatorApp::CommandLineText({"/stop"}), "/stop");
    EXPECT_EQ(CReplicatorApp::CommandLineText({"/stop", ""}), "/stop \"\"");
    EXPECT_EQ(CReplicatorApp::CommandLineText({"/stop "}), "/stop ");
}

TEST_F(ReplicatorAppTest, SecondClientActivatesTheFirstAndEndsWithoutAWindow)
{
    CSingleInstance running(Folder());
    ASSERT_EQ(running.Claim(), CSingleInstance::ClaimResult::claimed);
    auto app = MakeApp();
    EXPECT_EQ(app->InitInstance(""), 0);
    EXPECT_EQ(m_created, 0);
    EXPECT_EQ(running.TakeMessages(), std::vector<std::string>{kActivateMessage});
    EXPECT_TRUE(m_backend.Dialogs().empty());
}

TEST_F(ReplicatorAppTest, MessagesAndTheSessionsEndReachTheRunningMainDialog)
{
    auto app = MakeApp();
    CSingleInstance other(Folder());
    std::vector<std::string> log;
    const auto waitFor = [this](const std::function<bool()>& done) {
        return m_backend.RunPostedCallsUntil(done, std::chrono::seconds(10));
    };
    m_backend.AnswerDialog({102, {CDialogAction::Call([&](CDialog& dialog) {
        EXPECT_EQ(MainWindow(), &dialog);
        // Activation restores a minimised window and a hidden one.
        for (const ShowCommand away : {ShowCommand::minimize, ShowCommand::hide}) {
            dialog.ShowWindow(away);
            const int raised = dialog.BringToFrontCount();
            ASSERT_TRUE(other.Send(kActivateMessage));
            EXPECT_TRUE(waitFor([&] { return dialog.BringToFrontCount() > raised; }));
            EXPECT_TRUE(dialog.IsWindowVisible());
            EXPECT_FALSE(dialog.IsIconic());
        }
        // Close asks for "Verlassen und Sync deaktivieren"; other texts do nothing.
        ASSERT_TRUE(other.Send("TarnwelReplicatorClose "));
        ASSERT_TRUE(other.Send(kCloseMessage));
        EXPECT_TRUE(waitFor([&] { return !m_dialog->m_commands.empty(); }));
        EXPECT_EQ(m_dialog->m_commands, std::vector<int>{main_menu::kLeaveAndDisableSync});
        // SIGTERM: the cancel command, on this thread.
        app->RequestEnd();
        EXPECT_TRUE(waitFor([&] { return dialog.HasEnded(); }));
    })}});
    EXPECT_EQ(app->InitInstance(""), 0);
    EXPECT_EQ(m_created, 1);
    ASSERT_EQ(m_backend.Dialogs().size(), 1u);
    EXPECT_EQ(m_backend.Dialogs()[0].result, kIdCancel);
    EXPECT_EQ(MainWindow(), nullptr);
    // The client is gone: the next one finds the lock free.
    app.reset();
    EXPECT_EQ(other.Claim(), CSingleInstance::ClaimResult::claimed);
}

} // namespace
} // namespace tarnwel
