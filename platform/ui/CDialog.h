#pragma once
// A modal dialog: a template of controls by id and the handlers of its logic.
// The logic reads and writes its controls by id only ("enable 1011 when ...");
// the backend that shows the dialog mirrors the control states and reports
// the user's actions through the User... operations.

#include "platform/ui/CMenu.h"
#include "platform/ui/DialogTemplate.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwel {

// The state of one control as the logic and the backends see it.
// How ShowWindow changes the window of a showing: hide and show change only
// whether it is visible; restore shows it in its normal size, minimize shows
// it minimised (iconic).
enum class ShowCommand { hide, show, restore, minimize };

// The system commands of the title bar (minimise, restore, close), also posted
// by the logic itself.
enum class SysCommand { minimize, restore, close };

// What a backend that mirrors the window is told: the visibility or the
// minimised state changed, the size changed, the window is to be raised.
enum class WindowChange { state, size, front };

struct CControlState {
    int id = kIdStatic;
    ControlType type = ControlType::staticText;
    std::string text;
    bool enabled = true;
    bool visible = true;
    int check = 0;                     // radio buttons and check boxes: 1 ticked
    std::vector<std::string> entries;  // drop-down list entries, in order
    int selection = -1;                // drop-down list: selected entry, -1 none
    COleDate date;                     // date picker: the date shown, always valid
};

class CDialog {
public:
    explicit CDialog(CDialogTemplate dialogTemplate);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog through the active backend and returns the id that
    // ended it (kIdOk, kIdCancel).
    int DoModal();

    const CDialogTemplate& Template() const { return m_template; }
    // Every control in template order.
    const std::vector<CControlState>& Controls() const { return m_controls; }
    bool HasEnded() const { return m_ended; }
    int Result() const { return m_result; }

    // --- Called by the backends -------------------------------------------
    // Creates the control states from the template and runs OnInitDialog.
    void InitializeDialog();
    // A click: an automatic radio button is selected within its group, a
    // check box toggles, OK runs OnOK and Cancel OnCancel; every other click
    // then goes to OnClicked. Clicks on disabled or hidden controls, and any
    // action after the dialog has ended, change nothing.
    void UserClick(int id);
    // Chooses entry `index` of a drop-down list, then OnSelectionChange; an
    // index outside its entries changes nothing.
    void UserSelect(int id, int index);
    // Types a text into an edit control, then OnEditChange.
    void UserSetText(int id, const std::string& text);
    // Picks a date in a date picker, then OnDateChange; an invalid date
    // changes nothing.
    void UserSetDate(int id, const COleDate& date);
    // Enter: a click on the default push button (nothing while it is
    // disabled or hidden); without one, a click on OK, and without OK the
    // OK handling itself.
    void UserEnter();
    // Escape and the close box: OnCancel.
    void UserEscape();
    // The close box: OnClose (base: OnCancel).
    void UserClose();
    // A system command from the title bar or posted (PostSysCommand):
    // OnSysCommand, unless the dialog has ended.
    void UserSysCommand(SysCommand command);
    // Told of every control that the logic changes (backends that mirror).
    using ControlObserver = std::function<void(const CControlState&)>;
    void SetControlObserver(ControlObserver observer) { m_observer = std::move(observer); }

    // --- Control access by id, for the logic --------------------------------
    // An id that the template does not hold is a programming error and throws
    // std::out_of_range.
    const CControlState& Control(int id) const;
    std::string GetItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    void EnableItem(int id, bool enable);
    bool IsItemEnabled(int id) const;
    void ShowItem(int id, bool show);
    bool IsItemVisible(int id) const;
    int GetCheck(int id) const;
    void SetCheck(int id, int check);
    // Ticks `id` and clears the other radio buttons from `first` to `last`.
    void CheckRadioButton(int first, int last, int id);
    // The ticked radio button among the ids from `first` to `last`, or 0.
    int GetCheckedRadioButton(int first, int last) const;
    // A date picker always shows a valid date: an invalid or null date shows
    // (and then holds) today's date.
    void SetDate(int id, const COleDate& date);
    COleDate GetDate(int id) const;
    void AddComboEntry(int id, const std::string& text);
    int GetComboCount(int id) const;
    int GetComboSelection(int id) const;
    void SetComboSelection(int id, int index);

