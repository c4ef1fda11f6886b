#pragma once
// The scripted tray service: a notification area that tests look into and
// click on. It records every icon added and removed and every popup shown;
// a test clicks an icon (RightClick, DoubleClick) and queues the commands
// that the popups are answered with.

#include "platform/ui/TrayService.h"

#include <deque>
#include <vector>

namespace tarnwel {

class CScriptedTrayService : public ITrayService {
public:
    // `available` false: a desktop without a notification area.
    explicit CScriptedTrayService(bool available = true) : m_available(available) {}
    ~CScriptedTrayService() override;

    // Adding icons fails from now on (or works again).
    void FailAdding(bool fail) { m_failAdding = fail; }
    // The notification area's host ends (false) or starts again (true). When
    // it ends, every visible icon disappears and its handler hears of it;
    // icons added later fail until it is back.
    void SetAvailable(bool available);
    // Queues the command with which the next popup is answered (0: the user
    // leaves it without a choice). A popup without an answer chooses nothing.
    void AnswerPopup(int commandId) { m_popupAnswers.push_back(commandId); }

    // What an icon in the notification area shows.
    struct CShownIcon {
        CTrayIconRequest request;
        bool removed = false;
    };
    const std::vector<CShownIcon>& Icons() const { return m_icons; }
    // The icons that are in the notification area now.
    int VisibleIcons() const;
    // Every popup shown, with its entries as they were shown.
    const std::vector<std::vector<CMenuItem>>& Popups() const { return m_popups; }

    // The mouse on the visible icon with `iconId` (the newest one when
    // several share it): the event goes to the icon's handler, whose result
    // is returned; false when no such icon is visible.
    bool Click(int iconId, TrayMouseEvent event);
    bool RightClick(int iconId) { return Click(iconId, TrayMouseEvent::rightButtonUp); }
    bool DoubleClick(int iconId) { return Click(iconId, TrayMouseEvent::leftButtonDoubleClick); }

    bool IsAvailable() const override { return m_available; }
    std::unique_ptr<ITrayIcon> AddIcon(const CTrayIconRequest& request, ITrayEventHandler& handler) override;

private:
    class CIcon;
    friend class CIcon;

    struct CSlot {
        CIcon* icon = nullptr;  // null once removed
        ITrayEventHandler* handler = nullptr;
    };

    bool m_available;
    bool m_failAdding = false;
    std::deque<int> m_popupAnswers;
    std::vector<CShownIcon> m_icons;
    std::vector<CSlot> m_slots;
    std::vector<std::vector<CMenuItem>> m_popups;
};

} // namespace tarnwel
