#pragma once
// Page 180, "Installationsoptionen": the connection, asked first when an
// installer starts the wizard. "Weiter" takes the three edits into the
// settings and opens the first-replication page with its back button.

#include "wizard/CWizardPage.h"

namespace tarnwel {

class CConnectionPage : public CWizardPage {
public:
    explicit CConnectionPage(CWizardContext& context);

protected:
    bool OnInitDialog() override;
    // "Weiter" and Enter.
    void OnOK() override;
};

} // namespace tarnwel
