#pragma once
// The menu bar of the client's main window: "Datei" and "Werkzeuge".

#include "platform/ui/CResourceTable.h"

namespace tarnwel::main_menu {

inline constexpr int kMenuId = 150;
// "Datei"
inline constexpr int kSynchronize = 32774;
inline constexpr int kStop = 32775;
inline constexpr int kVacuum = 32782;
inline constexpr int kOnlyOwnItems = 32787;
inline constexpr int kLeave = 32776;
inline constexpr int kLeaveAndDisableSync = 32790;
// "Werkzeuge"
inline constexpr int kConflictWizard = 32788;
inline constexpr int kConfiguration = 32777;
inline constexpr int kSchedule = 32789;
inline constexpr int kKindsToReplicate = 32793;
inline constexpr int kKindsToDelete = 32792;

CMenuTemplate Menu();

} // namespace tarnwel::main_menu
