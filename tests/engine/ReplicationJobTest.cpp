#include "client/KindStatusLines.h"
#include "engine/CReplicationJob.h"

#include "engine/IProgressSink.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/base/FileLock.h"
#include "platform/pimstore/PimStore.h"
#include "platform/soap/CCurlConnector.h"
#include "tests/engine/StoreFixture.h"
#include "tests/support/ReferenceServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

namespace tarnwel {
namespace {

using testing::ElementsAre;
using testing::Contains;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::MatchesRegex;
using testing::Not;

// Records every call as a line. A call whose line equals the hold line waits
// inside the callback until Release(), so a test can act on a job that is
// known to be in the middle of its run.
class CHoldingSink : public IProgressSink {
public:
    explicit CHoldingSink(std::string holdAt = {}) : m_holdAt(std::move(holdAt)) {}

    void SetRunningState() override { Record("running"); }
    void SetFinishedState() override { Record("finished"); }
    void SetHeaderText(std::string text) override { Record("header " + text); }
    void SetResultText(std::string text) override { Record("result " + text); }
    // A kind's status line is recorded by the window's control id of it.
    void SetStatusLineText(ItemKind kind, std::string text) override
    {
        Record("line " + std::to_string(main_dialog::StatusControlOf(kind)) + " " + text);
    }
    void SetStatusControl(ItemKind kind) override
    {
        Record("control " + std::to_string(main_dialog::StatusControlOf(kind)));
    }
    void ShowStatus(int stringId) override { Record("status " + std::to_string(stringId)); }
    void ShowStatusCount(int stringId, int first, int second) override
    {
        Record("status " + std::to_string(stringId) + " " + std::to_string(first) + " " + std::to_string(second));
    }

    void WaitUntilHeld()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_held; });
    }
    void Release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    std::vector<std::string> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    void Record(std::string line)
    {
        std::unique_lock lock(m_mutex);
        const bool hold = line == m_holdAt;
        m_calls.push_back(std::move(line));
        if (hold) {
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
        }
    }

    const std::string m_holdAt;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_calls;
    bool m_held = false;
    bool m_released = false;
};

constexpr const char* kResultPattern = "result Replikation abgeschlossen um [0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}";

// The settings, sink and settings file of a job to come; the job is made with
// them at its first use and answers for itself from then on.
class CJobDraft {
public:
    CReplicationSettings m_settings;
    IProgressSink* m_progressSink = nullptr;
    std::string m_settingsPath;

    bool Start(void* owner, std::uint32_t message) { return Job().Start(owner, message); }
    CReplicationJob& Job()
    {
        if (!m_job)
            m_job = std::make_unique<CReplicationJob>(m_settings, *m_progressSink, m_settingsPath);
        return *m_job;
    }
    void Join() { Job().Join(); }
    void Stop(int flag) { Job().Stop(flag); }
    bool IsRunning() { return Job().IsRunning(); }
    bool KindFailed() { return Job().KindFailed(); }
    bool ThreadActive() { return Job().ThreadActive(); }
    int Result() { return Job().Result(); }
    int StopFlag() { return Job().StopFlag(); }

private:
    std::unique_ptr<CReplicationJob> m_job;
};

class ReplicationJobTest : public test::StoreFixture {
protected:
    // A job whose settings select the kinds given; its server address refuses
    // every connection, so a run that tried to connect would say so.
    std::unique_ptr<CJobDraft> MakeJob(IProgressSink& sink, bool appointments, bool contacts, bool tasks)
    {
        auto job = std::make_unique<CJobDraft>();
        job->m_settings.SetDefaults();
        job->m_settings.serverUrl = ServerUrl();
        job->m_settings.userName = "anna";
        job->m_settings.replicateAppointments = appointments ? 1 : 0;
        job->m_settings.replicateContacts = contacts ? 1 : 0;
        job->m_settings.replicateTasks = tasks ? 1 : 0;
        job->m_progressSink = &sink;
        job->m_settingsPath = m_dir.Path("TarnwelClient.ini");
        return job;
    }

    std::string ServerUrl() const
    {
        return "http://127.0.0.1:" + std::to_string(m_closedPort.Port()) + "/tarnwelreplication";
    }

