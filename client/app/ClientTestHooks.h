#pragma once
// The ui backend the client installs: the Qt backend, with two additions.
//
// A call posted to the user-interface thread may end a dialog from outside
// its window (the close message of another process, the end of the session):
// after each such call, the window of every dialog that has ended closes, as
// it does when a click ends it.
//
// Two hooks let the process tests drive a client on the offscreen platform,
// where nobody can click or answer a box; both are off unless their
// environment variable is set:
// TARNWEL_CLIENT_BOX_LOG=FILE: every message box is appended to FILE (caption,
// a tab, the text with its line ends written as \n) and answered at once with
// its default button, without a window.
// TARNWEL_CLIENT_TEST_COMMANDS=ID[,ID...]: the main dialog gets these commands
// (SendCommand) once its window runs, in order: 32774 starts a run, 32788 the
// wizard.

#include "platform/ui/qt/CQtUiBackend.h"

#include <mutex>
#include <string>
#include <vector>

namespace tarnwel {

class CClientUiBackend : public IUiBackend {
public:
    // `next` (not owned) shows the windows. `boxLogPath` empty: boxes are
    // shown by `next`.
    CClientUiBackend(CQtUiBackend& next, std::string boxLogPath)
        : m_next(next), m_boxLogPath(std::move(boxLogPath))
    {
    }

    int RunModal(CDialog& dialog) override { return m_next.RunModal(dialog); }
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override;
    void EndProgram(int exitCode) override { m_next.EndProgram(exitCode); }
    void Post(std::function<void()> call) override;

private:
    CQtUiBackend& m_next;
    std::string m_boxLogPath;
    std::mutex m_mutex;
};

// The commands of TARNWEL_CLIENT_TEST_COMMANDS; none when it is not set.
std::vector<int> ClientTestCommands();

} // namespace tarnwel
