#include "engine/CConflictDialog.h"

#include "resources/SharedResources.h"
#include "resources/StringTable.h"

namespace tarnwel {

using namespace conflict_dialog;

CConflictDialog::CConflictDialog() : CDialog(LoadDialogTemplate(kTemplateId)) {}

bool CConflictDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_hintGiven && !m_hintFavoursFirst) {
        CheckRadioButton(kFirst, kNoChanges, kSecond);
        m_choice = kSecondChoice;
    } else {
        CheckRadioButton(kFirst, kNoChanges, kFirst);
        m_choice = kFirstChoice;
    }
    SetItemText(kFirst, m_firstCaption);
    SetItemText(kSecond, m_secondCaption);
    SetItemText(kNoChanges, LoadResourceText(string_id::kLeaveUnchangedCaption));
    return true;
}

void CConflictDialog::OnClicked(int id)
{
    switch (id) {
    case kFirst:
        m_choice = kFirstChoice;
        break;
    case kSecond:
        m_choice = kSecondChoice;
        break;
    case kNoChanges:
        m_choice = kNoChangesChoice;
        break;
    default:
        break;
    }
}

void CConflictDialog::DoDataExchange(bool save)
{
    if (save)
        m_text = GetItemText(kText);
    else
        SetItemText(kText, m_text);
}

} // namespace tarnwel
