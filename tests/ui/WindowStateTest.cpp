#include "platform/ui/CScriptedUiBackend.h"
#include "tests/ui/TestDialog.h"
#include "tests/ui/TrayLikeDialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace tarnwel;

namespace {

using CTrayDialog = test::CTrayLikeDialog<test::CTestDialog>;

} // namespace

TEST(WindowState, ShowCommandsChangeVisibilityAndTheMinimisedStateAsEachSays)
{
    test::CTestDialog dialog;
    dialog.InitializeDialog();
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_FALSE(dialog.IsIconic());
    struct Step {
        ShowCommand command;
        bool visible;
        bool iconic;
    } steps[] = {
        {ShowCommand::minimize, true, true}, {ShowCommand::hide, false, true}, {ShowCommand::show, true, true},
        {ShowCommand::restore, true, false}, {ShowCommand::hide, false, false}, {ShowCommand::restore, true, false},
    };
    for (const Step& step : steps) {
        dialog.ShowWindow(step.command);
        EXPECT_EQ(dialog.IsWindowVisible(), step.visible);
        EXPECT_EQ(dialog.IsIconic(), step.iconic);
    }
    dialog.SetWindowSize(388, 232);
    dialog.BringToFront();
    EXPECT_EQ(dialog.WindowHeight(), 232);
    EXPECT_EQ(dialog.BringToFrontCount(), 1);
    // A new showing starts visible, in its template's size.
    dialog.ShowWindow(ShowCommand::minimize);
    dialog.InitializeDialog();
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_FALSE(dialog.IsIconic());
    EXPECT_EQ(dialog.WindowWidth(), 0);
}

TEST(WindowState, PostedSysCommandsRunLaterOnlyWhileTheDialogLives)
{
    CScriptedUiBackend backend;
    CScopedUiBackend scope(backend);
    auto dialog = std::make_unique<CTrayDialog>();
    dialog->InitializeDialog();
    dialog->UserClose();  // posts the minimise
    EXPECT_TRUE(dialog->IsWindowVisible());
    EXPECT_FALSE(dialog->HasEnded());
    EXPECT_EQ(backend.RunPostedCalls(), 1);
    EXPECT_FALSE(dialog->IsWindowVisible());
    EXPECT_TRUE(dialog->IsIconic());

    // Posted from another thread; the dialog is gone when the call runs.
    std::thread([&dialog] { dialog->PostSysCommand(SysCommand::restore); }).join();
    dialog.reset();
    EXPECT_EQ(backend.RunPostedCalls(), 1);
}

TEST(WindowState, AScriptRunsWhatEachActionPostedBeforeTheNext)
{
    CScriptedUiBackend backend;
    CScopedUiBackend scope(backend);
    CTrayDialog dialog;
    bool hiddenBeforeNextStep = false;
    backend.AnswerDialog({900,
                          {CDialogAction::Close(),
                           CDialogAction::Call([&](CDialog& d) { hiddenBeforeNextStep = !d.IsWindowVisible(); }),
                           CDialogAction::System(SysCommand::restore), CDialogAction::Escape()}});
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_TRUE(hiddenBeforeNextStep);
    EXPECT_EQ(dialog.m_commands, (std::vector<SysCommand>{SysCommand::minimize, SysCommand::restore}));
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_TRUE(backend.Unexpected().empty());
}
