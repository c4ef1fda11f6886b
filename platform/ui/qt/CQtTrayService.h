#pragma once
// The notification area through QSystemTrayIcon. A desktop without one
// (QSystemTrayIcon::isSystemTrayAvailable() false, as on the offscreen
// platform) adds no icons. GUI thread only.

#include "platform/ui/CResourceTable.h"
#include "platform/ui/TrayService.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include <memory>

namespace tarnwel {

class CQtMenuView;

class CQtTrayIcon : public ITrayIcon {
public:
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

    // Shows the popup at the mouse pointer (QMenu::exec).
    int TrackPopupMenu(CMenu& popup) override;
    // The popup as TrackPopupMenu shows it, its chosen entry stored into
    // `chosen`.
    static std::unique_ptr<CQtMenuView> BuildPopup(CMenu& popup, int& chosen);

private:
    int m_iconId;
    ITrayEventHandler& m_handler;
    QSystemTrayIcon* m_icon;
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
