#pragma once
// Dialog 173, the replication schedule (CScheduleDialog): the ids of its
// template and controls. Each radio button is a group of its own; the dialog
// keeps them exclusive.

#include "platform/ui/DialogTemplate.h"

namespace tarnwel::schedule_dialog {

inline constexpr int kTemplateId = 173;
inline constexpr int kMinutes = 1082;       // radio "Repliziere alle" ... "Minuten"
inline constexpr int kMinutesValue = 1084;  // its edit
inline constexpr int kHours = 1085;
inline constexpr int kHoursValue = 1086;
inline constexpr int kDays = 1087;
inline constexpr int kDaysValue = 1088;
inline constexpr int kManual = 1083;  // radio "Repliziere manuell"

// ScheduleDialogTemplate.cpp
CDialogTemplate Template();

} // namespace tarnwel::schedule_dialog
