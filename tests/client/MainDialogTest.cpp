#include "client/CMainDialog.h"

#include "client/CReplicatorApp.h"
#include "client/CScheduleDialog.h"
#include "engine/CRunLock.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/base/ByteFile.h"
#include "platform/base/ComError.h"
#include "platform/base/FileLock.h"
#include "platform/pimstore/PimStore.h"
#include "platform/ui/CScriptedTrayService.h"
#include "platform/ui/CScriptedUiBackend.h"
#include "platform/ui/MainWindow.h"
#include "platform/ui/TimerScale.h"
#include "resources/client/CategoryDialogIds.h"
#include "resources/client/MainMenuIds.h"
#include "resources/client/ScheduleDialogIds.h"
#include "resources/client/TrayMenuIds.h"
#include "resources/dialogs/ConfigDialogIds.h"
#include "tests/engine/StoreFixture.h"
#include "tests/support/ReferenceServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>

namespace tarnwel {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::MatchesRegex;
namespace ids = main_dialog;
namespace menu = main_menu;

constexpr const char* kSeed =
    R"({"appointments": [{"id": "A1", "description": "Eins", "start": "2026-12-01 10:00:00", "end": "2026-12-01 11:00:00"},
                         {"id": "A2", "description": "Zwei", "start": "2026-12-02 10:00:00", "end": "2026-12-02 11:00:00"}],
        "tasks": [{"id": "T1", "title": "Aufgabe"}]})";

constexpr const char* kResultPattern =
    "Replikation abgeschlossen um [0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}";

// The main window in a fresh working directory, with its settings file, the
// scripted backend and tray, a real local store and, when a test starts one,
// the reference server.
class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_settings.SetDefaults();
        m_settings.serverUrl = "http://127.0.0.1:" + std::to_string(m_closedPort.Port()) + "/tarnwelreplication";
        m_settings.userName = "user";
        m_settings.password = "vezi";
        m_settings.all = 1;
        m_settings.replicateContacts = 0;
    }

    // Starts the server with the seed and the switches given.
    void Serve(std::vector<std::string> switches = {})
    {
        std::ofstream(m_dir.Path("seed.json")) << kSeed;
        switches.insert(switches.begin(), {"--seed", m_dir.Path("seed.json")});
        m_server = std::make_unique<test::CReferenceServer>(switches);
        m_settings.serverUrl = m_server->Url();
    }

    // Writes the settings file and shows the dialog (its initialisation).
    CMainDialog& Open(CMainDialogOptions options = {})
    {
        m_settings.Save(m_path);
        options.settingsPath = m_path;
        if (!options.runWizard)
            options.runWizard = [] { return false; };
        m_dialog = std::make_unique<CMainDialog>(std::move(options));
        m_dialog->InitializeDialog();
        return *m_dialog;
    }

    // Lets the worker run, carrying its calls to the window, until its
    // thread has ended.
    void WaitForRun()
    {
        ASSERT_NE(m_dialog->Job(), nullptr);
        ASSERT_TRUE(m_backend.RunPostedCallsUntil([this] { return !m_dialog->Job()->ThreadActive(); }));
        m_backend.RunPostedCalls();
    }

    CReplicationSettings SavedSettings() const
    {
        CReplicationSettings saved;
        saved.Load(m_path);
        return saved;
    }

    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const CMessageBoxRequest& box : m_backend.MessageBoxes())
            texts.push_back(box.text);
        return texts;
    }

    bool MenuEnabled(int id) const { return m_dialog->GetMenu()->IsMenuItemEnabled(id); }

    test::CScopedUserLocale m_locale;
    test::CTemporaryDirectory m_dir;
    test::CScopedWorkingDirectory m_workingDirectory{m_dir.Path()};
    CScriptedUiBackend m_backend;
    CScopedUiBackend m_scope{m_backend};
    CScriptedTrayService m_tray;
    CScopedTrayService m_trayScope{m_tray};
    CScopedProgIdRegistration m_store{[path = m_dir.Path("store.db")] { return OpenPimStore(path); }};
    test::CClosedPort m_closedPort;
    std::unique_ptr<test::CReferenceServer> m_server;
    CReplicationSettings m_settings;
    std::string m_path = m_dir.Path("TarnwelClient.ini");
    std::unique_ptr<CMainDialog> m_dialog;
};

