#include "resources/client/ScheduleDialogIds.h"

#include "platform/ui/CTemplateBuilder.h"

namespace tarnwel::schedule_dialog {

CDialogTemplate Template()
{
    CTemplateBuilder t(kTemplateId, " Replikationszeitplan", 178, 109);
    struct Line {
        int radio;
        int value;
        const char* unit;
    };
    const Line lines[] = {{kMinutes, kMinutesValue, "Minuten"}, {kHours, kHoursValue, "Stunden"},
                          {kDays, kDaysValue, "Tage"}};
    int y = 14;
    for (const Line& line : lines) {
        t.Add(line.radio, ControlType::radioButton, "Repliziere alle", 14, y, 70, 10).groupStart = true;
        t.Add(line.value, ControlType::edit, "", 86, y - 2, 40, 14).groupStart = true;
        t.Add(kIdStatic, ControlType::staticText, line.unit, 130, y, 40, 8);
        y += 18;
    }
    t.Add(kManual, ControlType::radioButton, "Repliziere manuell", 14, y, 100, 10).groupStart = true;

    CControlTemplate& ok = t.Add(kIdOk, ControlType::pushButton, "OK", 67, 88, 50, 14);
    ok.groupStart = true;
    ok.defaultButton = true;
    t.Add(kIdCancel, ControlType::pushButton, "Abbrechen", 121, 88, 50, 14);
    return t.Take();
}

} // namespace tarnwel::schedule_dialog
