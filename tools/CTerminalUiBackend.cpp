#include "tools/CTerminalUiBackend.h"

#include "platform/ui/CDialog.h"
#include "platform/ui/UiText.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tarnwel {

MessageBoxResult CTerminalUiBackend::ShowMessageBox(const CMessageBoxRequest& request)
{
    std::lock_guard lock(m_mutex);
    const std::vector<MessageBoxResult> buttons = ButtonsOf(request.buttons);
    m_out << DescribeMessageBox(request);
    for (;;) {
        m_out << "answer (" << ButtonWords(request.buttons) << ") [" << AnswerWord(request.defaultButton) << "]> "
              << std::flush;
        std::string line;
        if (!std::getline(m_in, line)) {
            m_out << "\nend of input: " << AnswerWord(request.defaultButton) << std::endl;
            return request.defaultButton;
        }
        const std::vector<std::string> words = SplitWords(line);
        if (words.empty())
            return request.defaultButton;
        const std::optional<MessageBoxResult> answer = words.size() == 1 ? ParseAnswerWord(words[0]) : std::nullopt;
        if (answer && std::find(buttons.begin(), buttons.end(), *answer) != buttons.end())
            return *answer;
        m_out << "answer one of: " << ButtonWords(request.buttons) << std::endl;
    }
}

int CTerminalUiBackend::RunModal(CDialog& dialog)
{
    std::lock_guard lock(m_mutex);
    dialog.InitializeDialog();
    bool show = true;
    while (!dialog.HasEnded()) {
        if (show)
            m_out << DescribeDialog(dialog.Template(), dialog.Controls());
        show = true;
        m_out << "action (click ID, select ID INDEX, ok, escape, close)> " << std::flush;
        std::string line;
        if (!std::getline(m_in, line)) {
            m_out << "\nend of input: escape" << std::endl;
            dialog.UserEscape();
            break;
        }
        std::vector<CDialogAction> actions;
        std::string error;
        if (!ParseDialogActions(SplitWords(line), 0, actions, error)) {
            m_out << error << std::endl;
            show = false;
            continue;
        }
        for (const CDialogAction& action : actions) {
            if (dialog.HasEnded())
                break;
            try {
                ApplyDialogAction(dialog, action);
            } catch (const std::out_of_range&) {
                m_out << "the dialog has no control " << action.id << std::endl;
                break;
            }
        }
    }
    m_out << "chosen: " << DescribeChoices(dialog.Controls()) << std::endl;
    // A dialog that Escape does not end counts as cancelled.
    return dialog.HasEnded() ? dialog.Result() : kIdCancel;
}

} // namespace tarnwel
