// The stores' answers to a failing Outlook, shown with the fake object model.

#include "engine/CItemStore.h"
#include "engine/Vacuum.h"
#include "tests/engine/StoreFixture.h"
#include "tests/support/FakeAutomation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace tarnwel;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

constexpr const char* kOwnAppointment = "IPM.Appointment.DRAVAppointment";

class StoreWithFakeOutlook : public test::StoreFixture {
protected:
    int CallCount(const char* call) const
    {
        const auto& calls = m_outlook.nameSpace->Calls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }
    const std::vector<std::string>& Filters() { return m_outlook.itemsOf[9]->Filters(); }

    test::CFakeOutlook m_outlook;
};

} // namespace

TEST_F(StoreWithFakeOutlook, OutlookThatCannotStartIsReportedAndRaised)
{
    m_outlook.FailCreation(CComError(com_codes::kClassNotRegistered, "Class not registered"));
    EXPECT_THROW(CAppointmentStore(), CComError);
    EXPECT_THAT(m_boxes, ElementsAre("CreateDispatch() failed w/error 0x80040154"));
    EXPECT_EQ(m_dir.EntryCount(), 0);  // no mapping file was touched
}

TEST_F(StoreWithFakeOutlook, EverySessionIsLoggedOff)
{
    {
        CTaskStore store;
        ASSERT_EQ(m_outlook.logonArguments.size(), 4u);
        for (const CVariant& argument : m_outlook.logonArguments)
            EXPECT_TRUE(argument.IsOmitted());
        EXPECT_EQ(CallCount("call Logoff"), 0);
    }
    EXPECT_EQ(CallCount("call Logoff"), 1);

    // A mapping file that can be neither read nor created: the store is not
    // ready, and its session still ends.
    std::filesystem::create_symlink("missing/maps_appo.ids", "maps_appo.ids");
    {
        CAppointmentStore store;
        EXPECT_FALSE(store.IsReady());
        EXPECT_THAT(m_boxes, ElementsAre("cannot create file"));
    }
    EXPECT_EQ(CallCount("call Logoff"), 2);

    // A folder that cannot be opened raises, after logging off.
    m_outlook.nameSpace->Fail("GetDefaultFolder");
    EXPECT_THROW(CContactStore(), CComError);
    EXPECT_EQ(CallCount("call Logoff"), 3);

    // A failing Logoff does not escape the destructor.
    m_outlook.nameSpace->StopFailing("GetDefaultFolder");
    m_outlook.nameSpace->Fail("Logoff");
    EXPECT_NO_THROW(CContactStore());
}

TEST_F(StoreWithFakeOutlook, OneScanOfTheFolderAnswersEveryDateInAnyLocale)
{
    // An item changed now counts as changed since the start of today, not
    // since tomorrow, whatever the locale's date form.
    m_outlook.itemsOf[9]->AddSaved("IPM.Appointment.DRAVAppointment");
    const COleDate now = COleDate::Now();
    const std::string today = now.Format("%Y-%m-%d");
    const std::string tomorrow = COleDate(now.Days() + 1).Format("%Y-%m-%d");
    for (const char* locale : {"C", "en_US.UTF-8"}) {
        SCOPED_TRACE(locale);
        test::CScopedUserLocale scoped(locale);
        CAppointmentStore store;
        store.ConvertAllItems();  // reads the folder as it converts
        EXPECT_EQ(store.GetChangedItems(today).size(), 1u);
        EXPECT_EQ(store.GetChangedItems(tomorrow).size(), 0u);
        EXPECT_EQ(store.GetChangedServerIds("1900-01-01").size(), 0u);  // not mapped
        EXPECT_THROW(store.GetChangedItems("soon"), CComError);
    }
    EXPECT_THAT(Filters(), ElementsAre("[LastModificationTime] > '1900-01-01'", "[LastModificationTime] > '1900-01-01'"));
}

TEST_F(StoreWithFakeOutlook, UnmappedServerIdIsFoundWithoutScanning)
{
    CAppointmentStore store;
    EXPECT_EQ(store.FindByServerId("S1"), nullptr);
    EXPECT_EQ(store.GetEntryId("S1"), "X");
    EXPECT_TRUE(Filters().empty());
}

TEST_F(StoreWithFakeOutlook, AddItemWhoseWriteFailsMapsNothing)
{
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", "OLD S1\r\n"));
    auto broken = std::make_shared<test::CFakeItem>(kOwnAppointment);
    broken->Fail("Save");
    m_outlook.itemsOf[9]->SetMethod("Add", [&](const std::vector<CVariant>&) { return CVariant(DispatchPtr(broken)); });

    CAppointmentStore store;
    CAppointmentRecord record;
    record.id_tarnwel = "S1";
    record.id_client = "FORMER";  // an entry id the server still remembers
    record.description = "Zahnarzt";
    store.AddItem(record);

    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_THAT(m_boxes[0], HasSubstr("An error occured while writing appointment "));
    EXPECT_EQ(record.id_client, "X");
    EXPECT_EQ(store.GetEntryId("S1"), "X");
    EXPECT_TRUE(store.GetMappings().EntryToServer().empty());
}

