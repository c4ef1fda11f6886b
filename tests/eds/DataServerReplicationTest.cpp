// Whole replications of the three kinds between the reference server and
// the data server, with the data server behind "Outlook.Application", read
// back through the data server's own clients.

#include "engine/COutlookStore.h"
#include "engine/CReplicationJob.h"
#include "platform/automation/Application.h"
#include "records/CAppointmentRecord.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/eds/DataServerStore.h"
#include "protocol/CServerSession.h"
#include "tests/eds/DesktopProgram.h"
#include "tests/eds/EmptyDataServer.h"
#include "tests/support/PrivateDataServer.h"
#include "tests/engine/StoreFixture.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/SilentProgressSink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <future>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>
#include <fstream>
#include <regex>

namespace tarnwel {
namespace {

using testing::HasSubstr;
constexpr auto Lines = &test::CDesktopProgram::Lines;

std::size_t LineCount(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

class DataServerReplicationTest : public test::StoreFixture {
protected:
    void SetUp() override
    {
        test::CPrivateDataServer::Get();
        test::EmptyDataServer();
    }

    void Serve(const std::string& seed)
    {
        std::ofstream(m_dir.Path("seed.json")) << "{" << seed << "}";
        m_server = std::make_unique<test::CReferenceServer>(std::vector<std::string>{"--seed", m_dir.Path("seed.json")});
    }

    // One run of every kind; false when a kind failed.
    bool Run()
    {
        CReplicationSettings settings;
        settings.SetDefaults();
        settings.serverUrl = m_server->Url();
        settings.userName = "user";
        settings.password = "vezi";
        settings.all = 1;
        test::CSilentProgressSink sink;
        CReplicationJob job(settings, sink, m_dir.Path("TarnwelClient.ini"));
        EXPECT_TRUE(job.Start(nullptr, 0));
        job.Join();
        return !job.KindFailed();
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

    std::unique_ptr<test::CReferenceServer> m_server;
    CScopedProgIdRegistration m_store{[] { return OpenDataServerStore(); }};
};

TEST_F(DataServerReplicationTest, ReplicatesTheThreeKindsIntoTheDataServerAndBack)
{
    Serve(R"("appointments": [
                 {"id": "A1", "description": "Planung", "location": "Raum 1", "comment": "Zeile 1\nZeile 2",
                  "start": "2026-12-01 10:00:00", "end": "2026-12-01 11:00:00", "participants": ["Anna", "Bernd"]},
                 {"id": "A2", "description": "Feiertag", "wholeDayEvent": "gtz",
                  "start": "2026-12-24 00:00:00", "end": "2026-12-25 00:00:00"}],
             "tasks": [{"id": "T1", "title": "Bericht", "description": "bis Freitag", "priority": "1.gif",
                        "status": "50%", "deadline": "2026-12-18 00:00:00"}],
             "addresses": [{"id": "ADR1", "company": "Alpha GmbH", "city": "Berlin", "street": "Hauptstr. 1",
                            "contacts": [{"id": "C1", "firstName": "Anna", "lastName": "Berg",
                                          "email": "anna@example.org", "phone": "+49 30 1"},
                                         {"id": "C2", "firstName": "Jörg", "lastName": "Stein"}]}])");
    // A calendar program's own appointment, made the system's own by the run.
    test::CDesktopProgram desktop;
    desktop.AddEvent("BEGIN:VEVENT\r\nUID:lokal-1\r\nDTSTAMP:20260101T000000Z\r\nSUMMARY:Zahnarzt\r\n"
                     "DTSTART:20261203T080000Z\r\nDTEND:20261203T090000Z\r\nEND:VEVENT\r\n");

    ASSERT_TRUE(Run());
    EXPECT_THAT(m_boxes, testing::IsEmpty());

    const std::string events = desktop.CalendarText();
    for (const char* line : {"SUMMARY:Planung", "LOCATION:Raum 1", "SUMMARY:Feiertag", "DTSTART;VALUE=DATE:20261224",
                             "DTEND;VALUE=DATE:20261225", "SUMMARY:Zahnarzt"})
        EXPECT_THAT(events, HasSubstr(line));
    EXPECT_EQ(Lines(events, "X-TARNWEL-MESSAGE-CLASS").size(), 3u) << events;
    EXPECT_THAT(events, HasSubstr("X-TARNWEL-USER-Participants:- Anna%0A  - Bernd"));
    const std::string tasks = desktop.CalendarText(true);
    for (const char* line : {"SUMMARY:Bericht", "DESCRIPTION:bis Freitag", "PERCENT-COMPLETE:50", "DUE;VALUE=DATE:20261218"})
        EXPECT_THAT(tasks, HasSubstr(line));
    const std::string contacts = desktop.ContactsText();
    for (const char* line : {"N:Berg;Anna;;;", "N:Stein;Jörg;;;", ":anna@example.org", ":+49 30 1", "ORG:Alpha GmbH"})
        EXPECT_THAT(contacts, HasSubstr(line));
    EXPECT_EQ(LineCount(m_dir.Path("maps_appo.ids")), 3u);
    EXPECT_EQ(LineCount(m_dir.Path("maps_task.ids")), 1u);
    EXPECT_EQ(LineCount(m_dir.Path("maps_cont.ids")), 2u);
    // The calendar program's appointment reached the server.
    const CAppointmentArray server = ServerAppointments();
    EXPECT_EQ(server.size(), 3u);
    EXPECT_TRUE(std::any_of(server.begin(), server.end(),
                            [](const CAppointmentRecord& record) { return record.description == "Zahnarzt"; }));

    // A second run changes nothing on either side.
    const auto summaries = Lines(events, "SUMMARY");
    const auto uids = Lines(events, "UID");
    ASSERT_TRUE(Run());
    const std::string again = desktop.CalendarText();
    EXPECT_EQ(Lines(again, "SUMMARY"), summaries);
    EXPECT_EQ(Lines(again, "UID"), uids);
    EXPECT_EQ(ServerAppointments().size(), 3u);
    EXPECT_EQ(Lines(desktop.ContactsText(), "UID").size(), 2u);
    EXPECT_THAT(m_boxes, testing::IsEmpty());
}

// Keeps the id of the thread that runs the job.
class CThreadNoting : public test::CSilentProgressSink {
public:
    void SetRunningState() override { m_thread.store(static_cast<int>(::syscall(SYS_gettid))); }
    std::atomic<int> m_thread{0};
};

// Whether thread `thread` of this process sleeps in poll (a data-server
// wait runs its context's poll).
bool WaitsInPoll(int thread)
{
    std::ifstream in("/proc/self/task/" + std::to_string(thread) + "/wchan");
    std::string wchan;
    std::getline(in, wchan);
    return wchan.find("poll") != std::string::npos;
}

TEST_F(DataServerReplicationTest, StopEndsAWaitForADataServerThatDoesNotAnswer)
{
    Serve(R"("appointments": [{"id": "A1", "description": "Planung", "start": "2026-12-01 10:00:00",
                                "end": "2026-12-01 11:00:00"}])");
    ASSERT_TRUE(Run());
    // A data server that would be waited for ten minutes, whose calendar
    // factory stands still.
    CScopedProgIdRegistration patient{[] { return OpenDataServerStore(std::chrono::minutes(10)); }};
    const std::vector<int> factory = test::CPrivateDataServer::Get().SignalPrograms("evolution-calen", SIGSTOP);
    ASSERT_FALSE(factory.empty());

