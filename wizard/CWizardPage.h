#pragma once
// What every wizard page works on: the settings record, the three choice
// texts (one slot for each choice page) and the wizard's resource table, from
// which each page takes its template.

#include "platform/ui/CDialog.h"
#include "platform/ui/CResourceTable.h"
#include "wizard/CWizardSettings.h"
#include "wizard/ChoiceTexts.h"

namespace tarnwel {

// The result with which "Fertigstellen" ends the summary page and every page
// below it: the program ends.
inline constexpr int kIdFinished = 8;

struct CWizardContext {
    CWizardSettings& settings;
    CChoiceTexts& choiceTexts;
    const CResourceTable& resources;
};

class CWizardPage : public CDialog {
public:
    CWizardPage(CWizardContext& context, int templateId);

protected:
    CWizardContext& m_context;
};

} // namespace tarnwel
