#include "engine/CThreadJob.h"

#include <system_error>

namespace tarnwel {

CThreadJob::~CThreadJob()
{
    JoinThread();
}

bool CThreadJob::Start(void* ownerWindow, std::uint32_t message)
{
    std::lock_guard lock(m_threadMutex);
    // A job runs once.
    if (m_started)
        return false;
    m_ownerWindow = ownerWindow;
    m_message = message;
    m_stopFlag.store(0);
    m_result.store(0);
    m_threadActive.store(true);
    try {
        m_thread = std::thread(&CThreadJob::ThreadProc, this);
    } catch (const std::system_error&) {
        m_threadActive.store(false);
        return false;
    }
    m_started = true;
    return true;
}

void CThreadJob::Stop(int flag)
{
    m_stopFlag.store(flag);
}

void CThreadJob::Join()
{
    std::lock_guard lock(m_threadMutex);
    if (m_thread.joinable())
        m_thread.join();
}

void CThreadJob::JoinThread()
{
    Join();
}

void CThreadJob::ThreadProc(CThreadJob* job)
{
    job->m_result.store(job->Run());
    job->m_threadActive.store(false);
}

} // namespace tarnwel
