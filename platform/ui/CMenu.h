#pragma once
// A live menu built from a menu resource: a menu bar whose entries are popups,
// or one popup. The logic enables, greys, checks and marks entries as the
// default by command id, or a menu's own entry by position; command ids are
// searched in every popup below. A backend that draws the menu mirrors the
// states through the observer. States may change from any thread (a run's
// worker greys entries of the main window's menu bar).

#include "platform/ui/CResourceTable.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tarnwel {

class CMenu {
public:
    CMenu() = default;
    explicit CMenu(const CMenuTemplate& menuTemplate);
    explicit CMenu(std::vector<CMenuItem> items);
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // Every entry as it stands now (a copy; popups with their entries).
    std::vector<CMenuItem> Items() const;
    // The command entry with `id` anywhere in the menu, as it stands now.
    std::optional<CMenuItem> FindItem(int id) const;
    // The popup at `position` of this menu as a menu of its own (a copy), or
    // null when that entry is no popup.
    std::unique_ptr<CMenu> SubMenu(int position) const;
    // The command id of the entry at `position`; 0 for a separator, a popup
    // or a position outside the menu.
    int CommandAt(int position) const;

    // Each returns false, changing nothing, when the menu holds no command
    // entry with `id`. A disabled entry is drawn grey and cannot be chosen.
    bool EnableMenuItem(int id, bool enable);
    bool IsMenuItemEnabled(int id) const;
    bool CheckMenuItem(int id, bool check);
    bool IsMenuItemChecked(int id) const;
    // Makes one entry of this menu its default entry (drawn bold; a tray
    // icon's double click chooses it): the entry at position `item` when
    // `byPosition`, else the command `item` among this menu's own entries.
    // The previous default of this menu loses the mark. Returns false, and
    // changes nothing, when there is no such command entry; -1 clears the
    // default.
    bool SetDefaultItem(int item, bool byPosition);
    // The default entry's position (`byPosition`) or command id; -1 none.
    int GetDefaultItem(bool byPosition) const;

    // Told of every entry whose state changes, with the entry as it now
    // stands. It is called with the menu's lock held, so it must not call
    // the menu back (backends queue the change to their own thread).
    using Observer = std::function<void(const CMenuItem&)>;
    void SetObserver(Observer observer);

private:
    CMenuItem* Find(int id);
    const CMenuItem* Find(int id) const;
    void Changed(const CMenuItem& item);

    mutable std::mutex m_mutex;
    std::vector<CMenuItem> m_items;
    Observer m_observer;
};

} // namespace tarnwel
