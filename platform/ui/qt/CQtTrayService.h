#pragma once
// The notification area through QSystemTrayIcon. A desktop without one
// (QSystemTrayIcon::isSystemTrayAvailable() false, as on the offscreen
// platform) adds no icons. Qt tells nobody when the notification area's host
// ends (a panel that quits or crashes): while an icon is shown, the service
// looks every kHostCheckMs whether the area is still there, and when it is
// not, the icon's handler hears of it (ITrayEventHandler::OnTrayHostLost).
// GUI thread only.

#include "platform/ui/CResourceTable.h"
#include "platform/ui/TrayService.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include <memory>

namespace tarnwel {

class CQtMenuView;

class CQtTrayIcon : public ITrayIcon {
public:
    static constexpr int kHostCheckMs = 500;

    // An icon whose events go to `handler` (not owned); it is not shown
    // before Show.
    CQtTrayIcon(const CTrayIconRequest& request, const QIcon& image, ITrayEventHandler& handler);
    // Removes the icon at once.
    ~CQtTrayIcon() override;
    CQtTrayIcon(const CQtTrayIcon&) = delete;
    CQtTrayIcon& operator=(const CQtTrayIcon&) = delete;

    void Show();
    QSystemTrayIcon& Icon() { return *m_icon; }

    // What a click on the icon reports: the reason as the handler's mouse
    // event (a context request is the right button's release). Qt's
    // activations arrive here through the event loop, so the handler may
    // remove the icon. Returns the handler's result.
    bool Activate(QSystemTrayIcon::ActivationReason reason);
    // The notification area is gone: the icon hides and its handler hears
    // of it, once.
    void HostLost();

    // Shows the popup at the mouse pointer (QMenu::exec).
    int TrackPopupMenu(CMenu& popup) override;
    // The popup as TrackPopupMenu shows it, its chosen entry stored into
    // `chosen`.
    static std::unique_ptr<CQtMenuView> BuildPopup(CMenu& popup, int& chosen);

private:
    int m_iconId;
    ITrayEventHandler& m_handler;
    QSystemTrayIcon* m_icon;
    bool m_hostLost = false;
    // Cleared when the icon goes: an activation still queued then does nothing.
    std::shared_ptr<CQtTrayIcon*> m_self;
};

class CQtTrayService : public ITrayService {
public:
    // `resources` (not owned) holds the icon images by id.
    explicit CQtTrayService(const CResourceTable& resources) : m_resources(resources) {}

    bool IsAvailable() const override;
    // Null when there is no notification area or no image for the request.
    std::unique_ptr<ITrayIcon> AddIcon(const CTrayIconRequest& request, ITrayEventHandler& handler) override;

    // The image of icon resource `imageId`; null when the table or the
    // program's resources lack it.
    QIcon LoadIcon(int imageId) const;

private:
    const CResourceTable& m_resources;
};

} // namespace tarnwel