    // Points the job at a reference server seeded with `seed` (the items
    // part of a seed file), started with the fault switches given.
    void Serve(CJobDraft& job, const std::string& seed, std::vector<std::string> switches = {})
    {
        std::ofstream(m_dir.Path("seed.json")) << "{" << seed << "}";
        switches.insert(switches.begin(), {"--seed", m_dir.Path("seed.json")});
        m_server = std::make_unique<test::CReferenceServer>(switches);
        job.m_settings.serverUrl = m_server->Url();
        job.m_settings.userName = "user";
        job.m_settings.password = "vezi";
        job.m_settings.all = 1;
    }

    CReplicationSettings SavedSettings()
    {
        CReplicationSettings saved;
        saved.Load(m_dir.Path("TarnwelClient.ini"));
        return saved;
    }

    test::CClosedPort m_closedPort;
    std::unique_ptr<test::CReferenceServer> m_server;
    // The runs' local item store.
    CScopedProgIdRegistration m_store{[path = m_dir.Path("store.db")] { return OpenPimStore(path); }};
};

constexpr const char* kTwoAppointmentsAndATask =
    R"("appointments": [{"id": "A1", "description": "Eins", "start": "2026-12-01 10:00:00", "end": "2026-12-01 11:00:00"},
                        {"id": "A2", "description": "Zwei", "start": "2026-12-02 10:00:00", "end": "2026-12-02 11:00:00"}],
       "tasks": [{"id": "T1", "title": "Aufgabe"}])";

TEST_F(ReplicationJobTest, TellsTheSinkAboutEveryKindThatIsNotReplicated)
{
    for (const bool contacts : {false, true}) {
        SCOPED_TRACE(contacts ? "contacts replicated" : "nothing replicated");
        CHoldingSink sink;
        auto job = MakeJob(sink, false, contacts, false);
        // The contact run, when on, replicates one contact from the server.
        if (contacts)
            Serve(*job, R"("addresses": [{"id": "ADR1", "company": "Alpha",
                                          "contacts": [{"id": "C1", "lastName": "Berg"}]}])");
        ASSERT_TRUE(job->Start(nullptr, 0));
        job->Join();

        std::vector<std::string> calls = sink.Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_THAT(calls.back(), MatchesRegex(kResultPattern));
        calls.pop_back();
        // The contact run's calls, from its status control to its end text,
        // stand where the kind's line would stand.
        const auto first = std::find(calls.begin(), calls.end(), "control 1088");
        const auto last = std::find(calls.begin(), calls.end(), "status 213");
        if (contacts) {
            ASSERT_NE(first, calls.end());
            ASSERT_NE(last, calls.end());
            EXPECT_TRUE(std::none_of(first, last, [](const std::string& call) { return call.starts_with("line "); }));
            calls.erase(first, last + 1);
        } else {
            EXPECT_EQ(first, calls.end());
        }
        std::vector<std::string> expected{"running", "header Verbinde zu Server",
                                          "line 1087 Termine sind nicht repliziert worden"};
        if (!contacts)
            expected.push_back("line 1088 Kontakte sind nicht repliziert worden");
        expected.insert(expected.end(),
                        {"line 1089 Aufgaben sind nicht repliziert worden", "header Nicht verbunden", "finished"});
        EXPECT_THAT(calls, ElementsAreArray(expected));
        EXPECT_THAT(FileText("maps_cont.ids"), contacts ? MatchesRegex("[^ ]+ C1\r\n") : MatchesRegex("<missing>"));
        EXPECT_FALSE(job->IsRunning());
        EXPECT_FALSE(job->ThreadActive());
        EXPECT_EQ(job->Result(), 0);
        EXPECT_FALSE(job->Start(nullptr, 0)) << "a job runs once";
    }
    EXPECT_THAT(m_boxes, testing::IsEmpty());
}