TEST_F(MainDialogTest, AWholeRunShowsItsTextsAndStatesOnTheWindowAndKeepsTheTimeItSaved)
{
    Serve();
    CMainDialog& dialog = Open();
    EXPECT_FALSE(dialog.IsItemEnabled(ids::kStop));
    EXPECT_FALSE(MenuEnabled(menu::kStop));
    EXPECT_EQ(dialog.WindowHeight(), ids::kCollapsedHeight);

    dialog.UserClick(ids::kReplicate);
    // What the worker reports reaches the window only on its own thread.
    ASSERT_TRUE(m_backend.RunPostedCallsUntil([&] { return !dialog.IsItemEnabled(ids::kReplicate); }));
    EXPECT_TRUE(dialog.IsItemEnabled(ids::kStop));
    EXPECT_TRUE(MenuEnabled(menu::kStop));
    EXPECT_FALSE(MenuEnabled(menu::kSynchronize));
    EXPECT_FALSE(MenuEnabled(menu::kVacuum));
    WaitForRun();

    EXPECT_EQ(dialog.GetItemText(ids::kHeader), "Nicht verbunden");
    EXPECT_THAT(dialog.GetItemText(ids::kResult), MatchesRegex(kResultPattern));
    EXPECT_EQ(dialog.GetItemText(ids::kAppointmentStatus), "Replikation der Termine beendet.");
    EXPECT_EQ(dialog.GetItemText(ids::kContactStatus), "Kontakte sind nicht repliziert worden");
    EXPECT_EQ(dialog.GetItemText(ids::kTaskStatus), "Replikation der Aufgaben beendet.");
    EXPECT_TRUE(dialog.IsItemEnabled(ids::kReplicate));
    EXPECT_FALSE(dialog.IsItemEnabled(ids::kStop));
    EXPECT_TRUE(MenuEnabled(menu::kSynchronize));
    EXPECT_TRUE(MenuEnabled(menu::kVacuum));
    EXPECT_FALSE(MenuEnabled(menu::kStop));
    EXPECT_FALSE(dialog.ArmedTimers().contains(ids::kScheduleTimer));
    EXPECT_THAT(BoxTexts(), IsEmpty());

    // The window's record took the run's time: its next save keeps it.
    const COleDate runTime = SavedSettings().lastRun;
    EXPECT_EQ(dialog.Settings().lastRun.Format("%Y-%m-%d %H:%M:%S"), runTime.Format("%Y-%m-%d %H:%M:%S"));
    m_backend.AnswerDialog({schedule_dialog::kTemplateId, {CDialogAction::Escape()}});
    dialog.UserMenuCommand(menu::kSchedule);
    EXPECT_EQ(SavedSettings().lastRun.Format("%Y-%m-%d %H:%M:%S"), runTime.Format("%Y-%m-%d %H:%M:%S"));

    // The button "Vacuum" only shows the status lines.
    dialog.UserClick(ids::kToggleExpanded);
    EXPECT_TRUE(dialog.IsExpanded());
    EXPECT_EQ(dialog.WindowHeight(), ids::kExpandedHeight);
    EXPECT_TRUE(m_backend.MessageBoxes().empty());
}

// A run counts faster than a window paints: counting lines that come right
// after a showing wait for the text timer, other texts and the run's end
// show at once with them, and the last count always reaches the window.
TEST_F(MainDialogTest, CountingTextsThatComeFastWaitForTheTextTimerAndTheRunsEndShowsThem)
{
    // "Right after" is a minute here, however slowly the test runs.
    CScopedTimerIntervalScale slowly(2400);
    CMainDialog& dialog = Open();
    dialog.SetStatusControl(kAppointmentKind);
    dialog.ShowStatusCount(186, 1, 3);
    m_backend.RunPostedCalls();
    EXPECT_EQ(dialog.GetItemText(ids::kAppointmentStatus), "1 von  3 Terminen auf der Serverseite bearbeitet.");

    dialog.ShowStatusCount(186, 2, 3);
    dialog.ShowStatusCount(186, 3, 3);
    m_backend.RunPostedCalls();
    EXPECT_EQ(dialog.GetItemText(ids::kAppointmentStatus), "1 von  3 Terminen auf der Serverseite bearbeitet.");
    ASSERT_TRUE(dialog.ArmedTimers().count(CMainDialog::kTextTimer));
    dialog.UserTimer(CMainDialog::kTextTimer);
    EXPECT_EQ(dialog.GetItemText(ids::kAppointmentStatus), "3 von  3 Terminen auf der Serverseite bearbeitet.");
    EXPECT_FALSE(dialog.ArmedTimers().count(CMainDialog::kTextTimer));

    dialog.ShowStatusCount(186, 1, 5);
    dialog.SetHeaderText("Nicht verbunden");
    m_backend.RunPostedCalls();
    EXPECT_EQ(dialog.GetItemText(ids::kAppointmentStatus), "1 von  5 Terminen auf der Serverseite bearbeitet.");
    EXPECT_EQ(dialog.GetItemText(ids::kHeader), "Nicht verbunden");

    dialog.ShowStatusCount(186, 5, 5);
    dialog.SetFinishedState();
    m_backend.RunPostedCalls();
    EXPECT_EQ(dialog.GetItemText(ids::kAppointmentStatus), "5 von  5 Terminen auf der Serverseite bearbeitet.");
    EXPECT_FALSE(dialog.ArmedTimers().count(CMainDialog::kTextTimer));
}

