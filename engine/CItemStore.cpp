#include "engine/CItemStore.h"

#include "engine/CrashPoint.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace tarnwel {

template <typename Kind>
std::uint32_t CItemStore<Kind>::PlaceRecord(Record& record)
{
    const std::uint32_t place = m_mappings.Place(record.id_client);
    if (const std::optional<std::string_view> serverId = m_mappings.ServerIdAt(place))
        record.id_tarnwel = *serverId;
    return place;
}

template <typename Kind>
void CItemStore<Kind>::PlaceRecordsAgain()
{
    m_slotAtPlace.assign(m_mappings.IdCount(), CIdIndex::kNone);
    for (std::size_t slot = 0; slot < m_records.size(); ++slot) {
        const std::uint32_t place = m_mappings.Place(m_records[slot].id_client);
        if (place >= m_slotAtPlace.size())
            m_slotAtPlace.resize(place + 1, CIdIndex::kNone);
        m_slotAtPlace[place] = static_cast<std::uint32_t>(slot);
    }
    m_placesEra = m_mappings.Era();
}

template <typename Kind>
std::uint32_t CItemStore<Kind>::SlotAt(std::uint32_t place)
{
    if (m_placesEra != m_mappings.Era())
        return CIdIndex::kNone;  // the place is of the new era; see SlotOf
    if (place >= m_slotAtPlace.size())
        return CIdIndex::kNone;
    const std::uint32_t slot = m_slotAtPlace[place];
    return slot != CIdIndex::kNone && !m_gone[slot] ? slot : CIdIndex::kNone;
}

template <typename Kind>
std::uint32_t CItemStore<Kind>::SlotOf(std::string_view entryId)
{
    if (m_placesEra != m_mappings.Era())
        PlaceRecordsAgain();
    return SlotAt(m_mappings.PlaceOf(entryId));
}

template <typename Kind>
void CItemStore<Kind>::LoadFolder(bool convert)
{
    if (m_cacheBuilt)
        return;
    m_records.clear();
    m_gone.clear();
    // Mostly one pair an item: the folder holds about as many items as
    // there are pairs, and their entry ids have places already.
    const std::size_t expected = m_mappings.EntryToServer().size();
    m_records.reserve(expected);
    m_slotAtPlace.assign(m_mappings.IdCount(), CIdIndex::kNone);
    m_placesEra = m_mappings.Era();
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
        // Read in its place at the end of the records, taken off again when
        // it is not usable.
        Record& record = m_records.emplace_back();
        try {
            Kind::Read(record, item);
        } catch (...) {
            m_records.pop_back();
            throw;
        }
        if (!record.usable)
            m_records.pop_back();
    });
    if (batch)
        batch->Commit();
    PlaceReadRecords();
    m_gone.assign(m_records.size(), false);
    m_cacheBuilt = true;
}

template <typename Kind>
void CItemStore<Kind>::PlaceReadRecords()
{
    // The entry ids' places, one record after the other; the index buckets
    // of the records a few places ahead are asked for meanwhile, so that
    // the look-ups of a large table overlap. A record whose entry id was
    // met before takes the earlier one's slot (the later record holds) and
    // leaves its own empty; the records then close up.
    constexpr std::size_t kAhead = 8;
    const std::size_t count = m_records.size();
    for (std::size_t i = 0; i < kAhead && i < count; ++i)
        m_mappings.Prefetch(m_records[i].id_client);
    std::vector<bool> taken;  // the slots left empty, once there is one
    for (std::size_t slot = 0; slot < count; ++slot) {
        if (slot + kAhead < count)
            m_mappings.Prefetch(m_records[slot + kAhead].id_client);
        const std::uint32_t place = PlaceRecord(m_records[slot]);
        if (place >= m_slotAtPlace.size())
            m_slotAtPlace.resize(place + 1, CIdIndex::kNone);
        if (const std::uint32_t earlier = m_slotAtPlace[place]; earlier != CIdIndex::kNone) {
            m_records[earlier] = std::move(m_records[slot]);
            if (taken.empty())
                taken.assign(count, false);
            taken[slot] = true;
            continue;
        }
        m_slotAtPlace[place] = static_cast<std::uint32_t>(slot);
    }
    if (taken.empty())
        return;
    std::size_t kept = 0;
    for (std::size_t slot = 0; slot < count; ++slot) {
        if (taken[slot])
            continue;
        if (kept != slot) {
            m_records[kept] = std::move(m_records[slot]);
            m_slotAtPlace[m_mappings.PlaceOf(m_records[kept].id_client)] = static_cast<std::uint32_t>(kept);
        }
        ++kept;
    }
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(kept), m_records.end());
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
    for (std::size_t slot = 0; slot < m_records.size(); ++slot)
        if (!m_gone[slot] && m_records[slot].last_updated.IsAfter(bound))
            visit(static_cast<std::uint32_t>(slot));
}