TEST_F(ReplicationJobTest, SavesItsCopyOfTheSettingsWithTheTimeTheRunEnded)
{
    CHoldingSink sink;
    auto job = MakeJob(sink, false, false, false);
    job->m_settings.lastRun = COleDate::FromFields(2001, 2, 3, 4, 5, 6);
    const COleDate before = COleDate::Now();
    ASSERT_TRUE(job->Start(nullptr, 0));
    job->Join();
    const COleDate after = COleDate::Now();

    const CReplicationSettings saved = SavedSettings();
    EXPECT_EQ(saved.userName, "anna");
    EXPECT_EQ(saved.serverUrl, ServerUrl());
    EXPECT_FALSE(saved.lastRun.IsBefore(before));
    EXPECT_FALSE(saved.lastRun.IsAfter(after));
    // The result line names the same time as the file.
    EXPECT_EQ(sink.Calls().back(), "result Replikation abgeschlossen um " + saved.lastRun.Format("%d.%m.%Y %H:%M:%S"));
}

TEST_F(ReplicationJobTest, ARunWhoseSettingsCannotBeSavedStillFinishes)
{
    CHoldingSink sink;
    auto job = MakeJob(sink, false, false, false);
    job->m_settingsPath = m_dir.Path("missing/TarnwelClient.ini");
    ASSERT_TRUE(job->Start(nullptr, 0));
    job->Join();
    EXPECT_THAT(m_boxes, ElementsAre("cannot create file <" + job->m_settingsPath + ">"));
    EXPECT_FALSE(job->IsRunning());
    EXPECT_THAT(sink.Calls().back(), MatchesRegex(kResultPattern));
}

TEST_F(ReplicationJobTest, SettingsFromAnUnreadableFileNeitherReplicateNorSave)
{
    CHoldingSink sink;
    auto job = MakeJob(sink, true, true, true);
    const std::string path = job->m_settingsPath;
    std::filesystem::create_directory(path);
    std::ofstream(path + "/inside") << "x";
    job->m_settings.Load(path);
    // Even pointed at a server that would take the defaults' user.
    Serve(*job, kTwoAppointmentsAndATask);
    ASSERT_TRUE(job->Start(nullptr, 0));
    job->Join();

    ASSERT_EQ(m_boxes.size(), 2u);
    EXPECT_THAT(m_boxes[0], HasSubstr("<" + path + "> kann nicht gelesen werden"));
    EXPECT_EQ(m_boxes[1], "Es wird nicht repliziert: die Einstellungsdatei <" + path +
                              "> konnte nicht gelesen werden.\r\nBitte prüfen Sie die Datei und starten Sie das "
                              "Programm neu.");
    EXPECT_THAT(sink.Calls(), ElementsAre("result Replikation nicht gestartet: Einstellungen nicht lesbar"));
    EXPECT_EQ(job->Result(), 1);
    EXPECT_FALSE(job->IsRunning());
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(FileText("maps_appo.ids"), "<missing>");
}

// Another run holds the working directory or the local store for the whole
// wait: this run changes nothing, says so and saves no settings; once the
// lock is free, the next run replicates.
TEST_F(ReplicationJobTest, ARunThatMeetsAnotherRunsLockChangesNothingAndSaysSo)
{
    const std::string directory = std::filesystem::current_path().string();
    const std::string storeLock = m_dir.Path("store.db.lock");
    const StoreLockPathSource previous = SetStoreLockPathSource([storeLock] { return storeLock; });
    struct Case {
        std::string lockPath;
        std::string text;
    } cases[] = {
        {directory + "/TarnwelClient.lock",
         "Im Ordner <" + directory + "> läuft gerade eine andere Replikation oder das Löschen der Outlook-Daten."},
        {storeLock, "Der lokale Speicher wird gerade von einer anderen Replikation oder vom Löschen der "
                    "Outlook-Daten benutzt."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lockPath);
        m_boxes.clear();
        CFileLock other;
        ASSERT_EQ(other.Lock(c.lockPath, std::chrono::steady_clock::now()), CFileLock::Outcome::locked);
        const std::string mappingBefore = FileText("maps_appo.ids");
        const std::string settingsBefore = FileText("TarnwelClient.ini");
        CHoldingSink sink;
        auto job = MakeJob(sink, true, false, true);
        Serve(*job, kTwoAppointmentsAndATask);
        ASSERT_TRUE(job->Start(nullptr, 0));
        job->Join();
        EXPECT_THAT(m_boxes, ElementsAre(c.text + "\r\nDiese Replikation wurde beendet, ohne etwas zu ändern."));
        EXPECT_THAT(sink.Calls(), ElementsAre("result Replikation nicht gestartet: eine andere Replikation läuft"));
        EXPECT_TRUE(job->Job().Busy());
        EXPECT_EQ(job->Result(), 1);
        EXPECT_FALSE(job->IsRunning());
        EXPECT_EQ(FileText("maps_appo.ids"), mappingBefore);
        EXPECT_EQ(FileText("TarnwelClient.ini"), settingsBefore);

        other.Unlock();
        CHoldingSink nextSink;
        auto next = MakeJob(nextSink, true, false, true);
        Serve(*next, kTwoAppointmentsAndATask);
        ASSERT_TRUE(next->Start(nullptr, 0));
        next->Join();
        EXPECT_FALSE(next->Job().Busy());
        EXPECT_THAT(FileText("maps_appo.ids"), MatchesRegex("[^ ]+ A[12]\r\n[^ ]+ A[12]\r\n"));
        std::filesystem::remove("maps_appo.ids");
        std::filesystem::remove("maps_task.ids");
        std::filesystem::remove("TarnwelClient.ini");
        std::filesystem::remove("store.db");
    }
    SetStoreLockPathSource(previous);
}

