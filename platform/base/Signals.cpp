#include "platform/base/Signals.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace tarnwel {

void IgnoreFileWriteSignals()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

CSignalWatch::CSignalWatch(Handler handler) : m_handler(std::move(handler))
{
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &m_signals, &m_previousMask);
    m_thread = std::thread([this] { Watch(); });
}

CSignalWatch::~CSignalWatch()
{
    m_ending.store(true);
    m_thread.join();
    ::pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}

void CSignalWatch::Watch()
{
    // Woken every 100 ms to see whether the watch is ending.
    const timespec interval{0, 100'000'000};
    int count = 0;
    while (!m_ending.load()) {
        const int signal = ::sigtimedwait(&m_signals, nullptr, &interval);
        if (signal < 0)
            continue;  // EAGAIN (the interval ran out) or EINTR
        ++count;
        if (m_handler)
            m_handler(signal, count);
    }
}

void CSignalWatch::EndProcessBySignal(int signal)
{
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);  // a signal whose default action does not end the process
}

} // namespace tarnwel
