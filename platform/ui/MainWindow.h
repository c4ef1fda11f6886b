#pragma once
// The application's main window: the dialog that commands from outside it
// reach (a tray icon's menu and double click). The program sets it while its
// main dialog runs.

namespace tarnwel {

class CDialog;

// Sets the main window (not owned; null: none) and returns the previous one.
CDialog* SetMainWindow(CDialog* window);
CDialog* MainWindow();

class CScopedMainWindow {
public:
    explicit CScopedMainWindow(CDialog& window) : m_previous(SetMainWindow(&window)) {}
    ~CScopedMainWindow() { SetMainWindow(m_previous); }
    CScopedMainWindow(const CScopedMainWindow&) = delete;
    CScopedMainWindow& operator=(const CScopedMainWindow&) = delete;

private:
    CDialog* m_previous;
};

} // namespace tarnwel
