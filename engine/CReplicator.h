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
    void RequestAbort() { m_abort.store(true); }
    bool AbortRequested() const { return m_abort.load(); }

    const CReplicationSettings& Settings() const { return m_settings; }

    // The counter that numbers the temporary server ids of new addresses.
    int& NewIdCounter() { return m_newIdCounter; }

private:
    std::atomic<bool> m_abort{false};
    bool m_started = false;
    CReplicationSettings m_settings;
    int m_newIdCounter = 0;
};

} // namespace tarnwel
