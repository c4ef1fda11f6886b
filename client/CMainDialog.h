#pragma once
// Dialog 102: the client's one main window. It owns the settings record, the
// tray icon and the last replication job; it starts and stops replications,
// runs vacuum, opens the configuration, schedule and selection dialogs and the
// wizard, goes to the notification area instead of closing, and is the
// progress sink of its jobs.
//
// The progress sink's operations come from the job's worker thread; each is
// carried to the user-interface thread (IUiBackend::Post) and changes the
// window there. A call that arrives after the dialog is gone does nothing.
//
// Tray: the window is either shown, or in the tray. In the tray it is hidden
// behind exactly one icon, or, where no icon can be shown (no notification
// area, the icon refused, the area's host gone), minimised where the task bar
// reaches it; from there the next minimise after a restore tries the tray
// again. Every way out (the icon's "Öffnen" and double click, a restore by the
// system, a second start) removes the icon.
//
// While the wizard runs, what reaches the window (commands, clicks, Enter and
// Escape, system commands, a second start, the ticks of the schedule and tray
// timers) waits and is carried out in the order it came once the wizard has
// ended and the settings are read again, the ticks last and each timer's
// once; the window keeps painting meanwhile.

#include "client/CReplicatorApp.h"
#include "client/CSystemTray.h"
#include "client/KindStatusLines.h"
#include "engine/CReplicationJob.h"
#include "engine/IProgressSink.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CResourceTable.h"
#include "resources/client/MainDialogIds.h"
#include "settings/CReplicationSettings.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwel {

struct CMainDialogOptions {
    // The settings file, loaded at the start and after the wizard.
    std::string settingsPath = CReplicationSettings::kFileName;
    // The program was started minimised: the window goes to the tray half a
    // second after its start (timer 1234).
    bool startMinimized = false;
    // Runs the wizard and waits until it has ended; false when it could not
    // be started. Called on a thread of its own, so the window keeps
    // repainting meanwhile. Empty: RunProgramAndWait(FindWizardProgram()).
    std::function<bool()> runWizard;
    // Menus and icons; null: the client's table.
    const CResourceTable* resources = nullptr;
};

// "TarnwelWizard" in the working directory, else the one beside the client's
// own program file.
std::string FindWizardProgram();
// Starts `path` without arguments and waits for it to end; false when it
// could not be started.
bool RunProgramAndWait(const std::string& path);

class CMainDialog : public CDialog, public IProgressSink, public IActivationTarget {
public:
    static constexpr int kTemplateId = main_dialog::kTemplateId;
    // The tooltip of the tray icon.
    static constexpr const char* kTrayTooltip = "tarnwel replication";
    // Ticks while the dialog waits for a stopped run to end before it ends.
    static constexpr int kEndTimer = 1235;
    // Shows the counting texts that came in since the window last showed
    // texts (see ShowTextLater).
    static constexpr int kTextTimer = 1236;
    static constexpr unsigned kTextIntervalMs = 25;
    static constexpr unsigned kEndTimerMs = 50;

    explicit CMainDialog(CMainDialogOptions options = {});
    // Stops and waits for a job that still runs, removes a tray icon.
    ~CMainDialog() override;

    const CReplicationSettings& Settings() const { return m_settings; }
    // The last job started; null before the first.
    CReplicationJob* Job() const { return m_job.get(); }
    bool IsRunActive() const { return m_job && m_job->IsRunning(); }
    bool IsInTray() const { return m_inTray; }
    bool IsExpanded() const { return m_expanded; }
    const CSystemTray* TrayIcon() const { return m_tray.get(); }
    bool IsWizardRunning() const { return m_wizardRunning; }

    // A second start: out of the tray or the minimised state, and to the
    // front (later, while the wizard runs).
    void ActivateWindow() override;

