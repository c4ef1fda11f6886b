#include "platform/ui/qt/CQtDialogWindow.h"

#include "platform/base/UserLocale.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHideEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QThread>
#include <QWindow>

#include <algorithm>

namespace tarnwel {

namespace {

QIcon IconOf(const CResourceTable* resources, int iconId)
{
    if (!resources || iconId == 0)
        return {};
    const CIconResource* icon = resources->FindIcon(iconId);
    return icon ? QIcon(ToQt(icon->file)) : QIcon();
}

// Radio buttons and check boxes break their text over as many lines as it
// needs: the width left beside the indicator.
QString ButtonText(const QAbstractButton& button, const std::string& text, bool radio)
{
    const QStyle* style = button.style();
    const int indicator = radio ? style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &button)
                                    + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &button)
                                : style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &button)
                                    + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &button);
    return WrapText(ToQtLines(text), button.font(), button.width() - indicator - 2);
}

// Radio buttons and check boxes take a click anywhere on their control, not
// only on the indicator and the text.
class CRadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

class CCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

} // namespace

CQtDialogWindow::CQtDialogWindow(CDialog& dialog, const CResourceTable* resources, QWidget* parent)
    : QDialog(parent, (dialog.Template().minimizeBox ? Qt::Window | Qt::WindowMinimizeButtonHint : Qt::Dialog)
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_dialog(dialog),
      m_units(DialogFont(dialog.Template().fontName, dialog.Template().fontPointSize))
{
    m_opener = QApplication::activeModalWidget();
    if (!m_opener || !m_opener->isVisible())
        m_opener = QApplication::activeWindow();
    const CDialogTemplate& t = dialog.Template();
    setFont(DialogFont(t.fontName, t.fontPointSize));
    setWindowTitle(ToQt(t.caption));
    const QIcon programIcon = IconOf(resources, kProgramIconId);
    if (!programIcon.isNull())
        setWindowIcon(programIcon);
    setFixedSize(m_units.X(t.width), m_units.Y(t.height));
    setObjectName(QStringLiteral("dialog-%1").arg(t.id));
    for (const CControlTemplate& control : t.controls) {
        QWidget* widget = CreateControl(control, resources);
        widget->setObjectName(QStringLiteral("control-%1").arg(control.id));
        widget->installEventFilter(this);
        // The first control of the template lies on top of the others (a
        // picture listed after two texts lies behind them); frames, texts
        // and pictures let clicks through to what lies beneath.
        widget->lower();
        if (control.type == ControlType::groupBox || control.type == ControlType::staticText
            || control.type == ControlType::picture)
            widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_widgets.push_back(widget);
    }

    // The logic starts from the template; the widgets then show where its
    // initialisation left every control, and follow each later change.
    dialog.SetControlObserver(nullptr);
    dialog.InitializeDialog();
    ShowAll();
    dialog.SetControlObserver([this](const CControlState& state) { Show(state); });
    AddMenuBar();
    ApplyWindowSize();
    dialog.SetWindowObserver([this](WindowChange change) { WindowChanged(change); });
    m_iconifyWhenExposed.setInterval(kIconifyPollMs);
    connect(&m_iconifyWhenExposed, &QTimer::timeout, this, [this, polls = 0]() mutable {
        const bool exposed = windowHandle() && windowHandle()->isExposed();
        if (!exposed && ++polls < kIconifyPolls)
            return;
        polls = 0;
        m_iconifyWhenExposed.stop();
        if (!m_dialog.HasEnded())
            ApplyWindowState();
    });
    m_statesSettle = QGuiApplication::platformName() == QStringLiteral("xcb");
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (!m_dialog.HasEnded() && !m_iconifyWhenExposed.isActive() && DiffersFromLogic())
            ApplyWindowState();
    });
    // Timers armed by the initialisation run from here on.
    m_timers = std::make_unique<CQtDialogTimers>(dialog, [this] { CloseIfEnded(); });
}