TEST_F(MainDialogTest, WithoutAKindToReplicateTheBoxComesAndThePreviousJobIsGone)
{
    m_settings.replicateAppointments = 0;
    m_settings.replicateTasks = 0;
    m_settings.replicateContacts = 1;
    CMainDialog& dialog = Open();
    dialog.UserClick(ids::kReplicate);  // contacts against a closed port: a short run
    WaitForRun();
    m_backend.AnswerDialog({category_dialog::kTemplateId, {CDialogAction::Click(category_dialog::kContacts)}});
    dialog.UserMenuCommand(menu::kKindsToReplicate);
    EXPECT_EQ(SavedSettings().replicateContacts, 0);

    dialog.UserClick(ids::kReplicate);
    EXPECT_EQ(dialog.Job(), nullptr);
    const std::vector<CMessageBoxRequest> boxes = m_backend.MessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "Es wurde keine Kategorie gewählt, die zu replizieren ist!!\r\n\r\n"
                                 "Benutzen Sie die Auswahlkästchen zum auswählen\r\n"
                                 "der Kategorien, die Sie replizieren wollen");
    EXPECT_EQ(boxes.back().icon, MessageBoxIcon::warning);
}

TEST_F(MainDialogTest, DuringARunStopExitTicksAndEscapeAreHandledAndTheWorkerIsWaitedFor)
{
    Serve({"--delay", "appointment/getItems=30"});
    m_settings.replicateTasks = 0;
    m_settings.scheduleMinutes = 5;
    CMainDialog& dialog = Open();
    dialog.UserClick(ids::kReplicate);
    // In the middle of the appointment run (its getItems is held back).
    ASSERT_TRUE(m_backend.RunPostedCallsUntil([&] { return !dialog.GetItemText(ids::kAppointmentStatus).empty(); }));
    EXPECT_TRUE(dialog.IsItemEnabled(ids::kStop));
    CReplicationJob* job = dialog.Job();

    // A scheduled tick and "Verlassen und Sync deaktivieren" while it runs.
    dialog.SetTimer(ids::kScheduleTimer, 1);
    dialog.UserTimer(ids::kScheduleTimer);
    EXPECT_EQ(dialog.Job(), job);
    dialog.SendCommand(menu::kLeaveAndDisableSync);
    EXPECT_FALSE(dialog.HasEnded());
    ASSERT_EQ(m_backend.MessageBoxes().size(), 1u);
    EXPECT_EQ(m_backend.MessageBoxes()[0].text, "Bitte stoppen Sie die Replikation, bevor Sie beenden!");
    EXPECT_EQ(m_backend.MessageBoxes()[0].icon, MessageBoxIcon::stop);

    // Escape: the run is stopped, and the dialog ends only after its worker.
    dialog.UserEscape();
    EXPECT_FALSE(dialog.HasEnded());
    EXPECT_EQ(dialog.GetItemText(ids::kHeader), "Abgebrochen vom Benutzer");
    EXPECT_FALSE(dialog.IsItemEnabled(ids::kStop));
    EXPECT_EQ(dialog.ArmedTimers().at(ids::kScheduleTimer), 5u * 60000u);
    ASSERT_TRUE(m_backend.RunPostedCallsUntil([&] {
        dialog.UserTimer(CMainDialog::kEndTimer);
        return dialog.HasEnded();
    }));
    EXPECT_EQ(dialog.Result(), kIdCancel);
    EXPECT_EQ(dialog.Job(), nullptr);
    EXPECT_EQ(dialog.GetItemText(ids::kHeader), "Nicht verbunden");
    EXPECT_THAT(dialog.GetItemText(ids::kResult), MatchesRegex(kResultPattern));
}

// The stop ends the getItems under way, which the server holds back: that is
// no failure of the server, so no box, and the kind ends as an abort does.
TEST_F(MainDialogTest, StopDuringAServerCallShowsNoErrorBox)
{
    Serve({"--delay", "appointment/getItems=60"});
    m_settings.replicateTasks = 0;
    CMainDialog& dialog = Open();
    const auto start = std::chrono::steady_clock::now();
    dialog.UserClick(ids::kReplicate);
    ASSERT_TRUE(m_backend.RunPostedCallsUntil(
        [&] { return dialog.GetItemText(ids::kAppointmentStatus) == "Daten vom Server werden übertragen."; }));
    dialog.UserClick(ids::kStop);
    WaitForRun();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_FALSE(dialog.Job()->KindFailed());
    EXPECT_EQ(dialog.GetItemText(ids::kAppointmentStatus), "Replikation der Termine beendet.");
    EXPECT_THAT(dialog.GetItemText(ids::kResult), MatchesRegex(kResultPattern));
    std::string bytes;
    EXPECT_EQ(ReadFileBytes("maps_appo.ids", bytes), FileReadResult::ok);
}

