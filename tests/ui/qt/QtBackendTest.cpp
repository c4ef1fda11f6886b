#include "engine/CConflictDialog.h"
#include "engine/CContactConflictDialog.h"
#include "engine/CContactLinkDialog.h"
#include "engine/CContactRun.h"
#include "platform/base/UserLocale.h"
#include "platform/ui/CTemplateBuilder.h"
#include "platform/ui/qt/CQtDialogWindow.h"
#include "platform/ui/qt/CQtUiBackend.h"
#include "resources/SharedResources.h"
#include "resources/client/ClientResources.h"
#include "resources/wizard/WizardResources.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/TrayLikeDialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEventLoop>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

using namespace tarnwel;
using testing::ElementsAre;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "QtUiTests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the widgets of a failed test may outlive it.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

constexpr int kStatic = 200, kEdit = 201, kPassword = 202, kMultiLine = 203, kRadioA = 204, kRadioB = 205,
              kCheck = 206, kList = 207, kPicker = 208, kPicture = 209, kMore = 210, kIcon = 300;

// A dialog with every control type: texts, edits of each style, a radio
// group with a check box, a list with entries, a date picker, a picture and
// push buttons with an icon, OK (the default) and Cancel.
CDialogTemplate EveryControlTemplate()
{
    CTemplateBuilder t(950, "Alle Elemente", 200, 150);
    t.Add(kStatic, ControlType::staticText, "Zeile eins\r\nZeile zwei", 7, 7, 120, 20);
    t.Add(kIdStatic, ControlType::groupBox, "Gruppe", 7, 30, 186, 50);
    t.Add(kEdit, ControlType::edit, "", 14, 42, 80, 12).groupStart = true;
    t.Add(kPassword, ControlType::edit, "geheim", 100, 42, 80, 12).password = true;
    CControlTemplate& multi = t.Add(kMultiLine, ControlType::edit, "a\r\nb", 14, 58, 170, 18);
    multi.multiLine = multi.readOnly = multi.verticalScroll = true;
    t.Add(kRadioA, ControlType::radioButton, "Eins", 7, 85, 80, 10).groupStart = true;
    t.Add(kRadioB, ControlType::radioButton, "Zwei", 7, 97, 80, 10);
    t.Add(kCheck, ControlType::checkBox, "Haken", 100, 85, 80, 10);
    CControlTemplate& list = t.Add(kList, ControlType::dropDownList, "", 7, 110, 90, 60);
    list.groupStart = true;
    list.entries = {"rot", "gr\xC3\xBCn", "blau"};
    t.Add(kPicker, ControlType::datePicker, "", 100, 110, 90, 14).date = COleDate::FromFields(2004, 3, 5, 9, 30);
    t.Add(kPicture, ControlType::picture, "", 170, 7, 20, 20).iconId = kIcon;
    t.Add(kMore, ControlType::pushButton, "Mehr", 7, 130, 50, 14).iconId = kIcon;
    CControlTemplate& ok = t.Add(kIdOk, ControlType::pushButton, "OK", 80, 130, 50, 14);
    ok.defaultButton = ok.groupStart = true;
    t.Add(kIdCancel, ControlType::pushButton, "Abbrechen", 140, 130, 50, 14);
    return t.Take();
}

class CEveryControlDialog : public CDialog {
public:
    CEveryControlDialog() : CDialog(EveryControlTemplate()) {}

    std::string m_text = "Anfang";
    std::vector<std::string> m_events;

protected:
    bool OnInitDialog() override
    {
        CDialog::OnInitDialog();
        CheckRadioButton(kRadioA, kRadioB, kRadioA);
        return true;
    }
    void OnClicked(int id) override { m_events.push_back("click " + std::to_string(id)); }
    void OnSelectionChange(int id) override
    {
        m_events.push_back("select " + std::to_string(id) + " " + std::to_string(GetComboSelection(id)));
    }
    void OnEditChange(int id) override { m_events.push_back("edit " + std::to_string(id) + " " + GetItemText(id)); }
    void OnDateChange(int id) override { m_events.push_back("date " + std::to_string(id) + " " + GetDate(id).Format("%Y-%m-%d %H:%M")); }
    void DoDataExchange(bool save) override
    {
        if (save)
            m_text = GetItemText(kEdit);
        else
            SetItemText(kEdit, m_text);
    }
};

