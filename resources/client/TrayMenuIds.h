#pragma once
// The popup menu of the client's tray icon (one popup; its first entry is
// the default one, which a double click on the icon chooses).

#include "platform/ui/CResourceTable.h"

namespace tarnwel::tray_menu {

// The tray icon's id is the menu's id too.
inline constexpr int kMenuId = 147;
inline constexpr int kOpen = 32772;
inline constexpr int kHide = 32773;

CMenuTemplate Menu();

} // namespace tarnwel::tray_menu
