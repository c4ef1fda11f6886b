#include "client/CMainDialog.h"

#include "client/CCategoryDialog.h"
#include "dialogs/CConfigDialog.h"
#include "client/CScheduleDialog.h"
#include "engine/CRunLock.h"
#include "engine/Vacuum.h"
#include "platform/base/ComError.h"
#include "platform/ui/TimerScale.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/UiBackend.h"
#include "resources/StringTable.h"
#include "resources/client/ClientIconIds.h"
#include "resources/client/ClientResources.h"
#include "resources/client/MainMenuIds.h"
#include "resources/client/TrayMenuIds.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <optional>
#include <string_view>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnwel {

namespace ids = main_dialog;
namespace menu = main_menu;

namespace {

constexpr const char* kWizardProgram = "TarnwelWizard";

// `format` with its "%d" placeholders replaced by the two numbers in turn
// ("%%" stands for "%").
std::string FormatCounts(std::string_view format, int first, int second)
{
    const int numbers[] = {first, second};
    std::size_t used = 0;
    std::string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                text += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 'd' && used < 2) {
                text += std::to_string(numbers[used++]);
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

// "Termine", "Kontakte" and "Aufgaben" joined as the vacuum boxes list them.
std::string KindList(bool appointments, bool contacts, bool tasks)
{
    std::string list;
    if (appointments)
        list += "Termine";
    if (contacts) {
        if (appointments && tasks)
            list += ", ";
        else if (appointments)
            list += " und ";
        list += "Kontakte";
    }
    if (tasks) {
        if (appointments || contacts)
            list += " und ";
        list += "Aufgaben";
    }
    return list;
}

} // namespace

std::string FindWizardProgram()
{
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error) / kWizardProgram;
    if (!error && std::filesystem::is_regular_file(here, error))
        return here.string();
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return (self.parent_path() / kWizardProgram).string();
    return here.string();
}

bool RunProgramAndWait(const std::string& path)
{
    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // A program that could not be executed ends with 127.
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

CMainDialog::CMainDialog(CMainDialogOptions options)
    : CDialog(ids::Template()),
      m_options(std::move(options)),
      m_resources(m_options.resources ? *m_options.resources : ClientResources()),
      m_self(std::make_shared<CMainDialog*>(this)),
      m_weakSelf(m_self)
{
    SetMenuTemplate(menu::Menu());
    if (!m_options.runWizard)
        m_options.runWizard = [] { return RunProgramAndWait(FindWizardProgram()); };
}

CMainDialog::~CMainDialog()
{
    ReleaseJobAndTray();
    m_self.reset();
}

void CMainDialog::ReleaseJobAndTray()
{
    if (m_job) {
        // Destroying a job waits for its worker; a run still active is
        // asked to end first.
        m_job->Stop(1);
        m_job.reset();
    }
    m_tray.reset();
}

void CMainDialog::OnUiThread(std::function<void()> call)
{
    std::weak_ptr<CMainDialog*> self = m_weakSelf;
    ActiveUiBackend().Post([self, call = std::move(call)] {
        if (self.lock())
            call();
    });
}

void CMainDialog::DoDataExchange(bool save)
{
    if (save) {
        m_header = GetItemText(ids::kHeader);
        m_result = GetItemText(ids::kResult);
    } else {
        SetItemText(ids::kHeader, m_header);
        SetItemText(ids::kResult, m_result);
    }
}

bool CMainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    LoadSettings();
    m_job.reset();
    m_tray.reset();
    m_inTray = false;
    m_endAfterRun = false;
    m_waitingCalls.clear();
    m_dueTimers.clear();
    GetMenu()->CheckMenuItem(menu::kOnlyOwnItems, m_settings.vacuumAll == 0);
    if (m_options.startMinimized)
        SetTimer(ids::kTrayTimer, ids::kTrayTimerMs);
    EnableItem(ids::kStop, false);
    GetMenu()->EnableMenuItem(menu::kStop, false);
    m_expanded = false;
    ApplyExpandedSize();
    m_statusControl.store(ids::kResult);
    return true;
}

void CMainDialog::LoadSettings()
{
    m_settings.Load(m_options.settingsPath);
}

void CMainDialog::SaveSettings()
{
    m_settings.Save(m_options.settingsPath);
}

