#pragma once
// The scripted backend: answers message boxes and dialogs from queues that a
// test or an answers file filled in advance, and records everything it was
// shown. Safe to use from a worker thread.

#include "platform/ui/CDialog.h"
#include "platform/ui/UiBackend.h"

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwel {

// One user action inside a dialog.
struct CDialogAction {
    enum class Kind { click, select, setText, ok, enter, escape, close, menuCommand, timer, sysCommand, call };
    Kind kind = Kind::ok;
    int id = 0;      // click, select, setText; the command or timer id
    int index = 0;   // select: entry of the drop-down list
    std::string text;
    SysCommand sysCommand = SysCommand::close;
    std::function<void(CDialog&)> call;  // call: a step of the test itself

    static CDialogAction Make(Kind kind, int id, int index, std::string text)
    {
        CDialogAction action;
        action.kind = kind;
        action.id = id;
        action.index = index;
        action.text = std::move(text);
        return action;
    }
    static CDialogAction Click(int id) { return Make(Kind::click, id, 0, {}); }
    static CDialogAction Select(int id, int index) { return Make(Kind::select, id, index, {}); }
    static CDialogAction SetText(int id, std::string text) { return Make(Kind::setText, id, 0, std::move(text)); }
    static CDialogAction Ok() { return Make(Kind::ok, kIdOk, 0, {}); }
    static CDialogAction Enter() { return Make(Kind::enter, 0, 0, {}); }
    static CDialogAction Escape() { return Make(Kind::escape, 0, 0, {}); }
    static CDialogAction Close() { return Make(Kind::close, 0, 0, {}); }
    // Chooses command `id` from the menu bar; a tick of timer `id`.
    static CDialogAction MenuCommand(int id) { return Make(Kind::menuCommand, id, 0, {}); }
    static CDialogAction Timer(int id) { return Make(Kind::timer, id, 0, {}); }
    // A system command from the title bar.
    static CDialogAction System(SysCommand command)
    {
        CDialogAction action = Make(Kind::sysCommand, 0, 0, {});
        action.sysCommand = command;
        return action;
    }
    // Runs `step` on the dialog while it is shown (a test waits for a worker,
    // reads the dialog's state, ...).
    static CDialogAction Call(std::function<void(CDialog&)> step)
    {
        CDialogAction action = Make(Kind::call, 0, 0, {});
        action.call = std::move(step);
        return action;
    }
};

// Applies one action to a dialog the way a user would. An id that the dialog
// does not hold (OK included) throws std::out_of_range.
void ApplyDialogAction(CDialog& dialog, const CDialogAction& action);

// The answer to one dialog: its template id (0 accepts any dialog) and the
// actions. A script that does not end the dialog is ended with OK.
struct CDialogScript {
    int dialogId = 0;
    std::vector<CDialogAction> actions;
};

// What a dialog showed: the controls right after its initialisation and when
// it ended, and the id that ended it.
struct CShownDialog {
    int dialogId = 0;
    std::vector<CControlState> initialControls;
    std::vector<CControlState> finalControls;
    int result = 0;

    const CControlState& InitialControl(int id) const;
    const CControlState& FinalControl(int id) const;
};

class CScriptedUiBackend : public IUiBackend {
public:
    // Queues the answer to the next message box.
    void AnswerMessageBox(MessageBoxResult answer);
    // Queues the script of the next dialog.
    void AnswerDialog(CDialogScript script);

    int RunModal(CDialog& dialog) override;
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override;

    // Queues the call; RunPostedCalls runs it.
    void Post(std::function<void()> call) override;
    // Runs the posted calls in the order they came, those posted meanwhile
    // too, on the calling thread; returns how many ran.
    int RunPostedCalls();
    // Runs posted calls until `done` holds (checked after each round) or
    // `timeout` passed; returns whether `done` held.
    bool RunPostedCallsUntil(const std::function<bool()>& done,
                             std::chrono::milliseconds timeout = std::chrono::seconds(60));
    int PostedCalls() const;

    std::vector<CMessageBoxRequest> MessageBoxes() const;
    std::vector<CShownDialog> Dialogs() const;
    // Boxes and dialogs shown after their queue had run dry (answered with
    // the box's default button, the dialog with OK), scripts whose dialog id
    // did not match the dialog shown (the dialog gets only its OK), actions on
    // controls the dialog does not have, actions left over after the dialog
    // ended, and dialogs that OK could not end (then ended with Escape).
    std::vector<std::string> Unexpected() const;
    // Answers still queued.
    int PendingAnswers() const;

private:
    mutable std::mutex m_mutex;
    std::deque<MessageBoxResult> m_boxAnswers;
    std::deque<CDialogScript> m_dialogScripts;
    std::deque<std::function<void()>> m_posted;
    std::vector<CMessageBoxRequest> m_boxes;
    std::vector<CShownDialog> m_dialogs;
    std::vector<std::string> m_unexpected;
};

} // namespace tarnwel