    // --- IProgressSink (worker thread) -------------------------------------
    void SetRunningState() override;
    void SetFinishedState() override;
    void SetHeaderText(std::string text) override;
    void SetResultText(std::string text) override;
    void SetStatusLineText(ItemKind kind, std::string text) override;
    void SetStatusControl(ItemKind kind) override;
    void ShowStatus(int stringId) override;
    void ShowStatusCount(int stringId, int first, int second) override;

protected:
    bool OnInitDialog() override;
    void OnClicked(int id) override;
    // "Exit" and Enter: to the tray.
    void OnOK() override;
    // Escape (and SIGTERM): ends the program; a run still active is stopped
    // first and ends before the dialog does. While the wizard runs it waits
    // for the wizard's end, as everything else does.
    void OnCancel() override;
    // The close box: to the tray.
    void OnClose() override;
    void OnCommand(int id) override;
    void OnTimer(int id) override;
    void OnSysCommand(SysCommand command) override;
    void DoDataExchange(bool save) override;

private:
    void StartReplication();
    void StopReplication();
    void CloseToTray();
    void OpenFromTray();
    // Makes the icon and the window agree with the in-tray state: in the
    // tray, one icon and the window hidden, or no icon and the window
    // minimised; otherwise no icon and the window shown.
    void UpdateTrayIcon();
    // The notification area went away while the icon showed.
    void TrayHostLost();
    // While the wizard runs: queues `call` and returns true.
    bool WaitForWizard(std::function<void()> call);
    // Carries out what waited for the wizard, until it runs again.
    void RunWaitingCalls();
    void ApplyExpandedSize();
    void RunConflictWizard();
    void WizardEnded();
    void VacuumOutlook();
    void ExitAndDisableSync();
    void ToggleOnlyServerItems();
    void SaveSettings();
    void LoadSettings();
    // The window's running and finished states (user-interface thread).
    void ShowRunningState();
    void ShowFinishedState();
    // Arms the schedule timer for a positive schedule, kills it for manual.
    void ArmScheduleTimer();
    // Ends the dialog: the last job and the tray icon go first.
    void EndMainDialog(int result);
    void ReleaseJobAndTray();
    // Runs `call` on the user-interface thread while the dialog exists.
    void OnUiThread(std::function<void()> call);
    // A text for a control from the worker: the user-interface thread shows
    // the latest text of each control, so a run that counts faster than the
    // window paints queues one update, not one per item.
    // Counting texts ("37 von 112 ...") that come within kTextIntervalMs of the
    // last showing wait for timer kTextTimer, so a fast run wakes the window
    // some forty times a second, not once per item; every other text, and the
    // run's states, show at once with whatever waits.
    void ShowTextLater(int controlId, std::string text, bool counting = false);
    void ShowPendingTexts();

    CMainDialogOptions m_options;
    const CResourceTable& m_resources;
    CReplicationSettings m_settings;
    std::unique_ptr<CReplicationJob> m_job;
    std::unique_ptr<CSystemTray> m_tray;
    bool m_inTray = false;
    bool m_expanded = false;
    bool m_wizardRunning = false;
    bool m_endAfterRun = false;
    std::deque<std::function<void()>> m_waitingCalls;  // waiting for the wizard's end
    std::vector<int> m_dueTimers;                      // timers that ticked meanwhile, in order
    std::atomic<int> m_statusControl{main_dialog::kResult};
    std::string m_header;  // exchanged with 1074
    std::string m_result;  // exchanged with 1075
    std::mutex m_textsMutex;
    std::map<int, std::string> m_pendingTexts;  // control id -> latest text
    bool m_textsPosted = false;                 // a ShowPendingTexts is queued
    bool m_textTimerArmed = false;              // kTextTimer will show them
    std::chrono::steady_clock::time_point m_textsShown;  // the last showing
    // Posted calls check it; only the destructor resets it.
    std::shared_ptr<CMainDialog*> m_self;
    const std::weak_ptr<CMainDialog*> m_weakSelf;
};

} // namespace tarnwel