template <class Widget>
Widget* Find(const CQtDialogWindow& window, int id)
{
    auto* widget = dynamic_cast<Widget*>(window.ControlWidget(id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
}

// Runs `act` once a modal window of the application is shown; the modal run
// that shows it has to be started right after.
void WhenModalShows(std::function<void(QWidget&)> act)
{
    auto* timer = new QTimer(&App());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(*modal);
    });
    timer->start();
}

QPushButton* BoxButton(QWidget& box, MessageBoxResult result)
{
    return box.findChild<QPushButton*>(QStringLiteral("box-button-%1").arg(static_cast<int>(result)));
}

class QtUi : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        CUserLocale::Use("de_DE.UTF-8");
        QPixmap icon(16, 16);
        icon.fill(Qt::red);
        ASSERT_TRUE(icon.save(QString::fromStdString(m_iconFile)));
        m_resources.AddIcon({kIcon, m_iconFile});
        SetApplicationTitle("DRAV replicator");
    }
    void TearDown() override { CUserLocale::UseEnvironment(); }

    test::CTemporaryDirectory m_dir;
    std::string m_iconFile = m_dir.Path("icon.png");
    CResourceTable m_resources{"test"};
    CQtUiBackend m_backend{&m_resources};
    CScopedUiBackend m_scope{m_backend};
};

} // namespace

TEST_F(QtUi, BuildsAWidgetOfTheRightKindForEveryControlInDialogUnitsOfItsFont)
{
    CEveryControlDialog dialog;
    CQtDialogWindow window(dialog, &m_resources);
    const CDialogUnits units(window.font());
    EXPECT_GT(units.BaseWidth(), 0);
    EXPECT_EQ(units.BaseHeight(), QFontMetrics(window.font()).height());
    EXPECT_EQ(window.size(), QSize(units.X(200), units.Y(150)));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Alle Elemente"));
    EXPECT_EQ(window.ControlWidget(kCheck)->geometry(), QRect(units.X(100), units.Y(85), units.X(180) - units.X(100),
                                                              units.Y(95) - units.Y(85)));

    EXPECT_EQ(Find<QLabel>(window, kStatic)->text(), QStringLiteral("Zeile eins\nZeile zwei"));
    EXPECT_EQ(Find<QGroupBox>(window, kIdStatic)->title(), QStringLiteral("Gruppe"));
    EXPECT_EQ(Find<QLineEdit>(window, kEdit)->text(), QStringLiteral("Anfang"));
    EXPECT_EQ(Find<QLineEdit>(window, kPassword)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Find<QLineEdit>(window, kEdit)->echoMode(), QLineEdit::Normal);
    auto* multi = Find<QPlainTextEdit>(window, kMultiLine);
    EXPECT_TRUE(multi->isReadOnly());
    EXPECT_EQ(multi->toPlainText(), QStringLiteral("a\nb"));
    EXPECT_TRUE(Find<QRadioButton>(window, kRadioA)->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(window, kRadioB)->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(window, kCheck)->isChecked());
    auto* list = Find<QComboBox>(window, kList);
    EXPECT_FALSE(list->isEditable());
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(1), QStringLiteral("gr\u00fcn"));
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_LT(list->height(), units.Y(60));  // the closed list, not its dropped-down part
    auto* picker = Find<QDateEdit>(window, kPicker);
    EXPECT_EQ(picker->date(), QDate(2004, 3, 5));
    EXPECT_EQ(picker->text(), QStringLiteral("05.03.2004"));
    EXPECT_FALSE(Find<QLabel>(window, kPicture)->pixmap().isNull());
    EXPECT_FALSE(Find<QPushButton>(window, kMore)->icon().isNull());
    EXPECT_TRUE(Find<QPushButton>(window, kIdOk)->isDefault());
    EXPECT_FALSE(Find<QPushButton>(window, kIdCancel)->isDefault());
}

