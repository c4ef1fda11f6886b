#pragma once
// The seam through which tests shorten the intervals of the dialogs' timers.
// Backends that run real timers arm them with ScaledTimerInterval; the
// programs leave the scale at 1, so a timer runs at the interval its dialog
// asked for.

namespace tarnwel {

// Sets the factor applied to every interval armed from now on (1 by default;
// a factor that is not positive is taken as 1) and returns the previous one.
double SetTimerIntervalScale(double scale);
double TimerIntervalScale();
// `intervalMs` times the scale, at least 1 ms.
unsigned ScaledTimerInterval(unsigned intervalMs);

class CScopedTimerIntervalScale {
public:
    explicit CScopedTimerIntervalScale(double scale) : m_previous(SetTimerIntervalScale(scale)) {}
    ~CScopedTimerIntervalScale() { SetTimerIntervalScale(m_previous); }
    CScopedTimerIntervalScale(const CScopedTimerIntervalScale&) = delete;
    CScopedTimerIntervalScale& operator=(const CScopedTimerIntervalScale&) = delete;

private:
    double m_previous;
};

} // namespace tarnwel
