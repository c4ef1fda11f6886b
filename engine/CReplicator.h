#pragma once
// The engine object of one replication job: the server session, the job's copy
// of the settings, the abort flag that the user-interface thread sets, the
// started state that every run checks first, the progress sink, the new-id
// counter of the contact run and the no-rights policy factory. The per-kind
// runs and the conflict decisions are its operations.

#include "protocol/CServerSession.h"
#include "settings/CReplicationSettings.h"

#include <atomic>
#include <memory>
#include <string>

namespace tarnwel {

class CItemRecord;
class CNoRightsPolicyFactory;
class IProgressSink;

// How a conflict decision of the server pass ended.
enum class ServerPassResult {
    serverWins,   // act for the server version on the Outlook side
    outlookWins,  // act on the server
    leaveBoth,
};

// A conflict decision's result and the trace text of it.
struct CServerPassResolution {
    ServerPassResult result = ServerPassResult::leaveBoth;
    std::string trace;
};

class CReplicator : public CServerSession {
public:
    // `progressSink` is not owned and must outlive the replicator.
    CReplicator(IProgressSink& progressSink, CReplicationSettings settings);
    ~CReplicator();

    void Start();
    void Stop();
    // True when started; otherwise traces the error and answers false.
    bool CheckStarted() const;

    // Set from the user-interface thread; the runs read it between items.
    void RequestAbort() { m_abort.store(true); }
    bool AbortRequested() const { return m_abort.load(); }
    const std::atomic<bool>& AbortFlag() const { return m_abort; }

    // A kind's run that ended through a failure notes it here, so that the
    // job can tell its caller that not everything was replicated.
    void NoteKindFailed(const char* kind);
    bool KindFailed() const { return m_kindFailed; }

    const CReplicationSettings& Settings() const { return m_settings; }
    IProgressSink& ProgressSink() const { return m_progressSink; }
    CNoRightsPolicyFactory& PolicyFactory() const { return *m_policyFactory; }

    // The counter that numbers the temporary server ids of new addresses.
    int& NewIdCounter() { return m_newIdCounter; }

    // The runs of the three kinds. None lets an exception out.
    void ReplicateAppointments();
    void ReplicateContacts();
    void ReplicateTasks();

    // The decision for a replicated pair changed since the last run, by the
    // rules of the records' kind, asking the user where they say so.
    // `server` and `outlook` are records of the same kind.
    CServerPassResolution ResolveChangedPair(const CItemRecord& server, const CItemRecord& outlook,
                                             bool writeRight);
    // The decision for a pair whose Outlook item was deleted.
    CServerPassResolution ResolveOutlookDeletion(const CItemRecord& server, bool deleteRight);

private:
    std::atomic<bool> m_abort{false};
    bool m_started = false;
    bool m_kindFailed = false;
    CReplicationSettings m_settings;
    IProgressSink& m_progressSink;
    int m_newIdCounter = 0;
    std::unique_ptr<CNoRightsPolicyFactory> m_policyFactory;
};

} // namespace tarnwel
