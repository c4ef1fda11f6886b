#include "resources/client/CategoryDialogIds.h"

#include "platform/ui/CTemplateBuilder.h"

namespace tarnwel::category_dialog {

CDialogTemplate Template()
{
    CTemplateBuilder t(kTemplateId, "Elementauswahl", 174, 89);
    t.Add(kPrompt, ControlType::staticText, "Wählen Sie die zu replizierenden Elemente:", 7, 7, 160, 8);
    t.Add(kAppointments, ControlType::checkBox, "Termine", 14, 22, 100, 10).groupStart = true;
    t.Add(kContacts, ControlType::checkBox, "Kontakte", 14, 36, 100, 10).groupStart = true;
    t.Add(kTasks, ControlType::checkBox, "Aufgaben", 14, 50, 100, 10).groupStart = true;

    CControlTemplate& ok = t.Add(kIdOk, ControlType::pushButton, "OK", 63, 68, 50, 14);
    ok.groupStart = true;
    ok.defaultButton = true;
    t.Add(kIdCancel, ControlType::pushButton, "Abbrechen", 117, 68, 50, 14);
    return t.Take();
}

} // namespace tarnwel::category_dialog
