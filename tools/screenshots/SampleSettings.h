#pragma once
// A settings record as a user's file would hold it, for the screenshots of
// the dialogs (the dialog and wizard tests use it too).

#include "settings/CReplicationSettings.h"

namespace tarnwel {

// A record as a user's file would hold it: every rule block with codes of
// its own, the newer-than dates set, replication since 1 March 2026.
inline CReplicationSettings SampleSettings()
{
    CReplicationSettings settings;
    settings.SetDefaults();
    settings.serverUrl = "https://groupware.example.org:8443/tarnwelreplication";
    settings.userName = "anna";
    settings.password = "geheim";
    settings.since = COleDate::FromFields(2026, 3, 1);
    settings.all = 0;
    settings.scheduleMinutes = 90;
    settings.appointmentRules = {1, 0, 2, 1, 0, 1, 1, COleDate::FromFields(2026, 2, 1), 1, 0, 1,
                                 COleDate::FromFields(2026, 2, 2)};
    settings.contactRules = {3, 2, 0, 2, 2, 2, 0, COleDate::FromFields(2026, 2, 3), 0, 2, 0,
                             COleDate::FromFields(2026, 2, 4)};
    settings.taskRules = {0, 1, 3, 0, 1, 0, 0, COleDate::FromFields(2026, 2, 5), 2, 1, 0,
                          COleDate::FromFields(2026, 2, 6)};
    return settings;
}

} // namespace tarnwel
