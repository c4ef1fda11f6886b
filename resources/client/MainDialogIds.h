#pragma once
// Dialog 102, the client's main window (CMainDialog): the ids of its template,
// controls and timers.

#include "platform/ui/DialogTemplate.h"

namespace tarnwel::main_dialog {

inline constexpr int kTemplateId = 102;
inline constexpr int kReplicate = 1002;       // "Replicate"
inline constexpr int kStop = 1006;            // "Stop"
inline constexpr int kToggleExpanded = 1004;  // "Vacuum": shows or hides the status lines
inline constexpr int kSettings = 1015;        // "Settings": the wizard
inline constexpr int kExit = kIdOk;           // "Exit": to the tray
inline constexpr int kHeader = 1074;
inline constexpr int kResult = 1075;
inline constexpr int kStatusGroup = 1086;
inline constexpr int kAppointmentStatus = 1087;
inline constexpr int kContactStatus = 1088;
inline constexpr int kTaskStatus = 1089;

// Timers: the start minimised sends the window to the tray once; the schedule
// starts a run.
inline constexpr int kTrayTimer = 1234;
inline constexpr unsigned kTrayTimerMs = 500;
inline constexpr int kScheduleTimer = 2358;

// Outer window sizes in pixels, with and without the status lines.
inline constexpr int kWindowWidth = 388;
inline constexpr int kExpandedHeight = 330;
inline constexpr int kCollapsedHeight = 232;

// MainDialogTemplate.cpp
CDialogTemplate Template();

} // namespace tarnwel::main_dialog