void CQtDialogWindow::AddMenuBar()
{
    CMenu* menu = m_dialog.GetMenu();
    if (!menu)
        return;
    m_menuBar = CQtMenuView::MenuBar(*menu, this, [this](int command) {
        m_dialog.UserMenuCommand(command);
        CloseIfEnded();
    });
    QWidget* bar = m_menuBar->Widget();
    const int barHeight = bar->sizeHint().height();
    bar->setGeometry(0, 0, width(), barHeight);
    for (QWidget* widget : m_widgets)
        widget->move(widget->x(), widget->y() + barHeight);
    m_menuBarHeight = barHeight;
    setFixedSize(width(), height() + barHeight);
}

QSize CQtDialogWindow::ClientSizeFor(int widthPx, int heightPx) const
{
    // The templates' platform: 96 dpi, Tahoma 8 with base units of 6 x 13
    // pixels (a dialog unit is 1.5 pixels wide and 1.625 high), a frame of
    // 3 pixels, a title bar of 19 and a menu bar of 20. The size becomes
    // dialog units there and pixels of the font used here.
    const int frameWidth = 6;
    const int frameHeight = 6 + 19 + (m_menuBar ? 20 : 0);
    const int unitsWide = std::max(0, (widthPx - frameWidth) * 2 / 3);
    const int unitsHigh = std::max(0, (heightPx - frameHeight) * 8 / 13);
    return {m_units.X(unitsWide), m_units.Y(unitsHigh) + m_menuBarHeight};
}

void CQtDialogWindow::ApplyWindowSize()
{
    const CDialogTemplate& t = m_dialog.Template();
    if (m_dialog.WindowWidth() == 0 && m_dialog.WindowHeight() == 0)
        setFixedSize(m_units.X(t.width), m_units.Y(t.height) + m_menuBarHeight);
    else
        setFixedSize(ClientSizeFor(m_dialog.WindowWidth(), m_dialog.WindowHeight()));
}

bool CQtDialogWindow::DiffersFromLogic() const
{
    if (isVisible() != m_dialog.IsWindowVisible())
        return true;
    return isVisible() && isMinimized() != m_dialog.IsIconic();
}

void CQtDialogWindow::ApplyWindowState()
{
    const bool wasApplying = m_applyingState;
    m_applyingState = true;
    setEnabled(m_dialog.IsWindowEnabled());
    const bool changes = DiffersFromLogic() || (!isVisible() && isMinimized() != m_dialog.IsIconic());
    if (!m_dialog.IsWindowVisible()) {
        m_iconifyWhenExposed.stop();
        hide();
    } else if (m_dialog.IsIconic()) {
        if (!isVisible()) {
            showNormal();
            m_iconifyWhenExposed.start();
        } else if (!m_iconifyWhenExposed.isActive()) {
            showMinimized();
        }
    } else {
        m_iconifyWhenExposed.stop();
        if (isMinimized())
            showNormal();
        else
            show();
    }
    if (changes)
        m_sinceApplied.start();
    m_applyingState = wasApplying;
}

void CQtDialogWindow::WindowChanged(WindowChange change)
{
    switch (change) {
    case WindowChange::state:
        ApplyWindowState();
        break;
    case WindowChange::size:
        ApplyWindowSize();
        break;
    case WindowChange::front: {
        // The modal window open above this one takes the front, if any.
        QWidget* front = QApplication::activeModalWidget();
        if (!front || !front->isVisible())
            front = this;
        front->raise();
        front->activateWindow();
        break;
    }
    }
}

void CQtDialogWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_applyingState || m_dialog.HasEnded())
        return;
    if (m_statesSettle && m_sinceApplied.isValid() && m_sinceApplied.elapsed() < kSettleMs) {
        // On the way to the state the window asked for: looked at again
        // when the time is over.
        m_settle.start(static_cast<int>(kSettleMs - m_sinceApplied.elapsed()));
        return;
    }
    // The title bar or the task bar minimised or restored the window: the
    // logic decides, once the change is done (what it decides may hide the
    // window), and the window then shows what it decided.
    QMetaObject::invokeMethod(this, [this] { FollowWindowState(); }, Qt::QueuedConnection);
}

void CQtDialogWindow::FollowWindowState()
{
    if (m_dialog.HasEnded() || !isVisible() || isMinimized() == m_dialog.IsIconic())
        return;
    m_dialog.UserSysCommand(isMinimized() ? SysCommand::minimize : SysCommand::restore);
    if (m_dialog.HasEnded()) {
        done(m_dialog.Result());
        return;
    }
    if (DiffersFromLogic())
        ApplyWindowState();
}

void CQtDialogWindow::CloseIfEnded()
{
    if (m_dialog.HasEnded())
        done(m_dialog.Result());
}

CQtDialogWindow::~CQtDialogWindow()
{
    m_dialog.SetControlObserver(nullptr);
    m_dialog.SetWindowObserver(nullptr);
}

QWidget* CQtDialogWindow::ControlWidget(int id) const
{
    const auto& controls = m_dialog.Template().controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id == id)
            return m_widgets[i];
    }
    return nullptr;
}

