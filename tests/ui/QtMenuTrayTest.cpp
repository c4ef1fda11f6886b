// The Qt side of menus, timers and the tray icon, on the offscreen platform
// (which has no notification area).

#include "QtAppForTests.h"

#include "client/CSystemTray.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/MainWindow.h"
#include "platform/ui/TimerScale.h"
#include "platform/ui/qt/CQtDialogTimers.h"
#include "platform/ui/qt/CQtMenuView.h"
#include "platform/ui/qt/CQtTrayService.h"
#include "platform/ui/qt/CQtUiBackend.h"
#include "platform/ui/UiBackend.h"
#include "resources/client/ClientIconIds.h"
#include "resources/client/ClientResources.h"
#include "resources/client/MainMenuIds.h"
#include "resources/client/TrayMenuIds.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using namespace tarnwel;
using testing::ElementsAre;

namespace {

namespace menu = main_menu;

class CRecordingDialog : public CDialog {
public:
    CRecordingDialog() : CDialog(CDialogTemplate{})
    {
        SetMenuTemplate(ClientResources().Menu(menu::kMenuId));
    }

    std::vector<int> m_commands;
    std::vector<int> m_ticks;
    std::function<void(int)> m_onCommand;

protected:
    void OnCommand(int id) override
    {
        m_commands.push_back(id);
        if (m_onCommand)
            m_onCommand(id);
    }
    void OnTimer(int id) override
    {
        m_ticks.push_back(id);
        if (id == 1234)
            KillTimer(1234);
    }
};

QStringList Texts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (QAction* action : actions)
        texts << (action->isSeparator() ? QString("-") : action->text());
    return texts;
}

} // namespace

TEST(QtMenu, TheMenuBarShowsTheMenuAndFollowsItsStatesBothWays)
{
    test::TestApplication();
    CRecordingDialog dialog;
    dialog.InitializeDialog();
    dialog.GetMenu()->CheckMenuItem(menu::kOnlyOwnItems, true);
    QWidget window;
    const auto view = CreateDialogMenuBar(dialog, &window);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->Bar(), nullptr);

    const QList<QAction*> popups = view->Bar()->actions();
    ASSERT_EQ(popups.size(), 2);
    EXPECT_EQ(popups[0]->text(), "Datei");
    EXPECT_EQ(popups[1]->text(), "Werkzeuge");
    EXPECT_EQ(Texts(popups[0]->menu()->actions()),
              QStringList({"Synchronisieren", "Stoppen", "-", "Outlook l\u00f6schen", "Nur DRAV Elemente l\u00f6schen",
                           "-", "Verlassen", "Verlassen und Sync deaktivieren"}));
    EXPECT_EQ(popups[1]->menu()->actions().size(), 6);
    EXPECT_TRUE(view->Action(menu::kOnlyOwnItems)->isChecked());
    EXPECT_FALSE(view->Action(menu::kVacuum)->isChecked());

    // The logic's changes, on this thread and from a worker.
    dialog.GetMenu()->EnableMenuItem(menu::kStop, false);
    EXPECT_FALSE(view->Action(menu::kStop)->isEnabled());
    std::thread worker([&dialog] {
        dialog.GetMenu()->EnableMenuItem(menu::kSynchronize, false);
        dialog.GetMenu()->EnableMenuItem(menu::kStop, true);
    });
    worker.join();
    EXPECT_TRUE(test::RunEventsUntil([&] { return view->Action(menu::kStop)->isEnabled(); }));
    EXPECT_FALSE(view->Action(menu::kSynchronize)->isEnabled());

    // The user's choices: a greyed entry cannot be chosen; choosing a checked
    // entry leaves its mark to the logic, which here takes it away.
    view->Action(menu::kSynchronize)->trigger();
    view->Action(menu::kConfiguration)->trigger();
    dialog.m_onCommand = [&dialog](int id) {
        if (id == menu::kOnlyOwnItems)
            dialog.GetMenu()->CheckMenuItem(id, !dialog.GetMenu()->IsMenuItemChecked(id));
    };
    view->Action(menu::kOnlyOwnItems)->trigger();
    EXPECT_FALSE(view->Action(menu::kOnlyOwnItems)->isChecked());
    view->Action(menu::kOnlyOwnItems)->trigger();
    EXPECT_TRUE(view->Action(menu::kOnlyOwnItems)->isChecked());
    dialog.m_onCommand = nullptr;
    view->Action(menu::kOnlyOwnItems)->trigger();
    EXPECT_TRUE(view->Action(menu::kOnlyOwnItems)->isChecked());
    EXPECT_THAT(dialog.m_commands,
                ElementsAre(menu::kConfiguration, menu::kOnlyOwnItems, menu::kOnlyOwnItems, menu::kOnlyOwnItems));
}

