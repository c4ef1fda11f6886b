#include "tests/ui/TestDialog.h"

#include "platform/ui/CScriptedUiBackend.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/UserNotices.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using namespace tarnwel;
using tarnwel::test::CTestDialog;
using testing::ElementsAre;
using testing::HasSubstr;
using A = CDialogAction;

TEST(ScriptedUiBackend, RecordsTheControlsBeforeAndAfterTheScriptAndAnswersInOrder)
{
    CScriptedUiBackend backend;
    CScopedUiBackend scope(backend);
    backend.AnswerDialog({900, {A::Click(102), A::Click(103), A::Select(120, 1), A::Ok()}});
    backend.AnswerDialog({0, {A::Escape()}});
    backend.AnswerMessageBox(MessageBoxResult::no);
    backend.AnswerMessageBox(MessageBoxResult::cancel);
    EXPECT_EQ(backend.PendingAnswers(), 4);

    CTestDialog first;
    EXPECT_EQ(first.DoModal(), kIdOk);
    CTestDialog second;  // a script with dialog id 0 takes any dialog
    EXPECT_EQ(second.DoModal(), kIdCancel);
    EXPECT_EQ(ShowMessageBox("Frage?", MessageBoxButtons::yesNo), MessageBoxResult::no);
    EXPECT_EQ(ShowMessageBox("Weiter?", MessageBoxButtons::okCancel), MessageBoxResult::cancel);

    EXPECT_EQ(backend.PendingAnswers(), 0);
    EXPECT_TRUE(backend.Unexpected().empty());
    const auto dialogs = backend.Dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].dialogId, 900);
    EXPECT_EQ(dialogs[0].result, kIdOk);
    EXPECT_EQ(dialogs[0].InitialControl(100).text, "shown");
    EXPECT_EQ(dialogs[0].InitialControl(102).check, 0);
    EXPECT_EQ(dialogs[0].InitialControl(120).selection, -1);
    EXPECT_EQ(dialogs[0].FinalControl(102).check, 1);
    EXPECT_EQ(dialogs[0].FinalControl(103).check, 1);
    EXPECT_EQ(dialogs[0].FinalControl(120).selection, 1);
    EXPECT_THROW(dialogs[0].FinalControl(999), std::out_of_range);
    EXPECT_EQ(dialogs[1].result, kIdCancel);
    const auto boxes = backend.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Frage?");
    EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::yesNo);
    EXPECT_EQ(boxes[1].text, "Weiter?");
}

TEST(ScriptedUiBackend, ListsWhatItWasNotPreparedFor)
{
    CScriptedUiBackend backend;
    CScopedUiBackend scope(backend);

    // No answer queued: the box's default button.
    CMessageBoxRequest question;
    question.text = "Löschen?";
    question.buttons = MessageBoxButtons::yesNo;
    question.defaultButton = MessageBoxResult::no;
    EXPECT_EQ(ShowMessageBox(question), MessageBoxResult::no);

    // No script: OK.
    CTestDialog unscripted;
    EXPECT_EQ(unscripted.DoModal(), kIdOk);

    // A script for another dialog is used up, its actions are not applied.
    backend.AnswerDialog({145, {A::Click(101), A::Escape()}});
    CTestDialog mismatched;
    EXPECT_EQ(mismatched.DoModal(), kIdOk);
    EXPECT_EQ(mismatched.GetCheck(101), 0);

    // An unknown control is skipped, the rest of the script still runs;
    // actions after the end are left over.
    backend.AnswerDialog({900, {A::Click(4711), A::Click(104), A::Escape(), A::Click(101)}});
    CTestDialog misspelt;
    EXPECT_EQ(misspelt.DoModal(), kIdCancel);
    EXPECT_EQ(misspelt.GetCheck(104), 1);
    EXPECT_EQ(misspelt.GetCheck(101), 0);

    // OK disabled by the logic: the dialog is ended with Escape.
    backend.AnswerDialog({900, {A::Ok()}});
    struct CBlockedOk : CTestDialog {
        bool OnInitDialog() override
        {
            CTestDialog::OnInitDialog();
            EnableItem(kIdOk, false);
            return true;
        }
    } blocked;
    EXPECT_EQ(blocked.DoModal(), kIdCancel);

    EXPECT_THAT(backend.Unexpected(),
                ElementsAre(HasSubstr("L\xC3\xB6schen?"), HasSubstr("dialog 900 without a script"),
                            HasSubstr("script expected dialog 145"), HasSubstr("no control 4711"),
                            HasSubstr("before the rest of its script"), HasSubstr("could not be ended with OK")));
    EXPECT_EQ(backend.Dialogs().size(), 4u);
}

