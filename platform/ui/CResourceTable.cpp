#include "platform/ui/CResourceTable.h"

#include <set>
#include <stdexcept>

namespace tarnwel {

namespace {

template <class Entry>
void AddEntry(std::map<int, Entry>& entries, Entry entry, const std::string& table, const char* kind)
{
    const int id = entry.id;
    if (!entries.emplace(id, std::move(entry)).second)
        throw std::logic_error(table + " resources hold " + kind + " " + std::to_string(id) + " twice");
}

template <class Entry>
const Entry* FindEntry(const std::map<int, Entry>& entries, int id)
{
    const auto found = entries.find(id);
    return found == entries.end() ? nullptr : &found->second;
}

} // namespace

CResourceTable::CResourceTable(std::string name, const CResourceTable* shared)
    : m_name(std::move(name)), m_shared(shared)
{
}

void CResourceTable::AddDialog(CDialogTemplate dialogTemplate)
{
    AddEntry(m_dialogs, std::move(dialogTemplate), m_name, "dialog");
}

void CResourceTable::AddMenu(CMenuTemplate menu)
{
    AddEntry(m_menus, std::move(menu), m_name, "menu");
}

void CResourceTable::AddIcon(CIconResource icon)
{
    AddEntry(m_icons, std::move(icon), m_name, "icon");
}

const CDialogTemplate* CResourceTable::FindDialog(int id) const
{
    if (const CDialogTemplate* own = FindEntry(m_dialogs, id))
        return own;
    return m_shared ? m_shared->FindDialog(id) : nullptr;
}

const CMenuTemplate* CResourceTable::FindMenu(int id) const
{
    if (const CMenuTemplate* own = FindEntry(m_menus, id))
        return own;
    return m_shared ? m_shared->FindMenu(id) : nullptr;
}

const CIconResource* CResourceTable::FindIcon(int id) const
{
    if (const CIconResource* own = FindEntry(m_icons, id))
        return own;
    return m_shared ? m_shared->FindIcon(id) : nullptr;
}

const CDialogTemplate& CResourceTable::Dialog(int id) const
{
    if (const CDialogTemplate* found = FindDialog(id))
        return *found;
    throw std::out_of_range(m_name + " resources hold no dialog template " + std::to_string(id));
}

const CMenuTemplate& CResourceTable::Menu(int id) const
{
    if (const CMenuTemplate* found = FindMenu(id))
        return *found;
    throw std::out_of_range(m_name + " resources hold no menu " + std::to_string(id));
}

std::vector<int> CResourceTable::DialogIds() const
{
    std::set<int> ids;
    for (const auto& [id, dialog] : m_dialogs)
        ids.insert(id);
    if (m_shared) {
        for (const int id : m_shared->DialogIds())
            ids.insert(id);
    }
    return {ids.begin(), ids.end()};
}

} // namespace tarnwel