TEST(QtTray, ThePopupShowsTheDefaultEntryInBoldAndGivesBackTheChosenCommand)
{
    test::TestApplication();
    CMenu bar(ClientResources().Menu(tray_menu::kMenuId));
    const auto popup = bar.SubMenu(0);
    popup->SetDefaultItem(0, true);
    int chosen = -1;
    const auto view = CQtTrayIcon::BuildPopup(*popup, chosen);
    EXPECT_EQ(chosen, 0);
    EXPECT_EQ(Texts(view->Menu()->actions()), QStringList({"\u00d6ffnen", "Verbergen"}));
    EXPECT_TRUE(view->Action(tray_menu::kOpen)->font().bold());
    EXPECT_FALSE(view->Action(tray_menu::kHide)->font().bold());
    view->Action(tray_menu::kHide)->trigger();
    EXPECT_EQ(chosen, tray_menu::kHide);
}

TEST(QtTray, WithoutANotificationAreaTheTrayFailsAndTheWindowIsToBeMinimised)
{
    test::TestApplication();
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    CQtTrayService service(ClientResources());
    CScopedTrayService scoped(service);
    EXPECT_FALSE(service.IsAvailable());
    CSystemTray tray(ClientResources());
    const CTrayCreateResult result = tray.Create("tarnwel replication", client_icons::kApplication, 147);
    EXPECT_FALSE(result.created);
    EXPECT_EQ(result.window, TrayWindowMode::minimize);
}

TEST(QtTray, ActivationsReachTheTrayLogicThroughTheEventLoopAndMayRemoveTheIcon)
{
    test::TestApplication();
    CRecordingDialog window;
    window.InitializeDialog();
    CScopedMainWindow scopedWindow(window);
    CSystemTray tray(ClientResources());
    tray.Create("tarnwel replication", client_icons::kApplication, tray_menu::kMenuId);  // fails: no area

    // The icon as the service would add it, with the tray logic behind it.
    const CQtTrayService service(ClientResources());
    auto icon = std::make_unique<CQtTrayIcon>(CTrayIconRequest{147, 128, "tarnwel replication"},
                                              service.LoadIcon(client_icons::kApplication), tray);
    EXPECT_EQ(icon->Icon().toolTip(), "tarnwel replication");
    EXPECT_TRUE(icon->Activate(QSystemTrayIcon::DoubleClick));
    EXPECT_TRUE(icon->Activate(QSystemTrayIcon::Trigger));
    EXPECT_THAT(window.m_commands, ElementsAre(tray_menu::kOpen));

    // Qt's signal: the main window removes the icon from within the command.
    window.m_onCommand = [&icon](int) { icon.reset(); };
    emit icon->Icon().activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(window.m_commands.size(), 1u);  // queued, not yet delivered
    EXPECT_TRUE(test::RunEventsUntil([&] { return icon == nullptr; }));
    EXPECT_THAT(window.m_commands, ElementsAre(tray_menu::kOpen, tray_menu::kOpen));
    test::RunEventsFor(20);
}

TEST(QtIcons, EveryIconOfTheProgramsIsCompiledIn)
{
    test::TestApplication();
    const CQtTrayService service(ClientResources());
    for (const int id : {client_icons::kApplication, client_icons::kReplicate, client_icons::kSettings,
                         client_icons::kExit, client_icons::kStop, client_icons::kVacuum}) {
        const QPixmap image(QString::fromStdString(ClientResources().FindIcon(id)->file));
        EXPECT_EQ(image.size(), QSize(32, 32)) << id;
        EXPECT_FALSE(service.LoadIcon(id).isNull()) << id;
    }
    const QPixmap background(QString::fromStdString(ClientResources().FindIcon(client_icons::kBackground)->file));
    EXPECT_FALSE(background.isNull());
    EXPECT_GT(background.width(), background.height());
    EXPECT_TRUE(service.LoadIcon(4711).isNull());
}

TEST(QtTimers, TimersTickIntoTheDialogAtTheScaledIntervalUntilKilled)
{
    test::TestApplication();
    CScopedTimerIntervalScale fast(0.01);
    CRecordingDialog dialog;
    dialog.InitializeDialog();
    dialog.SetTimer(1234, 500);  // armed before the window: started on attaching
    CQtDialogTimers timers(dialog);
    ASSERT_NE(timers.Timer(1234), nullptr);
    EXPECT_EQ(timers.Timer(1234)->interval(), 5);

    // 1234 kills itself at its first tick; 2358 is armed from a worker.
    std::thread worker([&dialog] { dialog.SetTimer(2358, 1000); });
    worker.join();
    EXPECT_TRUE(test::RunEventsUntil([&] {
        return std::count(dialog.m_ticks.begin(), dialog.m_ticks.end(), 2358) >= 3;
    }));
    EXPECT_EQ(std::count(dialog.m_ticks.begin(), dialog.m_ticks.end(), 1234), 1);
    EXPECT_EQ(timers.Timer(1234), nullptr);
    ASSERT_NE(timers.Timer(2358), nullptr);
    EXPECT_EQ(timers.Timer(2358)->interval(), 10);

    dialog.KillTimer(2358);
    EXPECT_EQ(timers.Timer(2358), nullptr);
    const std::size_t ticks = dialog.m_ticks.size();
    test::RunEventsFor(50);
    EXPECT_EQ(dialog.m_ticks.size(), ticks);
}

