#include "engine/CReplicationJob.h"

#include "engine/CReplicator.h"
#include "engine/CRunLock.h"
#include "engine/IProgressSink.h"
#include "platform/automation/Variant.h"
#include "platform/base/OleDate.h"
#include "platform/base/StopFlag.h"
#include "platform/ui/UserNotices.h"

#include <optional>

namespace tarnwel {

CReplicationJob::CReplicationJob(CReplicationSettings settings, IProgressSink& progressSink, std::string settingsPath)
    : m_settings(std::move(settings)), m_progressSink(progressSink), m_settingsPath(std::move(settingsPath))
{
}

CReplicationJob::~CReplicationJob()
{
    // Run uses the members of this class; they must outlive the thread.
    JoinThread();
}

void CReplicationJob::Stop(int /*flag*/)
{
    m_stopFlag.store(1);
    std::lock_guard lock(m_replicatorMutex);
    if (m_replicator)
        m_replicator->RequestAbort();
}

int CReplicationJob::Run()
{
    m_running.store(true);
    IProgressSink& sink = m_progressSink;

    if (m_settings.CameFromUnreadableFile()) {
        // The record holds defaults, not the user's server, name and
        // password: nothing is sent anywhere, nothing is changed, and the
        // settings are not saved over the user's file.
        CReplicationSettings::Trace("no replication: " + m_settings.UnreadablePath() + " could not be read");
        ReportToUser("Es wird nicht repliziert: die Einstellungsdatei <" + m_settings.UnreadablePath() +
                         "> konnte nicht gelesen werden.\r\n"
                         "Bitte prüfen Sie die Datei und starten Sie das Programm neu.",
                     MessageBoxIcon::stop);
        sink.SetResultText("Replikation nicht gestartet: Einstellungen nicht lesbar");
        m_running.store(false);
        return 1;
    }
    if (const std::vector<std::string> keys = m_settings.DoubtfulKeys(); !keys.empty()) {
        // A line for the server, the name or the password could not be read
        // and its default stands in: a run would send the user's name and
        // password to the default server, or default ones to the user's.
        std::string named;
        for (const std::string& key : keys)
            named += (named.empty() ? "\"" : ", \"") + key + "\"";
        CReplicationSettings::Trace("no replication: the settings file's line for " + named + " cannot be read");
        ReportToUser(std::string("Es wird nicht repliziert: in der Einstellungsdatei ") +
                         (keys.size() == 1 ? "kann die Zeile für " : "können die Zeilen für ") + named +
                         " nicht gelesen werden.\r\n"
                         "Bitte prüfen Sie die Datei oder geben Sie die Werte in den Einstellungen neu ein.",
                     MessageBoxIcon::stop);
        sink.SetResultText("Replikation nicht gestartet: Einstellungen nicht lesbar");
        m_running.store(false);
        return 1;
    }

    // From here to the settings' save at the end, no other run or vacuum
    // works in this directory or on the local store (each would add the
    // other's new items a second time).
    const CRunLock runLock(CRunLock::kWait, [](const std::string& text) { CReplicationSettings::Trace(text); });
    if (!runLock.Held()) {
        const std::string text = runLock.BusyText() + "\r\nDiese Replikation wurde beendet, ohne etwas zu ändern.";
        CReplicationSettings::Trace("no replication: another run holds the lock");
        if (m_busyReport)
            m_busyReport(text);
        else
            ReportToUser(text, MessageBoxIcon::warning);
        sink.SetResultText("Replikation nicht gestartet: eine andere Replikation läuft");
        m_busy.store(true);
        m_running.store(false);
        return 1;
    }

    auto replicator = std::make_unique<CReplicator>(sink, m_settings);
    CReplicator* current = replicator.get();
    {
        std::lock_guard lock(m_replicatorMutex);
        m_replicator = std::move(replicator);
        // A stop that came after Start but before the replicator existed
        // still ends the run early.
        if (m_stopFlag.load() != 0)
            m_replicator->RequestAbort();
    }

    // The store's calls on this thread watch the abort flag: Stop ends a
    // wait for a store that does not answer (the data server) at once.
    std::optional<CScopedThreadStopFlag> stopWatch(std::in_place, &current->AbortFlag());

    sink.SetRunningState();
    current->Start();
    sink.SetHeaderText("Verbinde zu Server");

    if (m_settings.replicateAppointments != 0)
        current->ReplicateAppointments();
    else
        sink.SetStatusLineText(kAppointmentKind, "Termine sind nicht repliziert worden");
    if (m_settings.replicateContacts != 0)
        current->ReplicateContacts();
    else
        sink.SetStatusLineText(kContactKind, "Kontakte sind nicht repliziert worden");
    if (m_settings.replicateTasks != 0)
        current->ReplicateTasks();
    else
        sink.SetStatusLineText(kTaskKind, "Aufgaben sind nicht repliziert worden");

    current->Stop();
    m_kindFailed.store(current->KindFailed());
    sink.SetHeaderText("Nicht verbunden");
    m_settings.lastRun = COleDate::Now();
    sink.SetFinishedState();
    sink.SetResultText("Replikation abgeschlossen um " + CVariant(m_settings.lastRun).ToText());

    {
        // Taken out under the lock, so that Stop never reaches a replicator
        // that is being destroyed; destroyed outside it.
        std::lock_guard lock(m_replicatorMutex);
        replicator = std::move(m_replicator);
    }
    replicator.reset();
    stopWatch.reset();

    m_settings.Save(m_settingsPath);
    m_running.store(false);
    return 0;
}

} // namespace tarnwel