TEST_F(QtUi, WhatTheLogicSetsByIdShowsAtOnce)
{
    CEveryControlDialog dialog;
    CQtDialogWindow window(dialog, &m_resources);

    dialog.SetItemText(kStatic, "neu\r\nzweite Zeile");
    dialog.SetItemText(kMultiLine, "x\r\ny");
    dialog.EnableItem(kEdit, false);
    dialog.ShowItem(kCheck, false);
    dialog.SetCheck(kCheck, 1);
    dialog.CheckRadioButton(kRadioA, kRadioB, kRadioB);
    dialog.AddComboEntry(kList, "gelb");
    dialog.SetComboSelection(kList, 3);
    dialog.SetItemText(kRadioA, "Eins, jetzt mit einem Text, der nicht mehr auf eine Zeile passt");
    dialog.SetDate(kPicker, COleDate::Invalid());

    EXPECT_EQ(Find<QLabel>(window, kStatic)->text(), QStringLiteral("neu\nzweite Zeile"));
    EXPECT_EQ(Find<QPlainTextEdit>(window, kMultiLine)->toPlainText(), QStringLiteral("x\ny"));
    EXPECT_FALSE(window.ControlWidget(kEdit)->isEnabled());
    EXPECT_TRUE(window.ControlWidget(kCheck)->isHidden());
    EXPECT_TRUE(Find<QCheckBox>(window, kCheck)->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(window, kRadioA)->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(window, kRadioB)->isChecked());
    EXPECT_EQ(Find<QComboBox>(window, kList)->count(), 4);
    EXPECT_EQ(Find<QComboBox>(window, kList)->currentText(), QStringLiteral("gelb"));
    // A caption too long for its line is broken over two, not cut.
    const QString wrapped = Find<QRadioButton>(window, kRadioA)->text();
    EXPECT_TRUE(wrapped.contains(QLatin1Char('\n')));
    EXPECT_EQ(QString(wrapped).replace(QLatin1Char('\n'), QLatin1Char(' ')),
              QStringLiteral("Eins, jetzt mit einem Text, der nicht mehr auf eine Zeile passt"));
    // A date that is not valid shows today, and the logic holds what is shown.
    EXPECT_EQ(Find<QDateEdit>(window, kPicker)->date(), QDate::currentDate());
    EXPECT_EQ(ToQDate(dialog.GetDate(kPicker)), QDate::currentDate());
}

TEST_F(QtUi, WhatTheUserDoesOnTheWidgetsReachesTheLogic)
{
    CEveryControlDialog dialog;
    CQtDialogWindow window(dialog, &m_resources);
    window.show();

    QTest::mouseClick(window.ControlWidget(kRadioB), Qt::LeftButton);
    QTest::mouseClick(window.ControlWidget(kCheck), Qt::LeftButton);
    QTest::mouseClick(window.ControlWidget(kMore), Qt::LeftButton);
    // A second click on the ticked radio button leaves it ticked.
    QTest::mouseClick(window.ControlWidget(kRadioB), Qt::LeftButton);
    auto* list = Find<QComboBox>(window, kList);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClicks(window.ControlWidget(kEdit), "ab");
    // The calendar's pick keeps the time of day the date had.
    Find<QDateEdit>(window, kPicker)->setDate(QDate(2026, 12, 24));

    EXPECT_EQ(dialog.GetCheckedRadioButton(kRadioA, kRadioB), kRadioB);
    EXPECT_TRUE(Find<QRadioButton>(window, kRadioB)->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(window, kRadioA)->isChecked());
    EXPECT_EQ(dialog.GetCheck(kCheck), 1);
    EXPECT_EQ(dialog.GetComboSelection(kList), 0);
    EXPECT_EQ(dialog.GetItemText(kEdit), "Anfangab");
    EXPECT_EQ(dialog.GetDate(kPicker), COleDate::FromFields(2026, 12, 24, 9, 30));
    EXPECT_THAT(dialog.m_events, ElementsAre("click 205", "click 206", "click 210", "click 205", "select 207 0",
                                             "edit 201 Anfanga", "edit 201 Anfangab", "date 208 2026-12-24 09:30"));

    // A control the logic disabled takes no input.
    dialog.EnableItem(kRadioA, false);
    QTest::mouseClick(window.ControlWidget(kRadioA), Qt::LeftButton);
    EXPECT_EQ(dialog.GetCheckedRadioButton(kRadioA, kRadioB), kRadioB);
    EXPECT_FALSE(dialog.HasEnded());
}

