#pragma once
// Message boxes and dialogs written as text, and the answer words and dialog
// actions read from a file or the terminal: what the answers-file backend and
// the command-line front end's terminal backend share.
//
// Answer words of a message box: yes, no, ok, cancel.
// Dialog actions: "click ID", "select ID INDEX", "ok", "escape", "close".

#include "platform/ui/CDialog.h"
#include "platform/ui/CScriptedUiBackend.h"
#include "platform/ui/MessageBox.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {

// The system's texts end lines with CR LF; a terminal wants LF alone.
std::string TerminalText(std::string_view text);

// The words of a line, without a comment that begins with '#'.
std::vector<std::string> SplitWords(std::string_view line);

const char* AnswerWord(MessageBoxResult answer);
std::optional<MessageBoxResult> ParseAnswerWord(std::string_view word);
// The buttons of a box, in the order it shows them.
std::vector<MessageBoxResult> ButtonsOf(MessageBoxButtons buttons);
// "yes/no" for a yes/no box.
std::string ButtonWords(MessageBoxButtons buttons);

// The box's text and buttons, with its default button.
std::string DescribeMessageBox(const CMessageBoxRequest& request);
// The dialog's caption, its texts and its choices: radio buttons and check
// boxes with their ids, tick and whether they can be chosen, lists with their
// entries, push buttons.
std::string DescribeDialog(const CDialogTemplate& dialogTemplate, const std::vector<CControlState>& controls);
// The ticked choices alone: "1012 <caption>, ..." or "none".
std::string DescribeChoices(const std::vector<CControlState>& controls);

// Reads dialog actions from `words`, starting at `first`. False with a
// message in `error` for a word that is no action or a missing or bad number.
bool ParseDialogActions(const std::vector<std::string>& words, std::size_t first, std::vector<CDialogAction>& actions,
                        std::string& error);

} // namespace tarnwel
