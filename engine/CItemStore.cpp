#include "engine/CItemStore.h"

#include "engine/CrashPoint.h"

#include <algorithm>
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
auto CItemStore<Kind>::GetChangedItems(std::string_view since, CStringArray* skip) -> RecordArray
{
    // Each item that matches an entry of the skip list is passed over and
    // takes the first equal entry out of the list. The entries are counted by
    // id, so an item costs one look-up rather than a walk through the list,
    // and the list is brought up to date in one pass after the scan.
    std::unordered_map<std::string, int> unmatched;  // entry id -> entries not yet matched
    std::unordered_map<std::string, int> matched;    // entry id -> entries to take out, first ones first
    std::size_t left = 0;
    if (skip) {
        for (const std::string& entryId : *skip)
            ++unmatched[entryId];
        left = skip->size();
    }
    RecordArray records;
    Scan(ChangedSinceFilter(since), [&](const COutlookItem& item) {
        if (!IsOwnClass(item))
            return;
        if (left > 0) {
            std::string entryId = item.GetEntryID();
            const auto found = unmatched.find(entryId);
            if (found != unmatched.end() && found->second > 0) {
                --found->second;
                --left;
                ++matched[std::move(entryId)];
                return;
            }
        }
        Record record;
        if (ReadRecord(item, record))
            records.push_back(std::move(record));
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
    Scan(ChangedSinceFilter(since), [&](const COutlookItem& item) {
        if (!IsOwnClass(item))
            return;
        // Every own-class item is read, mapped or not: an item that Outlook
        // cannot read fails the run here, before anything has been changed.
        Record record;
        if (!ReadRecord(item, record))
            return;
        if (const std::string* serverId = m_mappings.FindServerId(record.id_client))
            serverIds.push_back(*serverId);
    });
    return serverIds;
}

template <typename Kind>
void CItemStore<Kind>::BuildItemCache()
{
    if (m_cacheBuilt)
        return;
    m_itemCache.clear();
    m_recordCache.clear();
    Scan(kWholeFolderFilter, [&](const COutlookItem& item) {
        if (!IsOwnClass(item))
            return;
        Record record;
        if (!ReadRecord(item, record))
            return;
        const std::string entryId = record.id_client;
        m_recordCache.insert_or_assign(entryId, std::move(record));
        m_itemCache.insert_or_assign(entryId, item);
    });
    m_cacheBuilt = true;
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
    const auto found = m_itemCache.find(record.id_client);
    if (found == m_itemCache.end())
        return;
    const COutlookItem item = found->second;
    Kind::Write(record, item);
    item.Save();
    CrashPoint("Outlook item overwritten");
}

template <typename Kind>
void CItemStore<Kind>::DeleteByEntryId(std::string entryId)
{
    BuildItemCache();
    const auto found = m_itemCache.find(entryId);
    if (found != m_itemCache.end()) {
        found->second.Delete();
        m_itemCache.erase(found);
        CrashPoint("Outlook item deleted");
    }
    m_recordCache.erase(entryId);
    ForgetEntry(entryId);
}

template class CItemStore<CAppointmentStoreKind>;
template class CItemStore<CContactStoreKind>;
template class CItemStore<CTaskStoreKind>;

} // namespace tarnwel
