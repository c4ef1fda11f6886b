// The wizard on the Qt backend: the page chain with the focus it returns,
// and the first page's about entry, whose context menu stands for the system
// menu.

#include "platform/ui/MainWindow.h"
#include "platform/ui/qt/CQtUiBackend.h"
#include "resources/wizard/WizardResources.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/QtAppForTests.h"
#include "wizard/CTarnwelDlg.h"
#include "wizard/CWizardApp.h"
#include "wizard/CWizardSystemMenu.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace tarnwel::test {
namespace {

TEST(WizardSystemMenu, TheFirstPagesContextMenuOpensTheAboutBox)
{
    TestApplication();
    CQtUiBackend backend(&WizardResources());
    CScopedUiBackend scope(backend);
    CWizardApp app(WizardResources());
    std::array<std::string, 3> texts;
    CWizardContext context{app.Settings(), texts, WizardResources()};
    CTarnwelDlg page(context, false);
    CScopedMainWindow mainWindow(page);

    QString offered;
    CWizardSystemMenu systemMenu;
    systemMenu.SetMenuRunner([&offered](const QString& text, const QPoint&) {
        offered = text;
        return true;
    });
    qApp->installEventFilter(&systemMenu);

    QStringList seen;
    bool asked = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        if (!asked && modal->windowTitle() == "DRAV Konfiguration") {
            asked = true;
            QApplication::postEvent(modal, new QContextMenuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), modal->mapToGlobal(QPoint(5, 5))));
            return;
        }
        if (asked) {
            seen << modal->windowTitle();
            static_cast<QDialog*>(modal)->reject();
        }
    });
    user.start(20);
    EXPECT_EQ(page.DoModal(), kIdCancel);
    qApp->removeEventFilter(&systemMenu);
    EXPECT_EQ(offered, QString::fromUtf8("&Über DRAVClient..."));
    EXPECT_EQ(seen, (QStringList{QString::fromUtf8("Über DRAV"), "DRAV Konfiguration"}));
}

// The whole chain on the Qt backend: the pages open inside each other and
// "Fertigstellen" closes every one of them.
TEST(WizardQtChain, FertigstellenClosesEveryPageAndSaves)
{
    TestApplication();
    CTemporaryDirectory dir;
    CQtUiBackend backend(&WizardResources());
    CScopedUiBackend scope(backend);
    CWizardApp app(WizardResources());

    const std::map<QString, QString> buttons = {{"Installationsoptionen", "Weiter"},
                                                {"DRAV Konfiguration", "Weiter"},
                                                {"Optionen", "Weiter"},
                                                {"Zusammenfassung", "Fertigstellen"}};
    QStringList seen;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || (!seen.isEmpty() && seen.back() == modal->windowTitle() + QString::number(quintptr(modal))))
            return;
        const auto button = buttons.find(modal->windowTitle());
        if (button == buttons.end())
            return;
        seen << modal->windowTitle() + QString::number(quintptr(modal));
        for (QPushButton* push : modal->findChildren<QPushButton*>()) {
            if (push->text() == button->second) {
                // Clicked from the event loop: the page it opens runs a loop of its own.
                QTimer::singleShot(0, push, &QPushButton::click);
                break;
            }
        }
        // The user is done: while the chain closes, each page under the
        // summary is the active one again for a moment, and a click there
        // would be a second, unasked "Weiter".
        if (button->second == "Fertigstellen")
            user.stop();
    });
    user.start(20);
    EXPECT_EQ(app.InitInstance({dir.Path().string()}), 0);
    EXPECT_EQ(seen.size(), 5);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    CReplicationSettings saved;
    std::ifstream in(dir.Path("TarnwelClient.ini"), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    saved.ReadFileText(text.str());
    EXPECT_EQ(saved.contactRules.newAction, 2);
    EXPECT_EQ(saved.taskRules.ovrAction, 2);
    EXPECT_EQ(saved.appointmentRules.olDeletedAction, 1);
}

// "Zurück" on a nested page: the page under it is the active window again,
// with the focus on the button that opened the nested page.
TEST(WizardQtChain, ThePageANestedPageReturnsToHasItsFocusBack)
{
    TestApplication();
    CQtUiBackend backend(&WizardResources());
    CScopedUiBackend scope(backend);
    CWizardApp app(WizardResources());
    std::array<std::string, 3> texts;
    CWizardContext context{app.Settings(), texts, WizardResources()};
    CTarnwelDlg page(context, false);
    CScopedMainWindow mainWindow(page);

    const auto button = [](QWidget* window, const QString& text) -> QPushButton* {
        for (QPushButton* push : window->findChildren<QPushButton*>())
            if (push->text() == text)
                return push;
        return nullptr;
    };
    QWidget* first = nullptr;
    QPushButton* weiter = nullptr;
    bool nestedSeen = false, back = false, active = false, focused = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        if (first == nullptr && modal->windowTitle() == "DRAV Konfiguration") {
            first = modal;
            weiter = button(modal, "Weiter");
            ASSERT_NE(weiter, nullptr);
            modal->activateWindow();
            weiter->setFocus();
            QTimer::singleShot(0, weiter, &QPushButton::click);
        } else if (first != nullptr && modal != first && !nestedSeen) {
            nestedSeen = true;
            QPushButton* zurueck = button(modal, QString::fromUtf8("Zurück"));
            ASSERT_NE(zurueck, nullptr);
            QTimer::singleShot(0, zurueck, &QPushButton::click);
        } else if (nestedSeen && modal == first && !back) {
            back = true;
            active = QTest::qWaitForWindowActive(first);
            focused = weiter->hasFocus();
            static_cast<QDialog*>(first)->reject();
        }
    });
    user.start(20);
    EXPECT_EQ(page.DoModal(), kIdCancel);
    EXPECT_TRUE(nestedSeen);
    EXPECT_TRUE(back);
    EXPECT_TRUE(active);
    EXPECT_TRUE(focused);
}

} // namespace
} // namespace tarnwel::test
