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
        CControlTemplate& added = t.Add(button.id, ControlType::pushButton, button.text, x, 8, 47, 28);
        added.iconId = button.icon;
        if (button.id == kStop)
            added.disabled = true;
        x += 49;
    }
    // The two lines lie on top of the picture behind them, which spans the
    // window; the collapsed window ends below it.
    CControlTemplate& header = t.Add(kHeader, ControlType::edit, "", 12, 52, 227, 15);
    header.readOnly = true;
    header.boldFontHeight = 16;
    t.Add(kResult, ControlType::edit, "", 12, 72, 227, 12).readOnly = true;
    t.Add(kIdStatic, ControlType::picture, "", 0, 48, 251, 40).iconId = client_icons::kBackground;

    t.Add(kStatusGroup, ControlType::groupBox, "Status der Replikation", 4, 116, 243, 56);
    const int lines[] = {kAppointmentStatus, kContactStatus, kTaskStatus};
    const char* labels[] = {"Termine", "Kontakte", "Aufgaben"};
    for (int i = 0; i < 3; ++i) {
        const int y = 130 + i * 13;
        t.Add(kIdStatic, ControlType::staticText, labels[i], 12, y, 44, 8);
        t.Add(lines[i], ControlType::staticText, "", 60, y, 182, 8);
    }
    return t.Take();
}

} // namespace tarnwel::main_dialog