// Another run (the command-line tool, a client in another session) holds the
// working directory: the window's run and its vacuum say so and change nothing.
TEST_F(MainDialogTest, WhileAnotherRunHoldsTheFolderNeitherARunNorAVacuumChangesAnything)
{
    Serve();
    CMainDialog& dialog = Open();
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", "ENTRY SERVER\r\n"));
    std::string settingsBefore;
    ASSERT_EQ(ReadFileBytes(m_path, settingsBefore), FileReadResult::ok);
    CFileLock other;
    ASSERT_EQ(other.Lock(m_dir.Path(CRunLock::kFileName), std::chrono::steady_clock::now()),
              CFileLock::Outcome::locked);
    const std::string busy = "Im Ordner <" + std::filesystem::current_path().string() +
                             "> läuft gerade eine andere Replikation oder das Löschen der Outlook-Daten.\r\n";

    dialog.UserClick(ids::kReplicate);
    WaitForRun();
    ASSERT_EQ(m_backend.MessageBoxes().size(), 1u);
    EXPECT_EQ(m_backend.MessageBoxes()[0].text, busy + "Diese Replikation wurde beendet, ohne etwas zu ändern.");
    EXPECT_EQ(m_backend.MessageBoxes()[0].icon, MessageBoxIcon::warning);
    EXPECT_EQ(dialog.GetItemText(ids::kResult), "Replikation nicht gestartet: eine andere Replikation läuft");
    EXPECT_TRUE(dialog.IsItemEnabled(ids::kReplicate));
    EXPECT_TRUE(dialog.Job()->Busy());

    m_backend.AnswerMessageBox(MessageBoxResult::ok);
    dialog.UserMenuCommand(menu::kVacuum);
    EXPECT_THAT(BoxTexts(), ElementsAre(testing::_, testing::StartsWith("Warnung!!!: Alle "),
                                        busy + "Es wurde nichts gelöscht."));

    std::string bytes;
    ASSERT_EQ(ReadFileBytes("maps_appo.ids", bytes), FileReadResult::ok);
    EXPECT_EQ(bytes, "ENTRY SERVER\r\n");
    ASSERT_EQ(ReadFileBytes(m_path, bytes), FileReadResult::ok);
    EXPECT_EQ(bytes, settingsBefore);
}

TEST_F(MainDialogTest, ExitAndDisableSyncSetsSinceAndLastRunToNowSavesAndEnds)
{
    m_settings.since = COleDate::FromFields(2001, 1, 1);
    m_settings.lastRun = COleDate::FromFields(2001, 1, 1);
    CMainDialog& dialog = Open();
    const COleDate before = COleDate::Now();
    dialog.SendCommand(menu::kLeaveAndDisableSync);
    EXPECT_TRUE(dialog.HasEnded());
    EXPECT_EQ(dialog.Result(), kIdOk);
    const CReplicationSettings saved = SavedSettings();
    EXPECT_EQ(saved.since.Format("%Y-%m-%d"), before.Format("%Y-%m-%d"));
    EXPECT_EQ(saved.lastRun.Format("%Y-%m-%d"), before.Format("%Y-%m-%d"));
    EXPECT_THAT(m_backend.MessageBoxes(), IsEmpty());
}

TEST_F(MainDialogTest, VacuumNamesTheKindsChosenAndEmptiesTheirMappingFiles)
{
    struct Case {
        bool appointments, contacts, tasks;
        const char* list;
    } cases[] = {
        {true, true, true, "Termine, Kontakte und Aufgaben"}, {true, true, false, "Termine und Kontakte"},
        {true, false, true, "Termine und Aufgaben"},          {false, true, true, "Kontakte und Aufgaben"},
        {true, false, false, "Termine"},                      {false, true, false, "Kontakte"},
        {false, false, true, "Aufgaben"},
    };
    const char* files[] = {"maps_appo.ids", "maps_cont.ids", "maps_task.ids"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        CMainDialog& dialog = Open();
        for (const char* file : files)
            ASSERT_TRUE(WriteFileAtomically(file, "ENTRY SERVER\r\n"));
        // The selection dialog unticks the kinds not chosen (all three are
        // ticked after every load).
        std::vector<CDialogAction> untick;
        if (!c.appointments)
            untick.push_back(CDialogAction::Click(category_dialog::kAppointments));
        if (!c.contacts)
            untick.push_back(CDialogAction::Click(category_dialog::kContacts));
        if (!c.tasks)
            untick.push_back(CDialogAction::Click(category_dialog::kTasks));
        m_backend.AnswerDialog({category_dialog::kTemplateId, untick});
        dialog.UserMenuCommand(menu::kKindsToDelete);

        const std::size_t first = m_backend.MessageBoxes().size();
        m_backend.AnswerMessageBox(MessageBoxResult::ok);
        m_backend.AnswerMessageBox(MessageBoxResult::ok);
        dialog.UserMenuCommand(menu::kVacuum);
        const std::vector<CMessageBoxRequest> boxes = m_backend.MessageBoxes();
        ASSERT_EQ(boxes.size(), first + 2);
        EXPECT_EQ(boxes[first].text, std::string("Warnung!!!: Alle ") + c.list
                                         + "\nwerden aus Outlook gelöscht und alle Informationen\n"
                                           "über frühere Replikationen werden gelöscht. Sind Sie sicher ?");
        EXPECT_EQ(boxes[first].buttons, MessageBoxButtons::okCancel);
        EXPECT_EQ(boxes[first].defaultButton, MessageBoxResult::cancel);
        EXPECT_EQ(boxes[first + 1].text, std::string("Alle ") + c.list
                                             + "\nsind aus Outlook gelöscht worden\nund alle Informationen über "
                                               "frühere\nReplikationen wurden entfernt.");
        EXPECT_EQ(boxes[first + 1].icon, MessageBoxIcon::information);
        const bool chosen[] = {c.appointments, c.contacts, c.tasks};
        for (int i = 0; i < 3; ++i) {
            std::string bytes;
            ASSERT_EQ(ReadFileBytes(files[i], bytes), FileReadResult::ok);
            EXPECT_EQ(bytes.empty(), chosen[i]) << files[i];
        }
    }
}

