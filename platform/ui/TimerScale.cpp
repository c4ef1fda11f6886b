#include "platform/ui/TimerScale.h"

#include <atomic>
#include <cmath>
#include <limits>

namespace tarnwel {

namespace {

std::atomic<double> g_scale{1.0};

} // namespace

double SetTimerIntervalScale(double scale)
{
    if (!(scale > 0.0) || !std::isfinite(scale))
        scale = 1.0;
    return g_scale.exchange(scale);
}

double TimerIntervalScale()
{
    return g_scale.load();
}

unsigned ScaledTimerInterval(unsigned intervalMs)
{
    const double scaled = std::round(static_cast<double>(intervalMs) * g_scale.load());
    if (scaled < 1.0)
        return 1;
    if (scaled >= static_cast<double>(std::numeric_limits<unsigned>::max()))
        return std::numeric_limits<unsigned>::max();
    return static_cast<unsigned>(scaled);
}

} // namespace tarnwel
