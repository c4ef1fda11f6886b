#include "platform/ui/CMenu.h"

namespace tarnwel {

namespace {

bool IsCommand(const CMenuItem& item)
{
    return !item.separator && item.popup.empty() && item.id != 0;
}

template <class Item>
Item* FindIn(std::vector<Item>& items, int id)
{
    for (Item& item : items) {
        if (IsCommand(item) && item.id == id)
            return &item;
        if (!item.popup.empty()) {
            if (Item* found = FindIn(item.popup, id))
                return found;
        }
    }
    return nullptr;
}

} // namespace

CMenu::CMenu(const CMenuTemplate& menuTemplate) : m_items(menuTemplate.items) {}

CMenu::CMenu(std::vector<CMenuItem> items) : m_items(std::move(items)) {}

std::vector<CMenuItem> CMenu::Items() const
{
    std::lock_guard lock(m_mutex);
    return m_items;
}

std::optional<CMenuItem> CMenu::FindItem(int id) const
{
    std::lock_guard lock(m_mutex);
    if (const CMenuItem* item = Find(id))
        return *item;
    return std::nullopt;
}

std::unique_ptr<CMenu> CMenu::SubMenu(int position) const
{
    std::lock_guard lock(m_mutex);
    if (position < 0 || position >= static_cast<int>(m_items.size()) || m_items[position].popup.empty())
        return nullptr;
    return std::make_unique<CMenu>(m_items[position].popup);
}

int CMenu::CommandAt(int position) const
{
    std::lock_guard lock(m_mutex);
    if (position < 0 || position >= static_cast<int>(m_items.size()) || !IsCommand(m_items[position]))
        return 0;
    return m_items[position].id;
}

bool CMenu::EnableMenuItem(int id, bool enable)
{
    std::lock_guard lock(m_mutex);
    CMenuItem* item = Find(id);
    if (!item)
        return false;
    if (item->grayed == !enable)
        return true;
    item->grayed = !enable;
    Changed(*item);
    return true;
}

bool CMenu::IsMenuItemEnabled(int id) const
{
    std::lock_guard lock(m_mutex);
    const CMenuItem* item = Find(id);
    return item && !item->grayed;
}

bool CMenu::CheckMenuItem(int id, bool check)
{
    std::lock_guard lock(m_mutex);
    CMenuItem* item = Find(id);
    if (!item)
        return false;
    if (item->checked == check)
        return true;
    item->checked = check;
    Changed(*item);
    return true;
}

bool CMenu::IsMenuItemChecked(int id) const
{
    std::lock_guard lock(m_mutex);
    const CMenuItem* item = Find(id);
    return item && item->checked;
}

bool CMenu::SetDefaultItem(int item, bool byPosition)
{
    std::lock_guard lock(m_mutex);
    int target = -1;
    if (item != -1) {
        for (std::size_t i = 0; i < m_items.size() && target < 0; ++i) {
            const bool match = byPosition ? static_cast<int>(i) == item : m_items[i].id == item;
            if (match && IsCommand(m_items[i]))
                target = static_cast<int>(i);
        }
        if (target < 0)
            return false;
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const bool isDefault = static_cast<int>(i) == target;
        if (m_items[i].defaultItem != isDefault) {
            m_items[i].defaultItem = isDefault;
            Changed(m_items[i]);
        }
    }
    return true;
}

int CMenu::GetDefaultItem(bool byPosition) const
{
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].defaultItem)
            return byPosition ? static_cast<int>(i) : m_items[i].id;
    }
    return -1;
}

void CMenu::SetObserver(Observer observer)
{
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

CMenuItem* CMenu::Find(int id)
{
    return FindIn(m_items, id);
}

const CMenuItem* CMenu::Find(int id) const
{
    return FindIn(const_cast<std::vector<CMenuItem>&>(m_items), id);
}

void CMenu::Changed(const CMenuItem& item)
{
    if (m_observer)
        m_observer(item);
}

} // namespace tarnwel
