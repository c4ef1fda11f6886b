// tarnwel-replicate without TARNWEL_PIMSTORE, as a user runs it: on the data
// server of the session's bus (the private one of the test), or on the file
// store at its default path when the session has no bus or no data server.

#include "platform/automation/Application.h"
#include "platform/automation/ProgIdRegistry.h"
#include "engine/COutlookStore.h"
#include "platform/eds/DataServerStore.h"
#include "platform/eds/StoreChoice.h"
#include "platform/base/FileLock.h"
#include "protocol/CServerSession.h"
#include "tests/eds/DesktopProgram.h"
#include "tests/eds/EmptyDataServer.h"
#include "tests/support/PrivateDataServer.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarnwel {
namespace {

using test::ShellQuote;
using testing::HasSubstr;
constexpr auto Lines = &test::CDesktopProgram::Lines;
using testing::Not;

struct CProgramResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

constexpr const char* kDataServerLine =
    "Local store: the desktop's data server (evolution-data-server): its default calendar, task list and address book";

class ReplicateStoreChoiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        // HOME, the XDG folders and the session bus of this process are the
        // private data server's from here on; every program started inherits
        // them.
        test::CPrivateDataServer::Get();
        test::EmptyDataServer();
    }

    void Serve(const std::string& seed)
    {
        std::ofstream(m_dir.Path("seed.json")) << "{" << seed << "}";
        m_server = std::make_unique<test::CReferenceServer>(std::vector<std::string>{"--seed", m_dir.Path("seed.json")});
        std::ofstream(m_dir.Path("TarnwelClient.ini"))
            << "URL = " << m_server->Url() << "\r\nusername = user\r\npassword = vezi\r\nCategory checkboxes = 1 1 1\r\n"
            // Of an appointment changed on one side, the newer one wins.
            << "Appo Ovr Action = 2\r\n";
        std::ofstream(m_dir.Path("answers.txt")) << "# the defaults\n";
    }

    // tarnwel-replicate in the test's directory with TARNWEL_PIMSTORE unset
    // and `environment` besides: env's arguments, "-u NAME" before
    // "NAME=value", optionally followed by a program that starts the tool.
    CProgramResult Replicate(const std::string& environment = "")
    {
        const std::string command = "cd " + ShellQuote(m_dir.Path().string()) + " && env -u TARNWEL_PIMSTORE " +
                                    environment + " " + ShellQuote(REPLICATE_TOOL) + " --answers answers.txt 2>" +
                                    ShellQuote(m_dir.Path("errors.txt")) + " </dev/null";
        const test::CShellResult shell = test::RunShellCommand(command);
        return {shell.exitCode, shell.output, ReadAll(m_dir.Path("errors.txt"))};
    }

    CAppointmentArray ServerAppointments()
    {
        CServerSession session(CServerAccount{"user", "vezi", m_server->Url(), 20000});
        CAppointmentArray records;
        session.Authenticate(kAppointmentNamespace);
        session.GetAppointments(records, "1900-01-01", {});
        session.SignOut(kAppointmentNamespace);
        return records;
    }

    static std::vector<std::string> Descriptions(const CAppointmentArray& records)
    {
        std::vector<std::string> descriptions;
        for (const CAppointmentRecord& record : records)
            descriptions.push_back(record.description);
        std::sort(descriptions.begin(), descriptions.end());
        return descriptions;
    }

    test::CTemporaryDirectory m_dir;
    std::unique_ptr<test::CReferenceServer> m_server;
};

constexpr const char* kSeed = R"("appointments": [{"id": "A1", "description": "Planung", "start": "2026-12-01 10:00:00",
                                                   "end": "2026-12-01 11:00:00"}],
    "tasks": [{"id": "T1", "title": "Bericht", "status": "50%"}],
    "addresses": [{"id": "ADR1", "company": "Alpha GmbH",
                   "contacts": [{"id": "C1", "firstName": "Anna", "lastName": "Berg"}]}])";

