#pragma once
// The three-way question of the appointment and task runs: the item text and
// three options, the first two with captions that the caller sets, the third
// "no changes". The caller reads m_choice after DoModal: 0, 1 or 2.

#include "platform/ui/CDialog.h"
#include "resources/dialogs/ConflictDialogIds.h"

#include <string>

namespace tarnwel {

class CConflictDialog : public CDialog {
public:
    static constexpr int kTemplateId = conflict_dialog::kTemplateId;

    CConflictDialog();

    // The option chosen: 0, 1 or 2. Set by the initialisation and by every
    // click, so Escape keeps the last one.
    int m_choice = 0;
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
