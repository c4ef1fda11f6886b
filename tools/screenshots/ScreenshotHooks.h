#pragma once
// Realistic content for the dialogs that the screenshots show: per program
// and dialog id, a function that makes the dialog with the fields a real
// showing would set. Dialogs without a hook are shown bare, as their template
// stands.

#include "platform/ui/CDialog.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnwel {

struct CScreenshotHook {
    // "client" or "wizard": the program that shows the dialog with this
    // content (a shared dialog with hooks is drawn for their programs only);
    // "" for a shared dialog in every program that has no variant of it.
    std::string program;
    int dialogId = 0;
    std::function<std::unique_ptr<CDialog>()> make;
    // Several showings of one dialog: the file name's suffix ("-<variant>");
    // empty for the dialog's one picture.
    std::string variant = std::string();
};

// Pictures that are no dialog (the tray icon's menu), drawn by the tool.
inline constexpr const char* kTrayMenuShot = "client-tray-menu.png";

const std::vector<CScreenshotHook>& ScreenshotHooks();

} // namespace tarnwel
