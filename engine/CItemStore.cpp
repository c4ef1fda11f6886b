#include "engine/CItemStore.h"

#include "engine/CrashPoint.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace tarnwel {

template <typename Kind>
bool CItemStore<Kind>::ReadRecord(const COutlookItem& item, Record& record) const
{
    Kind::Read(record, item);
    if (!record.usable)
        return false;
    if (const std::string* serverId = m_mappings.FindServerId(record.id_client))
        record.id_tarnwel = *serverId;
    return true;
}

template <typename Kind>
void CItemStore<Kind>::LoadFolder(bool convert)
{
    if (m_cacheBuilt)
        return;
    m_order.clear();
    m_recordCache.clear();
    // One state of the folder (a batch of its own unless one is open).
    std::optional<CLocalBatch> batch;
    if (!InBatch())
        batch.emplace(*this, convert);
    Scan(kWholeFolderFilter, [&](const COutlookItem& item) {
        if (!IsOwnClass(item)) {
            if (!convert)
                return;
            item.SetMessageClass(GetOwnMessageClass());
            item.Save();
            NoteBatchedWrite();
        }
        Record record;
        if (!ReadRecord(item, record))
            return;
        std::string entryId = record.id_client;
        if (m_recordCache.insert_or_assign(entryId, std::move(record)).second)
            m_order.push_back(std::move(entryId));
    });
    if (batch)
        batch->Commit();
    m_cacheBuilt = true;
}

template <typename Kind>
void CItemStore<Kind>::ConvertAllItems()
{
    if (m_cacheBuilt) {
        COutlookStore::ConvertAllItems();
        return;
    }
    LoadFolder(true);
}

template <typename Kind>
template <typename Visit>
void CItemStore<Kind>::ForEachChangedRecord(std::string_view since, Visit&& visit)
{
    const COleDate bound = ChangedSinceBound(since);
    LoadFolder(false);
    for (const std::string& entryId : m_order) {
        const auto found = m_recordCache.find(entryId);
        if (found != m_recordCache.end() && found->second.last_updated.IsAfter(bound))
            visit(found->second);
    }
}

template <typename Kind>
auto CItemStore<Kind>::GetChangedItems(std::string_view since, CStringArray* skip) -> RecordArray
{
    // Each item that matches an entry of the skip list is passed over and
    // takes the first equal entry out of the list. The entries are counted by
    // id, so an item costs one look-up rather than a walk through the list,
    // and the list is brought up to date in one pass at the end.
    std::unordered_map<std::string, int> unmatched;  // entry id -> entries not yet matched
    std::unordered_map<std::string, int> matched;    // entry id -> entries to take out, first ones first
    std::size_t left = 0;
    if (skip) {
        for (const std::string& entryId : *skip)
            ++unmatched[entryId];
        left = skip->size();
    }
    RecordArray records;
    ForEachChangedRecord(since, [&](const Record& cached) {
        if (left > 0) {
            const auto found = unmatched.find(cached.id_client);
            if (found != unmatched.end() && found->second > 0) {
                --found->second;
                --left;
                ++matched[cached.id_client];
                return;
            }
        }
        // The run may have changed the cached record (participants, a
        // marker); the copy carries the item's data and its current pair.
        Record& record = records.emplace_back(cached);
        const std::string* serverId = m_mappings.FindServerId(record.id_client);
        record.id_tarnwel = serverId ? *serverId : std::string(kNoId);
    });
    if (!matched.empty()) {
        std::erase_if(*skip, [&matched](const std::string& entryId) {
            const auto found = matched.find(entryId);
            if (found == matched.end() || found->second == 0)
                return false;
            --found->second;
            return true;
        });
    }
    return records;
}

template <typename Kind>
CStringArray CItemStore<Kind>::GetChangedServerIds(std::string_view since)
{
    CStringArray serverIds;
    ForEachChangedRecord(since, [&](const Record& record) {
        if (const std::string* serverId = m_mappings.FindServerId(record.id_client))
            serverIds.push_back(*serverId);
    });
    return serverIds;
}

template <typename Kind>
auto CItemStore<Kind>::FindByEntryId(const std::string& entryId) -> Record*
{
    BuildItemCache();
    const auto found = m_recordCache.find(entryId);
    return found == m_recordCache.end() ? nullptr : &found->second;
}

template <typename Kind>
auto CItemStore<Kind>::FindByServerId(const std::string& serverId) -> Record*
{
    const std::string* entryId = m_mappings.FindEntryId(serverId);
    return entryId ? FindByEntryId(*entryId) : nullptr;
}

template <typename Kind>
void CItemStore<Kind>::AddItem(Record& record)
{
    // A former partner of the server id loses its pair before the new item
    // exists: ending in between leaves the server item unpaired, and the
    // next run adds it again (or pairs it with the same unpaired item).
    RemoveMapping(record.id_tarnwel);
    const COutlookItem item = GetItems().Add(GetOwnMessageClass());
    // The new item has no entry id until the write has saved it; an id the
    // record brought along must not be mapped when that fails.
    record.id_client = kNoId;
    Kind::Write(record, item);
    CrashPoint("Outlook item added");
    if (record.id_client != kNoId)
        AddMapping(record.id_tarnwel, record.id_client);
}

template <typename Kind>
void CItemStore<Kind>::UpdateItem(Record& record)
{
    BuildItemCache();
    if (!m_recordCache.contains(record.id_client))
        return;
    const COutlookItem item = GetItemFromID(record.id_client);
    Kind::Write(record, item);
    item.Save();
    CrashPoint("Outlook item overwritten");
}

template <typename Kind>
void CItemStore<Kind>::DeleteByEntryId(std::string entryId)
{
    BuildItemCache();
    const auto found = m_recordCache.find(entryId);
    if (found != m_recordCache.end()) {
        GetItemFromID(entryId).Delete();
        // Kept until the batch is committed: rolled back, the item is there again.
        if (InBatch())
            m_deletedInBatch.emplace_back(entryId, std::move(found->second));
        m_recordCache.erase(found);
        CrashPoint("Outlook item deleted");
    }
    ForgetEntry(entryId);
}

template <typename Kind>
void CItemStore<Kind>::OnBatchEnded(bool committed)
{
    if (!committed)
        for (auto& [entryId, record] : m_deletedInBatch)
            m_recordCache.insert_or_assign(entryId, std::move(record));
    m_deletedInBatch.clear();
}

template class CItemStore<CAppointmentStoreKind>;
template class CItemStore<CContactStoreKind>;
template class CItemStore<CTaskStoreKind>;

} // namespace tarnwel
