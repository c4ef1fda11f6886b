#pragma once
// One replication with its own copy of the settings: the main window (or the
// command-line front end) creates the job with its settings and progress
// sink, starts it, may ask it to stop, and reads its running flag.

#include "engine/CThreadJob.h"
#include "settings/CReplicationSettings.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace tarnwel {

class CReplicator;
class IProgressSink;

class CReplicationJob : public CThreadJob {
public:
    // `settings` is the job's copy; `progressSink` (not owned) must outlive
    // the run; the settings are saved to `settingsPath` at the end of the run.
    CReplicationJob(CReplicationSettings settings, IProgressSink& progressSink,
                    std::string settingsPath = CReplicationSettings::kFileName);
    ~CReplicationJob() override;

    // Cooperative: stop flag 1 and, while a replicator exists, its abort flag.
    void Stop(int flag) override;
    bool IsRunning() const { return m_running.load(); }
    // True once the run has ended when the run of a kind ended through a
    // failure (its message box shown): that kind was not, or not wholly,
    // replicated.
    bool KindFailed() const { return m_kindFailed.load(); }
    // True once the run has ended when another replication or a vacuum held
    // the working directory or the local store for the whole wait: the run
    // changed nothing, not even the settings file.
    bool Busy() const { return m_busy.load(); }
    // How such a run says so (called on the worker thread with the German
    // text); by default a message box. Set before Start.
    void SetBusyReport(std::function<void(const std::string&)> report) { m_busyReport = std::move(report); }

    // The copy the job works with. The run changes it only to store its
    // last-run time, just before SetFinishedState.
    const CReplicationSettings& Settings() const { return m_settings; }
    const std::string& SettingsPath() const { return m_settingsPath; }

protected:
    int Run() override;

private:
    CReplicationSettings m_settings;
    IProgressSink& m_progressSink;
    const std::string m_settingsPath;
    std::mutex m_replicatorMutex;  // guards m_replicator against Stop
    std::unique_ptr<CReplicator> m_replicator;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_kindFailed{false};
    std::atomic<bool> m_busy{false};
    std::function<void(const std::string&)> m_busyReport;
};

} // namespace tarnwel