TEST_F(ReplicateStoreChoiceTest, WithoutPimstoreTheRunWorksOnTheDataServerOnceAndAgainAndBothWays)
{
    Serve(kSeed);
    test::CDesktopProgram desktop;
    desktop.AddEvent("BEGIN:VEVENT\r\nUID:lokal-1\r\nDTSTAMP:20260101T000000Z\r\nSUMMARY:Zahnarzt\r\n"
                     "DTSTART:20261203T080000Z\r\nDTEND:20261203T090000Z\r\nEND:VEVENT\r\n");

    const CProgramResult first = Replicate();
    ASSERT_EQ(first.exitCode, 0) << first.output << first.errors;
    EXPECT_THAT(first.output, HasSubstr(kDataServerLine));
    EXPECT_THAT(first.output, Not(HasSubstr("Message box")));
    // Each of the server's items once in the default calendar, task list and
    // address book; no file store was made.
    const std::string events = desktop.CalendarText();
    EXPECT_EQ(Lines(events, "SUMMARY"), (std::vector<std::string>{"SUMMARY:Planung", "SUMMARY:Zahnarzt"})) << events;
    EXPECT_EQ(Lines(desktop.CalendarText(true), "SUMMARY"), std::vector<std::string>{"SUMMARY:Bericht"});
    EXPECT_EQ(Lines(desktop.ContactsText(), "N:"), std::vector<std::string>{"N:Berg;Anna;;;"});
    EXPECT_FALSE(std::filesystem::exists(test::CPrivateDataServer::Get().Home() + "/.local/share/tarnwel/pimstore.db"));
    // The calendar program's appointment reached the server.
    EXPECT_EQ(Descriptions(ServerAppointments()), (std::vector<std::string>{"Planung", "Zahnarzt"}));

    // A second run changes nothing on either side.
    const auto uids = Lines(events, "UID");
    const CProgramResult second = Replicate();
    ASSERT_EQ(second.exitCode, 0) << second.output << second.errors;
    EXPECT_EQ(Lines(desktop.CalendarText(), "UID"), uids);
    EXPECT_EQ(Lines(desktop.CalendarText(true), "UID").size(), 1u);
    EXPECT_EQ(Lines(desktop.ContactsText(), "UID").size(), 1u);
    EXPECT_EQ(Descriptions(ServerAppointments()), (std::vector<std::string>{"Planung", "Zahnarzt"}));

    // An edit made through the data server reaches the server.
    std::string planning;
    {
        const std::string text = desktop.CalendarText();
        const std::size_t summary = text.find("SUMMARY:Planung");
        ASSERT_NE(summary, std::string::npos);
        const std::size_t begin = text.rfind("BEGIN:VEVENT", summary);
        const std::size_t end = text.find("END:VEVENT", summary) + std::string("END:VEVENT\r\n").size();
        planning = text.substr(begin, end - begin);
        planning.replace(planning.find("SUMMARY:Planung"), std::string("SUMMARY:Planung").size(), "SUMMARY:Planung verlegt");
    }
    desktop.ModifyInstance(planning);
    const CProgramResult third = Replicate();
    ASSERT_EQ(third.exitCode, 0) << third.output << third.errors;
    EXPECT_EQ(Descriptions(ServerAppointments()), (std::vector<std::string>{"Planung verlegt", "Zahnarzt"}))
        << planning << "\n----\n" << desktop.CalendarText() << third.output << third.errors;
    EXPECT_EQ(Lines(desktop.CalendarText(), "UID"), uids);
}

// The store identity covers the data server: pairs made with the file store
// are not applied to the data server's items, nor the other way round.
TEST_F(ReplicateStoreChoiceTest, MappingFilesOfTheOtherStoreChangeNothingAndSaySo)
{
    Serve(kSeed);
    const std::string fileStore = m_dir.Path("store.db");
    struct CCase {
        const char* name;
        std::string firstStore;   // environment of the first run
        std::string secondStore;  // of the second
    };
    const CCase cases[] = {
        {"file store, then data server", "TARNWEL_PIMSTORE=" + ShellQuote(fileStore), ""},
        {"data server, then file store", "", "TARNWEL_PIMSTORE=" + ShellQuote(fileStore)},
    };
    for (const CCase& one : cases) {
        SCOPED_TRACE(one.name);
        SetUp();
        for (const char* name : {"maps_appo.ids", "maps_task.ids", "maps_cont.ids", "maps_appo.ids.store",
                                 "maps_task.ids.store", "maps_cont.ids.store", "store.db"})
            std::filesystem::remove(m_dir.Path(name));
        // The first run pairs everything with its store.
        const CProgramResult first = Replicate(one.firstStore);
        ASSERT_EQ(first.exitCode, 0) << first.output << first.errors;
        test::CDesktopProgram desktop;
        const std::string calendarBefore = desktop.CalendarText();
        const bool fileStoreBefore = std::filesystem::exists(fileStore);
        const std::string fileStoreBytes = ReadAll(fileStore);

        const CProgramResult second = Replicate(one.secondStore);
        EXPECT_EQ(second.exitCode, 3) << second.output << second.errors;
        EXPECT_THAT(second.output, HasSubstr("Die Zuordnungsdatei"));
        EXPECT_THAT(second.output, HasSubstr("diese Art nicht repliziert"));
        // Neither side changed.
        EXPECT_EQ(Lines(desktop.CalendarText(), "UID"), Lines(calendarBefore, "UID"));
        EXPECT_EQ(std::filesystem::exists(fileStore), fileStoreBefore);
        EXPECT_EQ(ReadAll(fileStore), fileStoreBytes);
        EXPECT_EQ(Descriptions(ServerAppointments()), std::vector<std::string>{"Planung"});
    }
}

