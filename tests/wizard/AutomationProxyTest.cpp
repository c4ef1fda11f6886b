#include "platform/automation/ProgIdRegistry.h"
#include "platform/ui/CResourceTable.h"
#include "tests/support/ComErrorCode.h"
#include "tests/wizard/AutomationWizardStandIn.h"
#include "wizard/CTarnwelDlgAutoProxy.h"
#include "wizard/CWizardApp.h"
#include "wizard/CWizardAutomation.h"
#include "wizard/WizardAutomation.h"

#include <gtest/gtest.h>

namespace tarnwel::test {
namespace {

struct AutomationProxy : ::testing::Test {
    CResourceTable resources{"wizard"};
    CWizardApp app{resources};
    CWizardAutomation automation;  // registers the class in this process
    std::array<std::string, 3> texts;
    CWizardContext context{app.Settings(), texts, resources};

    ~AutomationProxy() override { SetStandInMainPage(nullptr); }
};

TEST_F(AutomationProxy, TheRegistryMakesOneObjectWithoutMembers)
{
    DispatchPtr object = CProgIdRegistry::Create("tarnwel.APPLICATION");
    ASSERT_NE(dynamic_cast<CTarnwelDlgAutoProxy*>(object.get()), nullptr);
    EXPECT_EQ(ComErrorCode([&] { object->GetProperty("Visible"); }), com_codes::kUnknownName);
    EXPECT_EQ(ComErrorCode([&] { object->PutProperty("Visible", CVariant(true)); }), com_codes::kUnknownName);
    EXPECT_EQ(ComErrorCode([&] { object->Invoke("Quit", {}); }), com_codes::kUnknownName);
    // One object per process: a second client gets the living one, and a
    // client after the last release a new one.
    EXPECT_EQ(CProgIdRegistry::Create("Tarnwel.Application"), object);
    object.reset();
    EXPECT_FALSE(app.IsLocked());
    DispatchPtr again = CProgIdRegistry::Create("Tarnwel.Application");
    EXPECT_TRUE(app.IsLocked());
}

TEST_F(AutomationProxy, AttachesToTheFirstPageAndLetsGoAtTheLastRelease)
{
    CStandInFirstPage page(context, false);
    SetStandInMainPage(&page);
    DispatchPtr object = CProgIdRegistry::Create("Tarnwel.Application");
    auto* proxy = dynamic_cast<CTarnwelDlgAutoProxy*>(object.get());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(page.m_pAutoProxy, proxy);
    EXPECT_EQ(proxy->m_pDialog, &page);
    EXPECT_TRUE(app.IsLocked());
    object.reset();
    EXPECT_EQ(page.m_pAutoProxy, nullptr);
    EXPECT_FALSE(app.IsLocked());
}

TEST_F(AutomationProxy, LinksToNoPageWhileTheConnectionPageIsTheMainWindow)
{
    CDialogTemplate connection;
    connection.id = 180;
    CDialog connectionPage(connection);
    SetStandInMainPage(&connectionPage);
    DispatchPtr object = CProgIdRegistry::Create("Tarnwel.Application");
    EXPECT_EQ(dynamic_cast<CTarnwelDlgAutoProxy&>(*object).m_pDialog, nullptr);
    EXPECT_TRUE(app.IsLocked());
}

TEST_F(AutomationProxy, APageThatGoesFirstLeavesTheProxyWithoutALink)
{
    auto page = std::make_unique<CStandInFirstPage>(context, false);
    SetStandInMainPage(page.get());
    DispatchPtr object = CProgIdRegistry::Create("Tarnwel.Application");
    SetStandInMainPage(nullptr);
    page.reset();
    EXPECT_EQ(dynamic_cast<CTarnwelDlgAutoProxy&>(*object).m_pDialog, nullptr);
    object.reset();  // must not touch the page that is gone
    EXPECT_FALSE(app.IsLocked());
}

TEST(AutomationSwitches, AreTakenOutOfTheArgumentsInAnyCase)
{
    std::vector<std::string> arguments = {"-Embedding", "C:\\Daten\\", "/AUTOMATION", "/embedding", "-Automationx"};
    EXPECT_TRUE(ConsumeAutomationSwitches(arguments));
    EXPECT_EQ(arguments, (std::vector<std::string>{"C:\\Daten\\", "-Automationx"}));
    EXPECT_FALSE(ConsumeAutomationSwitches(arguments));
}

} // namespace
} // namespace tarnwel::test
