#include "platform/ui/MessageBox.h"
#include "tests/support/BoxCapture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tarnwel;

TEST(MessageBox, HandlerSeesTheBoxAndAnswersIt)
{
    SetApplicationTitle("DRAV replicator");
    std::vector<CMessageBoxRequest> shown;
    {
        test::CBoxCapture capture([&](const CMessageBoxRequest& request) {
            shown.push_back(request);
            return MessageBoxResult::no;
        });
        EXPECT_EQ(ShowMessageBox("L\xC3\xB6schen?", MessageBoxButtons::yesNo, MessageBoxIcon::question),
                  MessageBoxResult::no);
        CMessageBoxRequest custom;
        custom.text = "x";
        custom.caption = "TarnwelWizard";
        custom.buttons = MessageBoxButtons::okCancel;
        custom.defaultButton = MessageBoxResult::cancel;
        ShowMessageBox(custom);
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "L\xC3\xB6schen?");
    EXPECT_EQ(shown[0].caption, "DRAV replicator");
    EXPECT_EQ(shown[0].buttons, MessageBoxButtons::yesNo);
    EXPECT_EQ(shown[0].icon, MessageBoxIcon::question);
    EXPECT_EQ(shown[0].defaultButton, MessageBoxResult::yes);
    EXPECT_EQ(shown[1].caption, "TarnwelWizard");
    EXPECT_EQ(shown[1].defaultButton, MessageBoxResult::cancel);
}

TEST(MessageBox, DefaultHandlerAnswersOkOrTheDefaultButton)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox("cannot create file <x>", MessageBoxButtons::ok, MessageBoxIcon::stop),
              MessageBoxResult::ok);
    EXPECT_EQ(ShowMessageBox("?", MessageBoxButtons::okCancel), MessageBoxResult::ok);
    CMessageBoxRequest question;
    question.buttons = MessageBoxButtons::yesNo;
    question.defaultButton = MessageBoxResult::no;
    EXPECT_EQ(ShowMessageBox(question), MessageBoxResult::no);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot create file <x>"), std::string::npos);
}
