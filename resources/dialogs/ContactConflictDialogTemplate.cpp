#include "resources/dialogs/ContactConflictDialogIds.h"
#include "resources/dialogs/QuestionTemplateParts.h"

namespace tarnwel::contact_conflict_dialog {

CDialogTemplate Template()
{
    using namespace question_parts;
    CTemplateBuilder t(kTemplateId, "Information", 245, 322);
    ItemText(t, kText, 7, 7, 231, 140);
    OptionsFrame(t, 7, 152, 231, 142);
    Option(t, kNewAddress, "Erstelle eine eine neue DRAV Adresse, mit dem Outlook Kontakt als einzelner DRAV Kontakt.",
           14, 164, 217, kOptionHeight, true);
    Option(t, kOverwriteServer, "Überschreibe die DRAV Adresse mit den Outlook Elementen ", 14, 184, 217,
           kOptionHeight);
    Option(t, kLink, "Ordne den Outlook Kontakt, einer der existierenden DRAV Adressen zu:", 14, 204, 217,
           kOptionHeight);
    t.Add(kCompanies, ControlType::dropDownList, "", 26, 224, 205, 80);
    t.Add(kKeepCopy, ControlType::checkBox,
          "und belass eine Kopie des DRAV Kontaktes bei seiner ehemaligen DRAV Adresse.", 26, 240, 205,
          kOptionHeight);
    Option(t, kOverwriteOutlook,
           "Überschreibe den Outlook Kontakt mit der Adresse und dem Kontakt des DRAV Gegenstückes.", 14, 260, 217,
           kOptionHeight);
    Option(t, kLeaveBoth, "Lass alles unverändert auf beiden Seiten.", 14, 280, 217, 10);
    OkButton(t, 97, 301);
    return t.Take();
}

} // namespace tarnwel::contact_conflict_dialog
