#include "resources/dialogs/OLDeletedRulesDialogIds.h"

namespace tarnwel::ol_deleted_rules_dialog {

CDialogTemplate Template(DialogVariant variant)
{
    using namespace rules_parts;
    const bool wizard = variant == DialogVariant::wizard;
    const std::vector<std::string> actions = {"das Outlook Element wiederherstellen", "das DRAV Element löschen",
                                              "den Benutzer fragen, was zu tun ist."};
    CRulesLayout layout;
    layout.templateId = kTemplateId;
    layout.width = wizard ? 262 : 312;
    layout.description = std::string("Hier können Sie das Verhalten des Replikators bestimmen, wann immer folgende "
                                     "Situation auftritt: \n")
                         + (wizard ? " " : "")
                         + "Von einem zuvor repliziertem Datenpaar wurde das Outlook Element gelöscht.";
    layout.noRightsLabel = wizard ? kNoRightsLabelWithComma : kNoRightsLabel;
    layout.rows = Rows(variant);
    layout.actionEntries = {actions, actions, actions};
    layout.noRightsEntries = {"das Outlook Element wiederherstellen", "den Benutzer fragen, was zu tun ist.",
                              "alles unverändert lassen."};
    layout.newerThanText = "falls Server Element neuer als (sonst lösche):";
    layout.listsStacked = wizard;
    return BuildRulesTemplate(layout);
}

} // namespace tarnwel::ol_deleted_rules_dialog
