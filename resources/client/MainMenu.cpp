#include "resources/client/MainMenuIds.h"

#include "platform/ui/MenuItems.h"

namespace tarnwel::main_menu {

CMenuTemplate Menu()
{
    return {kMenuId,
            {MenuPopup("Datei",
                       {MenuCommand(kSynchronize, "Synchronisieren"),
                        MenuCommand(kStop, "Stoppen"),
                        MenuSeparator(),
                        MenuCommand(kVacuum, "Outlook l\xC3\xB6schen"),
                        MenuCommand(kOnlyOwnItems, "Nur DRAV Elemente l\xC3\xB6schen"),
                        MenuSeparator(),
                        MenuCommand(kLeave, "Verlassen"),
                        MenuCommand(kLeaveAndDisableSync, "Verlassen und Sync deaktivieren")}),
             MenuPopup("Werkzeuge",
                       {MenuCommand(kConflictWizard, "Konfliktwizard"),
                        MenuCommand(kConfiguration, "Konfiguraton"),
                        MenuCommand(kSchedule, "Replikationszeitplan"),
                        MenuSeparator(),
                        MenuCommand(kKindsToReplicate, "Zu replizierende Elemente"),
                        MenuCommand(kKindsToDelete, "Zu l\xC3\xB6schende Elemente")})}};
}

} // namespace tarnwel::main_menu
