#include "resources/wizard/WizardPageIds.h"
#include "wizard/CChangedPage.h"
#include "wizard/CDeletedPage.h"
#include "wizard/CSummaryPage.h"

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

CDeletedPage::CDeletedPage(CWizardContext& context)
    : CChoicePage(context, kDeletedPage, 2, kRadio1, kRadio3, kRadio1)
{
}

void CDeletedPage::ApplyChoice(int id)
{
    // The server's and Outlook's deleted-item rules, in that order.
    static constexpr int codes[][2] = {{0, 1}, {1, 0}, {2, 2}};
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
