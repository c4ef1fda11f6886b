#pragma once
// What the three stores (CAppointmentStore, CContactStore, CTaskStore) share:
// the Outlook session and the kind's default folder, the scans over its items,
// and the two mapping tables with their mapping file. The records of the kind
// are the business of CItemStore.
//
// A store lives for one run or one vacuum, on the thread that made it. Failing
// Outlook calls are not caught here: their CComError reaches the caller.
//
// Every change of the mapping tables reaches the mapping file's journal
// before the call that made it returns (see CMappingFile), so a process that
// ends at any moment keeps every pair it made or removed. Inside a batch of
// local writes (CLocalBatch) the pairs of new items and the forgetting of
// deleted ones wait for the batch's commit: a pair is only recorded for an
// item that is in the store, and a deleted item keeps its pair until it is
// gone. Removing a pair is recorded at once, as always: an item without its
// pair is found again by its sameness. Before the commit the pairs of the new
// items are marked pending in the journal; a store of the next run settles
// those whose "add" never followed against the local store before anything
// else (SettlePendingPairs).

#include "engine/CMappingFile.h"
#include "engine/CMappingTable.h"
#include "platform/automation/Application.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {

// Which local store a store may open.
enum class StoreChoice {
    // The one that the kind's pairs were made with (a run): see COutlookStore.
    recorded,
    // Whichever is there, created when missing (vacuum, which empties the
    // tables and then records the store it purged).
    any,
};

// The mapping files of the three kinds, in the working directory.
inline constexpr const char* kMappingFileNames[] = {"maps_appo.ids", "maps_cont.ids", "maps_task.ids"};

// The values that tell the kinds apart.
struct CStoreKind {
    int defaultFolderId;             // the Outlook constant of the default folder
    const char* mappingFileName;     // relative: a file in the working directory
    const char* messageClassSuffix;  // the own class is "IPM" followed by it
};

class COutlookStore {
public:
    // Scans that are not limited by a date use this filter.
    static constexpr const char* kWholeFolderFilter = "[LastModificationTime] > '1900-01-01'";

    COutlookStore(const COutlookStore&) = delete;
    COutlookStore& operator=(const COutlookStore&) = delete;
    // Logs off the session (a failing Logoff is ignored: the store is gone).
    virtual ~COutlookStore();

    // False when the mapping file could be neither read nor created, or
    // cannot be written (CMappingFile::Load), or the local store is not the
    // one the pairs were made with (IsOtherStore): the store must change
    // nothing.
    bool IsReady() const { return m_ready; }
    // The mapping file holds pairs made with another local store than the
    // one opened, or the store file they were made with is missing (it was
    // not created). OtherStoreMessage() is the German text for the user.
    bool IsOtherStore() const { return !m_otherStoreMessage.empty(); }
    const std::string& OtherStoreMessage() const { return m_otherStoreMessage; }
    // The identity of the open local store (its default folder's StoreID);
    // empty when it offers none.
    const std::string& GetStoreId() const { return m_storeId; }
    const CMappingFile& GetMappingFile() const { return m_mappingFile; }
    const std::string& GetOwnMessageClass() const { return m_ownClass; }
    const CMappingTable& GetMappings() const { return m_mappings; }

    // The entry id mapped to the server id, or "X".
    std::string GetEntryId(const std::string& serverId) const;
    void AddMapping(const std::string& serverId, const std::string& entryId);
    void RemoveMapping(const std::string& serverId);
    // Writes entry-to-server to the mapping file (CMappingFile::Save).
    void SaveMappingFile();
    // Forgets the pairs of each server id that more than one entry id names
    // (a damaged mapping file: a cut id that became another one): at most
    // one of them can be right, and taking the wrong one would write one
    // item's data over another's. Returns those server ids.
    std::vector<std::string> ForgetAmbiguousPairs();

    // Gives every item of the folder the own message class.
    void ConvertAllItems();
    // Deletes the own-class items of the folder (every item when
    // `onlyOwnClass` is false) and empties both mapping tables; each deleted
    // item loses its pair at once. Then, the tables empty, the open local
    // store is recorded as the one of the pairs to come.
    void PurgeFolder(bool onlyOwnClass);

