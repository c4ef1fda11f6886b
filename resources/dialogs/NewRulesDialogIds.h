#pragma once
// Dialog 146, the rules for an Outlook item that was never replicated
// (CNewRulesDialog): the ids of its template and controls. The same ids in
// both programs.

#include "platform/ui/DialogTemplate.h"
#include "resources/dialogs/DialogVariant.h"
#include "resources/dialogs/RulesDialogParts.h"

namespace tarnwel::new_rules_dialog {

inline constexpr int kTemplateId = 146;
// The action lists ("New Action").
inline constexpr int kAppointmentAction = 1063;
inline constexpr int kContactAction = 1064;
inline constexpr int kTaskAction = 1065;
// The lists for a missing server right ("New NoRights").
inline constexpr int kAppointmentNoRights = 1066;
inline constexpr int kContactNoRights = 1067;
inline constexpr int kTaskNoRights = 1068;

inline constexpr rules_parts::CRuleRows kRows = {{
    {kAppointmentAction, kAppointmentNoRights},
    {kContactAction, kContactNoRights},
    {kTaskAction, kTaskNoRights},
}};

// The rows are the same in both programs.
constexpr rules_parts::CRuleRows Rows(DialogVariant /*variant*/) { return kRows; }

// NewRulesDialogTemplate.cpp
CDialogTemplate Template(DialogVariant variant);

} // namespace tarnwel::new_rules_dialog
