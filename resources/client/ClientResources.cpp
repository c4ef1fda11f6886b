#include "resources/client/ClientResources.h"

#include "resources/SharedResources.h"
#include "resources/client/ClientIconIds.h"
#include "resources/client/MainMenuIds.h"
#include "resources/client/TrayMenuIds.h"

namespace tarnwel {

const CResourceTable& ClientResources()
{
    static const CResourceTable table = [] {
        CResourceTable client("client", &SharedResources());
        // The client's own dialogs, menus and icons, one line each.
        client.AddMenu(main_menu::Menu());
        client.AddMenu(tray_menu::Menu());
        client.AddIcon({client_icons::kApplication, ":/icons/application.png"});
        client.AddIcon({client_icons::kReplicate, ":/icons/replicate.png"});
        client.AddIcon({client_icons::kBackground, ":/icons/background.png"});
        client.AddIcon({client_icons::kSettings, ":/icons/settings.png"});
        client.AddIcon({client_icons::kExit, ":/icons/exit.png"});
        client.AddIcon({client_icons::kStop, ":/icons/stop.png"});
        client.AddIcon({client_icons::kVacuum, ":/icons/vacuum.png"});
        return client;
    }();
    return table;
}

} // namespace tarnwel
