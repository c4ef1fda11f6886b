// The menu bar, commands and timers of a dialog.

#include "platform/ui/CDialog.h"

namespace tarnwel {

void CDialog::SetMenuTemplate(CMenuTemplate menu)
{
    m_menuTemplate = std::make_unique<CMenuTemplate>(std::move(menu));
}

void CDialog::StartMenuAndTimers()
{
    m_menu = m_menuTemplate ? std::make_unique<CMenu>(*m_menuTemplate) : nullptr;
    std::lock_guard lock(m_timerMutex);
    for (const auto& [id, interval] : m_timers) {
        if (m_timerObserver)
            m_timerObserver(id, false, 0);
    }
    m_timers.clear();
}

void CDialog::UserMenuCommand(int id)
{
    if (m_ended || !m_menu || !m_menu->IsMenuItemEnabled(id))
        return;
    OnCommand(id);
}

void CDialog::SendCommand(int id)
{
    if (!m_ended)
        OnCommand(id);
}

void CDialog::UserTimer(int id)
{
    if (m_ended)
        return;
    {
        std::lock_guard lock(m_timerMutex);
        if (!m_timers.contains(id))
            return;
    }
    OnTimer(id);
}

void CDialog::SetTimer(int id, unsigned intervalMs)
{
    std::lock_guard lock(m_timerMutex);
    m_timers[id] = intervalMs;
    if (m_timerObserver)
        m_timerObserver(id, true, intervalMs);
}

bool CDialog::KillTimer(int id)
{
    std::lock_guard lock(m_timerMutex);
    if (m_timers.erase(id) == 0)
        return false;
    if (m_timerObserver)
        m_timerObserver(id, false, 0);
    return true;
}

std::map<int, unsigned> CDialog::ArmedTimers() const
{
    std::lock_guard lock(m_timerMutex);
    return m_timers;
}

void CDialog::SetTimerObserver(TimerObserver observer)
{
    std::lock_guard lock(m_timerMutex);
    m_timerObserver = std::move(observer);
}

} // namespace tarnwel
