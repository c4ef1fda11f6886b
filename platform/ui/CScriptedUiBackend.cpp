#include "platform/ui/CScriptedUiBackend.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace tarnwel {

namespace {

const CControlState& FindControl(const std::vector<CControlState>& controls, int dialogId, int id)
{
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [id](const CControlState& control) { return control.id == id; });
    if (found == controls.end())
        throw std::out_of_range("dialog " + std::to_string(dialogId) + " showed no control " + std::to_string(id));
    return *found;
}

bool HasControl(const CDialog& dialog, int id)
{
    const auto& controls = dialog.Controls();
    return std::any_of(controls.begin(), controls.end(), [id](const CControlState& control) { return control.id == id; });
}

std::string DialogName(int id)
{
    return "dialog " + std::to_string(id);
}

} // namespace

const CControlState& CShownDialog::InitialControl(int id) const
{
    return FindControl(initialControls, dialogId, id);
}

const CControlState& CShownDialog::FinalControl(int id) const
{
    return FindControl(finalControls, dialogId, id);
}

void CScriptedUiBackend::AnswerMessageBox(MessageBoxResult answer)
{
    std::lock_guard lock(m_mutex);
    m_boxAnswers.push_back(answer);
}

void CScriptedUiBackend::AnswerDialog(CDialogScript script)
{
    std::lock_guard lock(m_mutex);
    m_dialogScripts.push_back(std::move(script));
}

MessageBoxResult CScriptedUiBackend::ShowMessageBox(const CMessageBoxRequest& request)
{
    std::lock_guard lock(m_mutex);
    m_boxes.push_back(request);
    if (m_boxAnswers.empty()) {
        m_unexpected.push_back("message box without an answer: " + request.text);
        return request.defaultButton;
    }
    const MessageBoxResult answer = m_boxAnswers.front();
    m_boxAnswers.pop_front();
    return answer;
}

int CScriptedUiBackend::RunModal(CDialog& dialog)
{
    const int dialogId = dialog.Template().id;
    CDialogScript script;
    std::size_t slot = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_dialogScripts.empty()) {
            m_unexpected.push_back(DialogName(dialogId) + " without a script, answered with OK");
        } else {
            script = std::move(m_dialogScripts.front());
            m_dialogScripts.pop_front();
            if (script.dialogId != 0 && script.dialogId != dialogId) {
                // The script was written for another dialog: its ids mean
                // nothing here, so the dialog only gets its OK.
                m_unexpected.push_back(DialogName(dialogId) + " shown where the script expected "
                                       + DialogName(script.dialogId) + ", answered with OK");
                script.actions.clear();
            }
        }
        // The record takes its place now, so that a dialog opened from this
        // one's handlers comes after it.
        slot = m_dialogs.size();
        m_dialogs.push_back(CShownDialog{dialogId, {}, {}, 0});
    }

    // The dialog's logic runs without the lock: its handlers may show boxes.
    std::vector<std::string> unexpected;
    dialog.InitializeDialog();
    std::vector<CControlState> initialControls = dialog.Controls();
    RunPostedCalls();
    for (const CDialogAction& action : script.actions) {
        if (dialog.HasEnded()) {
            unexpected.push_back(DialogName(dialogId) + " had ended before the rest of its script");
            break;
        }
        try {
            ApplyDialogAction(dialog, action);
        } catch (const std::out_of_range&) {
            unexpected.push_back(DialogName(dialogId) + " has no control " + std::to_string(action.id));
        }
        // What the action posted runs before the next one, as an event loop
        // would run it.
        RunPostedCalls();
    }
    if (!dialog.HasEnded() && HasControl(dialog, kIdOk))
        dialog.UserClick(kIdOk);
    if (!dialog.HasEnded()) {
        // OK is missing, disabled or refused by the dialog: Escape is the
        // only way left to end it.
        unexpected.push_back(DialogName(dialogId) + " could not be ended with OK");
        dialog.UserEscape();
        if (!dialog.HasEnded())
            unexpected.push_back(DialogName(dialogId) + " did not end");
    }
    const int result = dialog.Result();

    std::lock_guard lock(m_mutex);
    CShownDialog& shown = m_dialogs[slot];
    shown.initialControls = std::move(initialControls);
    shown.finalControls = dialog.Controls();
    shown.result = result;
    m_unexpected.insert(m_unexpected.end(), unexpected.begin(), unexpected.end());
    return result;
}

void CScriptedUiBackend::Post(std::function<void()> call)
{
    std::lock_guard lock(m_mutex);
    m_posted.push_back(std::move(call));
}

int CScriptedUiBackend::RunPostedCalls()
{
    int ran = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard lock(m_mutex);
            if (m_posted.empty())
                return ran;
            call = std::move(m_posted.front());
            m_posted.pop_front();
        }
        call();
        ++ran;
    }
}

bool CScriptedUiBackend::RunPostedCallsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        RunPostedCalls();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int CScriptedUiBackend::PostedCalls() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_posted.size());
}

std::vector<CMessageBoxRequest> CScriptedUiBackend::MessageBoxes() const
{
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

std::vector<CShownDialog> CScriptedUiBackend::Dialogs() const
{
    std::lock_guard lock(m_mutex);
    return m_dialogs;
}

std::vector<std::string> CScriptedUiBackend::Unexpected() const
{
    std::lock_guard lock(m_mutex);
    return m_unexpected;
}

int CScriptedUiBackend::PendingAnswers() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_boxAnswers.size() + m_dialogScripts.size());
}

void ApplyDialogAction(CDialog& dialog, const CDialogAction& action)
{
    switch (action.kind) {
    case CDialogAction::Kind::click:
        dialog.UserClick(action.id);
        break;
    case CDialogAction::Kind::select:
        dialog.UserSelect(action.id, action.index);
        break;
    case CDialogAction::Kind::setText:
        dialog.UserSetText(action.id, action.text);
        break;
    case CDialogAction::Kind::ok:
        dialog.UserClick(kIdOk);
        break;
    case CDialogAction::Kind::enter:
        dialog.UserEnter();
        break;
    case CDialogAction::Kind::escape:
        dialog.UserEscape();
        break;
    case CDialogAction::Kind::close:
        dialog.UserClose();
        break;
    case CDialogAction::Kind::menuCommand:
        dialog.UserMenuCommand(action.id);
        break;
    case CDialogAction::Kind::timer:
        dialog.UserTimer(action.id);
        break;
    case CDialogAction::Kind::sysCommand:
        dialog.UserSysCommand(action.sysCommand);
        break;
    case CDialogAction::Kind::call:
        if (action.call)
            action.call(dialog);
        break;
    }
}

} // namespace tarnwel
