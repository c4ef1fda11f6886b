#pragma once
// What shows dialogs and message boxes and carries out the fatal end: the
// scripted backend in tests and command-line runs, the Qt backend
// (platform/ui/qt) for users. It is the one seam between the layers below the
// programs and the user: a program or a test installs one backend. Modal
// calls may come from any thread; a backend carries them to wherever it shows
// its windows.

#include "platform/ui/MessageBox.h"

#include <functional>

namespace tarnwel {

class CDialog;

class IUiBackend {
public:
    virtual ~IUiBackend() = default;

    // Runs one modal dialog: `dialog.InitializeDialog()` first, then the
    // user's actions through the dialog's User... operations until the dialog
    // has ended. Returns the id that ended it.
    virtual int RunModal(CDialog& dialog) = 0;
    virtual MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) = 0;
    // The fatal end, after its message box (EndProgramAfterMessage): a window
    // program closes its windows and stops its threads in order here. When
    // it returns, the process ends at once with `exitCode`. Base: nothing.
    virtual void EndProgram(int /*exitCode*/) {}
    // Runs `call` later on the user-interface thread; any thread may post.
    // The scripted backend queues posted calls and runs them when a test
    // drains them (and between the actions of a dialog script); the Qt
    // backend queues them to its event loop. Base: runs `call` at once.
    virtual void Post(std::function<void()> call) { call(); }
};

// Installs `backend` (not owned; null restores the default) and returns the
// one it replaces. The default backend writes boxes and dialog texts to
// standard error, answers a box with OK (a Yes/No box: its default button)
// and ends a dialog as Escape would, with the choice its initialisation made.
IUiBackend* SetUiBackend(IUiBackend* backend);
IUiBackend& ActiveUiBackend();
IUiBackend& DefaultUiBackend();

class CScopedUiBackend {
public:
    explicit CScopedUiBackend(IUiBackend& backend) : m_previous(SetUiBackend(&backend)) {}
    ~CScopedUiBackend() { SetUiBackend(m_previous); }
    CScopedUiBackend(const CScopedUiBackend&) = delete;
    CScopedUiBackend& operator=(const CScopedUiBackend&) = delete;

private:
    IUiBackend* m_previous;
};

} // namespace tarnwel
