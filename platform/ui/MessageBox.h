#pragma once
// Message boxes. Every box of the system goes through ShowMessageBox, which
// hands it to the active ui backend (UiBackend.h): a window, a terminal, a
// test's script.

#include <string>

namespace tarnwel {

enum class MessageBoxButtons { ok, okCancel, yesNo };
enum class MessageBoxIcon { none, information, warning, stop, question };
enum class MessageBoxResult { ok, cancel, yes, no };

struct CMessageBoxRequest {
    std::string text;
    std::string caption;
    MessageBoxButtons buttons = MessageBoxButtons::ok;
    MessageBoxIcon icon = MessageBoxIcon::none;
    // The button that Enter chooses: ok, cancel, yes or no.
    MessageBoxResult defaultButton = MessageBoxResult::ok;
    // Bring the box in front of every other window: for boxes that a worker
    // shows without a parent window, which could otherwise open unseen.
    bool foreground = false;
};

// Shows a box with the application title as caption. The default button is
// the first of the box unless `defaultButton` names another.
MessageBoxResult ShowMessageBox(const std::string& text, MessageBoxButtons buttons = MessageBoxButtons::ok,
                                MessageBoxIcon icon = MessageBoxIcon::none);
MessageBoxResult ShowMessageBox(CMessageBoxRequest request);

// The caption of every box; the program's name until a program sets it.
void SetApplicationTitle(const std::string& title);
std::string ApplicationTitle();

} // namespace tarnwel
