#pragma once
// Answers message boxes and dialogs on the terminal: shows the box's text and
// asks for a button; shows a dialog's texts and choices and reads actions
// ("click 1012", "select 1014 2", "ok", "escape", "close") until the dialog
// has ended. The end of the input answers a box with its default button and
// a dialog as Escape would.

#include "platform/ui/UiBackend.h"

#include <istream>
#include <mutex>
#include <ostream>

namespace tarnwel {

class CTerminalUiBackend : public IUiBackend {
public:
    CTerminalUiBackend(std::istream& in, std::ostream& out) : m_in(in), m_out(out) {}

    int RunModal(CDialog& dialog) override;
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override;

private:
    // One question at a time; recursive, as a dialog's handlers run under
    // it and may show a box.
    std::recursive_mutex m_mutex;
    std::istream& m_in;
    std::ostream& m_out;
};

} // namespace tarnwel
