#pragma once
// Dialog 173: the interval of scheduled runs, in minutes, hours or days, or
// manual runs only. It writes the settings' schedule (minutes, -1 manual) only
// at its OK. An interval edit is read as a signed decimal integer from at
// most its first 19 characters (leading white space and one sign allowed,
// reading stops at the first other character, no digits read as 0); a product
// beyond the schedule's 32-bit range is stored as the nearest end of it.

#include "platform/ui/CDialog.h"
#include "resources/client/ScheduleDialogIds.h"
#include "settings/CReplicationSettings.h"

namespace tarnwel {

class CScheduleDialog : public CDialog {
public:
    static constexpr int kTemplateId = schedule_dialog::kTemplateId;

    explicit CScheduleDialog(CReplicationSettings& settings);

protected:
    bool OnInitDialog() override;
    void OnClicked(int id) override;
    void OnOK() override;

private:
    // Checks `radio`, clears the other three and enables only its edit.
    void ChooseRadio(int radio);

    CReplicationSettings& m_settings;
};

} // namespace tarnwel
