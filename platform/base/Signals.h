#pragma once
// The process's signals: those that a failing write raises, and those that
// ask a program to end.

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

namespace tarnwel {

// A write past the file-size limit raises SIGXFSZ, a write into a pipe or
// socket whose reader went away SIGPIPE; by default both end the process at
// once and silently, whatever it was in the middle of. A program calls this
// at its start: such a write then fails with its error (EFBIG, EPIPE), which
// the code that made it reports.
void IgnoreFileWriteSignals();

// Turns SIGINT and SIGTERM into calls of a handler on a thread of its own, so
// that a program can end its work cleanly instead of being killed part way.
// The handler runs in the watch thread's ordinary context (the signals are
// taken with sigtimedwait, never in a signal handler), gets the signal and
// how many of the watched signals have come so far, and may do anything a
// thread may. The watch must be made before the program starts any other
// thread: the threads inherit the blocked signals from the one that made it.
class CSignalWatch {
public:
    using Handler = std::function<void(int signal, int count)>;

    explicit CSignalWatch(Handler handler);
    // Ends the watch thread and unblocks the signals in the thread that made
    // the watch; a signal that came in the meantime then takes its default
    // action.
    ~CSignalWatch();
    CSignalWatch(const CSignalWatch&) = delete;
    CSignalWatch& operator=(const CSignalWatch&) = delete;

    // Ends the process now as `signal` would have ended it by default, so
    // that the parent sees the signal in the wait status.
    [[noreturn]] static void EndProcessBySignal(int signal);

private:
    void Watch();

    Handler m_handler;
    sigset_t m_signals{};
    sigset_t m_previousMask{};
    std::atomic<bool> m_ending{false};
    std::thread m_thread;
};

} // namespace tarnwel
