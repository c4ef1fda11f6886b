#pragma once
// The wizard's configuration dialog: CConfigDialog in the wizard's variant
// ("Konfiguration der Replikator Einstellungen"), taking its template and
// those of the rule dialogs it opens from the wizard's resource table.

#include "dialogs/CConfigDialog.h"

namespace tarnwel {

class CWizardConfigDialog : public CConfigDialog {
public:
    CWizardConfigDialog(CReplicationSettings& settings, const CResourceTable& wizardResources)
        : CConfigDialog(settings, DialogVariant::wizard, wizardResources)
    {
    }
};

} // namespace tarnwel