void CMainDialog::ApplyExpandedSize()
{
    SetWindowSize(ids::kWindowWidth, m_expanded ? ids::kExpandedHeight : ids::kCollapsedHeight);
    ShowItem(ids::kStatusGroup, m_expanded);
    BringToFront();
}

void CMainDialog::OnClicked(int id)
{
    if (WaitForWizard([this, id] { OnClicked(id); }))
        return;
    switch (id) {
    case ids::kReplicate:
        StartReplication();
        break;
    case ids::kToggleExpanded:
        m_expanded = !m_expanded;
        ApplyExpandedSize();
        break;
    case ids::kSettings:
        RunConflictWizard();
        break;
    case ids::kStop:
        StopReplication();
        break;
    default:
        break;
    }
}

void CMainDialog::OnCommand(int id)
{
    if (WaitForWizard([this, id] { OnCommand(id); }))
        return;
    switch (id) {
    case menu::kSynchronize:
        StartReplication();
        break;
    case menu::kStop:
        StopReplication();
        break;
    case menu::kVacuum:
        VacuumOutlook();
        break;
    case menu::kOnlyOwnItems:
        ToggleOnlyServerItems();
        break;
    case menu::kLeave:
        CloseToTray();
        break;
    case menu::kLeaveAndDisableSync:
        ExitAndDisableSync();
        break;
    case menu::kConflictWizard:
        RunConflictWizard();
        break;
    case menu::kConfiguration: {
        // What OK confirmed goes to the file at once, as after the schedule
        // and selection dialogs, so that no later end without a save (Escape,
        // the session's end) loses it; Cancel writes nothing.
        CConfigDialog dialog(m_settings, DialogVariant::client, m_resources);
        if (dialog.DoModal() == kIdOk)
            SaveSettings();
        break;
    }
    case menu::kSchedule: {
        CScheduleDialog dialog(m_settings);
        dialog.DoModal();
        SaveSettings();
        // A manual schedule ends scheduled runs at once; a positive one
        // takes effect at the end of the next run or stop.
        if (m_settings.scheduleMinutes <= 0)
            KillTimer(ids::kScheduleTimer);
        break;
    }
    case menu::kKindsToReplicate:
    case menu::kKindsToDelete: {
        CCategoryDialog dialog(m_settings, id == menu::kKindsToReplicate ? CCategoryDialog::Mode::replicate
                                                                           : CCategoryDialog::Mode::vacuum);
        dialog.DoModal();
        SaveSettings();
        break;
    }
    case tray_menu::kOpen:
        OpenFromTray();
        break;
    default:
        // "Verbergen" and everything else: nothing.
        break;
    }
}

void CMainDialog::OnOK()
{
    if (!WaitForWizard([this] { OnOK(); }))
        CloseToTray();
}

void CMainDialog::OnClose()
{
    if (!WaitForWizard([this] { OnClose(); }))
        CloseToTray();
}

void CMainDialog::OnCancel()
{
    if (m_endAfterRun || WaitForWizard([this] { OnCancel(); }))
        return;
    if (IsRunActive()) {
        // The run is stopped and saves its work; the dialog ends once its
        // worker is done, and keeps processing events meanwhile.
        m_endAfterRun = true;
        StopReplication();
        SetTimer(kEndTimer, kEndTimerMs);
        return;
    }
    EndMainDialog(kIdCancel);
}

void CMainDialog::EndMainDialog(int result)
{
    KillTimer(kEndTimer);
    m_waitingCalls.clear();
    m_dueTimers.clear();
    ReleaseJobAndTray();
    EndDialog(result);
}

void CMainDialog::CloseToTray()
{
    PostSysCommand(SysCommand::minimize);
}

void CMainDialog::OpenFromTray()
{
    ShowWindow(ShowCommand::restore);
    m_inTray = false;
    UpdateTrayIcon();
}

void CMainDialog::ActivateWindow()
{
    if (WaitForWizard([this] { ActivateWindow(); }))
        return;
    if (m_inTray || IsIconic() || !IsWindowVisible())
        UserSysCommand(SysCommand::restore);
    BringToFront();
}

void CMainDialog::OnSysCommand(SysCommand command)
{
    if (WaitForWizard([this, command] { OnSysCommand(command); }))
        return;
    if (command == SysCommand::minimize)
        m_inTray = true;
    else if (command == SysCommand::restore)
        m_inTray = false;
    CDialog::OnSysCommand(command);
    // Whatever the state was (a second minimise, a restore of a window that
    // is shown), the icon and the window follow the state now.
    if (command != SysCommand::close && !HasEnded())
        UpdateTrayIcon();
}

