#pragma once
// Entries of menu resources, for the programs' menu templates:
//
//   return {kMenuId, {MenuPopup("Datei", {MenuCommand(kSave, "Speichern"), MenuSeparator()})}};

#include "platform/ui/CResourceTable.h"

#include <string>
#include <utility>
#include <vector>

namespace tarnwel {

inline CMenuItem MenuCommand(int id, std::string text)
{
    CMenuItem item;
    item.id = id;
    item.text = std::move(text);
    return item;
}

inline CMenuItem MenuSeparator()
{
    CMenuItem item;
    item.separator = true;
    return item;
}

inline CMenuItem MenuPopup(std::string text, std::vector<CMenuItem> entries)
{
    CMenuItem item;
    item.text = std::move(text);
    item.popup = std::move(entries);
    return item;
}

} // namespace tarnwel
