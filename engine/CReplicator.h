#pragma once
// The engine object of one replication job: the server session, the job's copy
// of the settings, the abort flag that the user-interface thread sets, and the
// started state that every run checks first.

#include "engine/CReplicationSettings.h"
#include "protocol/CServerSession.h"

#include <atomic>

namespace tarnwel {

class CReplicator : public CServerSession {
public:
    explicit CReplicator(CReplicationSettings settings);

    void Start();
    void Stop();
    // True when started; otherwise traces the error and answers false.
    bool CheckStarted() const;

    // Set from the user-interface thread; the runs read it between items.
    void RequestAbort() { abort_.store(true); }
    bool AbortRequested() const { return abort_.load(); }

    const CReplicationSettings& Settings() const { return settings_; }

    // The counter that numbers the temporary server ids of new addresses.
    int& NewIdCounter() { return newIdCounter_; }

private:
    std::atomic<bool> abort_{false};
    bool started_ = false;
    CReplicationSettings settings_;
    int newIdCounter_ = 0;
};

} // namespace tarnwel
