#pragma once
// The client's icon in the notification area while its main window sits in
// the tray. A right click opens the popup menu whose resource id is the
// icon's id, its default entry in bold; a double click sends the default
// entry's command to the application's main window. Deleting the object
// removes the icon. User-interface thread only.

#include "platform/ui/CResourceTable.h"
#include "platform/ui/TrayService.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace tarnwel {

// What becomes of the window that goes to the tray.
enum class TrayWindowMode {
    hide,      // the icon is shown: the window is hidden, the icon brings it back
    minimize,  // no icon: the window is minimised, so the task bar still reaches it
};

struct CTrayCreateResult {
    bool created = false;
    TrayWindowMode window = TrayWindowMode::minimize;

    explicit operator bool() const { return created; }
};

class CSystemTray : public ITrayEventHandler {
public:
    // The longest tooltip, in characters; a longer one is cut.
    static constexpr std::size_t kMaxTooltipLength = 63;

    // `resources` (not owned) holds the popup menus by icon id.
    explicit CSystemTray(const CResourceTable& resources);
    ~CSystemTray() override;
    CSystemTray(const CSystemTray&) = delete;
    CSystemTray& operator=(const CSystemTray&) = delete;

    // Adds the icon resource `imageId` with `tooltip` (cut to 63 characters)
    // to the active tray service's notification area under `iconId`. Fails on
    // a desktop without a notification area and when the icon cannot be
    // added; the window then has to be minimised instead of hidden. Creating
    // again replaces the icon.
    CTrayCreateResult Create(const std::string& tooltip, int imageId, int iconId);

    // The icon was added and has not been removed.
    bool IsEnabled() const { return m_icon != nullptr; }
    int IconId() const { return m_iconId; }
    // The tooltip as the icon shows it.
    const std::string& Tooltip() const { return m_tooltip; }

    // Right button released: the popup; left double click: the default
    // entry's command to the main window; other events: nothing. An event of
    // another icon, or a popup menu that cannot be loaded, is not handled.
    // The command may delete this object (the main window takes the icon
    // away when it comes back); nothing of it is used afterwards.
    bool HandleTrayEvent(int iconId, TrayMouseEvent event) override;

    // The notification area went away: the icon is gone (IsEnabled turns
    // false) and `onHostLost` runs, which may delete this object.
    void SetHostLostHandler(std::function<void()> onHostLost) { m_onHostLost = std::move(onHostLost); }
    void OnTrayHostLost(int iconId) override;

private:
    std::unique_ptr<CMenu> LoadPopup(int iconId) const;

    const CResourceTable& m_resources;
    std::unique_ptr<ITrayIcon> m_icon;
    int m_iconId = 0;
    std::string m_tooltip;
    // The popup's default entry: a position in the popup, or a command id
    // when not by position.
    int m_defaultMenuItem = 0;
    bool m_defaultByPosition = true;
    std::function<void()> m_onHostLost;
};

} // namespace tarnwel
