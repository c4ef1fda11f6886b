#include "wizard/CDeletedPage.h"

#include "resources/wizard/WizardPageIds.h"
#include "wizard/CSummaryPage.h"

namespace tarnwel {

using namespace wizard_pages;

CDeletedPage::CDeletedPage(CWizardContext& context)
    : CChoicePage(context, kDeletedPage, kDeletedPairSlot, kRadio1, kRadio3, kRadio1)
{
}

void CDeletedPage::ApplyChoice(int id)
{
    // The server's and Outlook's deleted-item rules, in that order.
    using namespace rule_code;
    static constexpr int codes[][2] = {{kTWDeletedRemoveFromOutlook, kOLDeletedDeleteOnServer},
                                       {kTWDeletedRestoreOnServer, kOLDeletedRestoreInOutlook},
                                       {kTWDeletedAskUser, kOLDeletedAskUser}};
    if (id >= kRadio1 && id <= kRadio3) {
        m_context.settings.SetTWDeletedActionForAll(codes[id - kRadio1][0]);
        m_context.settings.SetOLDeletedActionForAll(codes[id - kRadio1][1]);
    }
}

std::unique_ptr<CDialog> CDeletedPage::NextPage()
{
    return std::make_unique<CSummaryPage>(m_context);
}

} // namespace tarnwel
