#pragma once
// What the layers below the programs (records, stores, settings and mapping
// files) ask of the program that runs them: tell the user of a failure, or
// end the program. Both go through the active ui backend, so that a window
// program shows them in its windows and ends its windows and threads in
// order; nothing below the programs shows a window or ends the process itself.

#include "platform/ui/MessageBox.h"

#include <string>

namespace tarnwel {

// An OK box with `icon`; with `foreground` brought in front of every other
// window.
void ReportToUser(const std::string& text, MessageBoxIcon icon, bool foreground = false);

// The fatal end: an OK box with the stop icon in front of every other window,
// then the program ends with `exitCode`. The backend's EndProgram runs first;
// then the output buffers are flushed and the process ends at once, without
// destroying static objects under threads that still run.
[[noreturn]] void EndProgramAfterMessage(const std::string& text, int exitCode);

} // namespace tarnwel
