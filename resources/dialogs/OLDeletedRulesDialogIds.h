#pragma once
// Dialog 141, the rules for a replicated pair whose Outlook item was deleted
// (COLDeletedRulesDialog): the ids of its template and controls. The
// newer-than check boxes have other ids in the wizard.

#include "platform/ui/DialogTemplate.h"
#include "resources/dialogs/DialogVariant.h"
#include "resources/dialogs/RulesDialogParts.h"

namespace tarnwel::ol_deleted_rules_dialog {

inline constexpr int kTemplateId = 141;
// The action lists ("OLDeleted Action").
inline constexpr int kAppointmentAction = 1039;
inline constexpr int kContactAction = 1040;
inline constexpr int kTaskAction = 1041;
// The lists for a missing server right ("OLDeleted NoRights").
inline constexpr int kAppointmentNoRights = 1029;
inline constexpr int kContactNoRights = 1030;
inline constexpr int kTaskNoRights = 1031;
// The newer-than check boxes ("OLDeleted NewerThan"), client and wizard.
inline constexpr int kAppointmentNewerThan = 1007;
inline constexpr int kContactNewerThan = 1008;
inline constexpr int kTaskNewerThan = 1009;
inline constexpr int kWizardAppointmentNewerThan = 1107;
inline constexpr int kWizardContactNewerThan = 1108;
inline constexpr int kWizardTaskNewerThan = 1109;
// Their date pickers ("OLDeleted NewerThanDate").
inline constexpr int kAppointmentNewerThanDate = 1046;
inline constexpr int kContactNewerThanDate = 1047;
inline constexpr int kTaskNewerThanDate = 1048;

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

// OLDeletedRulesDialogTemplate.cpp
CDialogTemplate Template(DialogVariant variant);

} // namespace tarnwel::ol_deleted_rules_dialog
