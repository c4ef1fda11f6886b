#include "wizard/CWizardPage.h"

namespace tarnwel {

CWizardPage::CWizardPage(CWizardContext& context, int templateId)
    : CDialog(context.resources.Dialog(templateId)), m_context(context)
{
}

} // namespace tarnwel
