#pragma once
// Message boxes. Every box of the system goes through ShowMessageBox; what
// shows it (a window, a test's capture, a terminal) is the handler in force,
// else the active ui backend.

#include <functional>
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

using MessageBoxHandler = std::function<MessageBoxResult(const CMessageBoxRequest&)>;

// Shows a box with the application title as caption. The default button is
// the first of the box unless `defaultButton` names another.
MessageBoxResult ShowMessageBox(const std::string& text, MessageBoxButtons buttons = MessageBoxButtons::ok,
                                MessageBoxIcon icon = MessageBoxIcon::none);
MessageBoxResult ShowMessageBox(CMessageBoxRequest request);
// An OK box brought in front of every other window.
void ShowForegroundMessageBox(const std::string& text, MessageBoxIcon icon = MessageBoxIcon::none);

// Installs `handler` and returns the one it replaces. While a handler is
// installed it answers every box; an empty handler hands the boxes back to
// the active ui backend (UiBackend.h). The default backend writes the box to
// standard error and answers OK (a box without OK: its default button).
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The caption of every box; the program's name until a program sets it.
void SetApplicationTitle(const std::string& title);
std::string ApplicationTitle();

// Installs a handler for the lifetime of the object (tests).
class CScopedMessageBoxHandler {
public:
    explicit CScopedMessageBoxHandler(MessageBoxHandler handler) : m_previous(SetMessageBoxHandler(std::move(handler))) {}
    ~CScopedMessageBoxHandler() { SetMessageBoxHandler(std::move(m_previous)); }
    CScopedMessageBoxHandler(const CScopedMessageBoxHandler&) = delete;
    CScopedMessageBoxHandler& operator=(const CScopedMessageBoxHandler&) = delete;

private:
    MessageBoxHandler m_previous;
};

} // namespace tarnwel
