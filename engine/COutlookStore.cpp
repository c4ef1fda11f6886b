#include "engine/COutlookStore.h"

#include "engine/CrashPoint.h"
#include "platform/base/ComError.h"
#include "platform/ui/UserNotices.h"
#include "records/CItemRecord.h"

#include <optional>
#include <sys/stat.h>
#include <string_view>
#include <unordered_set>

namespace tarnwel {

namespace {

CApplication CreateOutlook()
{
    try {
        return CApplication::Create("Outlook.Application");
    } catch (const CComError& error) {
        ReportToUser("CreateDispatch() failed w/error " + error.CodeText(), MessageBoxIcon::none, true);
        throw;
    }
}

// A session that ends with its store: a failing Logoff has nobody left to tell.
void LogoffQuietly(const CNameSpace& nameSpace) noexcept
{
    try {
        nameSpace.Logoff();
    } catch (...) {
    }
}

} // namespace

namespace {

// What the user reads when a kind's pairs belong to another local store.
std::string DescribeOtherStore(const CMappingFile& file, const std::string& opened)
{
    const std::string recorded = file.GetStoreIdState() == CMappingFile::StoreIdState::recorded
                                     ? file.RecordedStoreId()
                                     : std::string("(unlesbar: ") + file.StoreIdPath() + ")";
    return "Die Zuordnungsdatei \"" + file.Path() + "\" gehört zur lokalen Ablage " + recorded +
           ",\ngeöffnet ist aber " + opened +
           ".\n\nDamit keine Einträge doppelt angelegt oder gelöscht werden, wird diese Art nicht "
           "repliziert; Server und Ablage bleiben unverändert.\n\n"
           "Öffnen Sie wieder die ursprüngliche Ablage (die Datei in TARNWEL_PIMSTORE, oder ohne diese "
           "Variable den Datenserver des Desktops), oder fangen Sie mit der "
           "geöffneten neu an: mit \"Outlook löschen\" oder indem Sie \"" +
           file.Path() + "\" und \"" + file.StoreIdPath() + "\" entfernen.";
}

// The first mapping file of another kind than `own` that holds something,
// or its journal; empty when there is none.
std::string OtherKindWithPairs(const std::string& own)
{
    for (const char* name : kMappingFileNames) {
        if (own == name)
            continue;
        for (const std::string& path : {std::string(name), std::string(name) + ".journal"}) {
            struct stat info {};
            if (::stat(path.c_str(), &info) == 0 && info.st_size > 0)
                return name;
        }
    }
    return {};
}

} // namespace

COutlookStore::COutlookStore(const CStoreKind& kind, CMappingFile::LogFunction log, StoreChoice choice)
    : m_ownClass(std::string("IPM") + kind.messageClassSuffix), m_mappingFile(kind.mappingFileName, std::move(log))
{
    m_application = CreateOutlook();
    // The pairs before the session: while there are any, they decide which
    // local store may be used (the file store opens a missing file only at
    // GetNamespace).
    const bool loaded = m_mappingFile.Load(m_mappings);
    // Pending pairs count as pairs here: they too must be settled against
    // the store they were made with, and never against another one.
    const bool checked = loaded && choice == StoreChoice::recorded &&
                         (!m_mappings.EntryToServer().empty() || !m_mappingFile.UnsettledPairs().empty());
    const std::string otherKind =
        loaded && choice == StoreChoice::recorded && !checked ? OtherKindWithPairs(m_mappingFile.Path()) : "";
    if (checked || !otherKind.empty())
        m_application.RefuseToCreateMissingStore();
    CNameSpace nameSpace;
    try {
        nameSpace = m_application.GetNamespace("MAPI");
    } catch (const CComError& error) {
        if ((!checked && otherKind.empty()) || error.Code() != com_codes::kFileNotFound)
            throw;
        if (checked)
            m_otherStoreMessage = DescribeOtherStore(
                m_mappingFile, "keine: die Ablage fehlt und wird nicht neu angelegt (" + error.Description() + ")");
        else
            m_otherStoreMessage =
                "Die lokale Ablage fehlt (" + error.Description() + ").\nSie wird nicht neu angelegt, weil \"" +
                otherKind +
                "\" Paare mit einer Ablage hält; diese Art wird nicht repliziert, Server und Ablage bleiben "
                "unverändert.\n\nÖffnen Sie wieder die ursprüngliche Ablage (die Datei in TARNWEL_PIMSTORE, oder "
                "ohne diese Variable den Datenserver des Desktops), oder fangen Sie neu "
                "an: mit \"Outlook löschen\" oder indem Sie die Zuordnungsdateien (maps_*.ids und maps_*.ids.store) "
                "entfernen.";
        return;
    }
    nameSpace.Logon();
    m_nameSpace = nameSpace;  // from here on the destructor logs off
    try {
        const CMapiFolder folder = m_nameSpace.GetDefaultFolder(kind.defaultFolderId);
        m_items = folder.GetItems();
        m_storeId = folder.GetStoreID();
    } catch (...) {
        // The destructor does not run for a store that was never made.
        LogoffQuietly(m_nameSpace);
        throw;
    }
    if (!loaded || m_storeId.empty() || choice == StoreChoice::any)
        m_ready = loaded;
    else if (m_mappingFile.GetStoreIdState() == CMappingFile::StoreIdState::recorded &&
             m_mappingFile.RecordedStoreId() == m_storeId)
        m_ready = true;
    else if (checked && m_mappingFile.GetStoreIdState() != CMappingFile::StoreIdState::none)
        m_otherStoreMessage = DescribeOtherStore(m_mappingFile, "die Ablage " + m_storeId);
    else if (m_mappingFile.RecordStoreId(m_storeId))
        m_ready = true;  // adopted before any pair is made with it
    else
        ReportToUser("ERROR: cannot open map file", MessageBoxIcon::stop, true);
    // Vacuum leaves them to its purge, which empties the tables.
    if (m_ready && choice == StoreChoice::recorded) {
        try {
            SettlePendingPairs();
        } catch (...) {
            LogoffQuietly(m_nameSpace);
            throw;
        }
    }
}

void COutlookStore::SettlePendingPairs()
{
    std::vector<CMappingFile::CPendingPair> pending = m_mappingFile.UnsettledPairs();
    if (pending.empty())
        return;
    // The batch was committed when its items are in the store: the pairs are
    // made as its "add" records would have made them. Otherwise the commit
    // never happened, and the pairs are dropped: taken for pairs, their
    // missing items would look deleted by the user.
    std::vector<CMappingFile::CChange> made;
    std::size_t dropped = 0;
    for (CMappingFile::CPendingPair& pair : pending) {
        bool inStore = false;
        try {
            const COutlookItem item = GetItemFromID(pair.entryId);
            inStore = !item.IsNull() && IsOwnClass(item);
        } catch (const CComError& error) {
            // The store holds no such item (or cannot say: dropping never
            // deletes anything); a time-out or a stop leaves the pairs
            // pending for the next run.
            if (error.Code() != com_codes::kFail)
                throw;
        }
        if (!inStore) {
            ++dropped;
            continue;
        }
        m_mappings.AddMapping(pair.serverId, pair.entryId);
        made.push_back({true, std::move(pair.serverId), std::move(pair.entryId)});
    }
    m_mappingFile.Log(m_mappingFile.Path() + ": of the pending pairs, " + std::to_string(made.size()) +
                      " made (their items are in the store), " + std::to_string(dropped) +
                      " dropped (their batch was not committed)");
    m_mappingFile.JournalChanges(made, m_mappings);
    m_mappingFile.ForgetUnsettledPairs();
}

COutlookStore::~COutlookStore()
{
    AbandonBatch();
    m_items = CItems();
    LogoffQuietly(m_nameSpace);
}

std::string COutlookStore::GetEntryId(const std::string& serverId) const
{
    const std::optional<std::string_view> entryId = m_mappings.FindEntryId(serverId);
    return std::string(entryId ? *entryId : std::string_view(kNoId));
}

void COutlookStore::AddMapping(const std::string& serverId, const std::string& entryId)
{
    m_mappings.AddMapping(serverId, entryId);
    if (m_batchOpen && m_writeBatch)
        m_pendingPairs.push_back({true, serverId, entryId});
    else
        m_mappingFile.JournalAdd(serverId, entryId, m_mappings);
}

namespace {

// The waiting "add" record of the entry id, or the end.
auto FindPendingAdd(std::vector<CMappingFile::CChange>& pending, std::string_view entryId)
{
    for (auto change = pending.rbegin(); change != pending.rend(); ++change)
        if (change->add && change->entryId == entryId)
            return std::prev(change.base());
    return pending.end();
}

} // namespace

void COutlookStore::RemoveMapping(const std::string& serverId)
{
    const std::optional<std::string_view> entryId = m_mappings.FindEntryId(serverId);
    if (!entryId)
        return;
    if (m_batchOpen && m_writeBatch) {
        // A pair not yet recorded is simply not recorded.
        const auto pending = FindPendingAdd(m_pendingPairs, *entryId);
        if (pending != m_pendingPairs.end()) {
            m_pendingPairs.erase(pending);
            m_mappings.RemoveMapping(serverId);
            return;
        }
    }
    m_mappings.RemoveMapping(serverId);
    m_mappingFile.JournalRemove(serverId, m_mappings);
}

void COutlookStore::ForgetEntry(const std::string& entryId)
{
    const std::optional<std::string_view> serverId = m_mappings.FindServerId(entryId);
    if (!serverId)
        return;
    if (m_batchOpen && m_writeBatch) {
        const auto pending = FindPendingAdd(m_pendingPairs, entryId);
        if (pending != m_pendingPairs.end())
            m_pendingPairs.erase(pending);
        else
            m_pendingPairs.push_back({false, std::string(*serverId), entryId});
        m_mappings.RemoveEntry(entryId);
        return;
    }
    m_mappings.RemoveEntry(entryId);
    m_mappingFile.JournalForget(entryId, m_mappings);
}

void COutlookStore::BeginBatch(bool write)
{
    if (m_batchOpen)
        throw CComError(com_codes::kFail, "A batch of local writes is already open");
    if (m_batchesOffered) {
        try {
            m_nameSpace.BeginBatch(write);
        } catch (const CComError& error) {
            if (error.Code() != com_codes::kUnknownName)
                throw;
            m_batchesOffered = false;
        }
    }
    m_batchOpen = m_batchesOffered;
    m_writeBatch = write;
    m_batchWrites = 0;
}

void COutlookStore::CommitBatch()
{
    if (!m_batchOpen)
        return;
    // The new items have their entry ids already: their pairs are marked
    // pending before the commit, so that the next run can settle them
    // against the store should the process end before their "add" records.
    if (m_writeBatch && m_mappingFile.JournalPending(m_pendingPairs))
        CrashPoint("new pairs marked pending");
    try {
        m_nameSpace.CommitBatch();
    } catch (...) {
        AbandonBatch();
        throw;
    }
    m_batchOpen = false;
    if (m_writeBatch)
        CrashPoint("Outlook items committed");
    std::vector<CMappingFile::CChange> pending;
    pending.swap(m_pendingPairs);
    m_mappingFile.JournalChanges(pending, m_mappings);
    OnBatchEnded(true);
}

void COutlookStore::AbandonBatch() noexcept
{
    if (!m_batchOpen)
        return;
    m_batchOpen = false;
    try {
        m_nameSpace.RollbackBatch();
    } catch (...) {
        // The store ends the transaction itself when the session ends.
    }
    // Nothing of the batch is in the store: its new items have no pairs, its
    // deleted items keep theirs.
    for (auto change = m_pendingPairs.rbegin(); change != m_pendingPairs.rend(); ++change) {
        if (change->add) {
            const std::optional<std::string_view> serverId = m_mappings.FindServerId(change->entryId);
            if (serverId && *serverId == change->serverId)
                m_mappings.RemoveEntry(change->entryId);
        } else {
            m_mappings.AddMapping(change->serverId, change->entryId);
        }
    }
    m_pendingPairs.clear();
    OnBatchEnded(false);
}

void COutlookStore::NoteBatchedWrite()
{
    if (!m_batchOpen || ++m_batchWrites < kBatchWrites)
        return;
    const bool write = m_writeBatch;
    CommitBatch();
    BeginBatch(write);
}

std::vector<std::string> COutlookStore::ForgetAmbiguousPairs()
{
    const std::vector<CMappingTable::Pair> shared = m_mappings.SharedServerIdPairs();
    if (shared.empty())
        return {};
    std::unordered_set<std::string> serverIds;
    std::vector<std::string> entryIds;
    for (const auto& [entryId, serverId] : shared) {
        serverIds.emplace(serverId);
        entryIds.emplace_back(entryId);
    }
    for (const std::string& entryId : entryIds)
        ForgetEntry(entryId);
    return {serverIds.begin(), serverIds.end()};
}

void COutlookStore::SaveMappingFile()
{
    m_mappingFile.Save(m_mappings);
}

void COutlookStore::ConvertAllItems()
{
    Scan(kWholeFolderFilter, [this](const COutlookItem& item) {
        if (IsOwnClass(item))
            return;
        item.SetMessageClass(m_ownClass);
        item.Save();
    });
}

void COutlookStore::PurgeFolder(bool onlyOwnClass)
{
    Scan(kWholeFolderFilter, [&](const COutlookItem& item) {
        if (onlyOwnClass && !IsOwnClass(item))
            return;
        // Forgotten as soon as it is gone: a pair kept for a deleted item
        // would make the next run take the purge for a deletion by the user.
        const std::string entryId = item.GetEntryID();
        item.Delete();
        ForgetEntry(entryId);
    });
    if (!m_mappings.EntryToServer().empty() || !m_mappingFile.UnsettledPairs().empty()) {
        m_mappingFile.ForgetUnsettledPairs();
        m_mappings.Clear();
        m_mappingFile.JournalClear(m_mappings);
    }
    // Only now, the tables empty: the pairs of another store must never
    // stand under this store's identity. A vacuum that fails before here
    // leaves the former identity with whatever pairs are left; one whose
    // identity cannot be written leaves the former identity with no pairs,
    // which the next run replaces by the store it opens.
    if (!m_storeId.empty() && (m_mappingFile.GetStoreIdState() != CMappingFile::StoreIdState::recorded ||
                               m_mappingFile.RecordedStoreId() != m_storeId))
        m_mappingFile.RecordStoreId(m_storeId);
}

std::string COutlookStore::ChangedSinceFilter(std::string_view since)
{
    const COleDate date = COleDate::Parse(since);
    if (!date.IsValid())
        throw CComError(com_codes::kTypeMismatch, "Not a date: " + std::string(since));
    return "[LastModificationTime] > '" + date.FormatLocaleDate() + "'";
}

COleDate COutlookStore::ChangedSinceBound(std::string_view since)
{
    const COleDate date = COleDate::Parse(since);
    if (!date.IsValid())
        throw CComError(com_codes::kTypeMismatch, "Not a date: " + std::string(since));
    // The filter holds the day without its time, as the user-locale date.
    return COleDate::Parse(date.FormatLocaleDate());
}

} // namespace tarnwel
