#include "resources/wizard/WizardResources.h"

#include "resources/SharedResources.h"
#include "resources/wizard/WizardIconIds.h"

namespace tarnwel {

const CResourceTable& WizardResources()
{
    static const CResourceTable table = [] {
        CResourceTable wizard("wizard", &SharedResources());
        // The wizard's own dialogs, menus and icons, one line each.
        wizard.AddIcon({wizard_icons::kApplication, ":/icons/application.png"});
        return wizard;
    }();
    return table;
}

} // namespace tarnwel
