#pragma once
// One replication run of one item kind on a replicator: log in, fetch the
// server's changes, classify each server record and each changed Outlook item
// into the work queues (asking the user where the rules say so), work the
// queues off (first the three server requests, then the Outlook changes),
// save the mapping file and log out.
//
// The appointment and task runs are this one template over a small kind
// description (RunKinds.h); the description names the store, the server
// calls, the sameness test, the status texts and the dialog texts, and says
// how participants and percentages are carried into Outlook. The bodies are
// in CKindRun.cpp, made there for the three kinds.
//
// The contact run (CContactRun) shares the skeleton and overrides the steps
// that are virtual below (ReadRights, FetchServerRecords, DecideChangedPair,
// DecideOutlookRecord, WorkServerQueues, WorkLocalQueues,
// OnOverwriteNotDone); each override is marked so, and the compiler refuses
// one that names no step of the skeleton.
//
// Neither side changes before the queue phase: the server pass and the
// Outlook pass only decide which queue a record goes to. The abort flag is
// read between items and once before each server request.
//
// Each of the three Outlook queues writes the local store in batches
// (CLocalBatch): a few hundred items a transaction instead of one each. Every
// pair the run makes or removes reaches the mapping file's journal before the
// run goes on, those of a batch right after its commit (see COutlookStore),
// so a run that ends at any moment, followed by one that ends normally,
// leaves each item once on each side. Two windows remain that no client can
// close: the server carried out an addItems whose reply never arrived, or the
// process ended between committing Outlook items and recording their pairs.
// Both leave a server item and an Outlook item without a partner. The server
// pass pairs them instead of adding either again, each item at most once:
// first by the client id that the server returns with its item (the entry id
// of the Outlook item it was added or last overwritten from), which pairs the
// two however either was edited since, and compares them as a pair; then, for
// servers that return none, by sameness. A client id alone never deletes
// anything: it names an Outlook item only while that item exists and has no
// pair.

#include "engine/CNoRightsPolicyFactory.h"
#include "engine/COutlookStore.h"
#include "engine/CReplicator.h"
#include "engine/CRequestedIds.h"
#include "engine/CServerPassRecords.h"
#include "engine/IProgressSink.h"
#include "records/RecordArrays.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnwel {

// In place of a status text that a kind does not show.
inline constexpr int kNoRunText = 0;

// The status texts of a kind (string-table ids; kNoRunText: the kind shows
// none there).
struct CRunTexts {
    int start;
    int fetched;            // (n, 0) after getItems
    int firstServerRecord;  // shown alone for the first server record, in place of serverRecord
    int serverRecord;       // (i, n), or (i + 1, n) with serverRecordFromOne
    bool serverRecordFromOne;
    int outlookFetched;            // (m, 0) after the Outlook fetch
    int outlookRecord;             // (i, m)
    int overwriteOnServer;         // (size, 0)
    int deleteOnServer;            // (size, 0)
    int addToServer;               // (size, 0)
    int addToOutlookStart;         // (size, 0)
    int addToOutlookRecord;        // (i, size)
    int overwriteInOutlookStart;   // (size, 0)
    int overwriteInOutlookRecord;  // (k, size), k counts the records not marked for participants
    bool countIncludesCurrent;     // k counts the current record too (else the ones before it)
    int removeStart;               // (size, 0)
    int removeRecord;              // (i, size)
    int end;
    bool endBeforeSignOut;  // the end text comes before the logout (else after it)
};

// The texts of the Outlook pass's three-way dialog.
struct CRunDialogTexts {
    const char* createOnServer;   // first option
    const char* removeInOutlook;  // second option
    const char* serverDeleted;    // text before the description of a pair whose server item was deleted
    const char* neverReplicated;  // text before the description of a never-replicated item
};

// The string-table text `stringId` with `description` in place of its "%s".
std::string FormatWithDescription(int stringId, const std::string& description);

// The run of one kind. `Kind` is one of the descriptions of RunKinds.h.
template <typename Kind>
class CKindRun {
public:
    using Record = typename Kind::Record;
    using Array = CRecordArray<Record>;
    using Store = typename Kind::Store;

    explicit CKindRun(CReplicator& replicator);
    virtual ~CKindRun();
    CKindRun(const CKindRun&) = delete;
    CKindRun& operator=(const CKindRun&) = delete;

    // The whole run: log in, fetch, classify (server pass, Outlook pass),
    // work the server queues, then the local ones, save the mapping file,
    // log out. Lets no exception out: a failure is shown in a message box
    // and ends this kind's run; the pairs already made still reach the
    // mapping file (each stands for a change made on both sides), the logout
    // is skipped. Nothing starts once the abort flag is set; an abort right
    // after the login ends the run without a logout.
    void Run();

protected:
    // --- Steps a kind's run may override --------------------------------------

