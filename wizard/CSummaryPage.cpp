#include "wizard/CSummaryPage.h"

#include "dialogs/CWizardConfigDialog.h"
#include "resources/wizard/WizardPageIds.h"

namespace tarnwel {

using namespace wizard_pages;

CSummaryPage::CSummaryPage(CWizardContext& context) : CWizardPage(context, kSummaryPage) {}

std::string CSummaryPage::SummaryText(const CChoiceTexts& choiceTexts)
{
    return "Wenn ein Outlook Element zum ersten Mal repliziert wird:\n\t" + choiceTexts[kFirstReplicationSlot] +
           "\nWenn ein Element des replizierten Paares geändert wurde:\n\t" + choiceTexts[kChangedPairSlot] +
           "\nWenn ein Element des replizierten Paares gelöscht wurde:\n\t" + choiceTexts[kDeletedPairSlot];
}

bool CSummaryPage::OnInitDialog()
{
    const bool result = CWizardPage::OnInitDialog();
    BuildSummary();
    return result;
}

void CSummaryPage::BuildSummary()
{
    SetItemText(kSummaryText, SummaryText(m_context.choiceTexts));
    if (m_context.settings.createdWithDefaults == 0)
        SetItemText(kNoRightsNote, kExistingFileNote);
}

void CSummaryPage::OnClicked(int id)
{
    if (id == kBack) {
        CDialog::OnOK();
    } else if (id == kAdvanced) {
        // Its changes stay in the record; the summary keeps the pages' texts.
        CWizardConfigDialog advanced(m_context.settings, m_context.resources);
        advanced.DoModal();
    }
}

void CSummaryPage::OnOK()
{
    m_context.settings.SaveToStoredPath();
    EndDialog(kIdFinished);
}

} // namespace tarnwel
