#include "platform/ui/CAnswersFileBackend.h"

#include "platform/ui/UiText.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

namespace tarnwel {
namespace {

std::optional<int> DialogId(const std::string& word)
{
    int id = 0;
    const char* end = word.data() + word.size();
    const auto [last, error] = std::from_chars(word.data(), end, id);
    if (error != std::errc() || last != end)
        return std::nullopt;
    return id;
}

} // namespace

bool CAnswersFileBackend::Load(std::istream& in, const std::string& name, std::string& error)
{
    std::vector<MessageBoxResult> boxes;
    std::vector<CDialogScript> dialogs;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::vector<std::string> words = SplitWords(line);
        if (words.empty())
            continue;
        const std::string where = name + ":" + std::to_string(number) + ": ";
        if (words[0] == "box") {
            const std::optional<MessageBoxResult> answer =
                words.size() == 2 ? ParseAnswerWord(words[1]) : std::nullopt;
            if (!answer) {
                error = where + "a box line is \"box yes|no|ok|cancel\"";
                return false;
            }
            boxes.push_back(*answer);
        } else if (words[0] == "dialog") {
            CDialogScript script;
            std::size_t first = 1;
            if (words.size() > 1) {
                if (const std::optional<int> id = DialogId(words[1])) {
                    script.dialogId = *id;
                    first = 2;
                }
            }
            std::string actionError;
            if (!ParseDialogActions(words, first, script.actions, actionError)) {
                error = where + actionError;
                return false;
            }
            dialogs.push_back(std::move(script));
        } else {
            error = where + "'" + words[0] + "' is no answer (box ..., dialog ...)";
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot read " + name;
        return false;
    }
    for (const MessageBoxResult answer : boxes)
        m_script.AnswerMessageBox(answer);
    for (CDialogScript& script : dialogs)
        m_script.AnswerDialog(std::move(script));
    return true;
}

MessageBoxResult CAnswersFileBackend::ShowMessageBox(const CMessageBoxRequest& request)
{
    std::lock_guard lock(m_mutex);
    m_out << DescribeMessageBox(request) << std::flush;
    MessageBoxResult answer = m_script.ShowMessageBox(request);
    ReportUnexpected();
    const std::vector<MessageBoxResult> buttons = ButtonsOf(request.buttons);
    if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end()) {
        // A box can only return one of its own buttons.
        m_notes << "note: the answer " << AnswerWord(answer) << " is no button of this box ("
                << ButtonWords(request.buttons) << "); it gets its default button" << std::endl;
        answer = request.defaultButton;
    }
    m_out << "answer: " << AnswerWord(answer) << std::endl;
    return answer;
}

int CAnswersFileBackend::RunModal(CDialog& dialog)
{
    std::lock_guard lock(m_mutex);
    const int result = m_script.RunModal(dialog);
    const std::vector<CShownDialog> shown = m_script.Dialogs();
    if (!shown.empty())
        m_out << DescribeDialog(dialog.Template(), shown.back().initialControls);
    ReportUnexpected();
    m_out << "chosen: " << DescribeChoices(dialog.Controls()) << (result == kIdOk ? " (OK)" : " (Cancel)")
          << std::endl;
    return result;
}

void CAnswersFileBackend::ReportUnexpected()
{
    const std::vector<std::string> unexpected = m_script.Unexpected();
    for (; m_unexpectedReported < unexpected.size(); ++m_unexpectedReported)
        m_notes << "note: " << TerminalText(unexpected[m_unexpectedReported]) << std::endl;
}

} // namespace tarnwel
