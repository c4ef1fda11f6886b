#include "platform/ui/CInstanceListener.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace tarnwel {

CInstanceListener::CInstanceListener(CSingleInstance& instance, Handler handler)
    : m_instance(instance), m_handler(std::move(handler))
{
    if (m_instance.ListenerFd() < 0 || ::pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    m_thread = std::thread([this] { Listen(); });
}

CInstanceListener::~CInstanceListener()
{
    if (m_thread.joinable()) {
        const char stop = 0;
        while (::write(m_wake[1], &stop, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    for (const int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

void CInstanceListener::Listen()
{
    for (;;) {
        pollfd watched[2] = {{m_wake[0], POLLIN, 0}, {m_instance.ListenerFd(), POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (watched[0].revents != 0)
            return;
        if (watched[1].revents != 0)
            for (const std::string& message : m_instance.TakeMessages())
                if (m_handler)
                    m_handler(message);
    }
}

} // namespace tarnwel
