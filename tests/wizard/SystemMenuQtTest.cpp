// The first page's about entry on the Qt desktop: its context menu stands for
// the system menu.

#include "platform/ui/MainWindow.h"
#include "platform/ui/qt/CQtUiBackend.h"
#include "resources/wizard/WizardResources.h"
#include "tests/ui/QtAppForTests.h"
#include "wizard/CTarnwelDlg.h"
#include "wizard/CWizardApp.h"
#include "wizard/CWizardSystemMenu.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

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

} // namespace
} // namespace tarnwel::test