TEST_F(MainDialogTest, VacuumWithoutAKindOrAnsweredWithCancelDeletesNothing)
{
    CMainDialog& dialog = Open();
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", "ENTRY SERVER\r\n"));
    m_backend.AnswerMessageBox(MessageBoxResult::cancel);
    dialog.UserMenuCommand(menu::kVacuum);
    m_backend.AnswerDialog({category_dialog::kTemplateId,
                            {CDialogAction::Click(category_dialog::kAppointments),
                             CDialogAction::Click(category_dialog::kContacts),
                             CDialogAction::Click(category_dialog::kTasks)}});
    dialog.UserMenuCommand(menu::kKindsToDelete);
    dialog.UserMenuCommand(menu::kVacuum);
    EXPECT_THAT(BoxTexts(), ElementsAre(testing::StartsWith("Warnung!!!: Alle Termine, Kontakte und Aufgaben"),
                                        "Keine Elementkategorie zu leeren gewählt!!\r\n\r\n"
                                        "rBenutzen Sie die Auswahlkästchen um zu wählen,\n"
                                        "welche Kategorien Sie leeren wollen"));
    std::string bytes;
    ASSERT_EQ(ReadFileBytes("maps_appo.ids", bytes), FileReadResult::ok);
    EXPECT_EQ(bytes, "ENTRY SERVER\r\n");
}

TEST_F(MainDialogTest, AFailingOutlookEndsTheVacuumWithItsBoxInsteadOfTheConfirmation)
{
    CMainDialog& dialog = Open();
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", "ENTRY SERVER\r\n"));
    CScopedProgIdRegistration failing([]() -> DispatchPtr { throw CComError(com_codes::kFail, "Outlook fehlt"); });
    m_backend.AnswerMessageBox(MessageBoxResult::ok);
    dialog.UserMenuCommand(menu::kVacuum);
    const std::vector<std::string> texts = BoxTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "Outlook fehlt");
    for (const std::string& text : texts)
        EXPECT_FALSE(text.starts_with("Alle ")) << text;
    std::string bytes;
    ASSERT_EQ(ReadFileBytes("maps_appo.ids", bytes), FileReadResult::ok);
    EXPECT_EQ(bytes, "ENTRY SERVER\r\n");
    EXPECT_FALSE(dialog.HasEnded());
}

TEST_F(MainDialogTest, TheConfigurationsOkWritesTheFileAtOnceCancelNothingAndTheToggleSavesVacuumAll)
{
    m_settings.vacuumAll = 0;
    CMainDialog& dialog = Open();
    EXPECT_TRUE(dialog.GetMenu()->IsMenuItemChecked(menu::kOnlyOwnItems));
    std::string before;
    ASSERT_EQ(ReadFileBytes(m_path, before), FileReadResult::ok);
    // Cancel, also after a change typed in: the file keeps its bytes.
    m_backend.AnswerDialog({config_dialog::kTemplateId,
                            {CDialogAction::SetText(config_dialog::kUserName, "anna"), CDialogAction::Escape()}});
    dialog.UserMenuCommand(menu::kConfiguration);
    std::string after;
    ASSERT_EQ(ReadFileBytes(m_path, after), FileReadResult::ok);
    EXPECT_EQ(after, before);
    EXPECT_EQ(dialog.Settings().userName, "user");

    m_backend.AnswerDialog({config_dialog::kTemplateId,
                            {CDialogAction::SetText(config_dialog::kUrl, "http://server.example/tarnwelreplication"),
                             CDialogAction::SetText(config_dialog::kUserName, "berta"),
                             CDialogAction::SetText(config_dialog::kPassword, "geheim")}});
    dialog.UserMenuCommand(menu::kConfiguration);
    const CReplicationSettings saved = SavedSettings();
    EXPECT_EQ(saved.serverUrl, "http://server.example/tarnwelreplication");
    EXPECT_EQ(saved.userName, "berta");
    EXPECT_EQ(saved.password, "geheim");

    dialog.UserMenuCommand(menu::kOnlyOwnItems);
    EXPECT_FALSE(dialog.GetMenu()->IsMenuItemChecked(menu::kOnlyOwnItems));
    EXPECT_EQ(SavedSettings().vacuumAll, 1);
    dialog.UserMenuCommand(menu::kOnlyOwnItems);
    EXPECT_EQ(SavedSettings().vacuumAll, 0);
}