TEST_F(ReplicationJobTest, AStopBeforeTheStartIsForgotten)
{
    CHoldingSink sink;
    auto job = MakeJob(sink, true, false, false);
    job->Stop(1);
    ASSERT_TRUE(job->Start(nullptr, 0));
    EXPECT_EQ(job->StopFlag(), 0);
    job->Join();
    EXPECT_EQ(job->StopFlag(), 0);
    // The appointment run went ahead and met the refused connection.
    const std::vector<std::string> calls = sink.Calls();
    EXPECT_THAT(calls, Contains("control 1087"));
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_THAT(calls.back(), MatchesRegex(kResultPattern));
}

TEST_F(ReplicationJobTest, AStopDuringTheRunAbortsTheKindsAndTheRunStillEndsAsUsual)
{
    CHoldingSink sink("header Verbinde zu Server");
    auto job = MakeJob(sink, true, false, true);
    ASSERT_TRUE(job->Start(nullptr, 0));
    sink.WaitUntilHeld();
    EXPECT_TRUE(job->IsRunning());
    job->Stop(0);  // the flag given is not what counts
    EXPECT_EQ(job->StopFlag(), 1);
    sink.Release();
    job->Join();

    // The aborted runs return before they show anything or reach the server.
    std::vector<std::string> calls = sink.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_THAT(calls.back(), MatchesRegex(kResultPattern));
    calls.pop_back();
    EXPECT_THAT(calls, ElementsAre("running", "header Verbinde zu Server", "line 1088 Kontakte sind nicht repliziert worden",
                                   "header Nicht verbunden", "finished"));
    EXPECT_THAT(m_boxes, testing::IsEmpty());
    EXPECT_TRUE(SavedSettings().lastRun.IsAfter(COleDate::FromFields(2020, 1, 1)));
    EXPECT_FALSE(job->IsRunning());
}

TEST_F(ReplicationJobTest, AStopInTheMiddleOfAKindsRunEndsItEarlyAndTheLaterKindsReturnAtOnce)
{
    CHoldingSink sink("status 186 0 2");  // the appointment run's first server record
    auto job = MakeJob(sink, true, false, true);
    Serve(*job, kTwoAppointmentsAndATask);
    const COleDate before = COleDate::Now();
    ASSERT_TRUE(job->Start(nullptr, 0));
    sink.WaitUntilHeld();
    job->Stop(1);
    sink.Release();
    job->Join();

    // The server pass stops after the record at hand, the Outlook pass
    // fetches but handles nothing, the server queues are skipped, no item
    // reaches Outlook, and the run still logs out (its end text follows the
    // logout). The task run shows nothing at all.
    std::vector<std::string> calls = sink.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_THAT(calls.back(), MatchesRegex(kResultPattern));
    calls.pop_back();
    const auto held = std::find(calls.begin(), calls.end(), "status 186 0 2");
    ASSERT_NE(held, calls.end());
    EXPECT_THAT(std::vector<std::string>(held, calls.end()),
                ElementsAre("status 186 0 2", "status 187 0 0", "status 192 1 0", "status 194 0 0", "status 196 0 0",
                            "status 198", "line 1088 Kontakte sind nicht repliziert worden", "header Nicht verbunden",
                            "finished"));
    EXPECT_THAT(m_boxes, testing::IsEmpty());
    EXPECT_EQ(FileText("maps_appo.ids"), "");
    EXPECT_FALSE(SavedSettings().lastRun.IsBefore(before));
    EXPECT_FALSE(job->KindFailed());  // a stop is no failure
}

