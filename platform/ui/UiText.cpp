#include "platform/ui/UiText.h"

#include "platform/base/Text.h"

#include <charconv>

namespace tarnwel {
namespace {

bool ParseNumber(const std::string& word, int& value)
{
    const char* end = word.data() + word.size();
    const auto [last, error] = std::from_chars(word.data(), end, value);
    return error == std::errc() && last == end;
}

std::string Indented(const std::string& text)
{
    std::string result = "  ";
    for (const char c : TerminalText(text)) {
        result += c;
        if (c == '\n')
            result += "  ";
    }
    return result;
}

} // namespace

std::string TerminalText(std::string_view text)
{
    if (text.find('\r') == std::string_view::npos)
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    AppendWithLineFeeds(result, text);
    return result;
}

std::vector<std::string> SplitWords(std::string_view line)
{
    line = line.substr(0, line.find('#'));
    std::vector<std::string> words;
    std::size_t position = 0;
    while (position < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r\n", position);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t\r\n", start), line.size());
        words.emplace_back(line.substr(start, end - start));
        position = end;
    }
    return words;
}

const char* AnswerWord(MessageBoxResult answer)
{
    switch (answer) {
    case MessageBoxResult::ok:
        return "ok";
    case MessageBoxResult::cancel:
        return "cancel";
    case MessageBoxResult::yes:
        return "yes";
    case MessageBoxResult::no:
        return "no";
    }
    return "?";
}

std::optional<MessageBoxResult> ParseAnswerWord(std::string_view word)
{
    for (const MessageBoxResult answer :
         {MessageBoxResult::ok, MessageBoxResult::cancel, MessageBoxResult::yes, MessageBoxResult::no}) {
        if (word == AnswerWord(answer))
            return answer;
    }
    return std::nullopt;
}

std::vector<MessageBoxResult> ButtonsOf(MessageBoxButtons buttons)
{
    switch (buttons) {
    case MessageBoxButtons::ok:
        return {MessageBoxResult::ok};
    case MessageBoxButtons::okCancel:
        return {MessageBoxResult::ok, MessageBoxResult::cancel};
    case MessageBoxButtons::yesNo:
        return {MessageBoxResult::yes, MessageBoxResult::no};
    }
    return {};
}

std::string ButtonWords(MessageBoxButtons buttons)
{
    std::string words;
    for (const MessageBoxResult button : ButtonsOf(buttons))
        words += (words.empty() ? "" : "/") + std::string(AnswerWord(button));
    return words;
}

std::string DescribeMessageBox(const CMessageBoxRequest& request)
{
    return "Message box \"" + request.caption + "\" (" + ButtonWords(request.buttons) + ", default " +
           AnswerWord(request.defaultButton) + "):\n" + Indented(request.text) + "\n";
}

std::string DescribeDialog(const CDialogTemplate& dialogTemplate, const std::vector<CControlState>& controls)
{
    std::string text = "Dialog " + std::to_string(dialogTemplate.id) + " \"" + dialogTemplate.caption + "\":\n";
    for (const CControlState& control : controls) {
        if (!control.visible)
            continue;
        const std::string disabled = control.enabled ? "" : "  (disabled)";
        const std::string id = std::to_string(control.id);
        switch (control.type) {
        case ControlType::edit:
        case ControlType::staticText:
        case ControlType::groupBox:
            if (!control.text.empty())
                text += Indented(control.text) + "\n";
            break;
        case ControlType::radioButton:
            text += std::string("  (") + (control.check != 0 ? "x" : " ") + ") " + id + "  " + control.text + disabled +
                    "\n";
            break;
        case ControlType::checkBox:
            text += std::string("  [") + (control.check != 0 ? "x" : " ") + "] " + id + "  " + control.text + disabled +
                    "\n";
            break;
        case ControlType::dropDownList:
            text += "  list " + id + disabled + ":\n";
            for (std::size_t i = 0; i < control.entries.size(); ++i)
                text += std::string("    ") + (static_cast<int>(i) == control.selection ? "> " : "  ") +
                        std::to_string(i) + "  " + control.entries[i] + "\n";
            break;
        case ControlType::pushButton:
            text += "  <" + id + "  " + control.text + ">" + disabled + "\n";
            break;
        case ControlType::datePicker:
            text += "  date " + id + "  " + control.text + disabled + "\n";
            break;
        case ControlType::picture:
            break;
        }
    }
    return text;
}

std::string DescribeChoices(const std::vector<CControlState>& controls)
{
    std::string text;
    for (const CControlState& control : controls) {
        std::string choice;
        if ((control.type == ControlType::radioButton || control.type == ControlType::checkBox) && control.check != 0)
            choice = std::to_string(control.id) + " " + control.text;
        else if (control.type == ControlType::dropDownList && control.selection >= 0 &&
                 control.selection < static_cast<int>(control.entries.size()))
            choice = std::to_string(control.id) + " entry " + std::to_string(control.selection) + " " +
                     control.entries[static_cast<std::size_t>(control.selection)];
        if (!choice.empty())
            text += (text.empty() ? "" : ", ") + choice;
    }
    return text.empty() ? "none" : text;
}

bool ParseDialogActions(const std::vector<std::string>& words, std::size_t first, std::vector<CDialogAction>& actions,
                        std::string& error)
{
    for (std::size_t i = first; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "ok") {
            actions.push_back(CDialogAction::Ok());
        } else if (word == "escape") {
            actions.push_back(CDialogAction::Escape());
        } else if (word == "close") {
            actions.push_back(CDialogAction::Close());
        } else if (word == "click") {
            int id = 0;
            if (i + 1 >= words.size() || !ParseNumber(words[i + 1], id)) {
                error = "click needs a control id";
                return false;
            }
            actions.push_back(CDialogAction::Click(id));
            i += 1;
        } else if (word == "select") {
            int id = 0;
            int index = 0;
            if (i + 2 >= words.size() || !ParseNumber(words[i + 1], id) || !ParseNumber(words[i + 2], index)) {
                error = "select needs a control id and an entry number";
                return false;
            }
            actions.push_back(CDialogAction::Select(id, index));
            i += 2;
        } else {
            error = "'" + word + "' is no dialog action (click ID, select ID INDEX, ok, escape, close)";
            return false;
        }
    }
    return true;
}

} // namespace tarnwel
