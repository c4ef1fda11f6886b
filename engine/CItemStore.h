#pragma once
// The stores of the three kinds: one design over a per-kind table.
//
//   kind          store              folder          mapping file     own class
//   appointments  CAppointmentStore  9 (calendar)    "maps_appo.ids"  "IPM.Appointment.DRAVAppointment"
//   contacts      CContactStore      10 (contacts)   "maps_cont.ids"  "IPM.Contact.DRAVContact"
//   tasks         CTaskStore         13 (tasks)      "maps_task.ids"  "IPM.Task.DRAVTask"
//
// Every query passes over items of other classes and over recurring
// appointments and tasks (records that are not `usable`). The store reads the
// folder once, by the first query or look-up that needs it, inside one read
// batch: each usable own-class item into a record, kept in the folder's order.
// Every later query and look-up answers from these records, which reflect
// the folder as it was at that moment, less the items deleted through the
// store; an item that is written or deleted is fetched again by its entry id.

#include "engine/CIdIndex.h"
#include "engine/COutlookStore.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/automation/ContactItem.h"
#include "platform/automation/TaskItem.h"
#include "records/RecordArrays.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwel {

struct CAppointmentStoreKind {
    using Record = CAppointmentRecord;
    static constexpr CStoreKind kKind{default_folders::kCalendar, "maps_appo.ids", ".Appointment.DRAVAppointment"};
    static void Read(Record& record, const COutlookItem& item) { record.ReadAppointmentItem(CAppointmentItem(item)); }
    static void Write(Record& record, const COutlookItem& item) { record.WriteAppointmentItem(CAppointmentItem(item)); }
};

struct CContactStoreKind {
    using Record = CContactRecord;
    static constexpr CStoreKind kKind{default_folders::kContacts, "maps_cont.ids", ".Contact.DRAVContact"};
    static void Read(Record& record, const COutlookItem& item) { record.ReadContactItem(CContactItem(item)); }
    static void Write(Record& record, const COutlookItem& item) { record.WriteContactItem(CContactItem(item)); }
};

struct CTaskStoreKind {
    using Record = CTaskRecord;
    static constexpr CStoreKind kKind{default_folders::kTasks, "maps_task.ids", ".Task.DRAVTask"};
    static void Read(Record& record, const COutlookItem& item) { record.ReadTaskItem(CTaskItem(item)); }
    static void Write(Record& record, const COutlookItem& item) { record.WriteTaskItem(CTaskItem(item)); }
};

template <typename Kind>
class CItemStore : public COutlookStore {
public:
    using Record = typename Kind::Record;
    using RecordArray = CRecordArray<Record>;

    // Opens Outlook and the kind's folder and loads the mapping file (see
    // COutlookStore); `log` hears of damaged lines of the mapping file.
    explicit CItemStore(CMappingFile::LogFunction log = {}, StoreChoice choice = StoreChoice::recorded)
        : COutlookStore(Kind::kKind, std::move(log), choice)
    {
    }

    static int GetDefaultFolderId() { return Kind::kKind.defaultFolderId; }
    static const char* GetMappingFileName() { return Kind::kKind.mappingFileName; }
    static const char* GetMessageClassSuffix() { return Kind::kKind.messageClassSuffix; }

    // The usable own-class items changed after the since date (a date text,
    // "%Y-%m-%d" from the runs), read into records with their mapped server
    // ids, in Outlook's order. The items of the cached records in `met`
    // (records that this store gave out) are passed over.
    RecordArray GetChangedItems(std::string_view since, const std::vector<const Record*>& met = {});
    // The server ids of the usable own-class items changed after the since
    // date that have a mapping.
    CStringArray GetChangedServerIds(std::string_view since);
    // The same as the places of those ids in the tables (GetMappings().IdAt
    // gives each id), valid until the tables change their era.
    std::vector<std::uint32_t> GetChangedServerPlaces(std::string_view since);

