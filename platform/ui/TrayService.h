#pragma once
// Icons in the desktop's notification area. The programs install the Qt
// service (platform/ui/qt/CQtTrayService.h), tests the scripted one
// (CScriptedTrayService.h); without one the desktop has no notification area.
// User-interface thread only.

#include "platform/ui/CMenu.h"

#include <memory>
#include <string>

namespace tarnwel {

// What the mouse did on an icon.
enum class TrayMouseEvent { rightButtonUp, leftButtonDoubleClick, leftButtonUp, middleButtonUp };

class ITrayEventHandler {
public:
    virtual ~ITrayEventHandler() = default;
    // A mouse event on the icon `iconId`; returns whether it was handled.
    // The handler may destroy the icon that reported the event.
    virtual bool HandleTrayEvent(int iconId, TrayMouseEvent event) = 0;
    // The notification area that showed the icon `iconId` went away (its host
    // ended): the icon is gone and stays gone, also when a host comes back.
    // Called once, from the event loop; the handler may destroy the icon.
    virtual void OnTrayHostLost(int /*iconId*/) {}
};

// One icon in the notification area; destroying it removes the icon.
class ITrayIcon {
public:
    virtual ~ITrayIcon() = default;
    // Shows `popup` at the mouse pointer until the user chooses or leaves;
    // returns the command chosen, 0 for none.
    virtual int TrackPopupMenu(CMenu& popup) = 0;
};

struct CTrayIconRequest {
    int iconId = 0;         // given back with every event of the icon
    int imageId = 0;        // the icon resource shown
    std::string tooltip;
};

class ITrayService {
public:
    virtual ~ITrayService() = default;
    // Whether the desktop has a notification area.
    virtual bool IsAvailable() const = 0;
    // Adds an icon whose events go to `handler` (not owned) until the icon
    // is destroyed; null when it could not be added.
    virtual std::unique_ptr<ITrayIcon> AddIcon(const CTrayIconRequest& request, ITrayEventHandler& handler) = 0;
};

// Installs `service` (not owned; null: none) and returns the previous one.
ITrayService* SetTrayService(ITrayService* service);
// The installed service, or one for a desktop without a notification area.
ITrayService& ActiveTrayService();

class CScopedTrayService {
public:
    explicit CScopedTrayService(ITrayService& service) : m_previous(SetTrayService(&service)) {}
    ~CScopedTrayService() { SetTrayService(m_previous); }
    CScopedTrayService(const CScopedTrayService&) = delete;
    CScopedTrayService& operator=(const CScopedTrayService&) = delete;

private:
    ITrayService* m_previous;
};

} // namespace tarnwel
