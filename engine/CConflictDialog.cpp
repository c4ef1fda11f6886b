#include "engine/CConflictDialog.h"

#include "resources/SharedResources.h"
#include "resources/StringTable.h"

namespace tarnwel {

using namespace conflict_dialog;

namespace {

// String-table entry: the caption of the "no changes" option.
constexpr int kNoChangesCaption = 169;

} // namespace

CConflictDialog::CConflictDialog() : CDialog(LoadDialogTemplate(kTemplateId)) {}

bool CConflictDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_hintGiven && !m_hintFavoursFirst) {
        CheckRadioButton(kFirst, kNoChanges, kSecond);
        m_choice = 1;
    } else {
        CheckRadioButton(kFirst, kNoChanges, kFirst);
        m_choice = 0;
    }
    SetItemText(kFirst, m_firstCaption);
    SetItemText(kSecond, m_secondCaption);
    SetItemText(kNoChanges, LoadResourceText(kNoChangesCaption));
    return true;
}

void CConflictDialog::OnClicked(int id)
{
    switch (id) {
    case kFirst:
        m_choice = 0;
        break;
    case kSecond:
        m_choice = 1;
        break;
    case kNoChanges:
        m_choice = 2;
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
