#pragma once
// The stop flag that the blocking calls of one thread watch. A worker sets
// the flag of its run here for the run's length, and a store whose calls may
// wait long (the data server) ends such a wait as soon as the flag is raised.
// The flag is the thread's own: other threads' calls never see it.

#include <atomic>

namespace tarnwel {

// The flag that the calls of this thread watch (none: null).
void SetThreadStopFlag(const std::atomic<bool>* flag);
const std::atomic<bool>* ThreadStopFlag();

// Sets `flag` for this thread while the object lives, then the one before.
class CScopedThreadStopFlag {
public:
    explicit CScopedThreadStopFlag(const std::atomic<bool>* flag) : m_previous(ThreadStopFlag())
    {
        SetThreadStopFlag(flag);
    }
    ~CScopedThreadStopFlag() { SetThreadStopFlag(m_previous); }
    CScopedThreadStopFlag(const CScopedThreadStopFlag&) = delete;
    CScopedThreadStopFlag& operator=(const CScopedThreadStopFlag&) = delete;

private:
    const std::atomic<bool>* m_previous;
};

} // namespace tarnwel
