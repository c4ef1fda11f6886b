// tarnwel-screenshots DIR: renders every dialog of both programs' resource
// tables through the Qt backend into DIR, one PNG each, named
// "client-<id>.png" and "wizard-<id>.png" (a shared dialog under each
// program that shows it), in German, with the window's icon and caption drawn as
// a title bar above the window's content. Prints the path of every file it writes.

#include "platform/base/UserLocale.h"
#include "platform/ui/qt/CQtDialogWindow.h"
#include "platform/ui/qt/CQtMenuView.h"
#include "resources/client/TrayMenuIds.h"
#include "resources/client/ClientResources.h"
#include "resources/wizard/WizardResources.h"
#include "tools/screenshots/ScreenshotHooks.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace tarnwel;

namespace {

// The dialog `id` of `program` with each of its hooks' content (by the file
// name's suffix), else bare. None for a shared dialog that hooks give to
// other programs only (the run's questions are the client's).
std::vector<std::pair<std::string, std::unique_ptr<CDialog>>> MakeDialogs(const std::string& program,
                                                                          const CResourceTable& table, int id)
{
    const bool shared = table.Shared() && &table.Dialog(id) == table.Shared()->FindDialog(id);
    bool otherProgramsOnly = false;
    std::vector<std::pair<std::string, std::unique_ptr<CDialog>>> dialogs;
    for (const CScreenshotHook& hook : ScreenshotHooks()) {
        if (hook.dialogId != id)
            continue;
        if (hook.program == program || (hook.program.empty() && shared))
            dialogs.emplace_back(hook.variant.empty() ? "" : "-" + hook.variant, hook.make());
        else
            otherProgramsOnly = otherProgramsOnly || shared;
    }
    if (dialogs.empty() && !otherProgramsOnly)
        dialogs.emplace_back("", std::make_unique<CDialog>(table.Dialog(id)));
    return dialogs;
}

// The tray icon's popup menu, opened.
QPixmap RenderTrayMenu(const CResourceTable& table)
{
    const CMenuTemplate* menu = table.FindMenu(tray_menu::kMenuId);
    if (!menu)
        return {};
    CMenu tray(*menu);
    const std::unique_ptr<CMenu> popup = tray.SubMenu(0);
    if (!popup)
        return {};
    popup->SetDefaultItem(0, true);
    const std::unique_ptr<CQtMenuView> view = CQtMenuView::Popup(*popup, nullptr, [](int) {});
    QMenu* shown = view->Menu();
    shown->popup(QPoint(0, 0));
    QApplication::processEvents();
    const QPixmap shot = shown->grab();
    shown->hide();
    return shot;
}

QPixmap Render(CDialog& dialog, const CResourceTable& table)
{
    CQtDialogWindow window(dialog, &table);
    window.show();
    QApplication::processEvents();
    const QPixmap content = window.grab();

    QFont titleFont = window.font();
    titleFont.setBold(true);
    const int titleHeight = QFontMetrics(titleFont).height() + 10;
    QPixmap shot(content.width() + 2, content.height() + titleHeight + 1);
    shot.fill(QColor(0x70, 0x70, 0x70));
    QPainter painter(&shot);
    painter.fillRect(1, 1, content.width(), titleHeight - 1, QColor(0x1f, 0x4e, 0x8c));
    painter.setPen(Qt::white);
    painter.setFont(titleFont);
    // The window's icon at the left of the title, as a title bar shows it.
    int titleX = 8;
    const QIcon icon = window.windowIcon();
    if (!icon.isNull()) {
        const int side = titleHeight - 8;
        painter.drawPixmap(6, 1 + (titleHeight - 1 - side) / 2, icon.pixmap(side, side));
        titleX = 6 + side + 6;
    }
    painter.drawText(QRect(titleX, 1, content.width() - titleX - 22, titleHeight - 1), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawText(QRect(content.width() - 22, 1, 20, titleHeight - 1), Qt::AlignCenter, QStringLiteral("\u2715"));
    painter.drawPixmap(1, titleHeight, content);
    return shot;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnwel-screenshots DIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CUserLocale::Use("de_DE.UTF-8");
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "tarnwel-screenshots: cannot create %s\n", argv[1]);
        return 1;
    }
    if (QFontDatabase::families().isEmpty()) {
        std::fprintf(stderr, "tarnwel-screenshots: no fonts found (fontconfig)\n");
        return 1;
    }

    const std::pair<std::string, const CResourceTable*> programs[] = {{"client", &ClientResources()},
                                                                       {"wizard", &WizardResources()}};
    int failures = 0;
    for (const auto& [program, table] : programs) {
        for (const int id : table->DialogIds()) {
            for (const auto& [suffix, dialog] : MakeDialogs(program, *table, id)) {
                const QString file = QDir(dir).filePath(QStringLiteral("%1-%2%3.png")
                                                            .arg(QString::fromStdString(program))
                                                            .arg(id)
                                                            .arg(QString::fromStdString(suffix)));
                if (Render(*dialog, *table).save(file)) {
                    std::printf("%s\n", file.toLocal8Bit().constData());
                } else {
                    std::fprintf(stderr, "tarnwel-screenshots: cannot write %s\n", file.toLocal8Bit().constData());
                    ++failures;
                }
            }
        }
    }
    const QString trayFile = QDir(dir).filePath(QString::fromUtf8(kTrayMenuShot));
    if (RenderTrayMenu(ClientResources()).save(trayFile)) {
        std::printf("%s\n", trayFile.toLocal8Bit().constData());
    } else {
        std::fprintf(stderr, "tarnwel-screenshots: cannot write %s\n", trayFile.toLocal8Bit().constData());
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
