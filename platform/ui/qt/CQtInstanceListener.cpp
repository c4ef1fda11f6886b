#include "platform/ui/qt/CQtInstanceListener.h"

#include <QSocketNotifier>

namespace tarnwel {

CQtInstanceListener::CQtInstanceListener(CSingleInstance& instance, Handler handler)
    : m_instance(instance), m_handler(std::move(handler))
{
    if (m_instance.ListenerFd() < 0)
        return;
    m_notifier = new QSocketNotifier(m_instance.ListenerFd(), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { Readable(); });
}

CQtInstanceListener::~CQtInstanceListener()
{
    delete m_notifier;
}

void CQtInstanceListener::Readable()
{
    for (const std::string& message : m_instance.TakeMessages())
        if (m_handler)
            m_handler(message);
}

} // namespace tarnwel
