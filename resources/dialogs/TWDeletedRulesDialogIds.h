#pragma once
// Dialog 139, the rules for a replicated pair whose server item was deleted
// (CTWDeletedRulesDialog): the ids of its template and controls. The
// newer-than check boxes have other ids in the wizard.

#include "platform/ui/DialogTemplate.h"
#include "resources/dialogs/DialogVariant.h"
#include "resources/dialogs/RulesDialogParts.h"

namespace tarnwel::tw_deleted_rules_dialog {

inline constexpr int kTemplateId = 139;
// The action lists ("TWDeleted Action").
inline constexpr int kAppointmentAction = 1032;
inline constexpr int kContactAction = 1033;
inline constexpr int kTaskAction = 1034;
// The lists for a missing server right ("TWDeleted NoRights").
inline constexpr int kAppointmentNoRights = 1035;
inline constexpr int kContactNoRights = 1036;
inline constexpr int kTaskNoRights = 1037;
// The newer-than check boxes ("TWDeleted NewerThan"), client and wizard.
inline constexpr int kAppointmentNewerThan = 1007;
inline constexpr int kContactNewerThan = 1008;
inline constexpr int kTaskNewerThan = 1009;
inline constexpr int kWizardAppointmentNewerThan = 1107;
inline constexpr int kWizardContactNewerThan = 1108;
inline constexpr int kWizardTaskNewerThan = 1109;
// Their date pickers ("TWDeleted NewerThanDate").
inline constexpr int kAppointmentNewerThanDate = 1049;
inline constexpr int kContactNewerThanDate = 1018;
inline constexpr int kTaskNewerThanDate = 1019;

constexpr rules_parts::CRuleRows Rows(DialogVariant variant)
{
    const bool wizard = variant == DialogVariant::wizard;
    return {{
        {kAppointmentAction, kAppointmentNoRights, wizard ? kWizardAppointmentNewerThan : kAppointmentNewerThan,
         kAppointmentNewerThanDate},
        {kContactAction, kContactNoRights, wizard ? kWizardContactNewerThan : kContactNewerThan,
         kContactNewerThanDate},
        {kTaskAction, kTaskNoRights, wizard ? kWizardTaskNewerThan : kTaskNewerThan, kTaskNewerThanDate},
    }};
}

// TWDeletedRulesDialogTemplate.cpp
CDialogTemplate Template(DialogVariant variant);

} // namespace tarnwel::tw_deleted_rules_dialog
