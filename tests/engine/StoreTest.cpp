// The stores and vacuum against a real local item store file.

#include "engine/CItemStore.h"
#include "engine/Vacuum.h"
#include "platform/pimstore/PimStore.h"
#include "tests/engine/StoreFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

using namespace tarnwel;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

constexpr const char* kOwnAppointment = "IPM.Appointment.DRAVAppointment";
constexpr const char* kOwnTask = "IPM.Task.DRAVTask";

template <typename Array>
std::vector<std::string> ClientIds(const Array& records)
{
    std::vector<std::string> ids;
    for (const auto& record : records)
        ids.push_back(record.id_client);
    return ids;
}

// The items of a default folder, through a session of their own.
CItems Folder(int folder)
{
    const CNameSpace nameSpace = CApplication::Create().GetNamespace("MAPI");
    nameSpace.Logon();
    return nameSpace.GetDefaultFolder(folder).GetItems();
}

// A saved item; its entry id.
std::string Add(int folder, std::string_view messageClass, bool recurring = false)
{
    const COutlookItem item = Folder(folder).Add(messageClass);
    if (recurring)
        item.PutProperty("IsRecurring", true);
    item.Save();
    return item.GetEntryID();
}

// The entry ids of every item in the folder, in scan order.
std::vector<std::string> EntryIds(int folder)
{
    std::vector<std::string> ids;
    const CItems items = Folder(folder);
    for (COutlookItem item = items.Find(COutlookStore::kWholeFolderFilter); !item.IsNull(); item = items.FindNext())
        ids.push_back(item.GetEntryID());
    return ids;
}

class StoreOnPimStore : public test::StoreFixture {
protected:
    CScopedProgIdRegistration m_registration{[path = m_dir.Path("store.db")] { return OpenPimStore(path); }};
};

// One kind's scans: own-class items only, recurring ones never, other
// classes after ConvertAllItems.
template <typename Store>
void CheckScans(const std::string& foreignClass)
{
    const int folder = Store::GetDefaultFolderId();
    const std::string ownClass = std::string("IPM") + Store::GetMessageClassSuffix();
    const std::string mapped = Add(folder, ownClass);
    const std::string own = Add(folder, ownClass);
    const std::string recurring = Add(folder, ownClass, true);
    const std::string foreign = Add(folder, foreignClass);
    ASSERT_TRUE(WriteFileAtomically(Store::GetMappingFileName(), mapped + " S1\r\n" + recurring + " S2\r\n"));

    Store store;
    const auto changed = store.GetChangedItems("1900-01-01");
    EXPECT_EQ(ClientIds(changed), (std::vector<std::string>{mapped, own}));
    EXPECT_EQ(changed[0].id_tarnwel, "S1");
    EXPECT_EQ(changed[1].id_tarnwel, "X");
    EXPECT_THAT(store.GetChangedItems(COleDate::Now().AddDays(1).Format("%Y-%m-%d")), IsEmpty());
    EXPECT_THAT(store.GetChangedServerIds("1900-01-01"), ElementsAre("S1"));

    ASSERT_NE(store.FindByServerId("S1"), nullptr);
    EXPECT_EQ(store.FindByServerId("S1")->id_client, mapped);
    EXPECT_EQ(store.FindByServerId("S2"), nullptr);  // mapped to the recurring item
    EXPECT_EQ(store.FindByEntryId(recurring), nullptr);
    EXPECT_EQ(store.FindByEntryId(foreign), nullptr);

    store.ConvertAllItems();
    Store after;
    EXPECT_EQ(ClientIds(after.GetChangedItems("1900-01-01")), (std::vector<std::string>{mapped, own, foreign}));
}

// Adds the record under the server id through a store of its own, which then
// saves its mapping file.
template <typename Store>
void AddAndSave(typename Store::Record& record, const char* serverId)
{
    record.id_tarnwel = serverId;
    Store store;
    store.AddItem(record);
    store.SaveMappingFile();
}

} // namespace

