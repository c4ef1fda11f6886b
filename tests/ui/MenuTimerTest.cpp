// Menus by command id, commands and timers of a dialog, through the scripted
// backend.

#include "platform/ui/CDialog.h"
#include "platform/ui/CScriptedUiBackend.h"
#include "platform/ui/MenuItems.h"
#include "platform/ui/TimerScale.h"
#include "resources/client/ClientResources.h"
#include "resources/client/MainMenuIds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using namespace tarnwel;
using testing::ElementsAre;
using testing::Pair;

namespace {

namespace menu = main_menu;

// The client's main menu on a dialog that records its commands and ticks; at
// its initialisation it checks one entry and arms a timer, as the main window
// does.
class CMenuDialog : public CDialog {
public:
    CMenuDialog() : CDialog(Template())
    {
        SetMenuTemplate(ClientResources().Menu(menu::kMenuId));
    }

    std::vector<int> m_commands;
    std::vector<int> m_ticks;
    bool m_killOnTick = false;

protected:
    bool OnInitDialog() override
    {
        GetMenu()->CheckMenuItem(menu::kOnlyOwnItems, true);
        GetMenu()->EnableMenuItem(menu::kStop, false);
        SetTimer(1234, 500);
        return CDialog::OnInitDialog();
    }
    void OnCommand(int id) override { m_commands.push_back(id); }
    void OnTimer(int id) override
    {
        m_ticks.push_back(id);
        if (m_killOnTick)
            KillTimer(id);
    }

private:
    static CDialogTemplate Template()
    {
        CDialogTemplate t;
        t.id = 902;
        CControlTemplate ok;
        ok.id = kIdOk;
        ok.type = ControlType::pushButton;
        t.controls.push_back(ok);
        return t;
    }
};

} // namespace

TEST(Menu, EntriesAreEnabledGreyedCheckedAndMadeDefaultByCommandIdInEveryPopup)
{
    CMenu bar(ClientResources().Menu(menu::kMenuId));
    std::vector<std::pair<int, bool>> changes;
    bar.SetObserver([&changes](const CMenuItem& item) { changes.emplace_back(item.id, item.grayed); });

    EXPECT_TRUE(bar.EnableMenuItem(menu::kVacuum, false));
    EXPECT_TRUE(bar.EnableMenuItem(menu::kVacuum, false));  // no change, no report
    EXPECT_TRUE(bar.CheckMenuItem(menu::kSchedule, true));   // second popup
    EXPECT_FALSE(bar.IsMenuItemEnabled(menu::kVacuum));
    EXPECT_TRUE(bar.IsMenuItemEnabled(menu::kStop));
    EXPECT_TRUE(bar.IsMenuItemChecked(menu::kSchedule));
    EXPECT_FALSE(bar.IsMenuItemChecked(menu::kVacuum));
    EXPECT_THAT(changes, ElementsAre(Pair(menu::kVacuum, true), Pair(menu::kSchedule, false)));
    EXPECT_TRUE(bar.EnableMenuItem(menu::kVacuum, true));
    EXPECT_TRUE(bar.IsMenuItemEnabled(menu::kVacuum));

    // Ids the menu does not hold, and popups, which carry none.
    EXPECT_FALSE(bar.EnableMenuItem(4711, false));
    EXPECT_FALSE(bar.CheckMenuItem(0, true));
    EXPECT_FALSE(bar.IsMenuItemEnabled(4711));
    EXPECT_FALSE(bar.FindItem(4711).has_value());

    // The popup at a position, as a menu of its own; its entries by position.
    const auto file = bar.SubMenu(0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->CommandAt(0), menu::kSynchronize);
    EXPECT_EQ(file->CommandAt(2), 0);  // separator
    EXPECT_EQ(file->CommandAt(99), 0);
    EXPECT_EQ(bar.CommandAt(0), 0);    // popup
    EXPECT_EQ(bar.SubMenu(2), nullptr);
    EXPECT_EQ(file->SubMenu(0), nullptr);

    // One default per menu, by position or by command; separators cannot be.
    EXPECT_EQ(file->GetDefaultItem(true), -1);
    EXPECT_TRUE(file->SetDefaultItem(0, true));
    EXPECT_TRUE(file->FindItem(menu::kSynchronize)->defaultItem);
    EXPECT_TRUE(file->SetDefaultItem(menu::kLeave, false));
    EXPECT_FALSE(file->FindItem(menu::kSynchronize)->defaultItem);
    EXPECT_EQ(file->GetDefaultItem(true), 6);
    EXPECT_EQ(file->GetDefaultItem(false), menu::kLeave);
    EXPECT_FALSE(file->SetDefaultItem(2, true));
    EXPECT_FALSE(file->SetDefaultItem(menu::kSchedule, false));  // not in this popup
    EXPECT_EQ(file->GetDefaultItem(false), menu::kLeave);
    EXPECT_TRUE(file->SetDefaultItem(-1, true));
    EXPECT_EQ(file->GetDefaultItem(true), -1);
}