TEST(UiBackend, LowLayersReachTheUserAndTheProgramEndThroughTheBackend)
{
    SetApplicationTitle("DRAV replicator");
    struct CEndingBackend : CScriptedUiBackend {
        void EndProgram(int exitCode) override { throw exitCode; }
    } backend;
    CScopedUiBackend scope(backend);
    backend.AnswerMessageBox(MessageBoxResult::ok);
    backend.AnswerMessageBox(MessageBoxResult::ok);

    ReportToUser("cannot create file <x>", MessageBoxIcon::stop);
    try {
        EndProgramAfterMessage("ERROR: cannot read from mapping file", 1);
        ADD_FAILURE() << "the program end returned";
    } catch (int exitCode) {
        EXPECT_EQ(exitCode, 1);
    }

    const auto boxes = backend.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "cannot create file <x>");
    EXPECT_EQ(boxes[0].caption, "DRAV replicator");
    EXPECT_EQ(boxes[0].icon, MessageBoxIcon::stop);
    EXPECT_FALSE(boxes[0].foreground);
    EXPECT_EQ(boxes[1].text, "ERROR: cannot read from mapping file");
    EXPECT_EQ(boxes[1].buttons, MessageBoxButtons::ok);
    EXPECT_TRUE(boxes[1].foreground);
    EXPECT_TRUE(backend.Unexpected().empty());
}

TEST(UiBackendDeathTest, TheProgramEndsWithItsExitCodeAfterTheBackendsEnd)
{
    EXPECT_EXIT(EndProgramAfterMessage("ERROR: cannot write to mapping file", 3), testing::ExitedWithCode(3),
                "cannot write to mapping file");
}

TEST(ScriptedUiBackend, AnswersAModalDialogAndABoxFromAWorkerThread)
{
    CScriptedUiBackend backend;
    CScopedUiBackend scope(backend);
    backend.AnswerDialog({900, {A::Click(112), A::Ok()}});
    backend.AnswerMessageBox(MessageBoxResult::no);

    int result = 0;
    int checked = 0;
    MessageBoxResult answer = MessageBoxResult::ok;
    std::thread worker([&] {
        CTestDialog dialog;
        result = dialog.DoModal();
        checked = dialog.GetCheckedRadioButton(111, 113);
        answer = ShowMessageBox("?", MessageBoxButtons::yesNo);
    });
    worker.join();

    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(checked, 112);
    EXPECT_EQ(answer, MessageBoxResult::no);
    EXPECT_EQ(backend.Dialogs().size(), 1u);
    EXPECT_TRUE(backend.Unexpected().empty());
}

TEST(UiBackend, TheDefaultBackendPrintsTheDialogAndEndsItAsEscapeWould)
{
    struct CReadOnlyDialog : CTestDialog {
        bool OnInitDialog() override
        {
            m_value = "Der Termin wurde geändert.";
            CTestDialog::OnInitDialog();
            CheckRadioButton(101, 104, 102);
            return true;
        }
        void DoDataExchange(bool save) override
        {
            if (save)
                m_value = "exchanged back";
            else
                CTestDialog::DoDataExchange(false);
        }
    } dialog;

    testing::internal::CaptureStderr();
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dialog.m_value, "Der Termin wurde geändert.");
    EXPECT_EQ(dialog.GetCheck(102), 1);
    EXPECT_THAT(err, HasSubstr("[Test]"));
    EXPECT_THAT(err, HasSubstr("Der Termin wurde geändert."));
    EXPECT_THAT(err, HasSubstr("(*) A2"));
    EXPECT_THAT(err, HasSubstr("( ) A1"));
    EXPECT_THAT(err, testing::Not(HasSubstr("hidden")));
}

TEST(UiBackend, SetUiBackendReturnsTheReplacedOneAndNullRestoresTheDefault)
{
    CScriptedUiBackend first;
    CScriptedUiBackend second;
    EXPECT_EQ(SetUiBackend(&first), nullptr);
    EXPECT_EQ(SetUiBackend(&second), &first);
    EXPECT_EQ(&ActiveUiBackend(), &second);
    EXPECT_EQ(SetUiBackend(nullptr), &second);
    EXPECT_NE(&ActiveUiBackend(), &second);
    EXPECT_NE(&ActiveUiBackend(), &first);
}