QWidget* CQtDialogWindow::CreateControl(const CControlTemplate& control, const CResourceTable* resources)
{
    const int id = control.id;
    const QRect place = m_units.Rect(control.x, control.y, control.width, control.height);
    QWidget* widget = nullptr;
    switch (control.type) {
    case ControlType::edit:
        if (control.multiLine) {
            auto* edit = new QPlainTextEdit(this);
            edit->setReadOnly(control.readOnly);
            edit->setVerticalScrollBarPolicy(control.verticalScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
            edit->setTabChangesFocus(true);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, id, edit] {
                if (m_showing)
                    return;
                m_dialog.UserSetText(id, FromQt(edit->toPlainText()));
                AfterUserAction(id);
            });
            widget = edit;
        } else {
            auto* edit = new QLineEdit(this);
            edit->setReadOnly(control.readOnly);
            edit->setEchoMode(control.password ? QLineEdit::Password : QLineEdit::Normal);
            connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
                m_dialog.UserSetText(id, FromQt(text));
                AfterUserAction(id);
            });
            widget = edit;
        }
        break;
    case ControlType::staticText: {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
    }
    case ControlType::radioButton:
    case ControlType::checkBox: {
        QAbstractButton* button = nullptr;
        if (control.type == ControlType::radioButton) {
            auto* radio = new CRadioButton(this);
            // The logic keeps the group exclusive.
            radio->setAutoExclusive(false);
            button = radio;
        } else {
            button = new CCheckBox(this);
        }
        connect(button, &QAbstractButton::clicked, this, [this, id] {
            m_dialog.UserClick(id);
            AfterUserAction(id);
        });
        widget = button;
        break;
    }
    case ControlType::dropDownList: {
        auto* list = new QComboBox(this);
        list->setEditable(false);
        connect(list, &QComboBox::activated, this, [this, id](int index) {
            m_dialog.UserSelect(id, index);
            AfterUserAction(id);
        });
        widget = list;
        break;
    }
    case ControlType::datePicker: {
        auto* picker = new QDateEdit(this);
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QtDateFormat(CUserLocale::Current().DatePattern()));
        picker->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
        connect(picker, &QDateEdit::dateChanged, this, [this, id](const QDate& date) {
            if (m_showing)
                return;
            m_dialog.UserSetDate(id, FromQDate(date, m_dialog.GetDate(id)));
            AfterUserAction(id);
        });
        widget = picker;
        break;
    }
    case ControlType::pushButton: {
        auto* button = new QPushButton(this);
        button->setDefault(control.defaultButton);
        button->setAutoDefault(false);
        const QIcon icon = IconOf(resources, control.iconId);
        if (!icon.isNull())
            button->setIcon(icon);
        connect(button, &QPushButton::clicked, this, [this, id] {
            m_dialog.UserClick(id);
            AfterUserAction(id);
        });
        widget = button;
        break;
    }
    case ControlType::groupBox:
        widget = new QGroupBox(this);
        break;
    case ControlType::picture: {
        auto* picture = new QLabel(this);
        const QIcon icon = IconOf(resources, control.iconId);
        if (!icon.isNull()) {
            // A square image is an icon and is drawn whole. Any other image is
            // a bitmap laid out for the templates' platform, where it fills its
            // place. Dialog units are wider here, so it is stretched to fill
            // the place instead of ending short of it.
            const QList<QSize> sizes = icon.availableSizes();
            const QSize natural = sizes.isEmpty() ? place.size() : sizes.front();
            if (natural.width() == natural.height())
                picture->setPixmap(icon.pixmap(place.size()));
            else
                picture->setPixmap(icon.pixmap(natural).scaled(place.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
        widget = picture;
        break;
    }
    }
    if (control.boldFontHeight > 0) {
        // The height is that of the templates' platform, whose dialog font
        // (Tahoma 8) is 13 pixels high there: it grows with the font here.
        QFont bold = font();
        bold.setBold(true);
        bold.setPixelSize(std::max(1, control.boldFontHeight * QFontMetrics(font()).height() / 13));
        widget->setFont(bold);
    }
    if (control.type == ControlType::dropDownList || control.type == ControlType::datePicker) {
        // The template's height of a list includes its dropped-down part;
        // the closed control is as high as its font needs.
        widget->setGeometry(place.x(), place.y(), place.width(), std::min(place.height(), widget->sizeHint().height()));
    } else {
        widget->setGeometry(place);
    }
    return widget;
}

void CQtDialogWindow::ShowAll()
{
    const auto& controls = m_dialog.Controls();
    for (std::size_t i = 0; i < controls.size() && i < m_widgets.size(); ++i)
        Show(i, controls[i]);
    UpdateRadioTabStops();
}

void CQtDialogWindow::Show(const CControlState& state)
{
    // The observer hands over the dialog's own state of the control, so its
    // place in the dialog's list is the control's place in the template.
    const auto& controls = m_dialog.Controls();
    if (controls.empty() || &state < controls.data() || &state >= controls.data() + controls.size())
        return;
    const auto index = static_cast<std::size_t>(&state - controls.data());
    if (QThread::currentThread() != thread()) {
        // Widgets are touched on the user-interface thread only: the change
        // shows there, with the state the control has by then.
        QMetaObject::invokeMethod(
            this,
            [this, index] {
                if (index < m_dialog.Controls().size())
                    Show(index, m_dialog.Controls()[index]);
            },
            Qt::QueuedConnection);
        return;
    }
    Show(index, state);
}

void CQtDialogWindow::Show(std::size_t index, const CControlState& state)
{
    if (index >= m_widgets.size())
        return;
    QWidget* widget = m_widgets[index];
    const bool wasShowing = m_showing;
    m_showing = true;
    const QSignalBlocker blocker(widget);
    widget->setEnabled(state.enabled);
    widget->setVisible(state.visible);
    switch (state.type) {
    case ControlType::edit:
        if (auto* edit = dynamic_cast<QPlainTextEdit*>(widget)) {
            if (edit->toPlainText() != ToQtLines(state.text))
                edit->setPlainText(ToQtLines(state.text));
        } else if (auto* line = dynamic_cast<QLineEdit*>(widget)) {
            if (line->text() != ToQt(state.text))
                line->setText(ToQt(state.text));
        }
        break;
    case ControlType::staticText:
        static_cast<QLabel*>(widget)->setText(ToQtLines(state.text));
        break;
    case ControlType::radioButton:
    case ControlType::checkBox: {
        auto* button = static_cast<QAbstractButton*>(widget);
        button->setText(ButtonText(*button, state.text, state.type == ControlType::radioButton));
        button->setChecked(state.check != 0);
        break;
    }
    case ControlType::dropDownList: {
        auto* list = static_cast<QComboBox*>(widget);
        bool same = list->count() == static_cast<int>(state.entries.size());
        for (int i = 0; same && i < list->count(); ++i)
            same = list->itemText(i) == ToQt(state.entries[static_cast<std::size_t>(i)]);
        if (!same) {
            list->clear();
            for (const std::string& entry : state.entries)
                list->addItem(ToQt(entry));
        }
        list->setCurrentIndex(state.selection);
        break;
    }
    case ControlType::datePicker:
        static_cast<QDateEdit*>(widget)->setDate(ToQDate(state.date));
        break;
    case ControlType::pushButton:
        static_cast<QPushButton*>(widget)->setText(ToQt(state.text));
        break;
    case ControlType::groupBox:
        static_cast<QGroupBox*>(widget)->setTitle(ToQt(state.text));
        break;
    case ControlType::picture:
        break;
    }
    if (state.type == ControlType::radioButton && !wasShowing)
        UpdateRadioTabStops();
    m_showing = wasShowing;
}

void CQtDialogWindow::AfterUserAction(int id)
{
    if (m_dialog.HasEnded()) {
        done(m_dialog.Result());
        return;
    }
    // The widget may have changed itself (a radio button unticked by a
    // second click, a refused selection): it shows the logic's state again.
    Show(m_dialog.Control(id));
}

void CQtDialogWindow::Enter()
{
    m_dialog.UserEnter();
    CloseIfEnded();
}

void CQtDialogWindow::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        Enter();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CQtDialogWindow::reject()
{
    // Escape.
    m_dialog.UserEscape();
    if (m_dialog.HasEnded())
        done(m_dialog.Result());
}

void CQtDialogWindow::closeEvent(QCloseEvent* event)
{
    // The close box goes to the logic, which may only hide the window.
    if (!m_dialog.HasEnded())
        m_dialog.UserSysCommand(SysCommand::close);
    if (m_dialog.HasEnded()) {
        event->accept();
        done(m_dialog.Result());
    } else {
        event->ignore();
    }
}

bool CQtDialogWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int index = watched->isWidgetType() ? ControlIndexOf(static_cast<QWidget*>(watched)) : -1;
        if (index >= 0 && IsRadio(static_cast<std::size_t>(index))
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Left:
                MoveWithinGroup(static_cast<std::size_t>(index), false);
                return true;
            case Qt::Key_Down:
            case Qt::Key_Right:
                MoveWithinGroup(static_cast<std::size_t>(index), true);
                return true;
            default:
                break;
            }
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // A push button with the focus takes Enter itself; a multi-line
            // edit leaves it to the dialog, as every other control does.
            if (auto* button = qobject_cast<QPushButton*>(watched)) {
                button->click();
                return true;
            }
            if (qobject_cast<QPlainTextEdit*>(watched)) {
                Enter();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CQtDialogWindow::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous() || isMinimized())
        return;
    // The window that opened this one has the focus back, on the control
    // that had it: a page that a nested page returns to takes keys again.
    QWidget* active = QApplication::activeWindow();
    // A minimised opener stays as it is: activating it could restore it.
    if (!m_opener || m_opener == this || !m_opener->isVisible() || m_opener->isMinimized()
        || (active && active != this))
        return;
    m_opener->activateWindow();
    if (QWidget* focus = m_opener->focusWidget())
        focus->setFocus(Qt::ActiveWindowFocusReason);
}

