#include "resources/client/ClientResources.h"

#include "resources/SharedResources.h"
#include "resources/client/ClientIconIds.h"
#include "resources/client/MainDialogIds.h"
#include "resources/client/MainMenuIds.h"
#include "resources/client/TrayMenuIds.h"
#include "resources/client/CategoryDialogIds.h"
#include "resources/client/ScheduleDialogIds.h"
#include "resources/dialogs/ConfigDialogIds.h"
#include "resources/dialogs/NewRulesDialogIds.h"
#include "resources/dialogs/OLDeletedRulesDialogIds.h"
#include "resources/dialogs/OvrRulesDialogIds.h"
#include "resources/dialogs/TWDeletedRulesDialogIds.h"

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
        client.AddDialog(main_dialog::Template());
        client.AddDialog(schedule_dialog::Template());
        client.AddDialog(category_dialog::Template());
        // The client's variants of the dialogs that both programs show.
        client.AddDialog(config_dialog::Template(DialogVariant::client));
        client.AddDialog(ovr_rules_dialog::Template(DialogVariant::client));
        client.AddDialog(ol_deleted_rules_dialog::Template(DialogVariant::client));
        client.AddDialog(tw_deleted_rules_dialog::Template(DialogVariant::client));
        client.AddDialog(new_rules_dialog::Template(DialogVariant::client));
        return client;
    }();
    return table;
}

} // namespace tarnwel
