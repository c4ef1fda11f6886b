#pragma once
// Dialog 100, "Über DRAV": the program's icon and version.

#include "platform/ui/CDialog.h"
#include "platform/ui/CResourceTable.h"
#include "resources/wizard/WizardPageIds.h"

namespace tarnwel {

class CWizardAboutDialog : public CDialog {
public:
    explicit CWizardAboutDialog(const CResourceTable& resources)
        : CDialog(resources.Dialog(wizard_pages::kAboutDialog))
    {
    }
};

} // namespace tarnwel