int CQtDialogWindow::ControlIndexOf(const QWidget* widget) const
{
    for (; widget && widget != this; widget = widget->parentWidget()) {
        for (std::size_t i = 0; i < m_widgets.size(); ++i) {
            if (m_widgets[i] == widget)
                return static_cast<int>(i);
        }
    }
    return -1;
}

std::pair<std::size_t, std::size_t> CQtDialogWindow::GroupOf(std::size_t index) const
{
    const auto& controls = m_dialog.Template().controls;
    std::size_t first = index;
    while (first > 0 && !controls[first].groupStart)
        --first;
    std::size_t end = index + 1;
    while (end < controls.size() && !controls[end].groupStart)
        ++end;
    return {first, end};
}

bool CQtDialogWindow::TakesFocus(std::size_t index) const
{
    const QWidget* widget = m_widgets[index];
    // Radio buttons all take the focus; the tab stops among them are kept
    // by UpdateRadioTabStops.
    return (IsRadio(index) || (widget->focusPolicy() & Qt::TabFocus)) && widget->isEnabled() && !widget->isHidden();
}

bool CQtDialogWindow::IsRadio(std::size_t index) const
{
    return index < m_widgets.size() && m_dialog.Template().controls[index].type == ControlType::radioButton;
}

std::vector<std::size_t> CQtDialogWindow::TabStops() const
{
    std::vector<std::size_t> stops;
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        if (!TakesFocus(i))
            continue;
        if (!IsRadio(i)) {
            stops.push_back(i);
            continue;
        }
        // One stop per group: the checked button, else the first that takes
        // the focus.
        const auto [first, end] = GroupOf(i);
        std::size_t stop = m_widgets.size();
        for (std::size_t j = first; j < end; ++j) {
            if (!IsRadio(j) || !TakesFocus(j))
                continue;
            if (static_cast<const QAbstractButton*>(m_widgets[j])->isChecked()) {
                stop = j;
                break;
            }
            if (stop == m_widgets.size())
                stop = j;
        }
        if (stop == i)
            stops.push_back(i);
    }
    return stops;
}

