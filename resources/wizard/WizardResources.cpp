#include "resources/wizard/WizardResources.h"

#include "resources/SharedResources.h"

namespace tarnwel {

const CResourceTable& WizardResources()
{
    static const CResourceTable table = [] {
        CResourceTable wizard("wizard", &SharedResources());
        // The wizard's own dialogs, menus and icons, one line each.
        return wizard;
    }();
    return table;
}

} // namespace tarnwel