TEST_F(StoreOnPimStore, ScansPassOverOtherClassesAndRecurringItems)
{
    CheckScans<CAppointmentStore>("IPM.Appointment");
    CheckScans<CTaskStore>("IPM.Task");
}

TEST_F(StoreOnPimStore, TheCachedRecordsMetArePassedOver)
{
    const std::string a = Add(9, kOwnAppointment);
    const std::string b = Add(9, kOwnAppointment);
    const std::string c = Add(9, kOwnAppointment);
    CAppointmentStore store;
    // A copy of a cached record is not the cached record: its item is not passed over.
    const CAppointmentRecord copyOfB = *store.FindByEntryId(b);
    const std::vector<const CAppointmentRecord*> met{store.FindByEntryId(a), store.FindByEntryId(c),
                                                     store.FindByEntryId(a), &copyOfB};
    EXPECT_THAT(ClientIds(store.GetChangedItems("1900-01-01", met)), ElementsAre(b));
    EXPECT_THAT(ClientIds(store.GetChangedItems("1900-01-01")), ElementsAre(a, b, c));
}

TEST_F(StoreOnPimStore, ACachedRecordIsFoundByTheServerIdItsItemIsPairedWithAfterTheRead)
{
    const std::string paired = Add(9, kOwnAppointment);
    const std::string unpaired = Add(9, kOwnAppointment);
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", paired + " S1\r\n"));
    CAppointmentStore store;
    EXPECT_FALSE(store.FindPartner("S2"));  // not mapped
    const auto partner = store.FindPartner("S1");
    ASSERT_TRUE(partner);
    EXPECT_EQ(partner->entryId, paired);
    ASSERT_NE(partner->record, nullptr);
    EXPECT_EQ(partner->record->id_client, paired);

    // The unpaired item is paired, the paired one loses its partner to it.
    store.AddMapping("S2", unpaired);
    store.AddMapping("S1", unpaired);
    ASSERT_NE(store.FindByServerId("S1"), nullptr);
    EXPECT_EQ(store.FindByServerId("S1")->id_client, unpaired);
    EXPECT_EQ(store.FindByServerId("S2"), store.FindByEntryId(unpaired));
    EXPECT_EQ(store.FindByEntryId(paired)->id_client, paired);

    // A pair whose item is not in the folder names no record.
    store.AddMapping("S3", "00000000FFFFFFFF");
    const auto missing = store.FindPartner("S3");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->entryId, "00000000FFFFFFFF");
    EXPECT_EQ(missing->record, nullptr);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(StoreOnPimStore, AddItemReplacesTheFormerPair)
{
    const std::string former = Add(9, kOwnAppointment);
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", former + " S1\r\n"));
    CAppointmentStore store;
    ASSERT_NE(store.FindByServerId("S1"), nullptr);  // the caches are built now

    CAppointmentRecord record;
    record.id_tarnwel = "S1";
    record.description = "Zahnarzt";
    record.start = COleDate::FromFields(2026, 3, 5, 10, 15, 42);
    record.end = COleDate::FromFields(2026, 3, 5, 11, 0);
    store.AddItem(record);

    const std::string added = record.id_client;
    EXPECT_NE(added, "X");
    EXPECT_NE(added, former);
    EXPECT_EQ(store.GetEntryId("S1"), added);
    EXPECT_FALSE(store.GetMappings().FindServerId(former));
    EXPECT_EQ(store.FindByEntryId(added), nullptr);  // new items do not enter the caches
    EXPECT_TRUE(m_boxes.empty());

    store.SaveMappingFile();
    EXPECT_EQ(FileText("maps_appo.ids"), added + " S1\r\n");
    CAppointmentStore reopened;
    const CAppointmentRecord* read = reopened.FindByServerId("S1");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->description, "Zahnarzt");
    EXPECT_EQ(read->start, COleDate::FromFields(2026, 3, 5, 10, 15));
}