    // The cached record of the entry id, or null. The store keeps it.
    Record* FindByEntryId(std::string_view entryId);
    // The same through server-to-entry; null, without filling the caches,
    // when the server id is not mapped.
    Record* FindByServerId(std::string_view serverId);
    // The entry id paired with the server id (valid while the store lives)
    // and its cached record (null when the cache holds none); nothing,
    // without filling the caches, when the server id is not mapped.
    struct CPartner {
        std::string_view entryId;
        Record* record;
    };
    std::optional<CPartner> FindPartner(std::string_view serverId);

    // Makes a new own-class item from the record and maps the record's server
    // id to it (its former partner loses the pair). A write that failed gives
    // the record no entry id, and then nothing is mapped.
    void AddItem(Record& record);
    // Writes the record over the cached item of its `id_client`; an entry id
    // the cache does not hold changes nothing.
    void UpdateItem(Record& record);
    void DeleteItem(const Record& record) { DeleteByEntryId(record.id_client); }
    // Deletes the cached item of the entry id (none when the cache does not
    // hold it) and forgets the entry id in the caches and the tables.
    // (By value: the id may belong to the cached record that this removes.)
    void DeleteByEntryId(std::string entryId);

    // Reads the folder into the records, once per store.
    void BuildItemCache() { LoadFolder(false); }
    // Gives every item of the folder the own message class. Before the
    // folder has been read this is done by the one read of the folder.
    void ConvertAllItems();

    // Calls `visit(record)` for every cached record that has no server id
    // (builds the caches if needed). The store keeps the records.
    template <typename Visit>
    void ForEachUnpairedRecord(Visit&& visit)
    {
        BuildItemCache();
        for (std::size_t slot = 0; slot < m_records.size(); ++slot)
            if (!m_gone[slot] && m_records[slot].id_tarnwel == kNoId)
                visit(m_records[slot]);
    }

private:
    // Gives the record its mapped server id; the place of its entry id in
    // the tables (made when it has none).
    std::uint32_t PlaceRecord(Record& record);
    // Places the records read by LoadFolder and indexes their slots; of two
    // records of one entry id the later one holds, in the earlier's slot.
    void PlaceReadRecords();

    // One scan of the whole folder; `convert` gives items of other classes
    // the own class on the way (and reads them too).
    void LoadFolder(bool convert);
    // Calls `visit(slot)` for each record changed after the since date, in
    // the folder's order.
    template <typename Visit>
    void ForEachChangedRecord(std::string_view since, Visit&& visit);
    // The slot of the cached record of the entry id, or CIdIndex::kNone.
    std::uint32_t SlotOf(std::string_view entryId);
    // The same by the place of the entry id in the tables.
    std::uint32_t SlotAt(std::uint32_t place);
    // Gives each record's entry id its place again after the tables lost
    // theirs (Clear).
    void PlaceRecordsAgain();

    void OnBatchEnded(bool committed) override;

    bool m_cacheBuilt = false;
    // The records in the folder's order, each in a slot of its own. The
    // record of an item deleted through the store stays in its slot, marked
    // gone (the item is there again when its batch is rolled back).
    RecordArray m_records;
    std::vector<bool> m_gone;
    // The slots by the places of the records' entry ids in the tables (of
    // the era m_placesEra), kNone for the places of other ids: the tables
    // index the ids' texts once for both.
    std::vector<std::uint32_t> m_slotAtPlace;
    std::uint64_t m_placesEra = 0;
    std::vector<std::uint32_t> m_deletedInBatch;  // the slots of the items deleted in the open batch
};

extern template class CItemStore<CAppointmentStoreKind>;
extern template class CItemStore<CContactStoreKind>;
extern template class CItemStore<CTaskStoreKind>;

using CAppointmentStore = CItemStore<CAppointmentStoreKind>;
using CContactStore = CItemStore<CContactStoreKind>;
using CTaskStore = CItemStore<CTaskStoreKind>;

} // namespace tarnwel
