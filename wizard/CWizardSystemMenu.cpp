#include "wizard/CWizardSystemMenu.h"

#include "wizard/CTarnwelDlg.h"
#include "wizard/CWizardApp.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QWidget>

namespace tarnwel {

CWizardSystemMenu::CWizardSystemMenu(QObject* parent)
    : QObject(parent), m_runMenu([](const QString& text, const QPoint& where) {
          QMenu menu;
          QAction* entry = menu.addAction(text);
          return menu.exec(where) == entry;
      })
{
}

bool CWizardSystemMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    CWizardApp* app = CWizardApp::Current();
    auto* page = app != nullptr ? dynamic_cast<CTarnwelDlg*>(app->MainPage()) : nullptr;
    // Only on the page's own window, while no window is open above it.
    if (widget == nullptr || page == nullptr || page->HasEnded() || QApplication::activeModalWidget() == nullptr ||
        widget->window() != QApplication::activeModalWidget() ||
        widget->window()->windowTitle() != QString::fromStdString(page->Template().caption))
        return false;
    const std::string text = CTarnwelDlg::AboutMenuText();
    if (text.empty())
        return false;
    if (m_runMenu(QString::fromStdString(text), static_cast<QContextMenuEvent*>(event)->globalPos()))
        page->OnSystemMenuCommand(CTarnwelDlg::kAboutCommand);
    return true;
}

} // namespace tarnwel