    // --- Menu bar, commands and timers (CDialogCommands.cpp) ---------------
    // The menu bar that every showing builds afresh from `menu`, before
    // OnInitDialog. Without one the dialog has no menu bar.
    void SetMenuTemplate(CMenuTemplate menu);
    // The menu bar of the current showing; null without one (and before the
    // first initialisation).
    CMenu* GetMenu() { return m_menu.get(); }
    const CMenu* GetMenu() const { return m_menu.get(); }
    // The user chooses an entry of the menu bar: an enabled command goes to
    // OnCommand; a disabled or unknown one, and any choice after the dialog
    // has ended, changes nothing.
    void UserMenuCommand(int id);
    // A command sent to the dialog from elsewhere (a tray icon's menu,
    // another process): OnCommand, whatever the menu bar shows, unless the
    // dialog has ended.
    void SendCommand(int id);
    // A tick of timer `id`: OnTimer while the timer is armed and the dialog
    // has not ended. Called by the backends (and by tests).
    void UserTimer(int id);
    // Arms timer `id` to tick every `intervalMs` milliseconds; arming an
    // armed timer again replaces its interval and starts its period anew.
    // Any thread may arm and kill timers; a new showing starts without any.
    void SetTimer(int id, unsigned intervalMs);
    // Returns false when the timer was not armed.
    bool KillTimer(int id);
    // The armed timers and their intervals.
    std::map<int, unsigned> ArmedTimers() const;
    // Told of every timer armed (with its interval) or killed. Called with
    // the timers' lock held: it must not call the dialog back.
    using TimerObserver = std::function<void(int id, bool armed, unsigned intervalMs)>;
    void SetTimerObserver(TimerObserver observer);

    // --- Window state of the showing (CDialogWindow.cpp) --------------------
    // Every showing starts visible, not minimised, in its template's size.
    // The scripted backend keeps this as state that tests read; the Qt
    // backend mirrors it on its window both ways. User-interface thread.
    void ShowWindow(ShowCommand command);
    bool IsIconic() const { return m_iconic; }
    bool IsWindowVisible() const { return m_visible; }
    // A disabled window takes no input but still repaints.
    void EnableWindow(bool enable);
    bool IsWindowEnabled() const { return m_windowEnabled; }
    // The outer size of the window in pixels of the templates' platform (96
    // dpi, Tahoma 8, one-line title and menu bars); the position is kept.
    // 0 x 0: the template's size.
    void SetWindowSize(int widthPx, int heightPx);
    int WindowWidth() const { return m_windowWidth; }
    int WindowHeight() const { return m_windowHeight; }
    // Raises the window, or the modal window open above it.
    void BringToFront();
    // How often BringToFront was called in this showing (tests).
    int BringToFrontCount() const { return m_frontCount; }
    // Queues `command` through the active backend (IUiBackend::Post): it
    // reaches OnSysCommand later on the user-interface thread, unless the
    // dialog has ended or is gone by then.
    void PostSysCommand(SysCommand command);
    using WindowObserver = std::function<void(WindowChange change)>;
    void SetWindowObserver(WindowObserver observer) { m_windowObserver = std::move(observer); }

protected:
    // A system command. Base: minimize and restore carry themselves out on
    // the window state, close goes to OnClose.
    virtual void OnSysCommand(SysCommand command);
    // The close box (and the close system command). Base: OnCancel.
    virtual void OnClose() { OnCancel(); }
    // Base: DoDataExchange(false), which shows the fields in their controls.
    virtual bool OnInitDialog();
    virtual void OnClicked(int /*id*/) {}
    virtual void OnSelectionChange(int /*id*/) {}
    virtual void OnEditChange(int /*id*/) {}
    virtual void OnDateChange(int /*id*/) {}
    // Base: DoDataExchange(true), then EndDialog(kIdOk).
    virtual void OnOK();
    // Base: EndDialog(kIdCancel) without the exchange back.
    virtual void OnCancel();
    // A command from the menu bar or sent to the dialog (SendCommand).
    virtual void OnCommand(int /*id*/) {}
    virtual void OnTimer(int /*id*/) {}
    // Moves field values into controls (`save` false) or back (`save` true).
    virtual void DoDataExchange(bool /*save*/) {}
    void EndDialog(int result);

private:
    CControlState& MutableControl(int id);
    void Changed(const CControlState& control);
    void StartMenuAndTimers();

    CDialogTemplate m_template;
    std::vector<CControlState> m_controls;
    ControlObserver m_observer;
    std::unique_ptr<CMenuTemplate> m_menuTemplate;
    std::unique_ptr<CMenu> m_menu;
    mutable std::mutex m_timerMutex;
    std::map<int, unsigned> m_timers;
    TimerObserver m_timerObserver;
    bool m_ended = false;
    int m_result = 0;
    bool m_visible = true;
    bool m_iconic = false;
    bool m_windowEnabled = true;
    int m_windowWidth = 0;
    int m_windowHeight = 0;
    int m_frontCount = 0;
    WindowObserver m_windowObserver;
    // Lets posted calls find out whether the dialog still exists.
    std::shared_ptr<CDialog*> m_self;
};

} // namespace tarnwel
