#pragma once
// The first-replication page's system menu on the Qt desktop, where a
// dialog's window has none of its own: the page's context menu (a right
// click, the menu key or Shift+F10) offers the about entry, and choosing it
// sends the page its system command 0x10.

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>

namespace tarnwel {

class CWizardSystemMenu : public QObject {
public:
    // Shows the menu of one entry `text` at `where`; true when the user
    // chose the entry. Base: a QMenu.
    using MenuRunner = std::function<bool(const QString& text, const QPoint& where)>;

    explicit CWizardSystemMenu(QObject* parent = nullptr);
    void SetMenuRunner(MenuRunner runner) { m_runMenu = std::move(runner); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MenuRunner m_runMenu;
};

} // namespace tarnwel