TEST_F(QtUi, EnterEscapeAndTheCloseBoxEndTheModalRun)
{
    struct Case {
        const char* name;
        std::function<void(CQtDialogWindow&)> act;
        int result;
        std::string text;  // the field after the run: exchanged back only at OK
    } cases[] = {
        {"Enter: the default button", [](CQtDialogWindow& w) { QTest::keyClick(&w, Qt::Key_Return); }, kIdOk, "Anfangx"},
        {"Enter in a line edit", [](CQtDialogWindow& w) { QTest::keyClick(w.ControlWidget(kEdit), Qt::Key_Return); },
         kIdOk, "Anfangx"},
        {"Enter in a drop-down list", [](CQtDialogWindow& w) { QTest::keyClick(w.ControlWidget(kList), Qt::Key_Return); },
         kIdOk, "Anfangx"},
        {"Enter in the multi-line edit", [](CQtDialogWindow& w) { QTest::keyClick(w.ControlWidget(kMultiLine), Qt::Key_Enter); },
         kIdOk, "Anfangx"},
        {"Enter on a focused push button clicks it",
         [](CQtDialogWindow& w) { QTest::keyClick(w.ControlWidget(kIdCancel), Qt::Key_Return); }, kIdCancel, "Anfang"},
        {"Escape", [](CQtDialogWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }, kIdCancel, "Anfang"},
        {"the close box", [](CQtDialogWindow& w) { w.close(); }, kIdCancel, "Anfang"},
        {"OK clicked", [](CQtDialogWindow& w) { QTest::mouseClick(w.ControlWidget(kIdOk), Qt::LeftButton); }, kIdOk,
         "Anfangx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CEveryControlDialog dialog;
        WhenModalShows([&c](QWidget& modal) {
            auto& window = dynamic_cast<CQtDialogWindow&>(modal);
            QTest::keyClicks(window.ControlWidget(kEdit), "x");
            c.act(window);
        });
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(dialog.m_text, c.text);
    }
}

TEST_F(QtUi, MessageBoxesShowIconButtonsDefaultAndTheTitleAndReturnTheAnswer)
{
    struct Case {
        MessageBoxButtons buttons;
        MessageBoxIcon icon;
        MessageBoxResult defaultButton;
        bool foreground;
        MessageBoxResult clicked;
        QMessageBox::Icon qtIcon;
        QStringList texts;
    } cases[] = {
        {MessageBoxButtons::ok, MessageBoxIcon::stop, MessageBoxResult::ok, true, MessageBoxResult::ok,
         QMessageBox::Critical, {"OK"}},
        {MessageBoxButtons::okCancel, MessageBoxIcon::warning, MessageBoxResult::cancel, false,
         MessageBoxResult::ok, QMessageBox::Warning, {"OK", "Abbrechen"}},
        {MessageBoxButtons::yesNo, MessageBoxIcon::question, MessageBoxResult::no, false, MessageBoxResult::yes,
         QMessageBox::Question, {"Ja", "Nein"}},
        {MessageBoxButtons::yesNo, MessageBoxIcon::none, MessageBoxResult::yes, false, MessageBoxResult::no,
         QMessageBox::NoIcon, {"Ja", "Nein"}},
        {MessageBoxButtons::ok, MessageBoxIcon::information, MessageBoxResult::ok, false, MessageBoxResult::ok,
         QMessageBox::Information, {"OK"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts.join(QLatin1Char('/')).toStdString());
        CMessageBoxRequest request;
        request.text = "cannot create file <C:\\x & y>\r\nzweite Zeile";
        request.buttons = c.buttons;
        request.icon = c.icon;
        request.defaultButton = c.defaultButton;
        request.foreground = c.foreground;
        WhenModalShows([&c](QWidget& modal) {
            auto& box = dynamic_cast<QMessageBox&>(modal);
            EXPECT_EQ(box.windowTitle(), QStringLiteral("DRAV replicator"));
            EXPECT_EQ(box.text(), QStringLiteral("cannot create file <C:\\x & y>\nzweite Zeile"));
            EXPECT_EQ(box.textFormat(), Qt::PlainText);
            EXPECT_EQ(box.icon(), c.qtIcon);
            QStringList texts;
            for (QAbstractButton* button : box.buttons())
                texts.append(button->text());
            texts.sort();
            QStringList expected = c.texts;
            expected.sort();
            EXPECT_EQ(texts, expected);
            EXPECT_EQ(box.defaultButton(), BoxButton(box, c.defaultButton));
            EXPECT_EQ(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.foreground);
            QTest::mouseClick(BoxButton(box, c.clicked), Qt::LeftButton);
        });
        EXPECT_EQ(ShowMessageBox(request), c.clicked);
    }

    // Escape answers Cancel or No where the box has it.
    WhenModalShows([](QWidget& modal) { QTest::keyClick(&modal, Qt::Key_Escape); });
    EXPECT_EQ(ShowMessageBox("Weiter?", MessageBoxButtons::okCancel), MessageBoxResult::cancel);
}

TEST_F(QtUi, AWorkersQuestionsAreShownOnTheUiThreadWhileItWaits)
{
    // The run asks from its worker thread; the user-interface thread goes on
    // with its event loop and answers: option 1012, OK, then "Nein".
    std::atomic<bool> workerDone{false};
    int choice = -1;
    MessageBoxResult answer = MessageBoxResult::ok;
    std::thread::id shownOn;
    WhenModalShows([&](QWidget& modal) {
        shownOn = std::this_thread::get_id();
        auto& window = dynamic_cast<CQtDialogWindow&>(modal);
        QTest::mouseClick(window.ControlWidget(conflict_dialog::kSecond), Qt::LeftButton);
        QTest::keyClick(&window, Qt::Key_Return);
        WhenModalShows([](QWidget& box) { QTest::mouseClick(BoxButton(box, MessageBoxResult::no), Qt::LeftButton); });
    });
    std::thread worker([&] {
        CConflictDialog dialog;
        dialog.m_text = "Der Termin: 'Review' wurde ge\xC3\xA4ndert.";
        dialog.DoModal();
        choice = dialog.m_choice;
        answer = ShowMessageBox("Sollen die Daten wieder hergestellt werden in Outlook?", MessageBoxButtons::yesNo);
        workerDone = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (workerDone)
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);  // a deadlock fails instead of hanging
    loop.exec();
    ASSERT_TRUE(workerDone) << "the worker is still waiting";
    worker.join();
    EXPECT_EQ(shownOn, std::this_thread::get_id());
    EXPECT_EQ(choice, 1);
    EXPECT_EQ(answer, MessageBoxResult::no);
}

TEST_F(QtUi, CancelledCallsAnswerAsAClosedWindowWouldWithoutWaiting)
{
    // The program ends while the worker waits for its question (nobody
    // answers): the worker gets the preselected choice and the box its
    // default, and later calls do not wait either.
    int choice = -1;
    int result = 0;
    MessageBoxResult answer = MessageBoxResult::ok;
    std::thread worker([&] {
        CConflictDialog dialog;
        dialog.m_hintGiven = true;  // preselects the second option
        result = dialog.DoModal();
        choice = dialog.m_choice;
        CMessageBoxRequest question;
        question.text = "?";
        question.buttons = MessageBoxButtons::yesNo;
        question.defaultButton = MessageBoxResult::no;
        answer = ShowMessageBox(question);
    });
    WhenModalShows([this](QWidget&) { m_backend.CancelPendingCalls(); });
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    worker.join();
    EXPECT_EQ(result, kIdCancel);
    EXPECT_EQ(choice, 1);
    EXPECT_EQ(answer, MessageBoxResult::no);
}

namespace {

// The width in which a closed drop-down list draws its current entry: the
// style's text area, less the pixel the label keeps on either side.
int ClosedListTextWidth(const QComboBox& list)
{
    QStyleOptionComboBox option;
    option.initFrom(&list);
    option.editable = list.isEditable();
    option.frame = list.hasFrame();
    return list.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &list).width() - 2;
}

// Every control lies inside the window, and every text is shown whole: the
// lines of radio buttons and check boxes, the wrapped lines of static texts,
// the captions of push buttons and every entry of a closed drop-down list fit
// their controls.
void ExpectTextsAndControlsFit(CDialog& dialog, const CResourceTable* resources)
{
    SCOPED_TRACE(testing::Message() << "dialog " << dialog.Template().id);
    CQtDialogWindow window(dialog, resources);
    const QRect inside(QPoint(0, 0), window.size());
    const QFontMetrics metrics(window.font());
    for (const CControlTemplate& control : dialog.Template().controls) {
        SCOPED_TRACE(testing::Message() << "control " << control.id << " \"" << control.text << "\"");
        QWidget* widget = window.ControlWidget(control.id);
        if (control.id == kIdStatic) {
            // Several controls share the id: find this one by its place.
            for (QWidget* child : window.findChildren<QWidget*>(QStringLiteral("control-%1").arg(kIdStatic))) {
                if (child->geometry().topLeft() == window.Units().Rect(control.x, control.y, 1, 1).topLeft())
                    widget = child;
            }
        }
        EXPECT_TRUE(inside.contains(widget->geometry())) << "outside the window";
        if (control.type == ControlType::radioButton || control.type == ControlType::checkBox) {
            const QString text = static_cast<QAbstractButton*>(widget)->text();
            EXPECT_LE((text.count(QLatin1Char('\n')) + 1) * metrics.height(), widget->height()) << text.toStdString();
            for (const QString& line : text.split(QLatin1Char('\n')))
                EXPECT_LE(metrics.horizontalAdvance(line), widget->width()) << line.toStdString();
        } else if (auto* label = qobject_cast<QLabel*>(widget); label && control.type == ControlType::staticText) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height());
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_LE(button->sizeHint().width() - 2 * metrics.averageCharWidth(), button->width());
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            // The closed list shows its current entry in its text area, and
            // the user may make any entry the current one.
            const int room = ClosedListTextWidth(*list);
            const QFontMetrics listMetrics(list->font());
            for (int i = 0; i < list->count(); ++i)
                EXPECT_LE(listMetrics.horizontalAdvance(list->itemText(i)), room) << list->itemText(i).toStdString();
            EXPECT_LE(listMetrics.horizontalAdvance(list->currentText()), room) << list->currentText().toStdString();
        }
    }
}

} // namespace

