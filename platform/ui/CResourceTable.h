#pragma once
// A program's resources: dialog templates, menus and icons by numeric id. The
// two programs use the same ids for different dialogs, so each has a table of
// its own; the dialogs that both show sit in a shared table that each
// program's table takes in. A lookup searches the program's own entries first,
// then the shared table, so a program may also give a shared dialog a variant
// of its own under the same id.

#include "platform/ui/DialogTemplate.h"

#include <map>
#include <string>
#include <vector>

namespace tarnwel {

// One entry of a menu: a command, a separator or a popup with entries.
struct CMenuItem {
    int id = 0;               // command id; 0 for separators and popups
    std::string text;
    bool separator = false;
    bool checked = false;
    bool grayed = false;
    bool defaultItem = false;  // shown in bold, chosen by a double click
    std::vector<CMenuItem> popup;
};

struct CMenuTemplate {
    int id = 0;
    std::vector<CMenuItem> items;
};

// An icon or bitmap: the image file that holds it (a path the ui backend
// resolves, for example a Qt resource path ":/icons/replicate.png").
struct CIconResource {
    int id = 0;
    std::string file;
};

class CResourceTable {
public:
    // `name` says which program the table belongs to ("client", "wizard",
    // "shared"); `shared` (not owned, may be null) is searched after the own
    // entries.
    explicit CResourceTable(std::string name, const CResourceTable* shared = nullptr);

    const std::string& Name() const { return m_name; }
    const CResourceTable* Shared() const { return m_shared; }

    // Adding an id that the table's own entries already hold is a
    // programming error and throws std::logic_error.
    void AddDialog(CDialogTemplate dialogTemplate);
    void AddMenu(CMenuTemplate menu);
    void AddIcon(CIconResource icon);

    // Null when neither the table nor its shared table holds the id.
    const CDialogTemplate* FindDialog(int id) const;
    const CMenuTemplate* FindMenu(int id) const;
    const CIconResource* FindIcon(int id) const;
    // As Find..., but an unknown id throws std::out_of_range.
    const CDialogTemplate& Dialog(int id) const;
    const CMenuTemplate& Menu(int id) const;

    // Every dialog id the program can show, own and shared, in rising order.
    std::vector<int> DialogIds() const;

private:
    std::string m_name;
    const CResourceTable* m_shared;
    std::map<int, CDialogTemplate> m_dialogs;
    std::map<int, CMenuTemplate> m_menus;
    std::map<int, CIconResource> m_icons;
};

} // namespace tarnwel
