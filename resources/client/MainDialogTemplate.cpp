#include "resources/client/MainDialogIds.h"

#include "platform/ui/CTemplateBuilder.h"
#include "resources/client/ClientIconIds.h"

namespace tarnwel::main_dialog {

CDialogTemplate Template()
{
    CTemplateBuilder t(kTemplateId, "DRAV Replikation", 251, 177);
    t.Template().minimizeBox = true;
    struct Button {
        int id;
        const char* text;
        int icon;
    };
    const Button buttons[] = {{kReplicate, "Replicate", client_icons::kReplicate},
                              {kStop, "Stop", client_icons::kStop},
                              {kToggleExpanded, "Vacuum", client_icons::kVacuum},
                              {kSettings, "Settings", client_icons::kSettings},
                              {kExit, "Exit", client_icons::kExit}};
    int x = 4;
    for (const Button& button : buttons) {
        CControlTemplate& added = t.Add(button.id, ControlType::pushButton, button.text, x, 6, 47, 22);
        added.iconId = button.icon;
        if (button.id == kStop)
            added.disabled = true;
        x += 49;
    }
    // The two lines lie on top of the picture behind them.
    t.Add(kHeader, ControlType::edit, "", 12, 44, 227, 14).readOnly = true;
    t.Add(kResult, ControlType::edit, "", 12, 72, 227, 14).readOnly = true;
    t.Add(kIdStatic, ControlType::picture, "", 4, 34, 243, 74).iconId = client_icons::kBackground;

    t.Add(kStatusGroup, ControlType::groupBox, "Status der Replikation", 4, 114, 243, 58);
    const int lines[] = {kAppointmentStatus, kContactStatus, kTaskStatus};
    const char* labels[] = {"Termine", "Kontakte", "Aufgaben"};
    for (int i = 0; i < 3; ++i) {
        const int y = 128 + i * 14;
        t.Add(kIdStatic, ControlType::staticText, labels[i], 12, y, 44, 8);
        t.Add(lines[i], ControlType::staticText, "", 60, y, 182, 8);
    }
    return t.Take();
}

} // namespace tarnwel::main_dialog