TEST_F(StoreOnPimStore, UpdateAndDeleteWorkOnTheCachedItems)
{
    const std::string a = Add(9, kOwnAppointment);
    const std::string b = Add(9, kOwnAppointment);
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", a + " S1\r\n" + b + " S2\r\n"));
    {
        CAppointmentStore store;
        CAppointmentRecord changed = *store.FindByServerId("S1");
        changed.description = "Verschoben";
        store.UpdateItem(changed);

        // The cached record itself, whose id the deletion removes from the cache.
        store.DeleteItem(*store.FindByServerId("S2"));
        EXPECT_EQ(store.FindByEntryId(b), nullptr);
        EXPECT_EQ(store.GetEntryId("S2"), "X");

        // Ids the cache does not hold change nothing.
        CAppointmentRecord stranger;
        stranger.id_client = "unknown";
        store.UpdateItem(stranger);
        store.DeleteByEntryId("unknown");
        store.SaveMappingFile();
    }
    EXPECT_THAT(EntryIds(9), ElementsAre(a));
    EXPECT_EQ(FileText("maps_appo.ids"), a + " S1\r\n");
    CAppointmentStore reopened;
    EXPECT_EQ(reopened.FindByEntryId(a)->description, "Verschoben");
}

TEST_F(StoreOnPimStore, EachKindKeepsItsFolderAndMappingFile)
{
    // What one kind writes the next store of that kind reads back.
    CContactRecord contact;
    contact.lastName = "M\xC3\xBCller";
    AddAndSave<CContactStore>(contact, "C1");
    CTaskRecord task;
    task.title = "Bericht";
    AddAndSave<CTaskStore>(task, "T1");

    EXPECT_EQ(FileText("maps_cont.ids"), contact.id_client + " C1\r\n");
    EXPECT_EQ(FileText("maps_task.ids"), task.id_client + " T1\r\n");
    EXPECT_EQ(FileText("maps_appo.ids"), "<missing>");
    EXPECT_EQ(CContactStore().FindByServerId("C1")->lastName, "M\xC3\xBCller");
    EXPECT_EQ(CTaskStore().FindByServerId("T1")->title, "Bericht");
    EXPECT_THAT(EntryIds(10), ElementsAre(contact.id_client));
    EXPECT_THAT(EntryIds(13), ElementsAre(task.id_client));
    EXPECT_THAT(EntryIds(9), IsEmpty());
}

TEST_F(StoreOnPimStore, VacuumDeletesOwnOrAllItemsAndEmptiesTheMappingFile)
{
    for (const bool vacuumAll : {false, true}) {
        SCOPED_TRACE(vacuumAll ? "Vacuum all" : "own class only");
        const std::string own = Add(9, kOwnAppointment);
        const std::string recurring = Add(9, kOwnAppointment, true);
        const std::string foreign = Add(9, "IPM.Appointment");
        const std::string task = Add(13, kOwnTask);
        ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", own + " S1\r\n"));
        ASSERT_TRUE(WriteFileAtomically("maps_task.ids", task + " T1\r\n"));

        VacuumKind(kAppointmentKind, !vacuumAll);

        if (vacuumAll)
            EXPECT_THAT(EntryIds(9), IsEmpty());
        else
            EXPECT_THAT(EntryIds(9), ElementsAre(foreign));
        EXPECT_EQ(FileText("maps_appo.ids"), "");
        // Other kinds are left alone.
        EXPECT_THAT(EntryIds(13), ElementsAre(task));
        EXPECT_EQ(FileText("maps_task.ids"), task + " T1\r\n");

        VacuumKind(kAppointmentKind, false);
        VacuumKind(kTaskKind, true);
        EXPECT_THAT(EntryIds(13), IsEmpty());
    }

    // An empty folder without a mapping file: the file exists, empty, afterwards.
    VacuumKind(kContactKind, true);
    EXPECT_EQ(FileText("maps_cont.ids"), "");
    EXPECT_TRUE(m_boxes.empty());
}

namespace {

// The stores on a local store file that the test chooses, as the variable
// TARNWEL_PIMSTORE would.
class StoreIdentity : public test::StoreFixture {
protected:
    // The identity of the store in `path` (which is then created).
    std::string StoreIdOf(const std::string& path)
    {
        m_storePath = path;
        return CApplication::Create().GetNamespace("MAPI").GetDefaultFolder(9).GetStoreID();
    }

