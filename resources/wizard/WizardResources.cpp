#include "resources/wizard/WizardResources.h"

#include "resources/SharedResources.h"
#include "resources/wizard/WizardIconIds.h"
#include "resources/wizard/WizardPageTemplates.h"
#include "resources/dialogs/ConfigDialogIds.h"
#include "resources/dialogs/NewRulesDialogIds.h"
#include "resources/dialogs/OLDeletedRulesDialogIds.h"
#include "resources/dialogs/OvrRulesDialogIds.h"
#include "resources/dialogs/TWDeletedRulesDialogIds.h"

namespace tarnwel {

const CResourceTable& WizardResources()
{
    static const CResourceTable table = [] {
        CResourceTable wizard("wizard", &SharedResources());
        // The wizard's own dialogs, menus and icons, one line each.
        wizard.AddIcon({wizard_icons::kApplication, ":/icons/application.png"});
        wizard.AddDialog(wizard_pages::AboutDialogTemplate());
        wizard.AddDialog(wizard_pages::FirstPageTemplate());
        wizard.AddDialog(wizard_pages::ChangedPageTemplate());
        wizard.AddDialog(wizard_pages::SummaryPageTemplate());
        wizard.AddDialog(wizard_pages::DeletedPageTemplate());
        wizard.AddDialog(wizard_pages::ConnectionPageTemplate());
        // The wizard's variants of the dialogs that both programs show.
        wizard.AddDialog(config_dialog::Template(DialogVariant::wizard));
        wizard.AddDialog(ovr_rules_dialog::Template(DialogVariant::wizard));
        wizard.AddDialog(ol_deleted_rules_dialog::Template(DialogVariant::wizard));
        wizard.AddDialog(tw_deleted_rules_dialog::Template(DialogVariant::wizard));
        wizard.AddDialog(new_rules_dialog::Template(DialogVariant::wizard));
        return wizard;
    }();
    return table;
}

} // namespace tarnwel