namespace {

// A dialog with the client's menu bar and a timer armed at its
// initialisation; the first tick after a chosen command ends it.
class CMenuAndTimerDialog : public CDialog {
public:
    CMenuAndTimerDialog() : CDialog(Template()) { SetMenuTemplate(ClientResources().Menu(menu::kMenuId)); }

    std::vector<int> m_commands;

private:
    static CDialogTemplate Template()
    {
        CDialogTemplate t;
        t.id = 951;
        t.caption = "Men\u00fc und Zeitgeber";
        t.width = 120;
        t.height = 40;
        CControlTemplate ok;
        ok.id = kIdOk;
        ok.type = ControlType::pushButton;
        ok.text = "OK";
        ok.x = 35;
        ok.y = 13;
        ok.width = 50;
        ok.height = 14;
        t.controls.push_back(ok);
        return t;
    }
    bool OnInitDialog() override
    {
        SetTimer(7, 20);
        return CDialog::OnInitDialog();
    }
    void OnCommand(int id) override { m_commands.push_back(id); }
    void OnTimer(int id) override
    {
        if (id == 7 && !m_commands.empty())
            EndDialog(5);
    }
};

} // namespace

TEST(QtDialogWindow, ADialogsMenuBarSitsAboveItsControlsAndATickThatEndsTheDialogClosesItsWindow)
{
    test::TestApplication();
    CQtUiBackend backend(&ClientResources());
    CScopedUiBackend scope(backend);
    CMenuAndTimerDialog dialog;
    bool sawBar = false;
    QTimer::singleShot(50, [&] {
        QWidget* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        auto* bar = window->findChild<QMenuBar*>();
        ASSERT_NE(bar, nullptr);
        auto* ok = window->findChild<QPushButton*>("control-1");
        ASSERT_NE(ok, nullptr);
        sawBar = bar->geometry().bottom() < ok->geometry().top();
        for (QAction* popup : bar->actions())
            for (QAction* entry : popup->menu()->actions())
                if (entry->text() == "Konfiguraton")
                    entry->trigger();
    });
    EXPECT_EQ(dialog.DoModal(), 5);
    EXPECT_TRUE(sawBar);
    EXPECT_THAT(dialog.m_commands, ElementsAre(menu::kConfiguration));
}

// A notification area that goes away (offscreen has none at all): the icon's
// handler hears of it once, and a handler that deletes the icon from there
// leaves nothing that runs afterwards.
TEST(QtTray, AnIconWhoseNotificationAreaIsGoneTellsItsHandlerOnce)
{
    test::TestApplication();
    struct CHandler : ITrayEventHandler {
        std::unique_ptr<CQtTrayIcon> icon;
        int lost = 0;
        bool HandleTrayEvent(int, TrayMouseEvent) override { return true; }
        void OnTrayHostLost(int iconId) override
        {
            EXPECT_EQ(iconId, 147);
            ++lost;
            icon.reset();
        }
    } handler;
    const CQtTrayService service(ClientResources());
    handler.icon = std::make_unique<CQtTrayIcon>(CTrayIconRequest{147, 128, "tarnwel replication"},
                                                 service.LoadIcon(client_icons::kApplication), handler);
    EXPECT_TRUE(test::RunEventsUntil([&] { return handler.lost > 0; }));
    EXPECT_EQ(handler.icon, nullptr);
    test::RunEventsFor(3 * CQtTrayIcon::kHostCheckMs);
    EXPECT_EQ(handler.lost, 1);

    // An icon that stays after the loss is not reported again.
    struct CKeep : ITrayEventHandler {
        int lost = 0;
        bool HandleTrayEvent(int, TrayMouseEvent) override { return true; }
        void OnTrayHostLost(int) override { ++lost; }
    } keep;
    auto kept = std::make_unique<CQtTrayIcon>(CTrayIconRequest{147, 128, "tarnwel replication"},
                                              service.LoadIcon(client_icons::kApplication), keep);
    test::RunEventsFor(3 * CQtTrayIcon::kHostCheckMs);
    EXPECT_EQ(keep.lost, 1);
}
