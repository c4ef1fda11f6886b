#pragma once
// A job whose Run executes on a worker thread of its own and that can be
// asked to stop. Stopping is cooperative: the flag is stored, nothing is
// suspended. Destroying a job waits for its thread to end.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tarnwel {

class CThreadJob {
public:
    CThreadJob() = default;
    virtual ~CThreadJob();
    CThreadJob(const CThreadJob&) = delete;
    CThreadJob& operator=(const CThreadJob&) = delete;

    // Stores the owner (may be null) and the message, clears the stop flag
    // and the result, and starts the worker thread on Run. False when the
    // thread cannot be created or the job was already started.
    bool Start(void* ownerWindow, std::uint32_t message);
    virtual void Stop(int flag);

    int Result() const { return m_result.load(); }
    int StopFlag() const { return m_stopFlag.load(); }
    // True until the worker thread has returned from Run.
    bool ThreadActive() const { return m_threadActive.load(); }
    // Waits for the worker thread to end (returns at once without one).
    void Join();

protected:
    virtual int Run() = 0;
    // Derived destructors call this first, so that Run never runs on a
    // half-destroyed object.
    void JoinThread();

    void* m_ownerWindow = nullptr;
    std::uint32_t m_message = 0;
    std::atomic<int> m_result{0};
    std::atomic<int> m_stopFlag{0};

private:
    static void ThreadProc(CThreadJob* job);

    std::mutex m_threadMutex;  // guards m_thread and m_started
    std::thread m_thread;
    bool m_started = false;
    std::atomic<bool> m_threadActive{false};
};

} // namespace tarnwel
