#include "wizard/CChoicePage.h"

#include "platform/base/Text.h"
#include "resources/wizard/WizardPageIds.h"

namespace tarnwel {

CChoicePage::CChoicePage(CWizardContext& context, int templateId, int slot, int firstRadio, int lastRadio,
                         int defaultRadio)
    : CWizardPage(context, templateId), m_slot(slot), m_firstRadio(firstRadio), m_lastRadio(lastRadio),
      m_defaultRadio(defaultRadio)
{
}

bool CChoicePage::OnInitDialog()
{
    const bool result = CWizardPage::OnInitDialog();
    // Shown as chosen, but nothing is set until a click or "Weiter".
    CheckRadioButton(m_firstRadio, m_lastRadio, m_defaultRadio);
    return result;
}

void CChoicePage::OnClicked(int id)
{
    if (id >= m_firstRadio && id <= m_lastRadio) {
        Choose(id);
    } else if (id == wizard_pages::kNext) {
        Next();
    } else if (id == wizard_pages::kBack) {
        // Back to the page below, through the plain OK handling.
        CDialog::OnOK();
    }
}

void CChoicePage::Choose(int id)
{
    ApplyChoice(id);
    m_choiceText = std::string(LeftCodePoints(GetItemText(id), kMaxChoiceText));
    m_clicked = true;
}

void CChoicePage::Next()
{
    if (!m_clicked) {
        CheckRadioButton(m_firstRadio, m_lastRadio, m_defaultRadio);
        Choose(m_defaultRadio);
    }
    m_context.choiceTexts.at(m_slot) = m_choiceText;
    const std::unique_ptr<CDialog> next = NextPage();
    const int result = next->DoModal();
    // "Zurück" there comes back here; a cancel or the end of the wizard
    // travels on down the chain.
    if (result != kIdOk)
        EndDialog(result);
}

} // namespace tarnwel
