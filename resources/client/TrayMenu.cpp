#include "resources/client/TrayMenuIds.h"

#include "platform/ui/MenuItems.h"

namespace tarnwel::tray_menu {

CMenuTemplate Menu()
{
    return {kMenuId, {MenuPopup("", {MenuCommand(kOpen, "\xC3\x96" "ffnen"), MenuCommand(kHide, "Verbergen")})}};
}

} // namespace tarnwel::tray_menu
