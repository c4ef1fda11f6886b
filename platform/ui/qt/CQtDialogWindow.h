#pragma once
// The window of one dialog: a QDialog with a widget per control of the
// dialog's template, placed in dialog units of the template's font. What the
// logic sets by id shows at once (the dialog's control observer), and what
// the user does reaches the logic through the dialog's User... operations;
// the logic never sees a widget. Use on the user-interface thread only.

#include "platform/ui/CDialog.h"
#include "platform/ui/CResourceTable.h"
#include "platform/ui/qt/CQtDialogTimers.h"
#include "platform/ui/qt/CQtMenuView.h"
#include "platform/ui/qt/QtConversions.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <utility>
#include <vector>

namespace tarnwel {

class CQtDialogWindow : public QDialog {
public:
    // The program's icon in its resource table, which every window shows.
    static constexpr int kProgramIconId = 128;

    // Builds the widgets from the dialog's template and runs the dialog's
    // initialisation. `resources` (not owned, may be null) names the icons.
    CQtDialogWindow(CDialog& dialog, const CResourceTable* resources, QWidget* parent = nullptr);
    ~CQtDialogWindow() override;

    // The widget of control `id` (the first with that id), null when the
    // template has none. Each widget's object name is "control-<id>".
    QWidget* ControlWidget(int id) const;
    const CDialogUnits& Units() const { return m_units; }
    CDialog& Dialog() const { return m_dialog; }
    // Shows the window as the dialog's window state stands: hidden, shown,
    // or minimised; enabled or not.
    void ApplyWindowState();
    // The client size of a window whose outer size on the templates'
    // platform is `widthPx` x `heightPx`.
    QSize ClientSizeFor(int widthPx, int heightPx) const;

    // Closes the window once the logic ended the dialog (a command, a tick,
    // a call posted to the user-interface thread).
    void CloseIfEnded();

protected:
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab and Shift+Tab: the next or previous tab stop in template order,
    // where a group of radio buttons is one stop (its checked button).
    bool focusNextPrevChild(bool next) override;

private:
    QWidget* CreateControl(const CControlTemplate& control, const CResourceTable* resources);
    void Show(const CControlState& state);
    void Show(std::size_t index, const CControlState& state);
    void Enter();
    void ShowAll();
    // After a user action: the widget shows the state the logic kept, and the
    // window closes once the logic ended the dialog.
    void AfterUserAction(int id);
    // The menu bar of a dialog that has one: it takes the top of the window,
    // the controls keep their places below it.
    void AddMenuBar();
    void WindowChanged(WindowChange change);
    void ApplyWindowSize();

    // Keyboard. The index in the template of the control whose widget is, or
    // holds, `widget`; -1 for none.
    int ControlIndexOf(const QWidget* widget) const;
    // The template indices [first, end) of the group that holds `index`: from
    // the nearest control at or before it that starts a group up to the next
    // control that starts one.
    std::pair<std::size_t, std::size_t> GroupOf(std::size_t index) const;
    bool TakesFocus(std::size_t index) const;
    bool IsRadio(std::size_t index) const;
    // The controls Tab stops at, in template order: every control that takes
    // the focus, but of a group of radio buttons only its checked button (or,
    // with none checked, its first).
    std::vector<std::size_t> TabStops() const;
    void UpdateRadioTabStops();
    // An arrow key on radio button `index`: the previous or next radio button
    // of its group (round the end) takes the focus and is clicked.
    void MoveWithinGroup(std::size_t index, bool forward);

    CDialog& m_dialog;
    CDialogUnits m_units;
    // One widget per control, in template order.
    std::vector<QWidget*> m_widgets;
    bool m_showing = false;  // widgets are being set from the logic's state
    bool m_applyingState = false;  // the window follows the logic's window state
    // A window manager (X11) carries minimise, restore and map out later
    // and reports states on the way, also stale ones of the change before.
    // For kSettleMs after the window changed its state itself, a report is
    // no user's: once that time is over, the window shows the logic's state
    // again if it differs. Where states change at once (offscreen), every
    // report is the user's.
    static constexpr int kSettleMs = 400;
    bool m_statesSettle = false;
    QElapsedTimer m_sinceApplied;
    QTimer m_settle;
    // A window that the logic minimises while it is hidden is shown first and
    // minimised once the window system shows it (polled every kIconifyPollMs,
    // kIconifyPolls times at most): mapped as an icon straight away, it may
    // be opened again by the window manager at once.
    static constexpr int kIconifyPollMs = 20;
    static constexpr int kIconifyPolls = 100;
    QTimer m_iconifyWhenExposed;
    // The logic hears of a minimise or restore that the title bar, the task
    // bar or the window manager made.
    void FollowWindowState();
    // The window differs from the logic's window state.
    bool DiffersFromLogic() const;
    int m_menuBarHeight = 0;
    std::unique_ptr<CQtMenuView> m_menuBar;
    std::unique_ptr<CQtDialogTimers> m_timers;
    // The window that was active when this one opened (the page or dialog
    // that opened it): it has the focus back once this one goes.
    QPointer<QWidget> m_opener;
};

} // namespace tarnwel
