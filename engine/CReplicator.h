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

// Result codes of the conflict decisions (there is no 2).
inline constexpr int kServerWins = 0;    // act for the server version on the Outlook side
inline constexpr int kOutlookWins = 1;   // act on the server
inline constexpr int kLeaveBoth = 3;

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

    // The decision for a replicated pair changed since the last run: sets
    // `result` (kServerWins, kOutlookWins or kLeaveBoth) and returns the
    // trace text. `server` and `outlook` are records of the same kind.
    std::string ResolveChangedPair(const CItemRecord& server, const CItemRecord& outlook, bool writeRight,
                                   int& result);
    // The decision for a pair whose Outlook item was deleted.
    std::string ResolveOutlookDeletion(const CItemRecord& server, bool deleteRight, int& result);

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
