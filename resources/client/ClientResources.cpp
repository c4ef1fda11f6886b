#include "resources/client/ClientResources.h"

#include "resources/SharedResources.h"
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
