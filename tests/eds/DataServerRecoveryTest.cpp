// Runs into the data server that end at each crash point, each followed by a
// whole run: afterwards every item is on each side exactly once. Each run
// and each look at the data server is a child process of its own, forked
// before this process ever talks to the data server, since a process that
// forks keeps none of its bus connection's threads.

#include "engine/COutlookStore.h"
#include "engine/CReplicationJob.h"
#include "engine/CrashPoint.h"
#include "platform/automation/Application.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/eds/DataServerStore.h"
#include "protocol/CServerSession.h"
#include "records/CAppointmentRecord.h"
#include "tests/support/CrashChild.h"
#include "tests/support/PrivateDataServer.h"
#include "tests/engine/StoreFixture.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/SilentProgressSink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>


#include <algorithm>
#include <fstream>
#include <functional>

namespace tarnwel {
namespace {

using test::CChildOutcome;
using test::RunInCrashChild;
using test::SayToParent;

class DataServerRecoveryTest : public test::StoreFixture {
protected:
    void SetUp() override { test::CPrivateDataServer::Get(); }

    // Fresh sides: a reference server with two appointments, a calendar with
    // two of a calendar program's own, no mapping file.
    void Begin()
    {
        RunInCrashChild([] {
            const CNameSpace nameSpace = CApplication(OpenDataServerStore()).GetNamespace("MAPI");
            const CItems items = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
            for (COutlookItem item = items.Find(COutlookStore::kWholeFolderFilter); !item.IsNull();
                 item = items.FindNext())
                item.Delete();
            for (const char* subject : {"Lokal 1", "Lokal 2"}) {
                const CAppointmentItem item(items.Add("IPM.Appointment"));
                item.SetSubject(subject);
                item.SetStart(COleDate::FromFields(2026, 12, 3, 9, 0));
                item.SetEnd(COleDate::FromFields(2026, 12, 3, 10, 0));
                item.Save();
            }
        });
        std::filesystem::remove("maps_appo.ids");
        std::filesystem::remove("maps_appo.ids.journal");
        std::filesystem::remove("maps_appo.ids.store");
        m_server.reset();
        std::ofstream(m_dir.Path("seed.json"))
            << R"({"appointments": [
                   {"id": "A1", "description": "Server 1", "start": "2026-12-01 10:00:00", "end": "2026-12-01 11:00:00"},
                   {"id": "A2", "description": "Server 2", "start": "2026-12-02 10:00:00", "end": "2026-12-02 11:00:00"}]})";
        m_server = std::make_unique<test::CReferenceServer>(std::vector<std::string>{"--seed", m_dir.Path("seed.json")});
    }

    // A run of the appointments in a child that ends at its `crashAt`-th
    // crash point (0: none); the points it passed.
    CChildOutcome Run(int crashAt)
    {
        const std::string url = m_server->Url();
        const std::string ini = m_dir.Path("TarnwelClient.ini");
        return RunInCrashChild(
            [url, ini] {
                CScopedProgIdRegistration store{[] { return OpenDataServerStore(); }};
                CReplicationSettings settings;
                settings.SetDefaults();
                settings.serverUrl = url;
                settings.userName = "user";
                settings.password = "vezi";
                settings.all = 1;
                settings.replicateContacts = 0;
                settings.replicateTasks = 0;
                test::CSilentProgressSink sink;
                CReplicationJob job(settings, sink, ini);
                job.Start(nullptr, 0);
                job.Join();
                if (job.KindFailed())
                    SayToParent("failed");
            },
            crashAt);
    }

    // The subjects of the calendar, sorted, and how many pairs the mapping
    // file holds.
    std::vector<std::string> CalendarSubjects()
    {
        CChildOutcome child = RunInCrashChild([] {
            const CItems items =
                CApplication(OpenDataServerStore()).GetNamespace("MAPI").GetDefaultFolder(default_folders::kCalendar).GetItems();
            for (COutlookItem item = items.Find(COutlookStore::kWholeFolderFilter); !item.IsNull();
                 item = items.FindNext())
                SayToParent(CAppointmentItem(item).GetSubject());
        });
        std::sort(child.lines.begin(), child.lines.end());
        return child.lines;
    }
    std::vector<std::string> ServerSubjects()
    {
        CServerSession session(CServerAccount{"user", "vezi", m_server->Url(), 20000});
        CAppointmentArray records;
        session.Authenticate(kAppointmentNamespace);
        session.GetAppointments(records, "1900-01-01", {});
        session.SignOut(kAppointmentNamespace);
        std::vector<std::string> subjects;
        for (const CAppointmentRecord& record : records)
            subjects.push_back(record.description);
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    }
    static std::size_t Pairs()
    {
        std::ifstream in("maps_appo.ids", std::ios::binary);
        std::size_t lines = static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
        std::ifstream journal("maps_appo.ids.journal", std::ios::binary);
        return lines + (journal ? 1000 : 0);  // a journal left after a whole run would be a fault
    }

    std::unique_ptr<test::CReferenceServer> m_server;
};

TEST_F(DataServerRecoveryTest, ARunEndedAtAnyCrashPointIsRepairedByTheNextRun)
{
    const std::vector<std::string> all = {"Lokal 1", "Lokal 2", "Server 1", "Server 2"};
    Begin();
    const CChildOutcome whole = Run(0);
    EXPECT_THAT(whole.lines, testing::Not(testing::Contains("failed")));
    ASSERT_FALSE(whole.lines.empty());
    EXPECT_THAT(whole.lines, testing::Contains("Outlook items committed"));
    // The data server's new items have their entry ids before the commit.
    EXPECT_THAT(whole.lines, testing::Contains("new pairs marked pending"));
    EXPECT_EQ(CalendarSubjects(), all);
    EXPECT_EQ(ServerSubjects(), all);

    for (int crashAt = 1; crashAt <= static_cast<int>(whole.lines.size()); ++crashAt) {
        SCOPED_TRACE("ended at point " + std::to_string(crashAt) + " (" + whole.lines[crashAt - 1] + ")");
        Begin();
        EXPECT_TRUE(Run(crashAt).crashed);
        const CChildOutcome repair = Run(0);
        EXPECT_THAT(repair.lines, testing::Not(testing::Contains("failed")));
        EXPECT_EQ(CalendarSubjects(), all);
        EXPECT_EQ(ServerSubjects(), all);
        EXPECT_EQ(Pairs(), all.size());
    }
}

} // namespace
} // namespace tarnwel
