// A small program on the session bus for the tests of the bus server: with
// "register" it writes its own activation entry (as the wizard does at a
// normal start), with "-Automation" it serves an object without members under
// the name the test gives and reports on standard output when a client came
// ("held") and when it left ("released"), then ends.

#include "platform/automation/DispatchBase.h"
#include "platform/automation/dbus/BusActivationEntry.h"
#include "platform/automation/dbus/BusNames.h"
#include "platform/automation/dbus/CBusAutomationServer.h"

#include <QCoreApplication>
#include <QThread>

#include <filesystem>
#include <iostream>
#include <string>

namespace {

class CStubObject : public tarnwel::CDispatchBase<CStubObject> {
public:
    CStubObject() { std::cout << "held" << (QThread::currentThread() == qApp->thread() ? " main" : " other") << std::endl; }
    ~CStubObject() override { std::cout << "released" << std::endl; }
    static const tarnwel::CMemberTable<CStubObject>& MemberTable()
    {
        static const tarnwel::CMemberTable<CStubObject> table;
        return table;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: " << argv[0] << " register|-Automation PROGID\n";
        return 2;
    }
    const std::string mode = argv[1];
    const tarnwel::CBusNames names = tarnwel::BusNamesForProgId(argv[2]);
    if (mode == "register") {
        std::string error;
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        if (!tarnwel::WriteBusActivationEntry(names.busName, self, "-Automation " + std::string(argv[2]), &error)) {
            std::cerr << error << '\n';
            return 1;
        }
        return 0;
    }
    QCoreApplication app(argc, argv);
    tarnwel::CBusAutomationServer server(names, "{C1B8747F-8CC2-41E3-970E-4FC41F4E7022}",
                                         [] { return std::make_shared<CStubObject>(); });
    server.SetReleasedHandler([] { QCoreApplication::quit(); });
    std::string error;
    if (!server.Serve(&error)) {
        std::cout << "not served: " << error << std::endl;
        return 3;
    }
    std::cout << "serving" << std::endl;
    return app.exec();
}