TEST_F(MainDialogTest, TheScheduleArmsTheTimerOnlyWhenPositiveAndManualKillsIt)
{
    struct Case {
        int minutes;
        bool armed;
        unsigned interval;
    } cases[] = {{0, false, 0}, {-1, false, 0}, {5, true, 300000u}, {100000, true, 2147483647u}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minutes);
        m_settings.scheduleMinutes = c.minutes;
        m_settings.replicateAppointments = m_settings.replicateTasks = 0;
        m_settings.replicateContacts = 1;
        CMainDialog& dialog = Open();
        EXPECT_TRUE(dialog.ArmedTimers().empty());
        dialog.UserClick(ids::kReplicate);
        WaitForRun();
        ASSERT_EQ(dialog.ArmedTimers().contains(ids::kScheduleTimer), c.armed);
        if (c.armed) {
            EXPECT_EQ(dialog.ArmedTimers().at(ids::kScheduleTimer), c.interval);
        }
    }
    // A tick after a run starts the next; the manual schedule kills it.
    CMainDialog& dialog = *m_dialog;
    dialog.SetItemText(ids::kHeader, "");
    dialog.UserTimer(ids::kScheduleTimer);
    WaitForRun();
    EXPECT_EQ(dialog.GetItemText(ids::kHeader), "Nicht verbunden");
    m_backend.AnswerDialog({schedule_dialog::kTemplateId, {CDialogAction::Click(schedule_dialog::kManual)}});
    dialog.UserMenuCommand(menu::kSchedule);
    EXPECT_EQ(SavedSettings().scheduleMinutes, CReplicationSettings::kManualSchedule);
    EXPECT_FALSE(dialog.ArmedTimers().contains(ids::kScheduleTimer));
}

TEST_F(MainDialogTest, AMinimisedStartGoesToTheTrayAndTheTrayBringsItBack)
{
    for (const bool notificationArea : {true, false}) {
        SCOPED_TRACE(notificationArea ? "with a notification area" : "without one");
        CScriptedTrayService tray(notificationArea);
        CScopedTrayService scope(tray);
        CMainDialogOptions options;
        options.startMinimized = true;
        CMainDialog& dialog = Open(options);
        CScopedMainWindow mainWindow(dialog);
        EXPECT_EQ(dialog.ArmedTimers().at(ids::kTrayTimer), ids::kTrayTimerMs);
        dialog.UserTimer(ids::kTrayTimer);
        EXPECT_FALSE(dialog.ArmedTimers().contains(ids::kTrayTimer));
        m_backend.RunPostedCalls();
        EXPECT_TRUE(dialog.IsInTray());
        EXPECT_TRUE(dialog.IsIconic());
        // Without an icon the window stays minimised, so the task bar reaches it.
        EXPECT_EQ(dialog.IsWindowVisible(), !notificationArea);
        EXPECT_EQ(tray.VisibleIcons(), notificationArea ? 1 : 0);
        if (notificationArea) {
            EXPECT_EQ(tray.Icons().back().request.tooltip, "tarnwel replication");
            EXPECT_TRUE(tray.DoubleClick(tray_menu::kMenuId));
        } else {
            dialog.UserSysCommand(SysCommand::restore);
        }
        EXPECT_FALSE(dialog.IsInTray());
        EXPECT_TRUE(dialog.IsWindowVisible());
        EXPECT_FALSE(dialog.IsIconic());
        EXPECT_EQ(tray.VisibleIcons(), 0);

        // Close box, "Verlassen", "Exit" and Enter all go to the tray.
        dialog.UserClose();
        m_backend.RunPostedCalls();
        EXPECT_TRUE(dialog.IsInTray());
        dialog.SendCommand(tray_menu::kOpen);
        dialog.UserEnter();
        m_backend.RunPostedCalls();
        EXPECT_TRUE(dialog.IsInTray());
        EXPECT_FALSE(dialog.HasEnded());

        // The end removes an icon that is still there.
        dialog.UserEscape();
        EXPECT_TRUE(dialog.HasEnded());
        EXPECT_EQ(tray.VisibleIcons(), 0);
    }
}