    CReplicationSettings settings;
    settings.SetDefaults();
    settings.serverUrl = m_server->Url();
    settings.userName = "user";
    settings.password = "vezi";
    settings.replicateAppointments = 1;
    settings.replicateContacts = 0;
    settings.replicateTasks = 0;
    CThreadNoting sink;
    CReplicationJob job(settings, sink, m_dir.Path("TarnwelClient.ini"));
    ASSERT_TRUE(job.Start(nullptr, 0));
    // Stop comes while the job's thread waits for the data server: it has
    // slept in poll for a while (the reference server answers at once).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int sleeping = 0;
    while (sleeping < 20 && std::chrono::steady_clock::now() < deadline) {
        const int thread = sink.m_thread.load();
        sleeping = thread != 0 && WaitsInPoll(thread) ? sleeping + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const bool waited = sleeping >= 20;
    job.Stop(1);
    std::future<void> joined = std::async(std::launch::async, [&job] { job.Join(); });
    const bool ended = joined.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    for (const int pid : factory)
        ::kill(pid, SIGCONT);
    EXPECT_TRUE(waited);
    EXPECT_TRUE(ended) << "Stop did not end the wait for the data server";
    joined.wait();

    // The next run leaves the appointment once on each side.
    ASSERT_TRUE(Run());
    test::CDesktopProgram desktop;
    EXPECT_EQ(Lines(desktop.CalendarText(), "SUMMARY"), std::vector<std::string>{"SUMMARY:Planung"});
    EXPECT_EQ(ServerAppointments().size(), 1u);
}

} // namespace
} // namespace tarnwel