TEST(Menu, StatesChangedFromAWorkerThreadAreSeenByTheUserInterfaceThread)
{
    CMenu bar(ClientResources().Menu(menu::kMenuId));
    std::thread worker([&bar] {
        for (int i = 0; i < 1000; ++i) {
            bar.EnableMenuItem(menu::kSynchronize, i % 2 == 1);
            bar.EnableMenuItem(menu::kStop, i % 2 == 0);
        }
    });
    for (int i = 0; i < 1000; ++i)
        (void)bar.Items();
    worker.join();
    EXPECT_TRUE(bar.IsMenuItemEnabled(menu::kSynchronize));
    EXPECT_FALSE(bar.IsMenuItemEnabled(menu::kStop));
}

TEST(DialogMenu, ChosenEntriesReachTheCommandHandlerOnlyWhileEnabledAndSentCommandsAlways)
{
    CScriptedUiBackend backend;
    CScopedUiBackend scoped(backend);
    CMenuDialog dialog;
    EXPECT_EQ(dialog.GetMenu(), nullptr);
    backend.AnswerDialog({902,
                          {CDialogAction::MenuCommand(menu::kSynchronize), CDialogAction::MenuCommand(menu::kStop),
                           CDialogAction::MenuCommand(4711), CDialogAction::MenuCommand(0)}});
    dialog.DoModal();
    EXPECT_THAT(dialog.m_commands, ElementsAre(menu::kSynchronize));
    EXPECT_TRUE(backend.Unexpected().empty());

    // From outside the menu bar (tray, other process) greyed entries do not
    // matter; after the end nothing arrives.
    CMenuDialog sent;
    sent.InitializeDialog();
    ASSERT_NE(sent.GetMenu(), nullptr);
    EXPECT_TRUE(sent.GetMenu()->IsMenuItemChecked(menu::kOnlyOwnItems));
    sent.SendCommand(menu::kStop);
    sent.UserClick(kIdOk);
    sent.SendCommand(menu::kLeave);
    sent.UserMenuCommand(menu::kLeave);
    EXPECT_THAT(sent.m_commands, ElementsAre(menu::kStop));

    // Every showing starts from the menu resource again.
    sent.GetMenu()->CheckMenuItem(menu::kVacuum, true);
    sent.InitializeDialog();
    EXPECT_FALSE(sent.GetMenu()->IsMenuItemChecked(menu::kVacuum));
    EXPECT_TRUE(sent.GetMenu()->IsMenuItemChecked(menu::kOnlyOwnItems));
}

TEST(DialogTimers, ArmedTimersTickUntilKilledAndEveryShowingStartsWithoutAny)
{
    CScriptedUiBackend backend;
    CScopedUiBackend scoped(backend);
    CMenuDialog dialog;
    dialog.m_killOnTick = true;
    std::vector<std::tuple<int, bool, unsigned>> seen;
    dialog.SetTimerObserver([&seen](int id, bool armed, unsigned ms) { seen.emplace_back(id, armed, ms); });
    // 1234 kills itself at its first tick: a second tick does nothing, nor
    // does one of 2358, which nothing armed.
    backend.AnswerDialog({902, {CDialogAction::Timer(1234), CDialogAction::Timer(1234), CDialogAction::Timer(2358)}});
    dialog.DoModal();
    EXPECT_THAT(dialog.m_ticks, ElementsAre(1234));
    EXPECT_TRUE(dialog.ArmedTimers().empty());

    CMenuDialog shown;
    shown.InitializeDialog();
    EXPECT_THAT(shown.ArmedTimers(), ElementsAre(Pair(1234, 500u)));
    std::thread worker([&shown] {
        shown.SetTimer(2358, 60000);
        shown.SetTimer(2358, 120000);
    });
    worker.join();
    EXPECT_THAT(shown.ArmedTimers(), ElementsAre(Pair(1234, 500u), Pair(2358, 120000u)));
    shown.UserTimer(2358);
    shown.UserTimer(2358);
    EXPECT_THAT(shown.m_ticks, ElementsAre(2358, 2358));
    EXPECT_TRUE(shown.KillTimer(2358));
    EXPECT_FALSE(shown.KillTimer(2358));
    shown.UserTimer(2358);
    EXPECT_EQ(shown.m_ticks.size(), 2u);

    shown.InitializeDialog();
    EXPECT_THAT(shown.ArmedTimers(), ElementsAre(Pair(1234, 500u)));
    shown.UserClick(kIdOk);
    shown.UserTimer(1234);
    EXPECT_EQ(shown.m_ticks.size(), 2u);

    EXPECT_THAT(seen, ElementsAre(std::tuple(1234, true, 500u), std::tuple(1234, false, 0u)));
}

TEST(TimerScale, ScalesIntervalsForTestsAndLeavesThemAsAskedOtherwise)
{
    EXPECT_EQ(ScaledTimerInterval(60000), 60000u);
    {
        CScopedTimerIntervalScale fast(0.001);
        EXPECT_EQ(ScaledTimerInterval(60000), 60u);
        EXPECT_EQ(ScaledTimerInterval(500), 1u);  // at least 1 ms
        EXPECT_EQ(ScaledTimerInterval(0), 1u);
        CScopedTimerIntervalScale nonsense(-3);
        EXPECT_EQ(ScaledTimerInterval(500), 500u);
    }
    CScopedTimerIntervalScale slow(1e6);
    EXPECT_EQ(ScaledTimerInterval(4000000), 4294967295u);
}
