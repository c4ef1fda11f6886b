#pragma once
// Dialog 173: the interval of scheduled runs, in minutes, hours or days, or
// manual runs only. It writes the settings' schedule (minutes, -1 manual) only
// at its OK.

#include "engine/CReplicationSettings.h"
#include "platform/ui/CDialog.h"
#include "resources/client/ScheduleDialogIds.h"

#include <string_view>

namespace tarnwel {

class CScheduleDialog : public CDialog {
public:
    static constexpr int kTemplateId = schedule_dialog::kTemplateId;

    explicit CScheduleDialog(CReplicationSettings& settings);

    // The number an interval edit holds: a signed decimal integer read from
    // at most its first 19 characters (leading white space and one sign
    // allowed, reading stops at the first other character; no digits read as
    // 0). A number beyond the 64-bit range reads as the nearest end of it.
    static long long ReadNumber(std::string_view text);

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