void CQtDialogWindow::UpdateRadioTabStops()
{
    // Only the stop of a group takes Tab, so that the window's first focus
    // (and Qt's own focus chain) never lands on another of its buttons.
    const std::vector<std::size_t> stops = TabStops();
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        if (IsRadio(i))
            m_widgets[i]->setFocusPolicy(std::binary_search(stops.begin(), stops.end(), i) ? Qt::StrongFocus
                                                                                           : Qt::ClickFocus);
    }
}

bool CQtDialogWindow::focusNextPrevChild(bool next)
{
    const std::vector<std::size_t> stops = TabStops();
    if (stops.empty())
        return QDialog::focusNextPrevChild(next);
    const int current = ControlIndexOf(QApplication::focusWidget());
    std::size_t target = next ? stops.front() : stops.back();
    if (current >= 0) {
        const auto at = static_cast<std::size_t>(current);
        if (next) {
            const auto after = std::upper_bound(stops.begin(), stops.end(), at);
            target = after == stops.end() ? stops.front() : *after;
        } else {
            const auto before = std::lower_bound(stops.begin(), stops.end(), at);
            target = before == stops.begin() ? stops.back() : *(before - 1);
        }
    }
    m_widgets[target]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void CQtDialogWindow::MoveWithinGroup(std::size_t index, bool forward)
{
    const auto [first, end] = GroupOf(index);
    const std::size_t count = end - first;
    for (std::size_t step = 1; step < count; ++step) {
        const std::size_t offset = index - first;
        const std::size_t candidate = first + (forward ? offset + step : offset + count - step) % count;
        if (!IsRadio(candidate) || !TakesFocus(candidate))
            continue;
        m_widgets[candidate]->setFocus(Qt::OtherFocusReason);
        const int id = m_dialog.Template().controls[candidate].id;
        m_dialog.UserClick(id);
        AfterUserAction(id);
        return;
    }
}

} // namespace tarnwel