    // Reads the rights text of the login: write right first, then delete.
    virtual void ReadRights(const std::string& rights);
    // getItems into m_serverRecords; returns the number the reply reports.
    // The ids are released once the request is made.
    virtual int FetchServerRecords(CStringArray ids);
    // A pair that differs, its Outlook partner found: queues what the rules
    // (or the user) decide. `outlook` is the store's record.
    virtual void DecideChangedPair(Record& server, Record& outlook, const std::string& entryId);
    // A changed Outlook item that the server pass did not meet: never
    // replicated (`newItem`) or its server item deleted.
    virtual void DecideOutlookRecord(const Record& outlook, bool newItem);
    // The server's queues in order: OVERWRITE-IN-TARNWEL, DELETE-FROM-TARNWEL,
    // ADD-TO-TARNWEL. Each is skipped once the abort flag is set.
    virtual void WorkServerQueues();
    // The Outlook queues in order: ADD-TO-OUTLOOK, OVERWRITE-IN-OUTLOOK,
    // REMOVE-FROM-OUTLOOK, in batches while the abort flag is clear.
    virtual void WorkLocalQueues();
    // A server id of OVERWRITE-IN-TARNWEL that the server did not overwrite:
    // refused for lack of rights (before its policy applies) or failed
    // (before its message).
    virtual void OnOverwriteNotDone(const std::string& serverId, bool refused);

    // --- Steps ------------------------------------------------------------------

    // Shows the kind's start, logs in and reads the rights. False when the
    // run ends here (abort right after the login).
    bool LogIn();
    // Opens the local store and its mapping file. False (the store closed,
    // the kind counted as failed) when the file's pairs belong to another
    // store or the file cannot be read, created or written: then nothing is
    // fetched, classified or written. Reports what the loaded file lost and
    // converts the store's items first when the settings ask for it.
    bool OpenStore();
    // The run's date, the changed partners' ids noted as requested, getItems.
    void Fetch();
    // Tells the user once, in the trace and through the progress sink, what
    // the loaded mapping file lost: damaged lines (and journal records), a
    // file removed after earlier runs, pairs dropped as ambiguous. Items
    // without their pair are paired again by sameness; changed ones may end
    // up twice, so the user must hear of it.
    void ReportDroppedPairs(std::size_t ambiguousServerIds);

    // Classifies each server record into the queues while the abort flag is
    // clear; nothing changes on either side.
    void ServerPass();
    void ShowServerRecordProgress(int i, int total);
    void ClassifyServerRecord(Record& server);
    // Pairs a new server record with an Outlook item without a pair that
    // it was `how` ("added from", "the same as"); the Outlook item counts as
    // met by the server pass.
    void PairWithUnpaired(const Record& server, Record& outlook, const char* how);
    // A pair met by the server pass: the server's participants carried when
    // the two are the same, else decided as a changed pair.
    void ComparePair(Record& server, Record& outlook, const std::string& entryId);
    // Moves a server record of the server pass into ADD-TO-OUTLOOK instead of
    // copying it; the refusals of OVERWRITE-IN-TARNWEL find it there
    // (ServerRecordsById). A record from elsewhere is copied.
    void QueueToAddToOutlook(Record& server);
    // At the first server record without a partner: the own-class Outlook
    // items without a pair, by sameness key, and which of them the server
    // records from this one on name by the client id they were sent with.
    // Each Outlook item goes to the first server record without a partner
    // that names it (a second one, an item the server was sent twice, is
    // new); an item named so is no longer a candidate for sameness, so the
    // id decides wherever a server record names it, whatever the order of
    // the reply. Nothing is looked up when Outlook holds no unpaired item.
    void PrepareUnpaired(const Record& first);
    // The Outlook item without a pair from which the server record was
    // added (the server returned its entry id as the client id); null when
    // there is none or it belongs to an earlier server record.
    Record* TakeSentFrom(const Record& server);
    // An own-class Outlook item without a pair that is the same as the
    // server record, taken out of the candidates; null when there is none.
    // The candidates are looked up by a key that the same records share
    // (Kind::SamenessKey), then by the kind's sameness test.
    Record* TakeUnpairedTwin(const Record& server);
    // The server's participants reach the Outlook item only when it is
    // written; the marked copy is written but not counted.
    void CarryParticipants(const Record& server, Record& outlook);
    void OutlookWins(const Record& server, Record& outlook);
    void QueueMarked(Record& outlook);

