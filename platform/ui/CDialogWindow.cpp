// The window state of a dialog's showing and its system commands.

#include "platform/ui/CDialog.h"

#include "platform/ui/UiBackend.h"

#include <algorithm>

namespace tarnwel {

void CDialog::ShowWindow(ShowCommand command)
{
    bool visible = m_visible;
    bool iconic = m_iconic;
    switch (command) {
    case ShowCommand::hide:
        visible = false;
        break;
    case ShowCommand::show:
        visible = true;
        break;
    case ShowCommand::restore:
        visible = true;
        iconic = false;
        break;
    case ShowCommand::minimize:
        visible = true;
        iconic = true;
        break;
    }
    if (visible == m_visible && iconic == m_iconic)
        return;
    m_visible = visible;
    m_iconic = iconic;
    if (m_windowObserver)
        m_windowObserver(WindowChange::state);
}

void CDialog::EnableWindow(bool enable)
{
    if (enable == m_windowEnabled)
        return;
    m_windowEnabled = enable;
    if (m_windowObserver)
        m_windowObserver(WindowChange::state);
}

void CDialog::SetWindowSize(int widthPx, int heightPx)
{
    widthPx = std::max(widthPx, 0);
    heightPx = std::max(heightPx, 0);
    if (widthPx == m_windowWidth && heightPx == m_windowHeight)
        return;
    m_windowWidth = widthPx;
    m_windowHeight = heightPx;
    if (m_windowObserver)
        m_windowObserver(WindowChange::size);
}

void CDialog::BringToFront()
{
    ++m_frontCount;
    if (m_windowObserver)
        m_windowObserver(WindowChange::front);
}

void CDialog::PostSysCommand(SysCommand command)
{
    std::weak_ptr<CDialog*> self = m_self;
    ActiveUiBackend().Post([self, command] {
        if (const std::shared_ptr<CDialog*> dialog = self.lock())
            (*dialog)->UserSysCommand(command);
    });
}

void CDialog::OnSysCommand(SysCommand command)
{
    switch (command) {
    case SysCommand::minimize:
        ShowWindow(ShowCommand::minimize);
        break;
    case SysCommand::restore:
        ShowWindow(ShowCommand::restore);
        break;
    case SysCommand::close:
        OnClose();
        break;
    }
}

} // namespace tarnwel
