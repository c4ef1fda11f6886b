#pragma once
// One replication with its own copy of the settings: the main window (or the
// command-line front end) creates the job, fills its settings and progress
// sink, starts it, may ask it to stop, and reads its running flag.

#include "engine/CReplicationSettings.h"
#include "engine/CThreadJob.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace tarnwel {

class CReplicator;
class IProgressSink;

class CReplicationJob : public CThreadJob {
public:
    CReplicationJob();
    ~CReplicationJob() override;

    // Cooperative: stop flag 1 and, while a replicator exists, its abort flag.
    void Stop(int flag) override;
    bool IsRunning() const { return m_running.load(); }
    // True once the run has ended when the run of a kind ended through a
    // failure (its message box shown): that kind was not, or not wholly,
    // replicated.
    bool KindFailed() const { return m_kindFailed.load(); }

    // The copy the job works with; the creator fills it before Start.
    CReplicationSettings m_settings;
    // Not owned; set by the creator before Start.
    IProgressSink* m_progressSink = nullptr;
    // Where the settings are saved at the end of the run.
    std::string m_settingsPath = CReplicationSettings::kFileName;

protected:
    int Run() override;

private:
    std::mutex m_replicatorMutex;  // guards m_replicator against Stop
    std::unique_ptr<CReplicator> m_replicator;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_kindFailed{false};
};

} // namespace tarnwel
