#include "platform/ui/qt/CQtDialogTimers.h"

#include "platform/ui/CDialog.h"
#include "platform/ui/TimerScale.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace tarnwel {

CQtDialogTimers::CQtDialogTimers(CDialog& dialog, std::function<void()> afterTick)
    : m_dialog(dialog), m_afterTick(std::move(afterTick)), m_context(std::make_unique<QObject>())
{
    QObject* context = m_context.get();
    m_dialog.SetTimerObserver([this, context](int id, bool armed, unsigned intervalMs) {
        // Called with the dialog's timer lock held: apply at once on the GUI
        // thread (Apply does not call the dialog), queue from other threads.
        if (QThread::currentThread() == context->thread())
            Apply(id, armed, intervalMs);
        else
            QMetaObject::invokeMethod(context, [this, id, armed, intervalMs] { Apply(id, armed, intervalMs); },
                                      Qt::QueuedConnection);
    });
    for (const auto& [id, interval] : m_dialog.ArmedTimers())
        Apply(id, true, interval);
}

CQtDialogTimers::~CQtDialogTimers()
{
    m_dialog.SetTimerObserver(nullptr);
    // The timers belong to the context and go with it, queued changes too.
    m_context.reset();
}

QTimer* CQtDialogTimers::Timer(int id) const
{
    const auto found = m_timers.find(id);
    if (found == m_timers.end() || !found->second || !found->second->isActive())
        return nullptr;
    return found->second.data();
}

void CQtDialogTimers::Apply(int id, bool armed, unsigned intervalMs)
{
    QPointer<QTimer>& timer = m_timers[id];
    if (!armed) {
        // A timer may be killed from its own tick: it is stopped, not
        // destroyed, and kept for the next arming.
        if (timer)
            timer->stop();
        return;
    }
    if (!timer) {
        timer = new QTimer(m_context.get());
        QObject::connect(timer, &QTimer::timeout, m_context.get(), [this, id] {
            m_dialog.UserTimer(id);
            if (m_afterTick)
                m_afterTick();
        });
    }
    const unsigned scaled = ScaledTimerInterval(intervalMs);
    // Arming again starts the period anew.
    timer->start(static_cast<int>(std::min<unsigned>(scaled, INT_MAX)));
}

} // namespace tarnwel
