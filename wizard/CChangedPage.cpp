#include "wizard/CChangedPage.h"

#include "resources/wizard/WizardPageIds.h"
#include "wizard/CDeletedPage.h"

namespace tarnwel {

using namespace wizard_pages;

CChangedPage::CChangedPage(CWizardContext& context)
    : CChoicePage(context, kChangedPage, 1, kRadio1, kRadio4, kRadio2)
{
}

void CChangedPage::ApplyChoice(int id)
{
    static constexpr int codes[] = {0, 2, 1, 3};
    if (id >= kRadio1 && id <= kRadio4)
        m_context.settings.SetOvrActionForAll(codes[id - kRadio1]);
}

std::unique_ptr<CDialog> CChangedPage::NextPage()
{
    return std::make_unique<CDeletedPage>(m_context);
}

} // namespace tarnwel
