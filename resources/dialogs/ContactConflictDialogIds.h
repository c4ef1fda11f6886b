#pragma once
// Dialog 131, the contact run's question for a pair changed on both sides
// (CContactConflictDialog): the ids of its template and controls.

#include "platform/ui/DialogTemplate.h"

namespace tarnwel::contact_conflict_dialog {

inline constexpr int kTemplateId = 131;
inline constexpr int kText = 1010;              // the item text
inline constexpr int kNewAddress = 1011;        // new server address
inline constexpr int kOverwriteServer = 1012;   // overwrite the server
inline constexpr int kLink = 1013;              // link to an existing address
inline constexpr int kCompanies = 1014;         // the addresses to link to
inline constexpr int kKeepCopy = 1007;          // keep a copy at the former address
inline constexpr int kOverwriteOutlook = 1018;  // overwrite Outlook
inline constexpr int kLeaveBoth = 1055;         // leave both sides

// ContactConflictDialogTemplate.cpp
CDialogTemplate Template();

} // namespace tarnwel::contact_conflict_dialog