// Without a bus, or with a bus that offers no data server, the run uses the
// file store at its default path in the (temporary) home.
TEST_F(ReplicateStoreChoiceTest, ASessionWithoutTheDataServerUsesTheFileStoreAtItsDefaultPath)
{
    Serve(kSeed);
    const std::string home = m_dir.Path("home");
    const std::string runtime = m_dir.Path("runtime");
    const std::string services = m_dir.Path("services");
    for (const std::string& folder : {home, runtime, services})
        std::filesystem::create_directories(folder);
    // A bus of its own whose service folder is empty: it runs no data server
    // and cannot start one.
    std::ofstream(m_dir.Path("empty-bus.conf"))
        << "<busconfig>\n  <type>session</type>\n  <listen>unix:tmpdir=" << runtime << "</listen>\n"
        << "  <servicedir>" << services << "</servicedir>\n"
        << "  <policy context=\"default\">\n    <allow send_destination=\"*\"/>\n    <allow own=\"*\"/>\n"
           "  </policy>\n</busconfig>\n";
    const std::string homeVariables = "HOME=" + ShellQuote(home) + " XDG_DATA_HOME=" + ShellQuote(home + "/data") +
                                       " XDG_RUNTIME_DIR=" + ShellQuote(runtime);
    const std::string noDisplay = "-u DISPLAY -u WAYLAND_DISPLAY ";
    struct CCase {
        const char* name;
        std::string environment;
    };
    const CCase cases[] = {
        {"no bus address, no bus socket", noDisplay + "-u DBUS_SESSION_BUS_ADDRESS " + homeVariables},
        {"a bus that is not there", noDisplay + "DBUS_SESSION_BUS_ADDRESS=unix:path=" + ShellQuote(runtime + "/none") + " " + homeVariables},
        {"a bus without the data server",
         noDisplay + homeVariables + " dbus-run-session --config-file=" + ShellQuote(m_dir.Path("empty-bus.conf")) + " --"},
    };
    const std::string store = home + "/data/tarnwel/pimstore.db";
    for (const CCase& one : cases) {
        SCOPED_TRACE(one.name);
        std::filesystem::remove_all(home + "/data");
        for (const char* name : {"maps_appo.ids", "maps_task.ids", "maps_cont.ids", "maps_appo.ids.store",
                                 "maps_task.ids.store", "maps_cont.ids.store"})
            std::filesystem::remove(m_dir.Path(name));
        const CProgramResult run = Replicate(one.environment);
        EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
        EXPECT_THAT(run.output, HasSubstr("Local store: the file store " + store + "\n"));
        EXPECT_TRUE(std::filesystem::exists(store));
        EXPECT_TRUE(std::filesystem::exists(store + ".lock"));
    }
    // The data server was not touched.
    test::CDesktopProgram desktop;
    EXPECT_EQ(Lines(desktop.CalendarText(), "UID").size(), 0u);
}

// The data server's lock is the user's, whatever the working directory: a
// run in another directory waits for it and then changes nothing.
TEST_F(ReplicateStoreChoiceTest, ARunOnTheDataServerWaitsForItsLockHeldElsewhere)
{
    Serve(kSeed);
    const std::string lockPath = DataServerLockPath();
    ASSERT_EQ(lockPath, test::CPrivateDataServer::Get().Home() + "/.local/share/tarnwel/dataserver.lock");
    CFileLock held;
    ASSERT_EQ(held.Lock(lockPath, std::chrono::steady_clock::now()), CFileLock::Outcome::locked);
    const CProgramResult run = Replicate();
    EXPECT_EQ(run.exitCode, 1) << run.output << run.errors;
    EXPECT_THAT(run.errors, HasSubstr("Der lokale Speicher wird gerade"));
    test::CDesktopProgram desktop;
    EXPECT_EQ(Lines(desktop.CalendarText(), "UID").size(), 0u);
    held.Unlock();
    EXPECT_EQ(Replicate().exitCode, 0);
}

TEST(StoreChoiceTest, TheBusCheckAnswersWithoutABusAndFindsThePrivateDataServer)
{
    test::CPrivateDataServer::Get();
    EXPECT_TRUE(SessionBusOffersDataServer());
    const std::string address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwel-bus", 1);
    EXPECT_FALSE(SessionBusOffersDataServer());
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
}

} // namespace
} // namespace tarnwel
