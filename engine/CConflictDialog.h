#pragma once
// The three-way question of the appointment and task runs: the item text and
// three options, the first two with captions that the caller sets, the third
// "no changes". The caller reads m_choice after DoModal: one of the k*Choice
// values.

#include "platform/ui/CDialog.h"
#include "resources/dialogs/ConflictDialogIds.h"

#include <string>

namespace tarnwel {

class CConflictDialog : public CDialog {
public:
    static constexpr int kTemplateId = conflict_dialog::kTemplateId;

    // The options as m_choice names them.
    static constexpr int kFirstChoice = 0;
    static constexpr int kSecondChoice = 1;
    static constexpr int kNoChangesChoice = 2;

    CConflictDialog();

    // The option chosen. Set by the initialisation and by every click, so
    // Escape keeps the last one.
    int m_choice = kFirstChoice;
    std::string m_firstCaption;
    std::string m_secondCaption;
    // With the hint: preselect the first option when it favours the first,
    // else the second. Without it the first option is preselected.
    bool m_hintFavoursFirst = false;
    bool m_hintGiven = false;
    std::string m_text;

protected:
    bool OnInitDialog() override;
    void OnClicked(int id) override;
    void DoDataExchange(bool save) override;
};

} // namespace tarnwel
