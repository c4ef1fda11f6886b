#include "platform/base/TimeZone.h"

#include <ctime>
#include <mutex>

namespace tarnwel {

namespace {

std::mutex g_mutex;
bool g_loaded = false;
CMachineTimeZone g_zone;

} // namespace

CMachineTimeZone MachineTimeZone()
{
    std::lock_guard lock(g_mutex);
    if (!g_loaded) {
        tzset();
        g_zone.timezoneSeconds = timezone;
        g_zone.daylight = daylight ? 1 : 0;
        g_loaded = true;
    }
    return g_zone;
}

void RefreshMachineTimeZone()
{
    std::lock_guard lock(g_mutex);
    g_loaded = false;
}

} // namespace tarnwel
