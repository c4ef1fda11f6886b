#pragma once
// Simulates a disk that fills up: while the object lives, no file of this
// process can grow beyond `bytes`, and a write past that fails with EFBIG
// instead of raising SIGXFSZ.

#include <csignal>
#include <stdexcept>
#include <sys/resource.h>

namespace tarnwel::test {

class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        if (::getrlimit(RLIMIT_FSIZE, &m_saved) != 0)
            throw std::runtime_error("getrlimit failed");
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        if (::setrlimit(RLIMIT_FSIZE, &limited) != 0)
            throw std::runtime_error("setrlimit failed");
    }
    ~CFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

} // namespace tarnwel::test
