#pragma once
// Two hooks that let the process tests drive a client on the offscreen
// platform, where nobody can click or answer a box. Both are off unless their
// environment variable is set.
//
// TARNWEL_CLIENT_BOX_LOG=FILE: every message box is appended to FILE (caption,
// a tab, the text with its line ends written as \n) and answered at once with
// its default button, without a window.
// TARNWEL_CLIENT_TEST_COMMANDS=ID[,ID...]: the main dialog gets these commands
// (SendCommand) once its window runs, in order: 32774 starts a run, 32788 the
// wizard.

#include "platform/ui/UiBackend.h"

#include <mutex>
#include <string>
#include <vector>

namespace tarnwel {

class CBoxLogBackend : public IUiBackend {
public:
    // `next` (not owned) runs the dialogs and everything else.
    CBoxLogBackend(IUiBackend& next, std::string logPath) : m_next(next), m_logPath(std::move(logPath)) {}

    int RunModal(CDialog& dialog) override { return m_next.RunModal(dialog); }
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override;
    void EndProgram(int exitCode) override { m_next.EndProgram(exitCode); }
    void Post(std::function<void()> call) override { m_next.Post(std::move(call)); }

private:
    IUiBackend& m_next;
    std::string m_logPath;
    std::mutex m_mutex;
};

// The commands of TARNWEL_CLIENT_TEST_COMMANDS; none when it is not set.
std::vector<int> ClientTestCommands();

} // namespace tarnwel
