#include "resources/dialogs/OvrRulesDialogIds.h"

namespace tarnwel::ovr_rules_dialog {

CDialogTemplate Template(DialogVariant variant)
{
    using namespace rules_parts;
    const bool wizard = variant == DialogVariant::wizard;
    const std::vector<std::string> actions = {"das Outlook Element überschreiben", "das DRAV Element überschreiben",
                                              "das ältere Element überschreiben",
                                              "den Benutzer fragen, was zu tun ist"};
    CRulesLayout layout;
    layout.templateId = kTemplateId;
    layout.width = wizard ? 267 : 295;
    layout.description = std::string("Hier können Sie das Verhalten des Replikators bestimmen, wann immer folgende "
                                     "Situation auftritt: \n")
                         + (wizard ? " " : "")
                         + "Von einem zuvor repliziertem Datenpaar wurde mindestens eins nach der letzten "
                           "Replikation verändert";
    layout.noRightsLabel = wizard ? kNoRightsLabelWithComma : kNoRightsLabel;
    layout.rows = kRows;
    layout.actionEntries = {actions, actions, actions};
    if (wizard) {
        layout.actionEntries[kTaskRow] = {"overwrite the Outlook item", "overwrite the DRAV item",
                                          "overwrite the older item", "ask user what to do"};
    }
    layout.noRightsEntries = {"das Outlook Element überschreiben", "den Benutzer fragen, was zu tun ist",
                              "alles unverändert lassen"};
    layout.listsStacked = wizard;
    return BuildRulesTemplate(layout);
}

} // namespace tarnwel::ovr_rules_dialog
