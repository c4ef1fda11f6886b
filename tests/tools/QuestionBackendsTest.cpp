#include "platform/ui/CAnswersFileBackend.h"
#include "tools/CTerminalUiBackend.h"

#include "tests/ui/TestDialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace tarnwel {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;

CMessageBoxRequest Box(MessageBoxButtons buttons, MessageBoxResult defaultButton)
{
    CMessageBoxRequest request;
    request.text = "Erste Zeile\r\nzweite Zeile";
    request.caption = "DRAV replicator";
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    return request;
}

TEST(TerminalUiBackend, AnswersABoxWithOneOfItsButtonsOrItsDefault)
{
    const struct {
        const char* input;
        MessageBoxButtons buttons;
        MessageBoxResult expected;
        int prompts;
    } cases[] = {
        {"no\n", MessageBoxButtons::yesNo, MessageBoxResult::no, 1},
        {"vielleicht\nok\n  no  # spaces and a comment\n", MessageBoxButtons::yesNo, MessageBoxResult::no, 3},
        {"\n", MessageBoxButtons::yesNo, MessageBoxResult::yes, 1},      // Enter: the default button
        {"", MessageBoxButtons::yesNo, MessageBoxResult::yes, 1},        // end of input: the default button
        {"yes\n", MessageBoxButtons::ok, MessageBoxResult::ok, 2},       // not a button of the box, then EOF
        {"cancel\n", MessageBoxButtons::okCancel, MessageBoxResult::cancel, 1},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        std::ostringstream out;
        CTerminalUiBackend backend(in, out);
        const MessageBoxResult defaultButton =
            c.buttons == MessageBoxButtons::yesNo ? MessageBoxResult::yes : MessageBoxResult::ok;
        EXPECT_EQ(backend.ShowMessageBox(Box(c.buttons, defaultButton)), c.expected) << c.input;
        const std::string shown = out.str();
        EXPECT_THAT(shown, HasSubstr("Erste Zeile\n  zweite Zeile\n")) << "CR LF reaches the terminal as LF";
        std::size_t prompts = 0;
        for (std::size_t at = shown.find("answer ("); at != std::string::npos; at = shown.find("answer (", at + 1))
            ++prompts;
        EXPECT_EQ(prompts, static_cast<std::size_t>(c.prompts)) << c.input << "\n" << shown;
    }
}

TEST(TerminalUiBackend, RunsADialogWithTheActionsTyped)
{
    const struct {
        const char* input;
        int result;
        int ticked;     // of 111..113
        int selection;  // of list 120
        const char* output;
    } cases[] = {
        {"click 112\nok\n", kIdOk, 112, -1, "(x) 112  B2"},
        {"click 113 select 120 1 ok\n", kIdOk, 0, 1, "(disabled)"},  // a disabled option cannot be chosen
        {"klick 112\nclick\nclick 999\nescape\n", kIdCancel, 0, -1, "the dialog has no control 999"},
        {"click 111\n", kIdCancel, 111, -1, "end of input: escape"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        std::ostringstream out;
        CTerminalUiBackend backend(in, out);
        test::CTestDialog dialog;
        EXPECT_EQ(backend.RunModal(dialog), c.result) << c.input;
        EXPECT_EQ(dialog.GetCheckedRadioButton(111, 113), c.ticked) << c.input;
        EXPECT_EQ(dialog.GetComboSelection(120), c.selection) << c.input;
        EXPECT_THAT(out.str(), HasSubstr(c.output)) << out.str();
        EXPECT_THAT(out.str(), Not(HasSubstr("hidden")));
    }
}

TEST(AnswersFileBackend, RefusesAFileWithALineThatIsNoAnswer)
{
    const struct {
        const char* file;
        const char* error;
    } cases[] = {
        {"box yes\nbox vielleicht\n", "answers:2: a box line is \"box yes|no|ok|cancel\""},
        {"box\n", "answers:1: a box line"},
        {"# comment\n\ndialog 145 click\n", "answers:3: click needs a control id"},
        {"dialog select 1014 zwei\n", "answers:1: select needs a control id and an entry number"},
        {"dialog 145 tick 1012\n", "answers:1: 'tick' is no dialog action"},
        {"yes\n", "answers:1: 'yes' is no answer"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.file);
        std::ostringstream out;
        std::ostringstream notes;
        CAnswersFileBackend backend(out, notes);
        std::string error;
        EXPECT_FALSE(backend.Load(in, "answers", error)) << c.file;
        EXPECT_THAT(error, HasSubstr(c.error));
        // Nothing of a refused file is used.
        EXPECT_EQ(backend.ShowMessageBox(Box(MessageBoxButtons::yesNo, MessageBoxResult::no)), MessageBoxResult::no);
    }
}

TEST(AnswersFileBackend, AnswersInFileOrderAndTakesTheDefaultsWhenTheFileRunsOut)
{
    std::istringstream in("box no   # first box\n"
                          "dialog 900 click 112 select 120 1\n"
                          "box yes\n"   // does not fit an OK box
                          "dialog 901 click 111\n");
    std::ostringstream out;
    std::ostringstream notes;
    CAnswersFileBackend backend(out, notes);
    std::string error;
    ASSERT_TRUE(backend.Load(in, "answers", error)) << error;

    EXPECT_EQ(backend.ShowMessageBox(Box(MessageBoxButtons::yesNo, MessageBoxResult::yes)), MessageBoxResult::no);
    test::CTestDialog first;
    EXPECT_EQ(backend.RunModal(first), kIdOk);  // ended with OK after its actions
    EXPECT_EQ(first.GetCheckedRadioButton(111, 113), 112);
    EXPECT_EQ(first.GetComboSelection(120), 1);
    EXPECT_THAT(notes.str(), IsEmpty());

    EXPECT_EQ(backend.ShowMessageBox(Box(MessageBoxButtons::ok, MessageBoxResult::ok)), MessageBoxResult::ok);
    EXPECT_THAT(notes.str(), HasSubstr("the answer yes is no button of this box (ok)"));

    test::CTestDialog wrongId;
    EXPECT_EQ(backend.RunModal(wrongId), kIdOk);
    EXPECT_EQ(wrongId.GetCheckedRadioButton(111, 113), 0) << "a script for another dialog is not applied";
    EXPECT_THAT(notes.str(), HasSubstr("dialog 900 shown where the script expected dialog 901"));

    EXPECT_EQ(backend.ShowMessageBox(Box(MessageBoxButtons::yesNo, MessageBoxResult::no)), MessageBoxResult::no);
    EXPECT_THAT(notes.str(), HasSubstr("message box without an answer: Erste Zeile\nzweite Zeile"));

    // What was shown and answered.
    const std::string shown = out.str();
    EXPECT_THAT(shown, HasSubstr("Message box \"DRAV replicator\" (yes/no, default yes):\n  Erste Zeile\n"));
    EXPECT_THAT(shown, HasSubstr("answer: no\n"));
    EXPECT_THAT(shown, HasSubstr("Dialog 900 \"Test\":\n"));
    EXPECT_THAT(shown, HasSubstr("  ( ) 113  B3  (disabled)\n"));
    EXPECT_THAT(shown, HasSubstr("chosen: 112 B2, 120 entry 1 zwei (OK)\n"));
}

} // namespace
} // namespace tarnwel