void CMainDialog::UpdateTrayIcon()
{
    if (!m_inTray) {
        m_tray.reset();
        ShowWindow(ShowCommand::show);
        return;
    }
    if (!m_tray || !m_tray->IsEnabled()) {
        m_tray.reset();
        auto tray = std::make_unique<CSystemTray>(m_resources);
        if (tray->Create(kTrayTooltip, client_icons::kApplication, tray_menu::kMenuId)) {
            // Heard inside the tray service: handled from the event loop.
            tray->SetHostLostHandler([this] { OnUiThread([this] { TrayHostLost(); }); });
            m_tray = std::move(tray);
        }
    }
    // Without an icon the window stays minimised, so that the task bar
    // still reaches it.
    ShowWindow(m_tray ? ShowCommand::hide : ShowCommand::minimize);
}

void CMainDialog::TrayHostLost()
{
    if (!m_tray || m_tray->IsEnabled())
        return;  // a new icon shows meanwhile
    m_tray.reset();
    // The window stays in the tray, minimised where the task bar reaches it;
    // the next minimise after a restore tries the icon again.
    if (m_inTray)
        ShowWindow(ShowCommand::minimize);
}

bool CMainDialog::WaitForWizard(std::function<void()> call)
{
    if (!m_wizardRunning)
        return false;
    m_waitingCalls.push_back(std::move(call));
    return true;
}

void CMainDialog::RunWaitingCalls()
{
    // Commands first, in the order they came, then the ticks; each stops
    // where one of them starts the wizard again or ends the dialog.
    while (!m_wizardRunning && !HasEnded() && !m_waitingCalls.empty()) {
        const std::function<void()> call = std::move(m_waitingCalls.front());
        m_waitingCalls.pop_front();
        call();
    }
    while (!m_wizardRunning && !HasEnded() && !m_dueTimers.empty()) {
        const int id = m_dueTimers.front();
        m_dueTimers.erase(m_dueTimers.begin());
        // A timer killed meanwhile takes its tick with it.
        if (ArmedTimers().contains(id))
            OnTimer(id);
    }
}

void CMainDialog::OnTimer(int id)
{
    if (m_wizardRunning && (id == ids::kTrayTimer || id == ids::kScheduleTimer)) {
        // The ticks of one timer that fall due meanwhile count as one.
        if (std::find(m_dueTimers.begin(), m_dueTimers.end(), id) == m_dueTimers.end())
            m_dueTimers.push_back(id);
        return;
    }
    switch (id) {
    case ids::kTrayTimer:
        PostSysCommand(SysCommand::minimize);
        KillTimer(ids::kTrayTimer);
        break;
    case ids::kScheduleTimer:
        if (m_job && !m_job->IsRunning())
            StartReplication();
        break;
    case kTextTimer:
        ShowPendingTexts();
        break;
    case kEndTimer:
        if (m_job && m_job->ThreadActive())
            break;
        // Whatever the worker posted last reaches the window before the end.
        EndMainDialog(kIdCancel);
        break;
    default:
        break;
    }
}

void CMainDialog::StartReplication()
{
    // A job is replaced only once its run has ended: destroying it waits for
    // its worker, which may be waiting for this thread.
    if (IsRunActive() || m_endAfterRun)
        return;
    m_statusControl.store(ids::kResult);
    m_job.reset();
    if (!m_settings.replicateAppointments && !m_settings.replicateContacts && !m_settings.replicateTasks) {
        ShowMessageBox("Es wurde keine Kategorie gewählt, die zu replizieren ist!!\r\n\r\n"
                       "Benutzen Sie die Auswahlkästchen zum auswählen\r\n"
                       "der Kategorien, die Sie replizieren wollen",
                       MessageBoxButtons::ok, MessageBoxIcon::warning);
        return;
    }
    m_job = std::make_unique<CReplicationJob>(m_settings, *this, m_options.settingsPath);
    m_job->Start(nullptr, 0);
}

void CMainDialog::StopReplication()
{
    ShowFinishedState();
    SetItemText(ids::kHeader, "Abgebrochen vom Benutzer");
    if (m_job)
        m_job->Stop(1);
}

