#pragma once
// Qt menus for the ui layer's menus: a menu bar or a popup built from a
// CMenu. Its entries follow the menu's states (enabled, checked, default in
// bold), also when the logic changes them later from another thread; an
// entry the user chooses goes to the command handler. The menu stays the
// one truth: a check mark changes only when the logic changes it.

#include "platform/ui/CMenu.h"

#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QObject;
class QWidget;

namespace tarnwel {

class CDialog;

class CQtMenuView {
public:
    using CommandHandler = std::function<void(int id)>;

    // A menu bar for `menu` (not owned; it must outlive the view) whose
    // entries are its popups. With a parent the widget belongs to the
    // parent, else to the view. GUI thread only.
    static std::unique_ptr<CQtMenuView> MenuBar(CMenu& menu, QWidget* parent, CommandHandler onCommand);
    // A popup for `menu`, whose entries are its own.
    static std::unique_ptr<CQtMenuView> Popup(CMenu& menu, QWidget* parent, CommandHandler onCommand);

    ~CQtMenuView();
    CQtMenuView(const CQtMenuView&) = delete;
    CQtMenuView& operator=(const CQtMenuView&) = delete;

    // The widget: a QMenuBar or a QMenu; null once its parent destroyed it.
    QWidget* Widget() const { return m_widget; }
    QMenuBar* Bar() const;
    QMenu* Menu() const;
    // The action of command `id`, null when the menu has none.
    QAction* Action(int id) const;

private:
    CQtMenuView(CMenu& menu, CommandHandler onCommand);
    void Build(QWidget* widget, bool ownWidget);
    void AddItems(QWidget* target, const std::vector<CMenuItem>& items);
    void Apply(const CMenuItem& item);
    void Chosen(int id);

    CMenu& m_menu;
    CommandHandler m_onCommand;
    std::unique_ptr<QObject> m_context;
    QPointer<QWidget> m_widget;
    std::unique_ptr<QWidget> m_ownedWidget;
    std::map<int, QPointer<QAction>> m_actions;
};

// The menu bar of `dialog`'s current showing for its window, its chosen
// entries going to the dialog's UserMenuCommand; null when the dialog has no
// menu bar. Build it after the dialog's initialisation and drop it before the
// dialog is shown again; the window's layout takes the bar (setMenuBar).
std::unique_ptr<CQtMenuView> CreateDialogMenuBar(CDialog& dialog, QWidget* window);

} // namespace tarnwel
