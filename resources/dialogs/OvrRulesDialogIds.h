#pragma once
// Dialog 140, the rules for a replicated pair of which one or both sides were
// changed (COvrRulesDialog): the ids of its template and controls. The same
// ids in both programs.

#include "platform/ui/DialogTemplate.h"
#include "resources/dialogs/DialogVariant.h"
#include "resources/dialogs/RulesDialogParts.h"

namespace tarnwel::ovr_rules_dialog {

inline constexpr int kTemplateId = 140;
// The action lists ("Ovr Action").
inline constexpr int kAppointmentAction = 1038;
inline constexpr int kContactAction = 1039;
inline constexpr int kTaskAction = 1040;
// The lists for a missing server right ("Ovr NoRights").
inline constexpr int kAppointmentNoRights = 1042;
inline constexpr int kContactNoRights = 1043;
inline constexpr int kTaskNoRights = 1044;

inline constexpr rules_parts::CRuleRows kRows = {{
    {kAppointmentAction, kAppointmentNoRights},
    {kContactAction, kContactNoRights},
    {kTaskAction, kTaskNoRights},
}};

// The rows are the same in both programs.
constexpr rules_parts::CRuleRows Rows(DialogVariant /*variant*/) { return kRows; }

// OvrRulesDialogTemplate.cpp
CDialogTemplate Template(DialogVariant variant);

} // namespace tarnwel::ovr_rules_dialog
