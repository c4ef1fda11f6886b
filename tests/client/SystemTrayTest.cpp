#include "client/CSystemTray.h"

#include "platform/ui/CDialog.h"
#include "platform/ui/CScriptedTrayService.h"
#include "platform/ui/MainWindow.h"
#include "resources/client/ClientIconIds.h"
#include "resources/client/ClientResources.h"
#include "resources/client/TrayMenuIds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

using namespace tarnwel;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

const std::string kTooltip = "tarnwel replication";

// The main window as far as the tray is concerned: it records the commands it
// receives and, like the main dialog, takes the tray icon away on "Öffnen".
class CMainWindowStandIn : public CDialog {
public:
    CMainWindowStandIn() : CDialog(CDialogTemplate{}) {}

    std::unique_ptr<CSystemTray> m_tray;
    std::vector<int> m_commands;

protected:
    void OnCommand(int id) override
    {
        m_commands.push_back(id);
        if (id == tray_menu::kOpen)
            m_tray.reset();
    }
};

struct TrayFixture : testing::Test {
    CScriptedTrayService service;
    CScopedTrayService scopedService{service};
    CMainWindowStandIn window;
    CScopedMainWindow scopedWindow{window};

    CSystemTray& GoToTray()
    {
        window.m_tray = std::make_unique<CSystemTray>(ClientResources());
        const CTrayCreateResult result =
            window.m_tray->Create(kTooltip, client_icons::kApplication, tray_menu::kMenuId);
        EXPECT_TRUE(result.created);
        EXPECT_EQ(result.window, TrayWindowMode::hide);
        return *window.m_tray;
    }
};

} // namespace

TEST_F(TrayFixture, TheIconShowsWhileTheObjectLivesAndTheRightClickOffersTheMenuWithItsDefaultInBold)
{
    CSystemTray& tray = GoToTray();
    EXPECT_TRUE(tray.IsEnabled());
    ASSERT_EQ(service.Icons().size(), 1u);
    EXPECT_EQ(service.Icons()[0].request.tooltip, kTooltip);
    EXPECT_EQ(service.Icons()[0].request.imageId, 128);
    EXPECT_EQ(service.Icons()[0].request.iconId, 147);

    // "Verbergen" reaches the main window, which ignores it; the icon stays.
    service.AnswerPopup(tray_menu::kHide);
    EXPECT_TRUE(service.RightClick(147));
    ASSERT_EQ(service.Popups().size(), 1u);
    const std::vector<CMenuItem>& popup = service.Popups()[0];
    ASSERT_EQ(popup.size(), 2u);
    EXPECT_EQ(popup[0].id, 32772);
    EXPECT_EQ(popup[0].text, "\xC3\x96" "ffnen");
    EXPECT_TRUE(popup[0].defaultItem);
    EXPECT_EQ(popup[1].id, 32773);
    EXPECT_EQ(popup[1].text, "Verbergen");
    EXPECT_FALSE(popup[1].defaultItem);
    EXPECT_THAT(window.m_commands, ElementsAre(32773));
    EXPECT_EQ(service.VisibleIcons(), 1);

    // Leaving the popup sends nothing; other mouse events do nothing.
    EXPECT_TRUE(service.RightClick(147));
    EXPECT_TRUE(service.Click(147, TrayMouseEvent::leftButtonUp));
    EXPECT_THAT(window.m_commands, ElementsAre(32773));

    // "Öffnen": the main window deletes the tray object from within the
    // command, which removes the icon.
    service.AnswerPopup(tray_menu::kOpen);
    EXPECT_TRUE(service.RightClick(147));
    EXPECT_THAT(window.m_commands, ElementsAre(32773, 32772));
    EXPECT_EQ(window.m_tray, nullptr);
    EXPECT_EQ(service.VisibleIcons(), 0);
    EXPECT_FALSE(service.RightClick(147));
}

TEST_F(TrayFixture, ADoubleClickSendsTheDefaultEntrysCommandToTheMainWindow)
{
    GoToTray();
    EXPECT_TRUE(service.DoubleClick(147));
    EXPECT_THAT(window.m_commands, ElementsAre(32772));
    EXPECT_THAT(service.Popups(), IsEmpty());
    EXPECT_EQ(window.m_tray, nullptr);
    EXPECT_EQ(service.VisibleIcons(), 0);

    // A new stay in the tray is a new icon.
    GoToTray();
    EXPECT_EQ(service.VisibleIcons(), 1);
    EXPECT_EQ(service.Icons().size(), 2u);
}

TEST_F(TrayFixture, EventsOfOtherIconsAndMissingMenusAreNotHandled)
{
    CSystemTray& tray = GoToTray();
    EXPECT_FALSE(tray.HandleTrayEvent(148, TrayMouseEvent::leftButtonDoubleClick));

    // An icon id without a menu resource of that id.
    CSystemTray other(ClientResources());
    ASSERT_TRUE(other.Create("x", client_icons::kApplication, 4711));
    EXPECT_FALSE(service.RightClick(4711));
    EXPECT_FALSE(service.DoubleClick(4711));
    EXPECT_THAT(window.m_commands, IsEmpty());
    EXPECT_THAT(service.Popups(), IsEmpty());
}

TEST_F(TrayFixture, TheTooltipIsCutTo63Characters)
{
    const std::string umlauts63 = [] {
        std::string text;
        for (int i = 0; i < 63; ++i)
            text += "\xC3\xA4";
        return text;
    }();
    const struct {
        std::string given;
        std::string shown;
    } cases[] = {
        {"", ""},
        {std::string(63, 'a'), std::string(63, 'a')},
        {std::string(64, 'a'), std::string(63, 'a')},
        {std::string(200, 'b'), std::string(63, 'b')},
        // Characters, not bytes: 64 umlauts are 128 bytes.
        {umlauts63 + "\xC3\xB6", umlauts63},
    };
    for (const auto& c : cases) {
        CSystemTray tray(ClientResources());
        ASSERT_TRUE(tray.Create(c.given, client_icons::kApplication, 147));
        EXPECT_EQ(tray.Tooltip(), c.shown) << c.given;
        EXPECT_EQ(service.Icons().back().request.tooltip, c.shown);
    }
    EXPECT_EQ(service.VisibleIcons(), 0);
}

TEST(SystemTray, WithoutAnIconTheWindowIsMinimisedInsteadOfHidden)
{
    // A desktop without a notification area, and one that refuses the icon:
    // a hidden window would be out of the user's reach.
    CScriptedTrayService noArea(false);
    CScriptedTrayService refusing;
    refusing.FailAdding(true);
    for (CScriptedTrayService* service : {&noArea, &refusing}) {
        CScopedTrayService scoped(*service);
        CSystemTray tray(ClientResources());
        const CTrayCreateResult result = tray.Create(kTooltip, client_icons::kApplication, 147);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.window, TrayWindowMode::minimize);
        EXPECT_FALSE(tray.IsEnabled());
        EXPECT_THAT(service->Icons(), IsEmpty());
    }

    // Nothing installed: no notification area either.
    CSystemTray tray(ClientResources());
    EXPECT_EQ(tray.Create(kTooltip, client_icons::kApplication, 147).window, TrayWindowMode::minimize);
}
