// TarnwelWizard: creates or edits "TarnwelClient.ini" through its pages.
//
//   TarnwelWizard            edits TarnwelClient.ini in the working directory
//   TarnwelWizard DIR/       an installer's start: the connection page first,
//                            the file in DIR
//
// The page 102's system menu (its about entry) is its context menu: a right
// click on the page, or the menu key or Shift+F10.
//
// TARNWEL_WIZARD_ANSWERS names an answers file (the replication tool's
// format) whose lines answer the pages and boxes instead of a user; the
// process tests use it, and no window opens then.

#include "platform/ui/MainWindow.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/qt/CQtUiBackend.h"
#include "resources/wizard/WizardResources.h"
#include "platform/ui/CAnswersFileBackend.h"
#include "wizard/CWizardSystemMenu.h"
#include "wizard/CWizardApp.h"
#include "wizard/CWizardAutomation.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QMetaObject>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using namespace tarnwel;

namespace {

// The program's file name without folder and extension: the caption of its
// boxes.
std::string ProgramName(const char* argv0)
{
    std::string name = argv0 != nullptr ? argv0 : "TarnwelWizard";
    if (const auto slash = name.find_last_of('/'); slash != std::string::npos)
        name.erase(0, slash + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name.empty() ? std::string("TarnwelWizard") : name;
}

int RunScripted(CWizardApp& app, const std::vector<std::string>& arguments, const char* answersPath)
{
    CAnswersFileBackend backend(std::cout, std::cerr);
    std::ifstream in(answersPath);
    std::string error;
    if (!in || !backend.Load(in, answersPath, error)) {
        std::fprintf(stderr, "TarnwelWizard: %s\n", error.empty() ? "cannot read the answers file" : error.c_str());
        return 2;
    }
    CScopedUiBackend scope(backend);
    return app.InitInstance(arguments);
}

} // namespace

int main(int argc, char** argv)
{
    SetApplicationTitle(ProgramName(argc > 0 ? argv[0] : nullptr));
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    CWizardApp app(WizardResources());
    CWizardAutomation automation;
    app.SetAutomation(&automation);

    if (const char* answers = std::getenv("TARNWEL_WIZARD_ANSWERS"); answers != nullptr && *answers != '\0')
        return RunScripted(app, arguments, answers);

    QApplication qtApp(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/application.png")));
    CQtUiBackend backend(&WizardResources());
    CScopedUiBackend scope(backend);
    CWizardSystemMenu systemMenu;
    qtApp.installEventFilter(&systemMenu);

    const int exitCode = app.InitInstance(arguments);
    // An automation client holds the application: wait for its release.
    QEventLoop wait;
    app.SetUnlockedHandler([&wait] { QMetaObject::invokeMethod(&wait, [&wait] { wait.quit(); }, Qt::QueuedConnection); });
    if (app.IsLocked())
        wait.exec();
    app.SetUnlockedHandler({});
    return exitCode;
}