// The window and the tray icon agree after every step of any order of the
// ways into and out of the tray, with a notification area that ends and
// comes back: in the tray the window is hidden behind exactly one icon, or
// minimised without one; otherwise it is shown and no icon is left. A second
// start always brings the window back to the front.
TEST_F(MainDialogTest, TheTrayIconAndTheWindowAgreeUnderAnyOrderOfTheWaysInAndOut)
{
    enum Step { exitButton, closeBox, leaveMenu, titleMinimise, taskBarRestore, trayOpen, doubleClick,
                secondStart, hostEnds, hostStarts, kSteps };
    CReplicatorApp app([] { return std::unique_ptr<CDialog>(); }, m_dir.Path("session"));
    for (const bool hostAtStart : {true, false}) {
        for (const unsigned seed : {1u, 2u, 3u}) {
            SCOPED_TRACE(testing::Message() << "host " << hostAtStart << ", seed " << seed);
            CScriptedTrayService tray(hostAtStart);
            CScopedTrayService scope(tray);
            CMainDialog& dialog = Open();
            CScopedMainWindow mainWindow(dialog);
            bool hostUp = hostAtStart;
            std::mt19937 random(seed);
            for (int i = 0; i < 400; ++i) {
                const auto step = static_cast<Step>(random() % kSteps);
                SCOPED_TRACE(testing::Message() << "step " << i << ": " << step);
                const bool shown = !dialog.IsInTray();
                const bool hadIcon = tray.VisibleIcons() > 0;
                const int fronts = dialog.BringToFrontCount();
                switch (step) {
                case exitButton:
                    if (shown)
                        dialog.UserClick(ids::kExit);
                    break;
                case closeBox:
                    if (shown)
                        dialog.UserClose();
                    break;
                case leaveMenu:
                    if (shown)
                        dialog.UserMenuCommand(menu::kLeave);
                    break;
                case titleMinimise:
                    if (shown)
                        dialog.UserSysCommand(SysCommand::minimize);
                    break;
                case taskBarRestore:
                    // Only a minimised window is on the task bar.
                    if (dialog.IsWindowVisible() && dialog.IsIconic())
                        dialog.UserSysCommand(SysCommand::restore);
                    break;
                case trayOpen:
                    if (tray.VisibleIcons() > 0) {
                        tray.AnswerPopup(tray_menu::kOpen);
                        ASSERT_TRUE(tray.RightClick(tray_menu::kMenuId));
                    }
                    break;
                case doubleClick:
                    if (tray.VisibleIcons() > 0) {
                        ASSERT_TRUE(tray.DoubleClick(tray_menu::kMenuId));
                    }
                    break;
                case secondStart:
                    app.ActivateMainWindow();
                    break;
                case hostEnds:
                    tray.SetAvailable(false);
                    hostUp = false;
                    break;
                case hostStarts:
                    tray.SetAvailable(true);
                    hostUp = true;
                    break;
                case kSteps:
                    break;
                }
                m_backend.RunPostedCalls();

                const int icons = tray.VisibleIcons();
                ASSERT_LE(icons, 1);
                if (dialog.IsInTray()) {
                    // Hidden behind the icon, or minimised where the task bar reaches it.
                    ASSERT_EQ(icons == 1, !dialog.IsWindowVisible());
                    ASSERT_TRUE(dialog.IsIconic());
                } else {
                    ASSERT_EQ(icons, 0);
                    ASSERT_TRUE(dialog.IsWindowVisible());
                    ASSERT_FALSE(dialog.IsIconic());
                }
                const bool toTray = shown && (step == exitButton || step == closeBox || step == leaveMenu
                                              || step == titleMinimise);
                if (toTray) {
                    ASSERT_TRUE(dialog.IsInTray());
                    ASSERT_EQ(icons, hostUp ? 1 : 0);
                }
                if (step == hostEnds) {
                    ASSERT_EQ(icons, 0);
                }
                if (step == secondStart) {
                    ASSERT_FALSE(dialog.IsInTray());
                    ASSERT_GT(dialog.BringToFrontCount(), fronts);
                }
                // The icon that showed answered.
                if ((step == trayOpen || step == doubleClick) && hadIcon) {
                    ASSERT_FALSE(dialog.IsInTray());
                }
            }
            dialog.UserEscape();
            EXPECT_TRUE(dialog.HasEnded());
            EXPECT_EQ(tray.VisibleIcons(), 0);
        }
    }
    EXPECT_THAT(m_backend.MessageBoxes(), IsEmpty());
}

// A wizard that runs until the test lets it end, writing the settings file
// with `userName` as it ends.
class CBlockingWizard {
public:
    CBlockingWizard(std::string path, CReplicationSettings settings, std::string userName)
        : m_path(std::move(path)), m_settings(std::move(settings))
    {
        m_settings.userName = std::move(userName);
    }

    std::function<bool()> Runner()
    {
        return [this] {
            std::unique_lock lock(m_mutex);
            m_started = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_release; });
            m_settings.Save(m_path);
            return true;
        };
    }
    void WaitUntilStarted()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_started; });
    }
    void Release()
    {
        std::lock_guard lock(m_mutex);
        m_release = true;
        m_changed.notify_all();
    }

private:
    std::string m_path;
    CReplicationSettings m_settings;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false, m_release = false;
};