TEST_F(ReplicationJobTest, AKindWhoseRunFailsIsReportedAndTheNextKindStillReplicates)
{
    CHoldingSink sink;
    auto job = MakeJob(sink, true, false, true);
    Serve(*job, kTwoAppointmentsAndATask, {"--drop", "appointment/putItems"});
    ASSERT_TRUE(job->Start(nullptr, 0));
    job->Join();

    EXPECT_THAT(m_boxes, ElementsAre("Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server"));
    const std::vector<std::string> calls = sink.Calls();
    EXPECT_THAT(calls, Not(Contains("status 198")));
    EXPECT_THAT(calls, Contains("status 228"));
    EXPECT_THAT(FileText("maps_task.ids"), MatchesRegex("[^ ]+ T1\r\n"));
    EXPECT_THAT(calls.back(), MatchesRegex(kResultPattern));
    EXPECT_TRUE(job->KindFailed());
}

// The server takes each connection and never answers; neither the default
// time-out nor none at all lets a call wait past the stall limit.
TEST_F(ReplicationJobTest, AServerThatNeverAnswersFailsEachKindAfterTheStallLimit)
{
    const std::chrono::milliseconds previous = CCurlConnector::SetStallLimit(std::chrono::milliseconds(300));
    const test::CSilentServer silent;
    for (const long timeout : {4000000L, 0L}) {
        m_boxes.clear();
        CHoldingSink sink;
        auto job = MakeJob(sink, true, false, true);
        job->m_settings.serverUrl = silent.Url();
        job->m_settings.soapTimeout = timeout;
        ASSERT_TRUE(job->Start(nullptr, 0));
        job->Join();
        const std::string lost = "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie ihre Verbindung\r\nmit dem Server";
        EXPECT_THAT(m_boxes, ElementsAre(lost, lost)) << timeout;
        EXPECT_TRUE(job->KindFailed());
        EXPECT_THAT(sink.Calls().back(), MatchesRegex(kResultPattern));
    }
    CCurlConnector::SetStallLimit(previous);
}

TEST_F(ReplicationJobTest, AStopAfterTheRunOnlySetsTheFlag)
{
    CHoldingSink sink;
    auto job = MakeJob(sink, false, false, false);
    ASSERT_TRUE(job->Start(nullptr, 0));
    job->Join();
    const std::vector<std::string> calls = sink.Calls();
    job->Stop(1);
    EXPECT_EQ(job->StopFlag(), 1);
    EXPECT_EQ(sink.Calls(), calls);
    EXPECT_FALSE(job->IsRunning());
}

TEST_F(ReplicationJobTest, DestroyingARunningJobWaitsForItsRunToEnd)
{
    CHoldingSink sink("header Nicht verbunden");
    auto job = MakeJob(sink, false, false, false);
    const std::string settingsPath = job->m_settingsPath;
    ASSERT_TRUE(job->Start(nullptr, 0));
    sink.WaitUntilHeld();

    bool savedWhenDestroyed = false;
    std::thread destroyer([&] {
        job.reset();
        savedWhenDestroyed = FileText(settingsPath) != "<missing>";
    });
    sink.Release();
    destroyer.join();
    EXPECT_TRUE(savedWhenDestroyed);
    EXPECT_THAT(sink.Calls().back(), MatchesRegex(kResultPattern));
}

} // namespace
} // namespace tarnwel
