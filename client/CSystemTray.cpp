#include "client/CSystemTray.h"

#include "platform/base/Text.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/MainWindow.h"

namespace tarnwel {

CSystemTray::CSystemTray(const CResourceTable& resources) : m_resources(resources) {}

CSystemTray::~CSystemTray() = default;

CTrayCreateResult CSystemTray::Create(const std::string& tooltip, int imageId, int iconId)
{
    m_icon.reset();
    m_iconId = iconId;
    m_tooltip = std::string(LeftCodePoints(tooltip, kMaxTooltipLength));
    ITrayService& service = ActiveTrayService();
    if (service.IsAvailable())
        m_icon = service.AddIcon({iconId, imageId, m_tooltip}, *this);
    if (!m_icon)
        return {false, TrayWindowMode::minimize};
    return {true, TrayWindowMode::hide};
}

void CSystemTray::OnTrayHostLost(int iconId)
{
    if (iconId != m_iconId || !m_icon)
        return;
    m_icon.reset();
    // The handler may delete this object: nothing of it is used afterwards.
    if (const std::function<void()> handler = m_onHostLost)
        handler();
}

std::unique_ptr<CMenu> CSystemTray::LoadPopup(int iconId) const
{
    const CMenuTemplate* menu = m_resources.FindMenu(iconId);
    if (!menu)
        return nullptr;
    return CMenu(*menu).SubMenu(0);
}

bool CSystemTray::HandleTrayEvent(int iconId, TrayMouseEvent event)
{
    if (iconId != m_iconId)
        return false;
    switch (event) {
    case TrayMouseEvent::rightButtonUp: {
        std::unique_ptr<CMenu> popup = LoadPopup(iconId);
        if (!popup || !m_icon)
            return false;
        popup->SetDefaultItem(m_defaultMenuItem, m_defaultByPosition);
        // The popup runs its own event loop, in which this object may go
        // away: only locals are used after it.
        const int chosen = m_icon->TrackPopupMenu(*popup);
        CDialog* target = MainWindow();
        if (chosen != 0 && target)
            target->SendCommand(chosen);
        return true;
    }
    case TrayMouseEvent::leftButtonDoubleClick: {
        int command = m_defaultMenuItem;
        if (m_defaultByPosition) {
            const std::unique_ptr<CMenu> popup = LoadPopup(iconId);
            if (!popup)
                return false;
            command = popup->CommandAt(m_defaultMenuItem);
        }
        CDialog* target = MainWindow();
        if (command != 0 && target)
            target->SendCommand(command);
        return true;
    }
    default:
        return true;
    }
}

} // namespace tarnwel