template <typename Kind>
auto CItemStore<Kind>::GetChangedItems(std::string_view since, const std::vector<const Record*>& met) -> RecordArray
{
    const COleDate bound = ChangedSinceBound(since);
    LoadFolder(false);
    // A cached record tells its slot by its place; anything else names none.
    std::vector<bool> passOver;
    if (!met.empty()) {
        passOver.assign(m_records.size(), false);
        const Record* first = m_records.data();
        for (const Record* record : met)
            if (record >= first && record < first + m_records.size())
                passOver[static_cast<std::size_t>(record - first)] = true;
    }
    RecordArray records;
    for (std::size_t slot = 0; slot < m_records.size(); ++slot) {
        if (m_gone[slot] || (!passOver.empty() && passOver[slot]) || !m_records[slot].last_updated.IsAfter(bound))
            continue;
        // The run may have changed the cached record (participants, a
        // marker); the copy carries the item's data and its current pair.
        Record& record = records.emplace_back(m_records[slot]);
        const std::optional<std::string_view> serverId = m_mappings.FindServerId(record.id_client);
        record.id_tarnwel = serverId ? *serverId : std::string_view(kNoId);
    }
    return records;
}

template <typename Kind>
std::vector<std::uint32_t> CItemStore<Kind>::GetChangedServerPlaces(std::string_view since)
{
    std::vector<std::uint32_t> serverPlaces;
    LoadFolder(false);
    serverPlaces.reserve(std::min(m_records.size(), m_mappings.EntryToServer().size()));
    // The places of the records' entry ids by slot, for the partners of
    // nearly all of them without a look-up each.
    if (m_placesEra != m_mappings.Era())
        PlaceRecordsAgain();
    std::vector<std::uint32_t> placeOfSlot(m_records.size(), CMappingTable::kNoPlace);
    for (std::size_t place = 0; place < m_slotAtPlace.size(); ++place)
        if (m_slotAtPlace[place] != CIdIndex::kNone)
            placeOfSlot[m_slotAtPlace[place]] = static_cast<std::uint32_t>(place);
    ForEachChangedRecord(since, [&](std::uint32_t slot) {
        const std::uint32_t place = placeOfSlot[slot];
        if (place == CMappingTable::kNoPlace)
            return;
        if (const std::uint32_t server = m_mappings.ServerPlaceAt(place); server != CMappingTable::kNoPlace)
            serverPlaces.push_back(server);
    });
    return serverPlaces;
}

template <typename Kind>
CStringArray CItemStore<Kind>::GetChangedServerIds(std::string_view since)
{
    const std::vector<std::uint32_t> places = GetChangedServerPlaces(since);
    CStringArray serverIds;
    serverIds.reserve(places.size());
    for (const std::uint32_t place : places)
        serverIds.emplace_back(m_mappings.IdAt(place));
    return serverIds;
}

template <typename Kind>
auto CItemStore<Kind>::FindByEntryId(std::string_view entryId) -> Record*
{
    BuildItemCache();
    const std::uint32_t slot = SlotOf(entryId);
    return slot == CIdIndex::kNone ? nullptr : &m_records[slot];
}

template <typename Kind>
auto CItemStore<Kind>::FindByServerId(std::string_view serverId) -> Record*
{
    const std::optional<CPartner> partner = FindPartner(serverId);
    return partner ? partner->record : nullptr;
}

template <typename Kind>
auto CItemStore<Kind>::FindPartner(std::string_view serverId) -> std::optional<CPartner>
{
    const std::uint32_t entryPlace = m_mappings.EntryPlaceOf(serverId);
    if (entryPlace == CMappingTable::kNoPlace)
        return std::nullopt;
    BuildItemCache();
    if (m_placesEra != m_mappings.Era())
        PlaceRecordsAgain();
    const std::uint32_t slot = SlotAt(entryPlace);
    return CPartner{m_mappings.IdAt(entryPlace), slot == CIdIndex::kNone ? nullptr : &m_records[slot]};
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
    if (SlotOf(record.id_client) == CIdIndex::kNone)
        return;
    const COutlookItem item = GetItemFromID(record.id_client);
    // The write saves the item itself. A write that fails part-way has told
    // the user and saved nothing: the item keeps its former values whole
    // rather than a mix of both versions, and its pair stays, so the next
    // run compares the two again.
    Kind::Write(record, item);
    CrashPoint("Outlook item overwritten");
}

template <typename Kind>
void CItemStore<Kind>::DeleteByEntryId(std::string entryId)
{
    BuildItemCache();
    const std::uint32_t slot = SlotOf(entryId);
    if (slot != CIdIndex::kNone) {
        GetItemFromID(entryId).Delete();
        m_gone[slot] = true;
        // Kept until the batch is committed: rolled back, the item is there again.
        if (InBatch())
            m_deletedInBatch.push_back(slot);
        CrashPoint("Outlook item deleted");
    }
    ForgetEntry(entryId);
}

template <typename Kind>
void CItemStore<Kind>::OnBatchEnded(bool committed)
{
    if (!committed)
        for (const std::uint32_t slot : m_deletedInBatch)
            m_gone[slot] = false;
    m_deletedInBatch.clear();
}

static_assert(std::string_view(CAppointmentStoreKind::kKind.mappingFileName) == kMappingFileNames[0]);
static_assert(std::string_view(CContactStoreKind::kKind.mappingFileName) == kMappingFileNames[1]);
static_assert(std::string_view(CTaskStoreKind::kKind.mappingFileName) == kMappingFileNames[2]);

template class CItemStore<CAppointmentStoreKind>;
template class CItemStore<CContactStoreKind>;
template class CItemStore<CTaskStoreKind>;

} // namespace tarnwel