void CMainDialog::ShowRunningState()
{
    CMenu* bar = GetMenu();
    EnableItem(ids::kReplicate, false);
    bar->EnableMenuItem(menu::kSynchronize, false);
    bar->EnableMenuItem(menu::kVacuum, false);
    EnableItem(ids::kStop, true);
    bar->EnableMenuItem(menu::kStop, true);
}

void CMainDialog::ShowFinishedState()
{
    CMenu* bar = GetMenu();
    EnableItem(ids::kReplicate, true);
    EnableItem(ids::kToggleExpanded, true);
    bar->EnableMenuItem(menu::kSynchronize, true);
    bar->EnableMenuItem(menu::kVacuum, true);
    EnableItem(ids::kStop, false);
    bar->EnableMenuItem(menu::kStop, false);
    ArmScheduleTimer();
}

void CMainDialog::ArmScheduleTimer()
{
    const int minutes = m_settings.scheduleMinutes;
    if (minutes <= 0) {
        KillTimer(ids::kScheduleTimer);
        return;
    }
    // The timers take 32-bit milliseconds; a longer schedule waits as long
    // as they can.
    const unsigned long long ms = static_cast<unsigned long long>(minutes) * 60000ULL;
    SetTimer(ids::kScheduleTimer, static_cast<unsigned>(std::min<unsigned long long>(ms, INT_MAX)));
}

// --- Progress sink: from the worker to the user-interface thread ------------

void CMainDialog::SetRunningState()
{
    OnUiThread([this] {
        ShowPendingTexts();
        ShowRunningState();
    });
}

void CMainDialog::SetFinishedState()
{
    // The job stored the time of its run in its copy just before; the
    // dialog's record takes it, so that its next save keeps it.
    COleDate lastRun;
    if (m_job)
        lastRun = m_job->Settings().lastRun;
    OnUiThread([this, lastRun] {
        if (lastRun.IsValid())
            m_settings.lastRun = lastRun;
        // The texts the run counted last show before its end.
        ShowPendingTexts();
        ShowFinishedState();
    });
}

void CMainDialog::SetHeaderText(std::string text)
{
    ShowTextLater(ids::kHeader, std::move(text));
}

void CMainDialog::SetResultText(std::string text)
{
    ShowTextLater(ids::kResult, std::move(text));
}

void CMainDialog::SetStatusLineText(ItemKind kind, std::string text)
{
    ShowTextLater(ids::StatusControlOf(kind), std::move(text));
}

void CMainDialog::ShowTextLater(int controlId, std::string text, bool counting)
{
    bool post = false;
    bool arm = false;
    {
        std::lock_guard lock(m_textsMutex);
        m_pendingTexts.insert_or_assign(controlId, std::move(text));
        if (!m_textsPosted) {
            const bool recent = std::chrono::steady_clock::now() - m_textsShown
                < std::chrono::milliseconds(ScaledTimerInterval(kTextIntervalMs));
            if (counting && recent) {
                arm = !m_textTimerArmed;
                m_textTimerArmed = true;
            } else {
                post = true;
                m_textsPosted = true;
            }
        }
    }
    if (arm)
        SetTimer(kTextTimer, kTextIntervalMs);
    if (post)
        OnUiThread([this] { ShowPendingTexts(); });
}

void CMainDialog::ShowPendingTexts()
{
    std::map<int, std::string> texts;
    bool timerArmed = false;
    {
        std::lock_guard lock(m_textsMutex);
        texts.swap(m_pendingTexts);
        m_textsPosted = false;
        timerArmed = m_textTimerArmed;
        m_textTimerArmed = false;
        m_textsShown = std::chrono::steady_clock::now();
    }
    if (timerArmed)
        KillTimer(kTextTimer);
    for (const auto& [controlId, text] : texts)
        SetItemText(controlId, text);
}

void CMainDialog::SetStatusControl(ItemKind kind)
{
    m_statusControl.store(ids::StatusControlOf(kind));
}

void CMainDialog::ShowStatus(int stringId)
{
    ShowTextLater(m_statusControl.load(), LoadResourceText(stringId));
}

void CMainDialog::ShowStatusCount(int stringId, int first, int second)
{
    ShowTextLater(m_statusControl.load(), FormatCounts(LoadResourceText(stringId), first, second), true);
}

// --- Wizard, vacuum, settings -----------------------------------------------