    // Classifies each Outlook item changed since the date that the server
    // pass did not meet, while the abort flag is clear.
    void OutlookPass();
    void ClassifyOutlookRecord(const Record& outlook);
    // The Yes/No question whether to delete an Outlook item that may not go
    // to the server.
    void AskToRemove(const Record& outlook);

    // The server's queues, each one request; what the server refuses goes
    // to the kind's no-rights policy, what fails to a message.
    void OverwriteOnServer();
    void DeleteOnServer();
    void AddToServer();
    // The Outlook queues.
    void AddToOutlook();
    void OverwriteInOutlook();
    void RemoveFromOutlook();
    // Works the records 0 to total - 1 of an Outlook queue off, in batches
    // of the local store, while the abort flag is clear: `show(i)` shows the
    // progress of record i, `write(i)` writes it. A batch whose commit fails
    // has written nothing (and made no pair): its records are written once
    // more, each on its own, so that each one that cannot be written gives
    // its own message and the others are kept.
    void WriteInBatches(int total, const std::function<void(int)>& show, const std::function<void(int)>& write);
    // Works `queue` off under the trace heading `heading`: its start text
    // (unless kNoRunText) with the queue's size, then in batches
    // `show(i, size)` and `write(record i)` for each record.
    void WriteQueue(const char* heading, int startText, Array& queue, const std::function<void(int, int)>& show,
                    const std::function<void(Record&)>& write);

    // Saves the mapping file and closes the store; nothing when it is closed.
    // The store is released whatever happens: a failed save must not leave
    // it for a second attempt in the failure handling.
    void SaveMappingFile();
    // Shows the kind's end and closes the session.
    void LogOut();

    // --- Helpers of the steps ---------------------------------------------------

    // The policy for the refusals of one list, made from a copy of the kind's
    // rules; null (a NoRights code the factory does not know) leaves them.
    using MakePolicy = std::unique_ptr<CNoRightsPolicy> (CNoRightsPolicyFactory::*)(CKindRules);
    std::unique_ptr<CNoRightsPolicy> Policy(MakePolicy make) const;
    void Apply(CNoRightsPolicy* policy, const char* rule, Array& queue, const Record& record);
    // The first record of `records` for each server id.
    static std::unordered_map<std::string, Record*> FirstByServerId(Array& records);
    // The first server record of getItems for each server id, wherever it is
    // now (a record moved to ADD-TO-OUTLOOK is found in the queue).
    std::unordered_map<std::string, Record*> ServerRecordsById();
    static Record* Find(const std::unordered_map<std::string, Record*>& index, const std::string& serverId);
    // The OK box of an item the server did not take: the string-table text
    // `stringId` with the description of `record`, the run's record of the
    // item; when the run has none under that id (`idName` "id" for a
    // server id, "entry" for an entry id), a trace line instead.
    void ShowItemError(int stringId, const Record* record, const char* idName, const std::string& id);
    // ShowItemError for each Outlook item that an addItems did not add.
    void ShowAddErrors(const CStringMap& addErrors);
    // Ends the kind's run after a failure: the trace, the kind counted as
    // failed, the message in an OK box, the mapping file saved.
    void Fail(const char* cause, const std::string& message);

    template <typename Records>
    static int Count(const Records& records)
    {
        return static_cast<int>(records.size());
    }

    CReplicator& m_replicator;
    IProgressSink& m_sink;
    const CKindRules m_rules;

    bool m_signedIn = false;  // the login has answered: the session is open
    bool m_writeRight = false;
    bool m_deleteRight = false;
    std::unique_ptr<Store> m_store;
    std::string m_since;
    Array m_serverRecords;
    CMovedRecords<Record> m_moved;           // the server records moved to m_addToOutlook
    std::vector<const Record*> m_processed;  // the store's records of the Outlook partners met in the server pass
    CRequestedIds m_requested;               // the server ids sent with getItems

    // The own-class Outlook items without a pair, by sameness key, that a new
    // server record may still be paired with; filled at the first new one.
    std::unordered_map<std::string, std::vector<Record*>> m_unpaired;
    bool m_unpairedBuilt = false;
    // Those the server records name by their client id: each with the place
    // of the first server record without a partner that names it.
    std::unordered_map<const Record*, std::size_t> m_sentFrom;

    // The six work queues, in the order in which they are worked off.
    Array m_overwriteOnServer;   // OVERWRITE-IN-TARNWEL
    Array m_deleteOnServer;      // DELETE-FROM-TARNWEL
    Array m_addToServer;         // ADD-TO-TARNWEL
    Array m_addToOutlook;        // ADD-TO-OUTLOOK
    Array m_overwriteInOutlook;  // OVERWRITE-IN-OUTLOOK
    Array m_removeFromOutlook;   // REMOVE-FROM-OUTLOOK
};

} // namespace tarnwel
