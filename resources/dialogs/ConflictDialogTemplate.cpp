#include "resources/dialogs/ConflictDialogIds.h"
#include "resources/dialogs/QuestionTemplateParts.h"

namespace tarnwel::conflict_dialog {

CDialogTemplate Template()
{
    using namespace question_parts;
    CTemplateBuilder t(kTemplateId, "Information", 200, 234);
    ItemText(t, kText, 7, 7, 186, 120);
    OptionsFrame(t, 7, 132, 186, 76);
    Option(t, kFirst, "Erstelle den Termin in DRAV", 14, 144, 172, kOptionHeight, true);
    Option(t, kSecond, "Lösche den Outlook Termin ", 14, 164, 172, kOptionHeight);
    Option(t, kNoChanges, "Alles unverändert lassen", 14, 184, 172, kOptionHeight);
    OkButton(t, 75, 213);
    return t.Take();
}

} // namespace tarnwel::conflict_dialog
