#include "platform/ui/CScriptedTrayService.h"

namespace tarnwel {

class CScriptedTrayService::CIcon : public ITrayIcon {
public:
    CIcon(CScriptedTrayService& service, std::size_t slot) : m_service(&service), m_slot(slot) {}
    ~CIcon() override
    {
        if (m_service) {
            m_service->m_icons[m_slot].removed = true;
            m_service->m_slots[m_slot].icon = nullptr;
        }
    }

    int TrackPopupMenu(CMenu& popup) override
    {
        if (!m_service)
            return 0;
        m_service->m_popups.push_back(popup.Items());
        if (m_service->m_popupAnswers.empty())
            return 0;
        const int answer = m_service->m_popupAnswers.front();
        m_service->m_popupAnswers.pop_front();
        // The user can only choose what the popup lets him choose.
        return answer != 0 && popup.IsMenuItemEnabled(answer) ? answer : 0;
    }

    // The service goes away before the icon: the icon then does nothing.
    void Detach() { m_service = nullptr; }

private:
    CScriptedTrayService* m_service;
    std::size_t m_slot;
};

CScriptedTrayService::~CScriptedTrayService()
{
    for (CSlot& slot : m_slots) {
        if (slot.icon)
            slot.icon->Detach();
    }
}

int CScriptedTrayService::VisibleIcons() const
{
    int visible = 0;
    for (const CShownIcon& icon : m_icons)
        visible += icon.removed ? 0 : 1;
    return visible;
}

void CScriptedTrayService::SetAvailable(bool available)
{
    m_available = available;
    if (available)
        return;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_slots[i].icon)
            continue;
        // The icon object lives on with its owner, but shows nothing now.
        m_slots[i].icon->Detach();
        m_slots[i].icon = nullptr;
        m_icons[i].removed = true;
        m_slots[i].handler->OnTrayHostLost(m_icons[i].request.iconId);
    }
}

bool CScriptedTrayService::Click(int iconId, TrayMouseEvent event)
{
    for (std::size_t i = m_slots.size(); i-- > 0;) {
        if (m_slots[i].icon && m_icons[i].request.iconId == iconId)
            return m_slots[i].handler->HandleTrayEvent(iconId, event);
    }
    return false;
}

std::unique_ptr<ITrayIcon> CScriptedTrayService::AddIcon(const CTrayIconRequest& request, ITrayEventHandler& handler)
{
    if (!m_available || m_failAdding)
        return nullptr;
    m_icons.push_back({request, false});
    auto icon = std::make_unique<CIcon>(*this, m_slots.size());
    m_slots.push_back({icon.get(), &handler});
    return icon;
}

} // namespace tarnwel
