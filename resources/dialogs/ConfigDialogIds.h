#pragma once
// Dialog 132, the configuration of the connection, the replication period and
// the entry to the four rule dialogs (CConfigDialog; in the wizard
// CWizardConfigDialog): the ids of its template and controls. The two programs
// give most of its controls ids of their own.

#include "platform/ui/DialogTemplate.h"
#include "resources/dialogs/DialogVariant.h"

namespace tarnwel::config_dialog {

inline constexpr int kTemplateId = 132;

// The client's ids.
inline constexpr int kUrl = 1010;
inline constexpr int kUserName = 1011;
inline constexpr int kPassword = 1012;
inline constexpr int kAll = 1013;        // radio "Repliziere alle Elemente"
inline constexpr int kSince = 1018;      // radio: only items changed since the date
inline constexpr int kSinceDate = 1017;  // date picker, the same id in the wizard
inline constexpr int kOvrRules = 1002;        // opens dialog 140
inline constexpr int kOLDeletedRules = 1004;  // opens dialog 141
inline constexpr int kTWDeletedRules = 1005;  // opens dialog 139
inline constexpr int kNewRules = 1006;        // opens dialog 146

// The wizard's ids.
inline constexpr int kWizardUrl = 1110;
inline constexpr int kWizardUserName = 1111;
inline constexpr int kWizardPassword = 1112;
inline constexpr int kWizardAll = 1003;
inline constexpr int kWizardSince = 1004;
inline constexpr int kWizardOvrRules = 1102;
inline constexpr int kWizardOLDeletedRules = 1104;
inline constexpr int kWizardTWDeletedRules = 1105;
inline constexpr int kWizardNewRules = 1106;

// The ids of one variant, for the logic.
struct CConfigIds {
    int url;
    int userName;
    int password;
    int all;
    int since;
    int sinceDate;
    int ovrRules;
    int olDeletedRules;
    int twDeletedRules;
    int newRules;
};

constexpr CConfigIds Ids(DialogVariant variant)
{
    if (variant == DialogVariant::wizard) {
        return {kWizardUrl,   kWizardUserName,       kWizardPassword,       kWizardAll,     kWizardSince,
                kSinceDate,   kWizardOvrRules,       kWizardOLDeletedRules, kWizardTWDeletedRules,
                kWizardNewRules};
    }
    return {kUrl, kUserName, kPassword, kAll, kSince, kSinceDate, kOvrRules, kOLDeletedRules, kTWDeletedRules,
            kNewRules};
}

// ConfigDialogTemplate.cpp
CDialogTemplate Template(DialogVariant variant);

} // namespace tarnwel::config_dialog
