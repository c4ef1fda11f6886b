#pragma once
// Dialog 180: the item kinds a run replicates, or those vacuum empties. It
// writes the three flags of its mode only at its OK.

#include "platform/ui/CDialog.h"
#include "resources/client/CategoryDialogIds.h"
#include "settings/CReplicationSettings.h"

namespace tarnwel {

class CCategoryDialog : public CDialog {
public:
    static constexpr int kTemplateId = category_dialog::kTemplateId;

    enum class Mode { replicate = 0, vacuum = 1 };

    CCategoryDialog(CReplicationSettings& settings, Mode mode);

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    // The settings' flags of the mode: appointments, contacts, tasks.
    int* Flag(int box);

    CReplicationSettings& m_settings;
    Mode m_mode;
};

} // namespace tarnwel
