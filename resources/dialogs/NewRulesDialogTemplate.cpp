#include "resources/dialogs/NewRulesDialogIds.h"

namespace tarnwel::new_rules_dialog {

CDialogTemplate Template(DialogVariant variant)
{
    using namespace rules_parts;
    const bool wizard = variant == DialogVariant::wizard;
    CRulesLayout layout;
    layout.templateId = kTemplateId;
    layout.width = wizard ? 277 : 486;
    layout.description = std::string("Hier können Sie das Verhalten des Replikators bestimmen, wann immer folgende "
                                     "Situation auftritt:\n")
                         + (wizard ? " " : "") + "Ein Outlook Element wurde niemals zuvor repliziert.";
    layout.noRightsLabel = wizard ? kNoRightsLabelWithComma : kNoRightsLabel;
    layout.rows = kRows;
    layout.actionEntries[kAppointmentRow] = {"einen neuen Termin in DRAV erstellen",
                                             wizard ? "den Outlook Termin loeschen" : "den Outlook Termin löschen",
                                             "den Benutzer fragen, was zu tun ist",
                                             "alles unverändert lassen (keinen Termin in DRAV erstellen)"};
    if (wizard) {
        layout.actionEntries[kContactRow] = {"create new Adress-Contact in DRAV", "delete the Outlook Contact",
                                             "ask user what to do",
                                             "leave everything unchanged (don't create Contact in DRAV)"};
        layout.actionEntries[kTaskRow] = {"create new main Task in DRAV", "delete the Outlook Task",
                                          "ask user what to do",
                                          "leave everything unchanged (don't create Task in DRAV)"};
    } else {
        layout.actionEntries[kContactRow] = {"einen neuen Kontakt in DRAV erstellen", "den Outlook Kontakt löschen",
                                             "den Benutzer fragen, was zu tun ist",
                                             "alles unverändert lassen (keinen Kontakt in DRAV erstellen)"};
        layout.actionEntries[kTaskRow] = {"eine neue Aufgabe in DRAV erstellen", "die Outlook Aufgabe löschen",
                                          "den Benutzer fragen, was zu tun ist",
                                          "alles unverändert lassen (keine Aufgabe in DRAV erstellen)"};
    }
    layout.noRightsEntries = {"aus Outlook löschen", "den Benutzer fragen, was zu tun ist",
                              "alles unverändert lassen"};
    layout.listsStacked = wizard;
    return BuildRulesTemplate(layout);
}

} // namespace tarnwel::new_rules_dialog
