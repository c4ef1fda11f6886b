#pragma once
// The machine's time-zone data as the C runtime holds it for the process.

namespace tarnwel {

struct CMachineTimeZone {
    long timezoneSeconds = 0;  // UTC minus local standard time, positive west of Greenwich
    int daylight = 0;          // 1 when the zone has a daylight-saving rule at all
};

// Read once per process (tzset); RefreshMachineTimeZone() reads it again, for
// tests that change TZ.
CMachineTimeZone MachineTimeZone();
void RefreshMachineTimeZone();

} // namespace tarnwel