TEST_F(QtUi, EveryDialogOfBothProgramsShowsItsTextsWholeInsideItsWindow)
{
    for (const CResourceTable* program : {&ClientResources(), &WizardResources()}) {
        SCOPED_TRACE(program->Name());
        for (const int id : program->DialogIds()) {
            CDialog bare(program->Dialog(id));
            ExpectTextsAndControlsFit(bare, program);
        }
    }

    // The run's questions with the texts the runs give them.
    CConflictDialog conflict;
    conflict.m_firstCaption = "\xC3\x9C" "berschreiben der DRAV-Daten.";
    conflict.m_secondCaption = "\xC3\x9C" "berschreiben der Outlook-Daten.";
    CContactConflictDialog contactConflict;
    contactConflict.m_addressDiffers = contactConflict.m_personalDiffers = true;
    contactConflict.m_addressRight = contactConflict.m_writeRight = true;
    CContactLinkDialog link;
    link.m_newAddressCaption = CContactRunKind::kDialog.createOnServer;
    link.m_linkCaption = CContactRunKind::kLinkCaption;
    link.m_deleteCaption = CContactRunKind::kDialog.removeInOutlook;
    for (CDialog* dialog : std::initializer_list<CDialog*>{&conflict, &contactConflict, &link})
        ExpectTextsAndControlsFit(*dialog, &ClientResources());
}

