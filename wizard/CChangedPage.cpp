#include "wizard/CChangedPage.h"

#include "resources/wizard/WizardPageIds.h"
#include "wizard/CDeletedPage.h"

namespace tarnwel {

using namespace wizard_pages;

CChangedPage::CChangedPage(CWizardContext& context)
    : CChoicePage(context, kChangedPage, kChangedPairSlot, kRadio1, kRadio4, kRadio2)
{
}

void CChangedPage::ApplyChoice(int id)
{
    using namespace rule_code;
    static constexpr int codes[] = {kOvrOverwriteOutlook, kOvrNewerWins, kOvrOverwriteServer, kOvrAskUser};
    if (id >= kRadio1 && id <= kRadio4)
        m_context.settings.SetOvrActionForAll(codes[id - kRadio1]);
}

std::unique_ptr<CDialog> CChangedPage::NextPage()
{
    return std::make_unique<CDeletedPage>(m_context);
}

} // namespace tarnwel
