#pragma once
// Installs itself as the ui backend while it lives and answers every message
// box through a function; dialogs and the program end go on to the backend
// it replaced (a scripted backend installed before it, or the default).

#include "platform/ui/UiBackend.h"

#include <functional>
#include <utility>

namespace tarnwel::test {

class CBoxCapture : public IUiBackend {
public:
    using Answer = std::function<MessageBoxResult(const CMessageBoxRequest&)>;

    explicit CBoxCapture(Answer answer)
        : m_answer(std::move(answer)), m_next(ActiveUiBackend()), m_previous(SetUiBackend(this))
    {
    }
    ~CBoxCapture() override { SetUiBackend(m_previous); }
    CBoxCapture(const CBoxCapture&) = delete;
    CBoxCapture& operator=(const CBoxCapture&) = delete;

    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override { return m_answer(request); }
    int RunModal(CDialog& dialog) override { return m_next.RunModal(dialog); }
    void EndProgram(int exitCode) override { m_next.EndProgram(exitCode); }

private:
    Answer m_answer;
    IUiBackend& m_next;
    IUiBackend* m_previous;
};

} // namespace tarnwel::test
