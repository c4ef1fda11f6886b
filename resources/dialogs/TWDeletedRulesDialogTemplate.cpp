#include "resources/dialogs/TWDeletedRulesDialogIds.h"

namespace tarnwel::tw_deleted_rules_dialog {

CDialogTemplate Template(DialogVariant variant)
{
    using namespace rules_parts;
    const bool wizard = variant == DialogVariant::wizard;
    const std::vector<std::string> actions = {"das Outlook Element löschen", "das DRAV Element wiederherstellen",
                                              "den Benutzer fragen, was zu tun ist."};
    CRulesLayout layout;
    layout.templateId = kTemplateId;
    layout.width = wizard ? 262 : 312;
    layout.description = "Hier können Sie das Verhalten des Replikators bestimmen, wann immer folgende Situation "
                         "auftritt: \n Von einem zuvor repliziertem Datenpaar wurde das DRAV Element gelöscht.";
    // Both programs write this label with a comma.
    layout.noRightsLabel = kNoRightsLabelWithComma;
    layout.rows = Rows(variant);
    layout.actionEntries = {actions, actions, actions};
    layout.noRightsEntries = {"das Outlook Element löschen", "den Benutzer fragen,was zu tun ist",
                              "alles unverändert lassen"};
    layout.newerThanText = "falls Outlook Element neuer als:";
    layout.listsStacked = wizard;
    return BuildRulesTemplate(layout);
}

} // namespace tarnwel::tw_deleted_rules_dialog
