// The wizard program on a private session bus: a normal start writes the
// activation entry, the bus starts the wizard for automation from it, and a
// client sees the object with its empty interface; each client gets a wizard
// process of its own. Without a bus the wizard writes a trace line and goes on.

#include "tests/wizard/AutomationSessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <gtest/gtest.h>

namespace tarnwel::test {
namespace {

const std::string kWizard = TARNWEL_WIZARD_PROGRAM;

CShellResult RunScriptedWizard(const std::string& directory, const std::string& arguments, const std::string& answers)
{
    const std::string answersPath = directory + "/answers.txt";
    std::ofstream(answersPath) << answers;
    return RunShellCommand("cd " + ShellQuote(directory) + " && TARNWEL_WIZARD_ANSWERS=" + ShellQuote(answersPath) +
                           " " + ShellQuote(kWizard) + " " + arguments + " 2>&1");
}

// The process behind the sender of `reply`, 0 when unknown.
int SenderPid(const QDBusConnection& connection, const QDBusMessage& reply)
{
    return static_cast<int>(connection.interface()->servicePid(reply.service()).value());
}

TEST(AutomationWizardProcess, ANormalStartRegistersAndTheBusStartsTheWizardForAClient)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // for the wizard the bus starts
    CPrivateSessionBus bus;
    const CShellResult normal = RunScriptedWizard(bus.Path(""), "", "dialog 102 escape\n");
    ASSERT_EQ(normal.exitCode, 0) << normal.output;
    const std::string entry = FileText(bus.ServicesDirectory() + "/Tarnwel.Application.service");
    EXPECT_EQ(entry, "[D-BUS Service]\nName=Tarnwel.Application\nExec=" + kWizard + " -Automation\n");

    // A client of its own connection, so that it can leave the bus.
    int argc = 1;
    char name[] = "client";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    int wizardPid = 0;
    {
        QDBusConnection client = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), "client");
        ASSERT_TRUE(client.isConnected());
        const QDBusMessage reply = client.call(
            QDBusMessage::createMethodCall("Tarnwel.Application", "/Tarnwel/Application",
                                           "org.freedesktop.DBus.Introspectable", "Introspect"),
            QDBus::Block, 10000);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        const std::string xml = reply.arguments().value(0).toString().toStdString();
        const auto begin = xml.find("<interface name=\"Tarnwel.Application\">");
        ASSERT_NE(begin, std::string::npos) << xml;
        const std::string own = xml.substr(begin, xml.find("</interface>", begin) - begin);
        EXPECT_NE(own.find("{C1B8747F-8CC2-41E3-970E-4FC41F4E7022}"), std::string::npos) << own;
        EXPECT_EQ(own.find("<method"), std::string::npos) << own;
        EXPECT_EQ(own.find("<property"), std::string::npos) << own;
        wizardPid = SenderPid(client, reply);
        EXPECT_GT(wizardPid, 0);
        EXPECT_NE(FileText("/proc/" + std::to_string(wizardPid) + "/cmdline").find("-Automation"), std::string::npos);
    }
    // The client leaves: the wizard, which gave up the name when the client
    // came, shows its page on.
    QDBusConnection::disconnectFromBus("client");
    for (int i = 0; i < 500 && bus.HasOwner("Tarnwel.Application"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(bus.HasOwner("Tarnwel.Application"));
    if (wizardPid > 0) {
        EXPECT_EQ(::kill(wizardPid, 0), 0);
        ::kill(wizardPid, SIGKILL);
    }
}

TEST(AutomationWizardProcess, EachClientReachesAWizardProcessOfItsOwn)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // for the wizards the bus starts
    CPrivateSessionBus bus;
    ASSERT_EQ(RunScriptedWizard(bus.Path(""), "", "dialog 102 escape\n").exitCode, 0);

    int argc = 1;
    char name[] = "clients";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const auto introspect = [](const QString& destination) {
        return QDBusMessage::createMethodCall(destination, "/Tarnwel/Application",
                                              "org.freedesktop.DBus.Introspectable", "Introspect");
    };
    int firstPid = 0, secondPid = 0;
    {
        QDBusConnection first = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), "first");
        QDBusConnection second = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), "second");
        ASSERT_TRUE(first.isConnected() && second.isConnected());

        const QDBusMessage firstReply = first.call(introspect("Tarnwel.Application"), QDBus::Block, 10000);
        ASSERT_EQ(firstReply.type(), QDBusMessage::ReplyMessage) << firstReply.errorMessage().toStdString();
        firstPid = SenderPid(first, firstReply);
        ASSERT_GT(firstPid, 0);
        // The first client holds the object: its wizard gave up the name.
        EXPECT_FALSE(bus.HasOwner("Tarnwel.Application"));

        // The second client's call starts a wizard of its own.
        const QDBusMessage secondReply = second.call(introspect("Tarnwel.Application"), QDBus::Block, 10000);
        ASSERT_EQ(secondReply.type(), QDBusMessage::ReplyMessage) << secondReply.errorMessage().toStdString();
        secondPid = SenderPid(second, secondReply);
        EXPECT_GT(secondPid, 0);
        EXPECT_NE(secondPid, firstPid);
        EXPECT_NE(FileText("/proc/" + std::to_string(secondPid) + "/cmdline").find("-Automation"), std::string::npos);

        // The first client still reaches its own wizard, by its unique name.
        const QDBusMessage again = first.call(introspect(firstReply.service()), QDBus::Block, 10000);
        ASSERT_EQ(again.type(), QDBusMessage::ReplyMessage) << again.errorMessage().toStdString();
        EXPECT_EQ(SenderPid(first, again), firstPid);
        EXPECT_EQ(::kill(firstPid, 0), 0);
    }
    QDBusConnection::disconnectFromBus("first");
    QDBusConnection::disconnectFromBus("second");
    for (const int pid : {firstPid, secondPid}) {
        if (pid > 0)
            ::kill(pid, SIGKILL);
    }
}

TEST(AutomationWizardProcess, WithoutABusAnAutomationStartWritesATraceLineAndGoesOn)
{
    CTemporaryDirectory directory;
    std::ofstream(directory.Path("answers.txt")) << "dialog 102 escape\n";
    const CShellResult unreachable =
        RunShellCommand("cd " + ShellQuote(directory.Path().string()) + " && DBUS_SESSION_BUS_ADDRESS=unix:path=" +
                        ShellQuote(directory.Path("none")) + " TARNWEL_WIZARD_ANSWERS=" +
                        ShellQuote(directory.Path("answers.txt")) + " " + ShellQuote(kWizard) + " /Embedding 2>&1");
    EXPECT_EQ(unreachable.exitCode, 0) << unreachable.output;
    EXPECT_NE(unreachable.output.find("automation: automation class Tarnwel.Application not served: no session bus"),
              std::string::npos)
        << unreachable.output;
    EXPECT_NE(unreachable.output.find("102"), std::string::npos) << unreachable.output;  // the page came all the same
}

} // namespace
} // namespace tarnwel::test
