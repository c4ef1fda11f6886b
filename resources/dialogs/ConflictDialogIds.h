#pragma once
// Dialog 145, the three-way question of the appointment and task runs
// (CConflictDialog): the ids of its template and controls.

#include "platform/ui/DialogTemplate.h"

namespace tarnwel::conflict_dialog {

inline constexpr int kTemplateId = 145;
inline constexpr int kText = 1010;       // the item text
inline constexpr int kFirst = 1011;      // first option, caption set by the caller
inline constexpr int kSecond = 1012;     // second option, caption set by the caller
inline constexpr int kNoChanges = 1013;  // "no changes"

// ConflictDialogTemplate.cpp
CDialogTemplate Template();

} // namespace tarnwel::conflict_dialog