void CMainDialog::RunConflictWizard()
{
    if (m_wizardRunning)
        return;
    m_wizardRunning = true;
    // The wizard runs and is waited for on a thread of its own; the window
    // keeps repainting, and what reaches it meanwhile (a click on "Exit"
    // among it) waits until the wizard has ended.
    std::function<bool()> run = m_options.runWizard;
    IUiBackend& backend = ActiveUiBackend();
    std::weak_ptr<CMainDialog*> self = m_weakSelf;
    std::thread([run, &backend, self] {
        run();
        backend.Post([self] {
            if (const auto dialog = self.lock())
                (*dialog)->WizardEnded();
        });
    }).detach();
}

void CMainDialog::WizardEnded()
{
    m_wizardRunning = false;
    // Whatever the start's outcome.
    LoadSettings();
    RunWaitingCalls();
}

void CMainDialog::VacuumOutlook()
{
    const bool appointments = m_settings.vacuumAppointments != 0;
    const bool contacts = m_settings.vacuumContacts != 0;
    const bool tasks = m_settings.vacuumTasks != 0;
    const bool onlyOwnClass = m_settings.vacuumAll == 0;
    if (!appointments && !contacts && !tasks) {
        ShowMessageBox("Keine Elementkategorie zu leeren gewählt!!\r\n\r\n"
                       "rBenutzen Sie die Auswahlkästchen um zu wählen,\n"
                       "welche Kategorien Sie leeren wollen",
                       MessageBoxButtons::ok, MessageBoxIcon::warning);
        return;
    }
    CMessageBoxRequest question;
    question.text = "Warnung!!!: Alle " + KindList(appointments, contacts, tasks)
                    + "\nwerden aus Outlook gelöscht und alle Informationen\n"
                      "über frühere Replikationen werden gelöscht. Sind Sie sicher ?";
    question.caption = ApplicationTitle();
    question.buttons = MessageBoxButtons::okCancel;
    question.defaultButton = MessageBoxResult::cancel;
    if (ShowMessageBox(question) != MessageBoxResult::ok)
        return;
    bool doneAppointments = false, doneContacts = false, doneTasks = false;
    std::optional<std::string> failure;
    {
        // The vacuum writes the mapping files and the local store as a run
        // does: not while a run (of this window, the command-line tool or a
        // client in another session) or another vacuum works on them.
        const CRunLock runLock;
        if (!runLock.Held()) {
            ShowMessageBox(runLock.BusyText() + "\r\nEs wurde nichts gelöscht.", MessageBoxButtons::ok,
                           MessageBoxIcon::warning);
            return;
        }
        try {
            if (appointments) {
                VacuumKind(kAppointmentKind, onlyOwnClass);
                doneAppointments = true;
            }
            if (contacts) {
                VacuumKind(kContactKind, onlyOwnClass);
                doneContacts = true;
            }
            if (tasks) {
                VacuumKind(kTaskKind, onlyOwnClass);
                doneTasks = true;
            }
        } catch (const CComError& error) {
            failure = error.Description();
        }
    }
    if (failure) {
        // A failing Outlook call ends the vacuum there: its box instead of
        // the confirmation.
        ShowMessageBox(*failure, MessageBoxButtons::ok, MessageBoxIcon::stop);
        return;
    }
    ShowMessageBox("Alle " + KindList(doneAppointments, doneContacts, doneTasks)
                       + "\nsind aus Outlook gelöscht worden\nund alle Informationen über frühere\n"
                         "Replikationen wurden entfernt.",
                   MessageBoxButtons::ok, MessageBoxIcon::information);
}

void CMainDialog::ToggleOnlyServerItems()
{
    CMenu* bar = GetMenu();
    const bool checked = !bar->IsMenuItemChecked(menu::kOnlyOwnItems);
    bar->CheckMenuItem(menu::kOnlyOwnItems, checked);
    m_settings.vacuumAll = checked ? 0 : 1;
    SaveSettings();
}

void CMainDialog::ExitAndDisableSync()
{
    if (IsRunActive()) {
        ShowMessageBox("Bitte stoppen Sie die Replikation, bevor Sie beenden!", MessageBoxButtons::ok,
                       MessageBoxIcon::stop);
        return;
    }
    const COleDate now = COleDate::Now();
    m_settings.since = now;
    m_settings.lastRun = now;
    DoDataExchange(true);
    SaveSettings();
    EndMainDialog(kIdOk);
}

} // namespace tarnwel