TEST_F(QtUi, TheFatalEndFromAWorkerEndsTheProgramsWindowsOnTheUiThreadFirst)
{
    CEveryControlDialog dialog;
    CQtDialogWindow window(dialog, &m_resources);
    window.show();
    std::thread::id handledOn;
    int handledCode = 0;
    m_backend.SetProgramEndHandler([&](int exitCode) {
        handledOn = std::this_thread::get_id();
        handledCode = exitCode;
    });
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        m_backend.EndProgram(1);  // EndProgramAfterMessage then ends the process
        workerDone = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (workerDone)
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(workerDone);
    worker.join();
    EXPECT_EQ(handledOn, std::this_thread::get_id());
    EXPECT_EQ(handledCode, 1);
    EXPECT_FALSE(window.isVisible());
}

namespace {

using CHidingDialog = test::CTrayLikeDialog<CEveryControlDialog>;

} // namespace

TEST_F(QtUi, TheWindowFollowsTheLogicsWindowStateAndTheTitleBarReachesTheLogic)
{
    CHidingDialog dialog;
    bool hiddenAfterClose = false, hiddenAfterMinimise = false, restored = false, stillRunning = false;
    int heightCollapsed = 0, heightExpanded = 0;
    WhenModalShows([&](QWidget& modal) {
        auto& window = dynamic_cast<CQtDialogWindow&>(modal);
        window.close();  // the close box: the logic posts a minimise
        QApplication::processEvents();
        hiddenAfterClose = !window.isVisible() && dialog.IsIconic() && !dialog.HasEnded();
        dialog.ShowWindow(ShowCommand::restore);
        restored = window.isVisible() && !window.isMinimized();
        window.showMinimized();  // the title bar's minimise button
        QApplication::processEvents();
        hiddenAfterMinimise = !window.isVisible() && !dialog.IsWindowVisible();
        dialog.ShowWindow(ShowCommand::restore);
        dialog.SetWindowSize(388, 232);
        heightCollapsed = window.height();
        dialog.SetWindowSize(388, 330);
        heightExpanded = window.height();
        dialog.BringToFront();
        m_backend.Post([&] {
            stillRunning = !dialog.HasEnded();
            QTest::keyClick(&window, Qt::Key_Escape);
        });
    });
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_TRUE(hiddenAfterClose);
    EXPECT_TRUE(restored);
    EXPECT_TRUE(hiddenAfterMinimise);
    EXPECT_TRUE(stillRunning);
    EXPECT_GT(heightCollapsed, 0);
    EXPECT_GT(heightExpanded, heightCollapsed);
    EXPECT_EQ(dialog.m_commands,
              (std::vector<SysCommand>{SysCommand::close, SysCommand::minimize, SysCommand::minimize}));
}