    std::string m_storePath = m_dir.Path("a.db");
    CScopedProgIdRegistration m_registration{[this] { return OpenPimStore(m_storePath); }};
};

} // namespace

TEST_F(StoreIdentity, TheMappingFileKeepsToTheStoreItsPairsWereMadeWith)
{
    const std::string a = StoreIdOf(m_dir.Path("a.db"));
    const std::string b = StoreIdOf(m_dir.Path("b.db"));
    ASSERT_NE(a, b);
    const std::string missing = m_dir.Path("nowhere.db");
    const std::string none = "<missing>";
    struct Case {
        const char* name;
        std::string recorded;  // the identity file's bytes, or none
        std::string pairs;     // the mapping file's bytes
        std::string store;     // the store the run finds
        bool ready;
        std::string recordedAfter;  // empty: the opened store's identity
        std::vector<std::string> inMessage;  // for a store that is not used
    };
    const Case cases[] = {
        {"files from before identities are adopted", none, "E1 S1\r\n", m_dir.Path("a.db"), true, a + "\r\n", {}},
        {"the same store", a + "\r\n", "E1 S1\r\n", m_dir.Path("a.db"), true, a + "\r\n", {}},
        {"another store", a + "\r\n", "E1 S1\r\n", m_dir.Path("b.db"), false, a + "\r\n",
         {"gehört zur lokalen Ablage " + a, "geöffnet ist aber die Ablage " + b, "Outlook löschen",
          "\"maps_appo.ids\" und \"maps_appo.ids.store\" entfernen"}},
        {"pairs only in the journal", a + "\r\n", "", m_dir.Path("b.db"), false, a + "\r\n", {b}},
        {"an identity that cannot be read", "zwei Teile\r\n", "E1 S1\r\n", m_dir.Path("a.db"), false,
         "zwei Teile\r\n", {"(unlesbar: maps_appo.ids.store)", a}},
        {"another store without pairs", a + "\r\n", "", m_dir.Path("b.db"), true, b + "\r\n", {}},
        {"a missing store", a + "\r\n", "E1 S1\r\n", missing, false, a + "\r\n",
         {"gehört zur lokalen Ablage " + a, "die Ablage fehlt und wird nicht neu angelegt", missing}},
        {"a missing store without pairs", a + "\r\n", "", missing, true, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(missing);
        std::filesystem::remove("maps_appo.ids.store");
        std::filesystem::remove("maps_appo.ids.journal");
        if (c.recorded != none) {
            ASSERT_TRUE(WriteFileAtomically("maps_appo.ids.store", c.recorded));
        }
        ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", c.pairs));
        if (std::string(c.name) == "pairs only in the journal") {
            ASSERT_TRUE(WriteFileAtomically("maps_appo.ids.journal", "add E1 S1\r\n"));
        }
        m_storePath = c.store;
        std::string opened;
        {
            CAppointmentStore store;
            opened = store.GetStoreId();
            EXPECT_EQ(store.IsReady(), c.ready);
            EXPECT_EQ(store.IsOtherStore(), !c.ready);
            for (const std::string& text : c.inMessage)
                EXPECT_THAT(store.OtherStoreMessage(), ::testing::HasSubstr(text));
        }
        EXPECT_EQ(FileText("maps_appo.ids.store"), c.recordedAfter.empty() ? opened + "\r\n" : c.recordedAfter);
        EXPECT_EQ(FileText("maps_appo.ids"), c.pairs);
        if (c.store == missing) {
            EXPECT_EQ(std::filesystem::exists(missing), c.ready);
        }
    }

    // The store file is every kind's: the pairs of another kind keep it from
    // being created too.
    std::filesystem::remove(missing);
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", ""));
    ASSERT_TRUE(WriteFileAtomically("maps_task.ids", "T1 S1\r\n"));
    {
        CAppointmentStore store;
        EXPECT_TRUE(store.IsOtherStore());
        EXPECT_THAT(store.OtherStoreMessage(),
                    ::testing::AllOf(::testing::HasSubstr(missing), ::testing::HasSubstr("\"maps_task.ids\" Paare")));
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(m_boxes.empty());
}

// Vacuum is how the user starts afresh on another store: it purges the store
// it is on, empties the mapping file and records that store.
TEST_F(StoreIdentity, VacuumStartsAfreshOnTheStoreItIsOn)
{
    const std::string a = StoreIdOf(m_dir.Path("a.db"));
    const std::string b = StoreIdOf(m_dir.Path("b.db"));
    Add(9, kOwnAppointment);
    const std::string foreign = Add(9, "IPM.Appointment");
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids.store", a + "\r\n"));
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", "E1 S1\r\n"));

    VacuumKind(kAppointmentKind, true);

    EXPECT_THAT(EntryIds(9), ElementsAre(foreign));
    EXPECT_EQ(FileText("maps_appo.ids"), "");
    EXPECT_EQ(FileText("maps_appo.ids.store"), b + "\r\n");
    CAppointmentStore store;
    EXPECT_TRUE(store.IsReady());
    EXPECT_TRUE(m_boxes.empty());
}

// Pending pairs of a batch whose "add" records never followed: settled when
// the store they were made with is opened, against its items; never against
// another store, and a vacuum drops them.
TEST_F(StoreIdentity, PendingPairsAreSettledAgainstTheirOwnStoreOnly)
{
    const auto pairs = [](const COutlookStore& store) {
        std::map<std::string, std::string> found;
        for (const auto& [entryId, serverId] : store.GetMappings().EntryToServer())
            found.emplace(entryId, serverId);
        return found;
    };
    using Pairs = std::map<std::string, std::string>;
    const std::string b = StoreIdOf(m_dir.Path("b.db"));
    const std::string a = StoreIdOf(m_dir.Path("a.db"));
    const std::string committed = Add(9, kOwnAppointment);
    const std::string foreign = Add(9, "IPM.Appointment");
    const std::string journal = "pending " + committed + " S1\r\npending never-committed S2\r\npending " + foreign +
                                " S3\r\n";
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids.store", a + "\r\n"));
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", ""));
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids.journal", journal));

    // Another store: nothing is settled, nothing adopted.
    m_storePath = m_dir.Path("b.db");
    {
        CAppointmentStore store;
        EXPECT_TRUE(store.IsOtherStore());
        EXPECT_THAT(store.OtherStoreMessage(), ::testing::HasSubstr(b));
    }
    EXPECT_EQ(FileText("maps_appo.ids.journal"), journal);
    EXPECT_EQ(FileText("maps_appo.ids.store"), a + "\r\n");

    // Their own store: the pair of the item it holds is made, the others dropped.
    m_storePath = m_dir.Path("a.db");
    {
        CAppointmentStore store;
        ASSERT_TRUE(store.IsReady());
        EXPECT_EQ(pairs(store), (Pairs{{committed, "S1"}}));
        EXPECT_THAT(store.GetChangedServerIds("1900-01-01"), ElementsAre("S1"));
    }
    // Recorded at once, before any save.
    EXPECT_EQ(FileText("maps_appo.ids.journal"), journal + "add " + committed + " S1\r\n");
    {
        CAppointmentStore store;
        EXPECT_EQ(pairs(store), (Pairs{{committed, "S1"}}));
        store.SaveMappingFile();
    }
    EXPECT_EQ(FileText("maps_appo.ids"), committed + " S1\r\n");
    EXPECT_FALSE(std::filesystem::exists("maps_appo.ids.journal"));

    // A vacuum drops them with the pairs.
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", ""));
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids.journal", "pending " + committed + " S1\r\n"));
    VacuumKind(kAppointmentKind, false);
    {
        CMappingFile file("maps_appo.ids");
        CMappingTable table;
        ASSERT_TRUE(file.Load(table));
        EXPECT_THAT(file.UnsettledPairs(), IsEmpty());
        EXPECT_TRUE(table.EntryToServer().empty());
    }
    EXPECT_TRUE(m_boxes.empty());
}
