#pragma once
// Dialog 180, the choice of the item kinds to replicate or to delete
// (CCategoryDialog): the ids of its template and controls.

#include "platform/ui/DialogTemplate.h"

namespace tarnwel::category_dialog {

inline constexpr int kTemplateId = 180;
inline constexpr int kAppointments = 1088;  // check box "Termine"
inline constexpr int kContacts = 1089;      // "Kontakte"
inline constexpr int kTasks = 1090;         // "Aufgaben"
inline constexpr int kPrompt = 1091;        // the static above them

// CategoryDialogTemplate.cpp
CDialogTemplate Template();

} // namespace tarnwel::category_dialog