// While the wizard runs, the window paints but carries nothing out: the
// commands, the close box, "Exit", "Öffnen", a second start and "/stop" wait, and
// once the wizard has ended and the settings are read again they are carried
// out in the order they came: here the configuration's OK before "/stop",
// which then saves what the configuration set and ends the program.
TEST_F(MainDialogTest, WhatComesWhileTheWizardRunsWaitsAndIsCarriedOutInOrderWhenItEnds)
{
    CBlockingWizard wizard(m_path, m_settings, "berta");
    CMainDialogOptions options;
    options.runWizard = wizard.Runner();
    CMainDialog& dialog = Open(options);
    CScopedMainWindow mainWindow(dialog);
    CReplicatorApp app([] { return std::unique_ptr<CDialog>(); }, m_dir.Path("session"));
    dialog.UserClick(ids::kSettings);
    wizard.WaitUntilStarted();
    EXPECT_TRUE(dialog.IsWizardRunning());

    const int fronts = dialog.BringToFrontCount();
    dialog.UserClose();
    dialog.UserClick(ids::kExit);
    dialog.SendCommand(tray_menu::kOpen);
    app.ActivateMainWindow();
    dialog.SendCommand(menu::kConfiguration);
    dialog.SetItemText(ids::kResult, "painted meanwhile");
    dialog.SendCommand(menu::kLeaveAndDisableSync);  // "/stop" from another process
    m_backend.RunPostedCalls();
    EXPECT_FALSE(dialog.IsInTray());
    EXPECT_FALSE(dialog.HasEnded());
    EXPECT_EQ(dialog.BringToFrontCount(), fronts);
    EXPECT_EQ(dialog.GetItemText(ids::kResult), "painted meanwhile");
    EXPECT_EQ(m_backend.Dialogs().size(), 0u);
    EXPECT_EQ(SavedSettings().userName, "user");

    m_backend.AnswerDialog({config_dialog::kTemplateId, {CDialogAction::SetText(config_dialog::kUserName, "carl")}});
    const COleDate before = COleDate::Now();
    wizard.Release();
    ASSERT_TRUE(m_backend.RunPostedCallsUntil([&] { return dialog.HasEnded(); }));
    // The configuration opened on the settings the wizard wrote.
    ASSERT_EQ(m_backend.Dialogs().size(), 1u);
    EXPECT_EQ(m_backend.Dialogs()[0].InitialControl(config_dialog::kUserName).text, "berta");
    EXPECT_GT(dialog.BringToFrontCount(), fronts);
    EXPECT_EQ(dialog.Result(), kIdOk);
    const CReplicationSettings saved = SavedSettings();
    EXPECT_EQ(saved.userName, "carl");
    EXPECT_EQ(saved.lastRun.Format("%Y-%m-%d"), before.Format("%Y-%m-%d"));
    EXPECT_THAT(m_backend.MessageBoxes(), IsEmpty());
}

// Ticks of the schedule that fall due while the wizard runs start one run
// when it has ended, after what waited before them.
TEST_F(MainDialogTest, AScheduledTickThatFellDueWhileTheWizardRanStartsOneRunWhenItEnds)
{
    CBlockingWizard wizard(m_path, m_settings, "user");
    CMainDialogOptions options;
    options.runWizard = wizard.Runner();
    m_settings.scheduleMinutes = 5;
    m_settings.replicateAppointments = m_settings.replicateTasks = 0;
    m_settings.replicateContacts = 1;
    CMainDialog& dialog = Open(options);
    dialog.UserClick(ids::kReplicate);  // the first run, against a closed port
    WaitForRun();
    ASSERT_TRUE(dialog.ArmedTimers().contains(ids::kScheduleTimer));
    dialog.SetItemText(ids::kHeader, "");

    dialog.UserMenuCommand(menu::kConflictWizard);
    wizard.WaitUntilStarted();
    dialog.UserTimer(ids::kScheduleTimer);
    dialog.UserTimer(ids::kScheduleTimer);
    dialog.UserClick(ids::kToggleExpanded);
    m_backend.RunPostedCalls();
    EXPECT_FALSE(dialog.Job()->ThreadActive());
    EXPECT_EQ(dialog.GetItemText(ids::kHeader), "");
    EXPECT_FALSE(dialog.IsExpanded());

    wizard.Release();
    ASSERT_TRUE(m_backend.RunPostedCallsUntil([&] { return !dialog.IsWizardRunning(); }));
    EXPECT_TRUE(dialog.IsExpanded());
    WaitForRun();
    EXPECT_EQ(dialog.GetItemText(ids::kHeader), "Nicht verbunden");
    // One run for both ticks.
    dialog.SetItemText(ids::kHeader, "");
    m_backend.RunPostedCalls();
    EXPECT_FALSE(dialog.Job()->ThreadActive());
    EXPECT_EQ(dialog.GetItemText(ids::kHeader), "");
}

} // namespace
} // namespace tarnwel