TEST_F(StoreWithFakeOutlook, OverwriteWhoseWriteFailsPartWaySavesNothing)
{
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", "E1 S1\r\n"));
    const auto item = m_outlook.itemsOf[9]->AddSaved(kOwnAppointment);
    item->Set("EntryID", "E1").Set("Subject", "Zahnarzt").Set("Location", "Praxis");

    CAppointmentStore store;
    CAppointmentRecord record = *store.FindByServerId("S1");
    item->Fail("Location");
    record.description = "Zahnarzt verschoben";
    record.location = "Klinik";
    const auto savesBefore = std::count(item->Calls().begin(), item->Calls().end(), "call Save");
    store.UpdateItem(record);

    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_THAT(m_boxes[0], HasSubstr("An error occured while writing appointment "));
    // The subject was set before the failure, but never saved.
    EXPECT_EQ(std::count(item->Calls().begin(), item->Calls().end(), "call Save"), savesBefore);
    EXPECT_EQ(store.GetEntryId("S1"), "E1");
}

TEST_F(StoreWithFakeOutlook, VacuumStoppedByOutlookKeepsTheMappingFile)
{
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", "E1 S1\r\n"));
    m_outlook.itemsOf[9]->AddSaved(kOwnAppointment)->Fail("Delete");
    EXPECT_THROW(VacuumKind(kAppointmentKind, true), CComError);
    EXPECT_EQ(FileText("maps_appo.ids"), "E1 S1\r\n");
    EXPECT_EQ(CallCount("call Logoff"), 1);
}

TEST_F(StoreWithFakeOutlook, VacuumStoppedPartWayForgetsThePairsOfTheItemsItDeleted)
{
    const auto deleted = m_outlook.itemsOf[9]->AddSaved(kOwnAppointment);
    const auto kept = m_outlook.itemsOf[9]->AddSaved(kOwnAppointment);
    kept->Fail("Delete");
    const std::string deletedId = deleted->Value("EntryID").ToText();
    const std::string keptId = kept->Value("EntryID").ToText();
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", deletedId + " S1\r\n" + keptId + " S2\r\n"));
    EXPECT_THROW(VacuumKind(kAppointmentKind, true), CComError);

    // The next store sees the pair of the item that is still there only: the
    // deleted one would otherwise count as deleted by the user.
    CAppointmentStore store;
    EXPECT_EQ(store.GetEntryId("S1"), "X");
    EXPECT_EQ(store.GetEntryId("S2"), keptId);
}

TEST_F(StoreWithFakeOutlook, AnUnreadableItemFailsTheServerIdScanMappedOrNot)
{
    // The run asks for these ids before it changes anything, so an item that
    // Outlook cannot read must stop it there.
    m_outlook.itemsOf[9]->AddSaved(kOwnAppointment)->Fail("Subject");
    CAppointmentStore store;
    EXPECT_THROW(store.GetChangedServerIds("2000-01-01"), CComError);
}

TEST_F(StoreWithFakeOutlook, ABatchWhoseCommitFailsLeavesNoPairOfIt)
{
    const auto kept = m_outlook.itemsOf[9]->AddSaved(kOwnAppointment);
    const std::string keptId = kept->Value("EntryID").ToText();
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", keptId + " S1\r\n"));
    for (const char* method : {"BeginBatch", "CommitBatch", "RollbackBatch"})
        m_outlook.nameSpace->SetMethod(method, [](const std::vector<CVariant>&) { return CVariant(); });
    {
        CAppointmentStore store;
        store.BuildItemCache();
        m_outlook.nameSpace->Fail("CommitBatch");
        store.BeginBatch(true);
        CAppointmentRecord record;
        record.id_tarnwel = "S2";
        record.description = "Neu";
        store.AddItem(record);
        store.DeleteByEntryId(keptId);
        EXPECT_THROW(store.CommitBatch(), CComError);
        // Nothing of the batch reached the store: no pair for the new item,
        // the deleted one keeps its pair and its record.
        EXPECT_EQ(store.GetEntryId("S2"), "X");
        EXPECT_EQ(store.GetEntryId("S1"), keptId);
        EXPECT_NE(store.FindByServerId("S1"), nullptr);
        store.SaveMappingFile();
    }
    EXPECT_EQ(FileText("maps_appo.ids"), keptId + " S1\r\n");
}

TEST_F(StoreWithFakeOutlook, OfTwoItemsOfOneEntryIdTheLaterOneHoldsInTheEarliersPlace)
{
    // A folder that hands out an entry id twice (a store that moves an item
    // while it is read): the later item's data count, in the earlier one's place.
    ASSERT_TRUE(WriteFileAtomically("maps_appo.ids", "A SA\r\nC SC\r\n"));
    const std::pair<const char*, const char*> items[] = {
        {"A", "a1"}, {"B", "b1"}, {"A", "a2"}, {"C", "c"}, {"B", "b2"}, {"D", "d"},
        {"E", "e"}, {"F", "f"}, {"G", "g"}, {"H", "h"}, {"I", "i"}, {"A", "a3"},
    };
    for (const auto& [entryId, subject] : items)
        m_outlook.itemsOf[9]->AddSaved(kOwnAppointment)->Set("EntryID", entryId).Set("Subject", subject);

    CAppointmentStore store;
    std::vector<std::string> read;
    for (const CAppointmentRecord& record : store.GetChangedItems("1900-01-01"))
        read.push_back(record.id_client + "=" + record.description + "/" + record.id_tarnwel);
    EXPECT_THAT(read, ElementsAre("A=a3/SA", "B=b2/X", "C=c/SC", "D=d/X", "E=e/X", "F=f/X", "G=g/X", "H=h/X",
                                  "I=i/X"));
    ASSERT_NE(store.FindByEntryId("H"), nullptr);
    EXPECT_EQ(store.FindByEntryId("H")->description, "h");
    ASSERT_NE(store.FindByServerId("SC"), nullptr);
    EXPECT_EQ(store.FindByServerId("SC")->description, "c");
    EXPECT_THAT(store.GetChangedServerIds("1900-01-01"), ElementsAre("SA", "SC"));
}
