#pragma once
// The timers of a dialog as QTimers: every timer the dialog arms ticks on the
// GUI thread into the dialog's UserTimer, at the interval it asked for times
// the timer scale (TimerScale.h). Timers armed or killed from another thread
// take effect on the GUI thread.

#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class QObject;
class QTimer;

namespace tarnwel {

class CDialog;

class CQtDialogTimers {
public:
    // Attaches to `dialog` (not owned; it must outlive this object) and
    // starts the timers it has armed already. GUI thread only.
    // `afterTick` (may be empty) runs after each tick reached the logic, so
    // that a window can close when a tick ended its dialog.
    explicit CQtDialogTimers(CDialog& dialog, std::function<void()> afterTick = {});
    // Stops every timer and detaches from the dialog.
    ~CQtDialogTimers();
    CQtDialogTimers(const CQtDialogTimers&) = delete;
    CQtDialogTimers& operator=(const CQtDialogTimers&) = delete;

    // The running QTimer of timer `id`, null when it does not run.
    QTimer* Timer(int id) const;

private:
    void Apply(int id, bool armed, unsigned intervalMs);

    CDialog& m_dialog;
    std::function<void()> m_afterTick;
    std::unique_ptr<QObject> m_context;
    std::map<int, QPointer<QTimer>> m_timers;
};

} // namespace tarnwel