    // Begins a batch of local writes (`write`), or of reads that see one
    // state of the folder. A local store without batches writes each item
    // on its own; then the batch changes nothing. Batches do not nest.
    void BeginBatch(bool write);
    // Commits the batch, then records the pairs it made and forgot. A commit
    // that fails raises its CComError, the batch's pairs undone.
    void CommitBatch();
    // Rolls the batch back and undoes its pairs in the tables; never raises.
    void AbandonBatch() noexcept;
    // One write of the open batch: after kBatchWrites of them the batch is
    // committed and a new one begun, so that a long step keeps what it made
    // if the process ends during it, and other programs wait briefly only.
    void NoteBatchedWrite();
    bool InBatch() const { return m_batchOpen; }
    static constexpr int kBatchWrites = 500;

protected:
    // Opens Outlook, loads the mapping file, logs on and finds the kind's
    // folder. When Outlook cannot be created the box "CreateDispatch() failed
    // w/error 0x%08lx" appears and its CComError is raised, so nothing is
    // mapped to items that could never be made. `log` hears of damaged lines
    // of the mapping file.
    //
    // With StoreChoice::recorded, while the mapping file holds pairs (or the
    // mapping file or journal of another kind is not empty: the store file
    // is the same for all kinds), the local store is asked not to create a
    // missing file (CApplication::RefuseToCreateMissingStore); a missing one
    // then makes the store not ready and IsOtherStore. A store whose identity
    // is not the one recorded beside the mapping file (or whose recorded
    // identity cannot be read) is not used: the store is not ready and
    // IsOtherStore. Without pairs, or with none recorded (files from before
    // identities), the open store is recorded before any pair is made. A
    // store that offers no identity is not checked.
    COutlookStore(const CStoreKind& kind, CMappingFile::LogFunction log, StoreChoice choice = StoreChoice::recorded);

    // Called when a batch has been committed or abandoned, after the tables.
    virtual void OnBatchEnded(bool /*committed*/) {}

    // Forgets the entry id in the tables (CMappingTable::RemoveEntry).
    void ForgetEntry(const std::string& entryId);

private:
    // The pending pairs that the mapping file kept aside (a run ended between
    // a batch's commit and its "add" records, or before the commit): a pair
    // whose entry id names an own-class item of the store is made and
    // recorded, the others are dropped. Called once the store's identity has
    // been checked, before anything reads the tables.
    void SettlePendingPairs();

protected:

    // "[LastModificationTime] > '<date>'" with the since text (a date in any
    // form COleDate::Parse takes) as the user-locale date without time.
    // Raises CComError (type mismatch) for a text that is no date.
    static std::string ChangedSinceFilter(std::string_view since);
    // The date of that filter: an item changed after it matches.
    static COleDate ChangedSinceBound(std::string_view since);

    // Calls `visit(item)` for every item that matches `filter`, in Outlook's order.
    template <typename Visit>
    void Scan(const std::string& filter, Visit&& visit) const
    {
        for (COutlookItem item = m_items.Find(filter); !item.IsNull(); item = m_items.FindNext())
            visit(item);
    }

    // Compares the class where the item holds it, without a copy, when the
    // item offers that (every item of a scan is asked).
    bool IsOwnClass(const COutlookItem& item) const
    {
        static thread_local CMemberIdCache messageClass;
        if (const DispatchPtr& object = item.Object())
            if (const CVariant* value = object->PeekCachedProperty(messageClass))
                if (const std::string* text = value->GetText())
                    return *text == m_ownClass;
        return item.GetTextProperty("MessageClass", messageClass) == m_ownClass;
    }
    const CItems& GetItems() const { return m_items; }
    // The saved item of the entry id (CNameSpace::GetItemFromID).
    COutlookItem GetItemFromID(const std::string& entryId) const { return m_nameSpace.GetItemFromID(entryId); }

    CMappingTable m_mappings;

private:
    // Released in the reverse order: the items first, the application last.
    CApplication m_application;
    CNameSpace m_nameSpace;
    CItems m_items;
    std::string m_ownClass;
    CMappingFile m_mappingFile;
    bool m_ready = false;
    std::string m_storeId;
    std::string m_otherStoreMessage;

    bool m_batchesOffered = true;  // the local store knows BeginBatch
    bool m_batchOpen = false;
    bool m_writeBatch = false;
    int m_batchWrites = 0;
    // The journal records of the open write batch, waiting for its commit.
    std::vector<CMappingFile::CChange> m_pendingPairs;
};

// A batch of local writes for the length of a scope: committed by Commit,
// abandoned (rolled back, its pairs undone) when the scope ends without it.
class CLocalBatch {
public:
    explicit CLocalBatch(COutlookStore& store, bool write = true) : m_store(store) { m_store.BeginBatch(write); }
    ~CLocalBatch()
    {
        if (!m_done)
            m_store.AbandonBatch();
    }
    CLocalBatch(const CLocalBatch&) = delete;
    CLocalBatch& operator=(const CLocalBatch&) = delete;

    void Commit()
    {
        m_done = true;
        m_store.CommitBatch();
    }

private:
    COutlookStore& m_store;
    bool m_done = false;
};

} // namespace tarnwel
