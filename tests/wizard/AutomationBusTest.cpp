#include "platform/automation/dbus/BusActivationEntry.h"
#include "platform/automation/dbus/BusNames.h"
#include "tests/wizard/AutomationSessionBus.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarnwel::test {
namespace {

const std::string kStub = TARNWEL_BUS_STUB;

TEST(AutomationBusNames, AreDerivedValidFromTheProgId)
{
    struct Case {
        const char* progId;
        const char* busName;
        const char* objectPath;
    };
    const Case cases[] = {
        {"Tarnwel.Application", "Tarnwel.Application", "/Tarnwel/Application"},
        {"My-Co.App 2.1", "My_Co.App_2._1", "/My_Co/App_2/_1"},
        {"Single", "Automation.Single", "/Automation/Single"},
        {"..A..B.", "A.B", "/A/B"},
        {"Büro.Tool", "B__ro.Tool", "/B__ro/Tool"},
    };
    for (const Case& c : cases) {
        const CBusNames names = BusNamesForProgId(c.progId);
        EXPECT_EQ(names.busName, c.busName) << c.progId;
        EXPECT_EQ(names.objectPath, c.objectPath) << c.progId;
        EXPECT_EQ(names.interfaceName, c.busName) << c.progId;
    }
}

TEST(AutomationActivationEntry, NamesTheProgramAndQuotesWhatTheBusWouldSplit)
{
    EXPECT_EQ(BusActivationEntryText("Tarnwel.Application", "/opt/tw/TarnwelWizard", "-Automation"),
              "[D-BUS Service]\nName=Tarnwel.Application\nExec=/opt/tw/TarnwelWizard -Automation\n");
    EXPECT_EQ(BusActivationEntryText("A.B", "/home/x/My \"Tools\" $1/w", "-Automation"),
              "[D-BUS Service]\nName=A.B\nExec=\"/home/x/My \\\"Tools\\\" \\$1/w\" -Automation\n");
}

TEST(AutomationActivationEntry, GoesToXdgDataHomeOrTheDefaultUnderHome)
{
    CTemporaryDirectory directory;
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    ::setenv("HOME", directory.Path("home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", "relative/data", 1);  // not absolute: ignored
    EXPECT_EQ(BusServicesDirectory(), directory.Path("home") + "/.local/share/dbus-1/services");
    ::setenv("XDG_DATA_HOME", directory.Path("data").c_str(), 1);
    ASSERT_TRUE(WriteBusActivationEntry("Tarnwel.Application", "/bin/w", "-Automation"));
    EXPECT_EQ(FileText(directory.Path("data") + "/dbus-1/services/Tarnwel.Application.service"),
              BusActivationEntryText("Tarnwel.Application", "/bin/w", "-Automation"));
    // A file where the directory should be: the write fails with a reason.
    ::setenv("XDG_DATA_HOME", directory.Path("blocked").c_str(), 1);
    std::ofstream(directory.Path("blocked")) << "x";
    std::string error;
    EXPECT_FALSE(WriteBusActivationEntry("Tarnwel.Application", "/bin/w", "-Automation", &error));
    EXPECT_NE(error.find("blocked"), std::string::npos) << error;
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(AutomationBusServer, TheBusStartsTheProgramFromItsEntryAndShowsAnEmptyInterface)
{
    CPrivateSessionBus bus;
    ASSERT_EQ(RunShellCommand(ShellQuote(kStub) + " register Tarnwel.Application").exitCode, 0);
    const std::string entry = FileText(bus.ServicesDirectory() + "/Tarnwel.Application.service");
    EXPECT_NE(entry.find("Exec=" + kStub + " -Automation"), std::string::npos) << entry;

    const CShellResult introspection =
        bus.Send("--dest=Tarnwel.Application /Tarnwel/Application org.freedesktop.DBus.Introspectable.Introspect");
    ASSERT_EQ(introspection.exitCode, 0) << introspection.output;
    const std::string& xml = introspection.output;
    const auto begin = xml.find("<interface name=\"Tarnwel.Application\">");
    ASSERT_NE(begin, std::string::npos) << xml;
    const std::string own = xml.substr(begin, xml.find("</interface>", begin) - begin);
    EXPECT_NE(own.find("value=\"{C1B8747F-8CC2-41E3-970E-4FC41F4E7022}\""), std::string::npos) << own;
    EXPECT_EQ(own.find("<method"), std::string::npos) << own;
    EXPECT_EQ(own.find("<property"), std::string::npos) << own;
}

TEST(AutomationBusServer, AClientHoldsTheObjectUntilItLeavesThenTheNameIsFree)
{
    CPrivateSessionBus bus;
    const std::string out = bus.Path("stub.out");
    RunShellCommand(ShellQuote(kStub) + " -Automation Tarnwel.Application >" + ShellQuote(out) + " 2>&1 &");
    ASSERT_TRUE(WaitForText(out, "serving")) << FileText(out);
    EXPECT_TRUE(bus.HasOwner("Tarnwel.Application"));
    EXPECT_EQ(FileText(out).find("held"), std::string::npos);

    // A second process cannot take the name.
    const CShellResult second = RunShellCommand(ShellQuote(kStub) + " -Automation Tarnwel.Application");
    EXPECT_EQ(second.exitCode, 3);
    EXPECT_NE(second.output.find("belongs to another process"), std::string::npos) << second.output;

    // Every member is unknown; the calling client held the object on the
    // main thread and released it when it left the bus.
    const CShellResult call = bus.Send("--dest=Tarnwel.Application /Tarnwel/Application Tarnwel.Application.Quit");
    EXPECT_NE(call.exitCode, 0);
    EXPECT_NE(call.output.find("org.freedesktop.DBus.Error.UnknownMethod"), std::string::npos) << call.output;
    ASSERT_TRUE(WaitForText(out, "released")) << FileText(out);
    EXPECT_NE(FileText(out).find("held main\n"), std::string::npos) << FileText(out);
    EXPECT_FALSE(bus.HasOwner("Tarnwel.Application"));
}

TEST(AutomationBusServer, WithoutASessionBusTheServeFailsWithAReason)
{
    CTemporaryDirectory directory;
    const CShellResult run = RunShellCommand("DBUS_SESSION_BUS_ADDRESS=unix:path=" + directory.Path("none") + " " +
                                             ShellQuote(kStub) + " -Automation Tarnwel.Application 2>&1");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.output.find("not served: no session bus"), std::string::npos) << run.output;
}

} // namespace
} // namespace tarnwel::test
