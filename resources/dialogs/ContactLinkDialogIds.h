#pragma once
// Dialog 142, the contact run's question for an Outlook contact that is new or
// whose server contact was deleted (CContactLinkDialog): the ids of its
// template and controls.

#include "platform/ui/DialogTemplate.h"

namespace tarnwel::contact_link_dialog {

inline constexpr int kTemplateId = 142;
inline constexpr int kText = 1010;        // the item text
inline constexpr int kNewAddress = 1011;  // new server address
inline constexpr int kLink = 1012;        // link to an existing address
inline constexpr int kDelete = 1013;      // delete the Outlook contact
inline constexpr int kCompanies = 1014;   // the addresses to link to
inline constexpr int kLeave = 1018;       // leave it

// ContactLinkDialogTemplate.cpp
CDialogTemplate Template();

} // namespace tarnwel::contact_link_dialog
