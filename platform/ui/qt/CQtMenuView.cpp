#include "platform/ui/qt/CQtMenuView.h"

#include "platform/ui/CDialog.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QThread>

namespace tarnwel {

namespace {

QString ToQt(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CQtMenuView::CQtMenuView(CMenu& menu, CommandHandler onCommand)
    : m_menu(menu), m_onCommand(std::move(onCommand)), m_context(std::make_unique<QObject>())
{
}

std::unique_ptr<CQtMenuView> CQtMenuView::MenuBar(CMenu& menu, QWidget* parent, CommandHandler onCommand)
{
    std::unique_ptr<CQtMenuView> view(new CQtMenuView(menu, std::move(onCommand)));
    view->Build(new QMenuBar(parent), parent == nullptr);
    return view;
}

std::unique_ptr<CQtMenuView> CQtMenuView::Popup(CMenu& menu, QWidget* parent, CommandHandler onCommand)
{
    std::unique_ptr<CQtMenuView> view(new CQtMenuView(menu, std::move(onCommand)));
    view->Build(new QMenu(parent), parent == nullptr);
    return view;
}

CQtMenuView::~CQtMenuView()
{
    // No change reaches the view from now on; changes already queued are
    // dropped with their context.
    m_menu.SetObserver(nullptr);
    m_context.reset();
}

void CQtMenuView::Build(QWidget* widget, bool ownWidget)
{
    m_widget = widget;
    if (ownWidget)
        m_ownedWidget.reset(widget);
    AddItems(widget, m_menu.Items());
    QObject* context = m_context.get();
    m_menu.SetObserver([this, context](const CMenuItem& item) {
        // Called with the menu's lock held: apply at once on the GUI thread
        // (Apply does not call the menu), queue the change from other ones.
        if (QThread::currentThread() == context->thread())
            Apply(item);
        else
            QMetaObject::invokeMethod(context, [this, item] { Apply(item); }, Qt::QueuedConnection);
    });
}

void CQtMenuView::AddItems(QWidget* target, const std::vector<CMenuItem>& items)
{
    auto* asMenu = qobject_cast<QMenu*>(target);
    auto* asBar = qobject_cast<QMenuBar*>(target);
    for (const CMenuItem& item : items) {
        if (item.separator) {
            if (asMenu)
                asMenu->addSeparator();
            else if (asBar)
                asBar->addSeparator();
            continue;
        }
        if (!item.popup.empty()) {
            QMenu* sub = asMenu ? asMenu->addMenu(ToQt(item.text)) : asBar->addMenu(ToQt(item.text));
            AddItems(sub, item.popup);
            continue;
        }
        auto* action = new QAction(ToQt(item.text), target);
        target->addAction(action);
        const int id = item.id;
        QObject::connect(action, &QAction::triggered, m_context.get(), [this, id] { Chosen(id); });
        m_actions[id] = action;
        Apply(item);
    }
}

void CQtMenuView::Apply(const CMenuItem& item)
{
    const auto found = m_actions.find(item.id);
    if (found == m_actions.end() || !found->second)
        return;
    QAction* action = found->second;
    action->setEnabled(!item.grayed);
    // Only a checked entry shows a check box, as menus without marks do.
    action->setCheckable(item.checked);
    action->setChecked(item.checked);
    QFont font = action->font();
    if (font.bold() != item.defaultItem) {
        font.setBold(item.defaultItem);
        action->setFont(font);
    }
}

void CQtMenuView::Chosen(int id)
{
    // Qt toggles a checkable action by itself; the mark is the logic's, so
    // the action shows the menu's state again before the command runs. The
    // handler may destroy the view: nothing of it is used afterwards.
    if (const std::optional<CMenuItem> item = m_menu.FindItem(id))
        Apply(*item);
    const CommandHandler handler = m_onCommand;
    if (handler)
        handler(id);
}

QMenuBar* CQtMenuView::Bar() const
{
    return qobject_cast<QMenuBar*>(m_widget.data());
}

QMenu* CQtMenuView::Menu() const
{
    return qobject_cast<QMenu*>(m_widget.data());
}

QAction* CQtMenuView::Action(int id) const
{
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second.data();
}

std::unique_ptr<CQtMenuView> CreateDialogMenuBar(CDialog& dialog, QWidget* window)
{
    CMenu* menu = dialog.GetMenu();
    if (!menu)
        return nullptr;
    return CQtMenuView::MenuBar(*menu, window, [&dialog](int id) { dialog.UserMenuCommand(id); });
}

} // namespace tarnwel