namespace {

// Shows `window` and waits until it is the active window.
bool ShowActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

int FocusedControl(const CQtDialogWindow& window)
{
    for (const CControlTemplate& control : window.Dialog().Template().controls) {
        QWidget* widget = window.ControlWidget(control.id);
        if (widget && widget->hasFocus())
            return control.id;
    }
    return 0;
}

} // namespace

TEST_F(QtUi, ArrowKeysSelectWithinARadioGroupAndTabEntersTheGroupOnceAtItsCheckedButton)
{
    // The group runs from radio A to the list: A, B and the check box.
    CEveryControlDialog dialog;
    CQtDialogWindow window(dialog, &m_resources);
    ASSERT_TRUE(ShowActive(window));
    EXPECT_EQ(FocusedControl(window), kEdit);  // the first tab stop

    struct Step {
        Qt::Key key;
        int focused;  // afterwards
        int checked;  // radio checked afterwards
    };
    window.ControlWidget(kRadioA)->setFocus();
    for (const Step& step : {Step{Qt::Key_Down, kRadioB, kRadioB}, Step{Qt::Key_Right, kRadioA, kRadioA},
                             Step{Qt::Key_Up, kRadioB, kRadioB}, Step{Qt::Key_Left, kRadioA, kRadioA},
                             Step{Qt::Key_Down, kRadioB, kRadioB}}) {
        SCOPED_TRACE(testing::Message() << "key " << step.key);
        QTest::keyClick(QApplication::focusWidget(), step.key);
        EXPECT_EQ(FocusedControl(window), step.focused);
        // The logic saw a click, and the widgets show its checks.
        EXPECT_EQ(dialog.GetCheck(step.checked), 1);
        EXPECT_EQ(dialog.GetCheck(step.checked == kRadioA ? kRadioB : kRadioA), 0);
        EXPECT_TRUE(static_cast<QAbstractButton*>(window.ControlWidget(step.checked))->isChecked());
        EXPECT_FALSE(static_cast<QAbstractButton*>(window.ControlWidget(step.checked == kRadioA ? kRadioB : kRadioA))
                         ->isChecked());
    }
    EXPECT_THAT(dialog.m_events, ElementsAre("click 205", "click 204", "click 205", "click 204", "click 205"));

    // Tab leaves the group for the control after it, and round the whole
    // window enters it once, at B (the date picker takes a Tab per field).
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(FocusedControl(window), kCheck);
    std::vector<int> round;
    while (round.size() < 30 && (round.empty() || round.back() != kRadioB)) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        round.push_back(FocusedControl(window));
    }
    EXPECT_EQ(round.back(), kRadioB) << testing::PrintToString(round);
    EXPECT_EQ(std::count(round.begin(), round.end(), kRadioA), 0) << testing::PrintToString(round);
    EXPECT_EQ(std::count(round.begin(), round.end(), kRadioB), 1) << testing::PrintToString(round);
    // Shift+Tab from the check box goes back to the checked button, and from
    // there out of the group.
    window.ControlWidget(kCheck)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(FocusedControl(window), kRadioB);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_NE(FocusedControl(window), kRadioA);
    EXPECT_NE(FocusedControl(window), kRadioB);
    EXPECT_EQ(dialog.m_events.size(), 5u);  // Tab clicks nothing
}

TEST_F(QtUi, EveryWindowOfBothProgramsShowsTheProgramsIcon)
{
    for (const CResourceTable* program : {&ClientResources(), &WizardResources()}) {
        SCOPED_TRACE(program->Name());
        const CIconResource* icon = program->FindIcon(CQtDialogWindow::kProgramIconId);
        ASSERT_NE(icon, nullptr);
        const QImage expected = QIcon(QString::fromStdString(icon->file)).pixmap(16, 16).toImage();
        for (const int id : program->DialogIds()) {
            CDialog dialog(program->Dialog(id));
            CQtDialogWindow window(dialog, program);
            EXPECT_EQ(window.windowIcon().pixmap(16, 16).toImage(), expected) << "dialog " << id;
        }
    }
}
