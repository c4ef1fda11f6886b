#pragma once
// The ui backend of the programs: dialogs from their templates as Qt widgets
// (CQtDialogWindow), message boxes as QMessageBox. Create it on the
// user-interface thread once the QApplication exists.
//
// Threads: a modal call made on the user-interface thread runs at once, in a
// nested event loop. A call from any other thread (the job's worker asking a
// question) is queued to the user-interface thread, and the calling thread
// waits until the user has answered; the user-interface thread never waits
// for another thread here, so the two cannot wait for each other. A program
// that ends calls CancelPendingCalls before it waits for its workers: the
// windows of the calls open now close, and every waiting call and every
// later one gets the answer a user who closed the window would give (a dialog
// ends as Escape would, a box takes its default button), without a window.

#include "platform/ui/CResourceTable.h"
#include "platform/ui/UiBackend.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QDialog;
class QObject;

namespace tarnwel {

class CQtUiBackend : public IUiBackend {
public:
    // `resources` (not owned, may be null) names the icons of buttons and
    // pictures.
    explicit CQtUiBackend(const CResourceTable* resources = nullptr);
    ~CQtUiBackend() override;
    CQtUiBackend(const CQtUiBackend&) = delete;
    CQtUiBackend& operator=(const CQtUiBackend&) = delete;

    int RunModal(CDialog& dialog) override;
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override;
    // The fatal end: on the user-interface thread the program's end handler
    // runs, then every window closes; a worker waits until that is done.
    void EndProgram(int exitCode) override;
    // Queues `call` to the user-interface thread's event loop.
    void Post(std::function<void()> call) override;

    // Runs on the user-interface thread at the fatal end, before the windows
    // close (the program stops its timers, removes its tray icon, ...).
    void SetProgramEndHandler(std::function<void(int exitCode)> handler);
    // From any thread; the open windows close on the user-interface thread.
    void CancelPendingCalls();

private:
    struct CPendingCall;

    // Runs `call` on the user-interface thread and returns true; false when
    // the calls were cancelled before it ran.
    bool OnUiThread(const std::function<void()>& call);
    bool Cancelled();
    // Closes the windows the backend has open (user-interface thread).
    void CloseOpenWindows();
    // Runs a window modally, known as open while it runs.
    int ExecOpen(QDialog& window);
    // Runs a dialog's window modally until its dialog ends; hiding the
    // window (the dialog's window state) does not end it.
    void RunOpen(class CQtDialogWindow& window);

    const CResourceTable* m_resources;
    QObject* m_context;  // lives on the user-interface thread; queued calls run there
    std::function<void(int)> m_endHandler;
    std::mutex m_mutex;
    bool m_cancelled = false;
    std::vector<std::shared_ptr<CPendingCall>> m_pending;
    std::vector<QDialog*> m_open;  // user-interface thread only, innermost last
};

// How a dialog and a box end without a window: the dialog as Escape would,
// the box with its default button (as the default backend answers).
int RunModalWithoutWindow(CDialog& dialog);
MessageBoxResult AnswerWithoutWindow(const CMessageBoxRequest& request);

} // namespace tarnwel
