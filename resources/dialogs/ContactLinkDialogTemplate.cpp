#include "resources/dialogs/ContactLinkDialogIds.h"
#include "resources/dialogs/QuestionTemplateParts.h"

namespace tarnwel::contact_link_dialog {

CDialogTemplate Template()
{
    using namespace question_parts;
    CTemplateBuilder t(kTemplateId, "Information", 233, 286);
    ItemText(t, kText, 7, 7, 219, 120);
    OptionsFrame(t, 7, 132, 219, 118);
    Option(t, kNewAddress, "Erstelle eine eine neue DRAV Adresse, mit dem Outlook Kontakt als einzelner DRAV Kontakt.",
           14, 144, 205, kOptionHeight, true);
    Option(t, kLink, "Ordne den Outlook Kontakt einer der folgenden DRAV Adressen zu:", 14, 164, 205, kOptionHeight);
    t.Add(kCompanies, ControlType::dropDownList, "", 26, 184, 193, 80);
    Option(t, kDelete, "Den Outlook Kontakt löschen", 14, 202, 205, kOptionHeight);
    Option(t, kLeave, "Alles unverändert lassen", 14, 222, 205, kOptionHeight);
    OkButton(t, 91, 262);
    return t.Take();
}

} // namespace tarnwel::contact_link_dialog
