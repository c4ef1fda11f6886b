// TarnwelClient: the replication client. Qt's own command-line options are
// taken by QApplication; whatever is left is the client's command line.

#include "client/CMainDialog.h"
#include "client/CReplicatorApp.h"
#include "client/app/ClientTestHooks.h"
#include "platform/base/Signals.h"
#include "platform/eds/StoreChoice.h"
#include "platform/ui/TrayService.h"
#include "platform/ui/UiBackend.h"
#include "platform/ui/qt/CQtTrayService.h"
#include "platform/ui/qt/CQtUiBackend.h"
#include "resources/client/ClientResources.h"

#include <QApplication>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

int Main(int argc, char** argv)
{
    IgnoreFileWriteSignals();

    // SIGTERM and SIGINT (the desktop session ends) end the client as the
    // main dialog's cancel command does; a second one ends it at once. Made
    // before any other thread, which inherits the blocked signals.
    std::mutex appMutex;
    CReplicatorApp* running = nullptr;
    bool ending = false;
    CSignalWatch signalWatch([&](int signal, int count) {
        std::lock_guard lock(appMutex);
        if (ending)
            return;
        if (count > 1 || running == nullptr)
            CSignalWatch::EndProcessBySignal(signal);
        running->RequestEnd();
    });

    // A command line without Qt's options ("/stop", anything else) ends this
    // process at once after its message: it needs no display, so that
    // "/stop" works from a console or a script too.
    std::vector<std::string> given(argv + 1, argv + argc);
    if (!given.empty() && std::none_of(given.begin(), given.end(), [](const std::string& argument) {
            return argument.starts_with('-');
        })) {
        CReplicatorApp app([] { return std::unique_ptr<CDialog>(); });
        return app.InitInstance(CReplicatorApp::CommandLineText(given));
    }

    QApplication qtApp(argc, argv);
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        arguments.push_back(argument.toStdString());

    CQtUiBackend qtBackend(&ClientResources());
    const char* boxLog = std::getenv("TARNWEL_CLIENT_BOX_LOG");
    CClientUiBackend backend(qtBackend, boxLog != nullptr ? boxLog : "");
    CScopedUiBackend scopedBackend(backend);
    CQtTrayService trayService(ClientResources());
    SetTrayService(&trayService);
    // The file store of TARNWEL_PIMSTORE, else the desktop's data server,
    // else the file store at its default path.
    RegisterChosenStore();

    // The session's autostart entry starts the client minimised.
    const char* minimized = std::getenv("TARNWEL_START_MINIMIZED");
    CMainDialogOptions options;
    options.startMinimized = minimized != nullptr && std::string(minimized) == "1";
    CReplicatorApp app([&options] {
        auto dialog = std::make_unique<CMainDialog>(options);
        // Posted now, run once the dialog's window runs.
        for (const int command : ClientTestCommands())
            ActiveUiBackend().Post([window = dialog.get(), command] { window->SendCommand(command); });
        return dialog;
    });
    {
        std::lock_guard lock(appMutex);
        running = &app;
    }
    const int status = app.InitInstance(CReplicatorApp::CommandLineText(arguments));
    {
        std::lock_guard lock(appMutex);
        running = nullptr;
        ending = true;
    }
    SetTrayService(nullptr);
    return status;
}

} // namespace
} // namespace tarnwel

int main(int argc, char** argv)
{
    return tarnwel::Main(argc, argv);
}
