#include "platform/automation/ProgIdRegistry.h"
#include "platform/ui/MainWindow.h"
#include "resources/wizard/WizardResources.h"
#include "tests/support/ComErrorCode.h"
#include "tests/support/TemporaryDirectory.h"
#include "wizard/CConnectionPage.h"
#include "wizard/CTarnwelDlg.h"
#include "wizard/CTarnwelDlgAutoProxy.h"
#include "wizard/CWizardApp.h"
#include "wizard/CWizardAutomation.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>

namespace tarnwel::test {
namespace {

TEST(AutomationProxyAlone, TheRegistryMakesOneObjectWithoutMembers)
{
    CWizardAutomation automation;  // puts the class into this process's registry
    DispatchPtr object = CProgIdRegistry::Create("tarnwel.APPLICATION");
    auto* proxy = dynamic_cast<CTarnwelDlgAutoProxy*>(object.get());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(proxy->m_pDialog, nullptr);  // no application, no page
    EXPECT_EQ(ComErrorCode([&] { object->GetProperty("Visible"); }), com_codes::kUnknownName);
    EXPECT_EQ(ComErrorCode([&] { object->PutProperty("Visible", CVariant(true)); }), com_codes::kUnknownName);
    EXPECT_EQ(ComErrorCode([&] { object->Invoke("Quit", {}); }), com_codes::kUnknownName);
    // One object per process: a second client gets the living one.
    EXPECT_EQ(CProgIdRegistry::Create("Tarnwel.Application"), object);
}

struct AutomationProxy : ::testing::Test {
    CWizardApp app{WizardResources()};
    CWizardAutomation automation;
    std::array<std::string, 3> texts;
    CWizardContext context{app.Settings(), texts, WizardResources()};
};

TEST_F(AutomationProxy, HoldsTheFirstPageWhichOnlyHidesUntilTheLastRelease)
{
    CTarnwelDlg page(context, false);
    CScopedMainWindow main(page);
    page.InitializeDialog();
    ASSERT_TRUE(page.IsWindowVisible());
    DispatchPtr object = CProgIdRegistry::Create("Tarnwel.Application");
    auto* proxy = dynamic_cast<CTarnwelDlgAutoProxy*>(object.get());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(page.m_pAutoProxy, proxy);
    EXPECT_EQ(proxy->m_pDialog, &page);
    EXPECT_TRUE(app.IsLocked());

    page.UserClose();
    page.UserEscape();
    page.UserClick(kIdCancel);
    EXPECT_FALSE(page.HasEnded());
    EXPECT_FALSE(page.IsWindowVisible());

    bool unlocked = false;
    app.SetUnlockedHandler([&] { unlocked = true; });
    object.reset();
    EXPECT_TRUE(unlocked);
    EXPECT_EQ(page.m_pAutoProxy, nullptr);
    // The close that the page refused while hidden happens now.
    EXPECT_TRUE(page.HasEnded());
    EXPECT_EQ(page.Result(), kIdCancel);
}

TEST_F(AutomationProxy, APageThatWasNeverClosedStaysOpenAfterTheRelease)
{
    CTarnwelDlg page(context, false);
    CScopedMainWindow main(page);
    page.InitializeDialog();
    CProgIdRegistry::Create("Tarnwel.Application").reset();
    EXPECT_FALSE(page.HasEnded());
    EXPECT_TRUE(page.IsWindowVisible());
    EXPECT_EQ(page.m_pAutoProxy, nullptr);
}

TEST_F(AutomationProxy, LinksToNoPageWhileTheConnectionPageIsTheMainWindow)
{
    CConnectionPage connection(context);
    CScopedMainWindow main(connection);
    DispatchPtr object = CProgIdRegistry::Create("Tarnwel.Application");
    EXPECT_EQ(dynamic_cast<CTarnwelDlgAutoProxy&>(*object).m_pDialog, nullptr);
    EXPECT_TRUE(app.IsLocked());
    object.reset();
    EXPECT_FALSE(app.IsLocked());
}

TEST_F(AutomationProxy, APageThatGoesFirstLeavesTheProxyWithoutALink)
{
    DispatchPtr object;
    {
        CTarnwelDlg page(context, false);
        CScopedMainWindow main(page);
        object = CProgIdRegistry::Create("Tarnwel.Application");
        ASSERT_EQ(page.m_pAutoProxy, object.get());
    }
    EXPECT_EQ(dynamic_cast<CTarnwelDlgAutoProxy&>(*object).m_pDialog, nullptr);
    object.reset();  // must not touch the page that is gone
    EXPECT_FALSE(app.IsLocked());
}

TEST_F(AutomationProxy, ANormalStartWritesTheActivationEntryOrATraceLine)
{
    CTemporaryDirectory directory;
    ::setenv("XDG_DATA_HOME", directory.Path("data").c_str(), 1);
    automation.RegisterAtNormalStart();
    std::ifstream in(directory.Path("data") + "/dbus-1/services/Tarnwel.Application.service");
    std::stringstream entry;
    entry << in.rdbuf();
    EXPECT_NE(entry.str().find("Exec=" + CWizardAutomation::ProgramPath() + " -Automation\n"), std::string::npos)
        << entry.str();

    std::ofstream(directory.Path("blocked")) << "x";
    ::setenv("XDG_DATA_HOME", directory.Path("blocked").c_str(), 1);
    std::stringstream trace;
    auto* previous = std::clog.rdbuf(trace.rdbuf());
    automation.RegisterAtNormalStart();
    std::clog.rdbuf(previous);
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_NE(trace.str().find("automation: automation class Tarnwel.Application not registered on the session bus"),
              std::string::npos)
        << trace.str();
}

} // namespace
} // namespace tarnwel::test
