// What the records and stores expect of "Outlook.Application", whichever
// store stands behind it: the same cases run against the local SQLite store
// and against the desktop's data server.

#include "platform/automation/Application.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/automation/ContactItem.h"
#include "platform/automation/TaskItem.h"
#include "platform/eds/DataServerStore.h"
#include "platform/pimstore/PimStore.h"
#include "tests/eds/EmptyDataServer.h"
#include "tests/support/PrivateDataServer.h"
#include "tests/support/ComErrorCode.h"
#include "tests/support/ScopedUserLocale.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tarnwel {
namespace {

using testing::ElementsAre;
using testing::UnorderedElementsAre;

constexpr const char* kAppointmentClass = "IPM.Appointment.DRAVAppointment";
constexpr const char* kTaskClass = "IPM.Task.DRAVTask";
constexpr const char* kContactClass = "IPM.Contact.DRAVContact";
constexpr const char* kWholeFolder = "[LastModificationTime] > '1900-01-01'";

// A store under test: `open` makes another application object on the same
// store, `fresh` makes the store new and empty.
struct CStoreUnderTest {
    const char* name;
    std::function<std::function<DispatchPtr()>(test::CTemporaryDirectory&)> begin;
};

std::vector<std::string> Scan(const CItems& items, const std::function<void(const COutlookItem&)>& visit = {},
                              std::string_view filter = kWholeFolder)
{
    std::vector<std::string> bodies;
    for (COutlookItem item = items.Find(filter); !item.IsNull(); item = items.FindNext()) {
        bodies.push_back(item.GetBody());
        if (visit)
            visit(item);
    }
    return bodies;
}

const CStoreUnderTest kStores[] = {
    {"LocalFile",
     [](test::CTemporaryDirectory& directory) -> std::function<DispatchPtr()> {
         const std::string path = directory.Path("store.db");
         return [path] { return OpenPimStore(path); };
     }},
    {"DataServer",
     [](test::CTemporaryDirectory&) -> std::function<DispatchPtr()> {
         test::CPrivateDataServer::Get();
         test::EmptyDataServer();
         return [] { return OpenDataServerStore(std::chrono::seconds(30)); };
     }},
};

class StoreContractTest : public testing::TestWithParam<CStoreUnderTest> {
protected:
    void SetUp() override { m_open = GetParam().begin(m_directory); }

    CNameSpace OpenNameSpace()
    {
        const CNameSpace nameSpace = CApplication(m_open()).GetNamespace("MAPI");
        nameSpace.Logon();
        return nameSpace;
    }
    CItems OpenFolder(int folder = default_folders::kCalendar) { return OpenNameSpace().GetDefaultFolder(folder).GetItems(); }
    static COutlookItem AddSaved(const CItems& items, std::string_view messageClass, std::string_view body)
    {
        const COutlookItem item = items.Add(messageClass);
        item.SetBody(body);
        item.Save();
        return item;
    }

    test::CScopedUserLocale m_locale;
    test::CTemporaryDirectory m_directory;
    std::function<DispatchPtr()> m_open;
};

TEST_P(StoreContractTest, SavesAppointmentsAndFindsThemByModificationTime)
{
    const CItems items = OpenFolder();
    const struct {
        const char* subject;
        COleDate start, end;
        bool allDay;
        const char* body;
    } cases[] = {
        {"Planung", COleDate::FromFields(2024, 5, 1, 10, 15), COleDate::FromFields(2024, 5, 1, 11, 0), false,
         "Zeile 1\r\nZeile 2"},
        {"Urlaub, lang; \"Süd\"", COleDate::FromFields(2024, 7, 1), COleDate::FromFields(2024, 7, 15), true, "ä\\ö"},
        {"Winterzeit", COleDate::FromFields(2024, 12, 24, 18, 0), COleDate::FromFields(2024, 12, 24, 23, 30), false, ""},
    };
    std::vector<std::string> entryIds;
    const COleDate before = COleDate::Now().AddDays(-2.0 / 86400);
    for (const auto& c : cases) {
        const CAppointmentItem added(items.Add(kAppointmentClass));
        EXPECT_EQ(added.GetEntryID(), "");
        added.SetSubject(c.subject);
        added.SetLocation("Raum 1");
        added.SetStart(c.start);
        added.SetEnd(c.end);
        added.SetAllDayEvent(c.allDay);
        added.SetBody(c.body);
        added.Save();
        entryIds.push_back(added.GetEntryID());
        EXPECT_FALSE(entryIds.back().empty());
        EXPECT_FALSE(added.GetLastModificationTime().IsBefore(before)) << c.subject;
    }

    const COleDate yesterday = COleDate::Now().AddDays(-1);
    const COleDate tomorrow = COleDate::Now().AddDays(1);
    const struct {
        std::string date;
        bool found;
    } filters[] = {
        {yesterday.FormatLocaleDate(), true},
        {yesterday.Format("%Y-%m-%d %H:%M:%S"), true},
        {tomorrow.FormatLocaleDate(), false},
    };
    const CItems other = OpenFolder();
    for (const auto& filter : filters) {
        std::size_t at = 0;
        for (CAppointmentItem found(other.Find("[LastModificationTime] > '" + filter.date + "'")); !found.IsNull();
             found = CAppointmentItem(other.FindNext()), ++at) {
            ASSERT_TRUE(filter.found) << filter.date;
            ASSERT_LT(at, std::size(cases));
            const auto& c = cases[at];
            EXPECT_EQ(found.GetEntryID(), entryIds[at]);
            EXPECT_EQ(found.GetMessageClass(), kAppointmentClass);
            EXPECT_EQ(found.GetSubject(), c.subject);
            EXPECT_EQ(found.GetLocation(), "Raum 1");
            EXPECT_EQ(found.GetStart(), c.start) << c.subject;
            EXPECT_EQ(found.GetEnd(), c.end) << c.subject;
            EXPECT_EQ(found.GetAllDayEvent(), c.allDay);
            EXPECT_FALSE(found.GetIsRecurring());
            EXPECT_EQ(found.GetBody(), c.body);
        }
        EXPECT_EQ(at, filter.found ? std::size(cases) : 0u) << filter.date;
    }
    for (const char* bad : {"[Subject] > '2024-01-01'", "[LastModificationTime] > 'kein Datum'",
                            "[LastModificationTime] < '2024-01-01'"})
        EXPECT_EQ(test::ComErrorCode([&] { other.Find(bad); }), com_codes::kInvalidArgument) << bad;
}

TEST_P(StoreContractTest, KeepsTasksAndContactsWithTheirTypes)
{
    const CTaskItem task(OpenFolder(default_folders::kTasks).Add(kTaskClass));
    task.SetSubject("Bericht");
    task.SetImportance(2);
    task.SetPercentComplete(50);
    task.SetDueDate(COleDate::FromFields(2024, 6, 30));
    task.SetReminderOverrideDefault(true);
    task.Save();
    const CContactItem contact(OpenFolder(default_folders::kContacts).Add(kContactClass));
    contact.SetFirstName("Jürgen");
    contact.SetLastName("Müller");
    contact.SetTitle("Dr.");
    contact.SetJobTitle("Leiter");
    contact.SetCompanyName("Beispiel GmbH");
    contact.SetDepartment("Einkauf");
    contact.SetEmail2Address("j@example.org");  // the first one empty
    contact.SetEmail3Address("m@example.org");
    contact.SetBusinessTelephoneNumber("+49 30 1234");
    contact.SetMobileTelephoneNumber("+49 170 1");
    contact.SetHomeFaxNumber("+49 30 9");
    contact.SetBusinessAddressStreet("Hauptstr. 1");
    contact.SetBusinessAddressPostalCode("10115");
    contact.SetBusinessAddressCity("Berlin");
    contact.SetBusinessAddressCountry("Deutschland");
    contact.SetHomeAddress("Weg 2, 12345 Dorf");
    contact.SetBody("Notiz;mit,Zeichen\r\nZeile 2");
    contact.SetBusinessHomePage("http://example.org");
    contact.Save();

    const CTaskItem readTask(OpenFolder(default_folders::kTasks).Find(kWholeFolder));
    EXPECT_EQ(readTask.GetSubject(), "Bericht");
    EXPECT_EQ(readTask.GetImportance(), 2);
    EXPECT_EQ(readTask.GetPercentComplete(), 50);
    EXPECT_EQ(readTask.GetDueDate(), COleDate::FromFields(2024, 6, 30));
    EXPECT_EQ(readTask.GetStartDate().GetYear(), 4501);  // never set: "none"
    EXPECT_TRUE(readTask.GetReminderOverrideDefault());
    const CContactItem read(OpenFolder(default_folders::kContacts).Find(kWholeFolder));
    EXPECT_EQ(read.GetFirstName(), "Jürgen");
    EXPECT_EQ(read.GetLastName(), "Müller");
    EXPECT_EQ(read.GetTitle(), "Dr.");
    EXPECT_EQ(read.GetJobTitle(), "Leiter");
    EXPECT_EQ(read.GetCompanyName(), "Beispiel GmbH");
    EXPECT_EQ(read.GetDepartment(), "Einkauf");
    EXPECT_EQ(read.GetEmail1Address(), "");
    EXPECT_EQ(read.GetEmail2Address(), "j@example.org");
    EXPECT_EQ(read.GetEmail3Address(), "m@example.org");
    EXPECT_EQ(read.GetBusinessTelephoneNumber(), "+49 30 1234");
    EXPECT_EQ(read.GetMobileTelephoneNumber(), "+49 170 1");
    EXPECT_EQ(read.GetHomeFaxNumber(), "+49 30 9");
    EXPECT_EQ(read.GetBusinessAddressStreet(), "Hauptstr. 1");
    EXPECT_EQ(read.GetBusinessAddressPostalCode(), "10115");
    EXPECT_EQ(read.GetBusinessAddressCity(), "Berlin");
    EXPECT_EQ(read.GetBusinessAddressCountry(), "Deutschland");
    EXPECT_EQ(read.GetBusinessAddressState(), "");
    EXPECT_EQ(read.GetHomeAddress(), "Weg 2, 12345 Dorf");
    EXPECT_EQ(read.GetBody(), "Notiz;mit,Zeichen\r\nZeile 2");
    EXPECT_EQ(read.GetBusinessHomePage(), "http://example.org");

    // Values the program would refuse are refused, and nothing else is reachable.
    EXPECT_EQ(test::ComErrorCode([&] { readTask.SetImportance(3); }), com_codes::kInvalidArgument);
    EXPECT_EQ(test::ComErrorCode([&] { readTask.SetPercentComplete(101); }), com_codes::kInvalidArgument);
    EXPECT_EQ(test::ComErrorCode([&] { readTask.SetDueDate(COleDate::Invalid()); }), com_codes::kInvalidArgument);
    EXPECT_EQ(test::ComErrorCode([&] { readTask.PutProperty("Importance", CVariant("hoch")); }), com_codes::kTypeMismatch);
    EXPECT_EQ(test::ComErrorCode([&] { read.GetProperty("IsRecurring"); }), com_codes::kUnknownName);
    EXPECT_EQ(test::ComErrorCode([&] { read.GetProperty("Subject"); }), com_codes::kUnknownName);
    EXPECT_EQ(test::ComErrorCode([&] { OpenFolder(6); }), com_codes::kInvalidArgument);
}

TEST_P(StoreContractTest, ScanThatDeletesEveryItemMeetsEachOnce)
{
    const CItems items = OpenFolder();
    for (const char* body : {"1", "2", "3", "4"})
        AddSaved(items, body[0] == '2' ? "IPM.Appointment" : kAppointmentClass, body);
    AddSaved(OpenFolder(default_folders::kTasks), kTaskClass, "task");

    EXPECT_THAT(Scan(items, [](const COutlookItem& item) { item.Delete(); }), ElementsAre("1", "2", "3", "4"));
    EXPECT_THAT(Scan(OpenFolder()), ElementsAre());
    EXPECT_THAT(Scan(OpenFolder(default_folders::kTasks)), ElementsAre("task"));
}

TEST_P(StoreContractTest, ScanStaysCorrectWhileItemsAreSavedAndDeleted)
{
    const CItems items = OpenFolder();
    for (const char* body : {"A", "B", "C", "D"})
        AddSaved(items, "IPM.Appointment", body);
    const CItems elsewhere = OpenFolder();

    // Converting each item met saves it again; another store object saves C,
    // deletes D and adds E meanwhile.
    const auto seen = Scan(items, [&](const COutlookItem& item) {
        item.SetMessageClass(kAppointmentClass);
        item.Save();
        if (item.GetBody() != "A")
            return;
        for (COutlookItem other = elsewhere.Find(kWholeFolder); !other.IsNull(); other = elsewhere.FindNext()) {
            if (other.GetBody() == "C") {
                other.SetBody("C2");
                other.Save();
            } else if (other.GetBody() == "D") {
                other.Delete();
            }
        }
        AddSaved(elsewhere, "IPM.Appointment", "E");
    });
    EXPECT_THAT(seen, ElementsAre("A", "B", "C2"));
    EXPECT_THAT(Scan(OpenFolder()), ElementsAre("A", "B", "C2", "E"));
    std::vector<std::string> classes;
    Scan(OpenFolder(), [&](const COutlookItem& item) { classes.push_back(item.GetMessageClass()); });
    EXPECT_THAT(classes, ElementsAre(kAppointmentClass, kAppointmentClass, kAppointmentClass, "IPM.Appointment"));
}

TEST_P(StoreContractTest, ABatchReachesTheStoreAtItsCommitOrNotAtAll)
{
    const CNameSpace nameSpace = OpenNameSpace();
    const CItems items = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
    const CItems contacts = nameSpace.GetDefaultFolder(default_folders::kContacts).GetItems();
    const std::string first = AddSaved(items, kAppointmentClass, "vorher").GetEntryID();

    nameSpace.BeginBatch();
    std::vector<std::string> expected{"vorher"}, expectedContacts;
    std::vector<std::string> entryIds;
    for (int i = 0; i < 300; ++i) {
        expected.push_back("T" + std::to_string(i));
        entryIds.push_back(AddSaved(items, kAppointmentClass, expected.back()).GetEntryID());
        expectedContacts.push_back("K" + std::to_string(i));
        AddSaved(contacts, "IPM.Contact", expectedContacts.back());
    }
    // Saved again and deleted inside the batch: the last state counts.
    const COutlookItem again = nameSpace.GetItemFromID(entryIds[1]);
    again.SetBody("T1b");
    again.Save();
    expected[2] = "T1b";
    nameSpace.GetItemFromID(entryIds[2]).Delete();
    expected.erase(expected.begin() + 3);
    // A save of an item that the batch deleted fails, and costs that save only.
    const COutlookItem gone = nameSpace.GetItemFromID(first);
    nameSpace.GetItemFromID(first).Delete();
    EXPECT_THROW(gone.Save(), CComError);
    expected.erase(expected.begin());
    EXPECT_THAT(Scan(OpenFolder()), ElementsAre("vorher"));  // another program sees the store before the batch
    nameSpace.CommitBatch();
    EXPECT_EQ(Scan(OpenFolder()), expected);
    EXPECT_EQ(Scan(OpenFolder(default_folders::kContacts)), expectedContacts);

    // Read in a read batch: each item with its own values.
    nameSpace.BeginBatch(false);
    EXPECT_EQ(Scan(items), expected);
    nameSpace.CommitBatch();

    // Rolled back, nothing of it is there.
    nameSpace.BeginBatch();
    AddSaved(items, kAppointmentClass, "verworfen");
    nameSpace.GetItemFromID(items.Find(kWholeFolder).GetEntryID()).Delete();
    nameSpace.RollbackBatch();
    EXPECT_EQ(Scan(OpenFolder()), expected);
    EXPECT_THROW(nameSpace.GetItemFromID("nicht-da"), CComError);
}

TEST_P(StoreContractTest, SavedOrDeletedItemsBehaveLikeTheProgramsItems)
{
    const CItems items = OpenFolder();
    const COutlookItem item = AddSaved(items, kAppointmentClass, "x");
    const COutlookItem sameElsewhere = OpenFolder().Find(kWholeFolder);
    sameElsewhere.Delete();
    EXPECT_EQ(test::ComErrorCode([&] { sameElsewhere.GetBody(); }), com_codes::kFail);
    item.SetBody("y");
    EXPECT_EQ(test::ComErrorCode([&] { item.Save(); }), com_codes::kFail);  // not brought back to life

    // Changes that are not saved are not kept.
    const COutlookItem unsaved = AddSaved(items, kAppointmentClass, "saved");
    unsaved.SetBody("not saved");
    EXPECT_THAT(Scan(OpenFolder()), ElementsAre("saved"));
}

TEST_P(StoreContractTest, UserPropertiesFollowTheFormOfTheMessageClass)
{
    const struct {
        int folder;
        const char* messageClass;
        const char* name;
        bool defined;
    } cases[] = {
        {default_folders::kCalendar, kAppointmentClass, "Participants", true},
        {default_folders::kCalendar, kAppointmentClass, "participants", true},
        {default_folders::kCalendar, kAppointmentClass, "Assignment", false},
        {default_folders::kCalendar, "IPM.Appointment", "Participants", false},
        {default_folders::kTasks, kTaskClass, "TaskType", true},
        {default_folders::kTasks, "IPM.Task", "Participants", false},
        {default_folders::kContacts, kContactClass, "AddressenComment", true},
        {default_folders::kContacts, kContactClass, "ContactSalutation", true},
        {default_folders::kContacts, "IPM.Contact", "ContactSalutation", false},
    };
    for (const auto& c : cases) {
        const CItems items = OpenFolder(c.folder);
        const COutlookItem item = items.Add(c.messageClass);
        const CUserProperty property = item.GetUserProperties().Item(c.name);
        ASSERT_EQ(!property.IsNull(), c.defined) << c.messageClass << " " << c.name;
        if (!c.defined)
            continue;
        EXPECT_EQ(property.GetValue().ToText(), "") << c.name;  // never set: empty
        property.SetValue(CVariant(std::string("Wert\r\nzwei; Zeilen, 100%")));
        item.Save();
        const std::string entryId = item.GetEntryID();
        const COutlookItem read = OpenNameSpace().GetItemFromID(entryId);
        EXPECT_EQ(read.GetUserProperties().Item(c.name).GetValue().ToText(), "Wert\r\nzwei; Zeilen, 100%") << c.name;
        read.Delete();
    }
}

TEST_P(StoreContractTest, MessageClassPutAndSaveConvertsAnItem)
{
    const COutlookItem item = AddSaved(OpenFolder(default_folders::kTasks), "IPM.Task", "fremd");
    EXPECT_TRUE(item.GetUserProperties().Item("TaskType").IsNull());
    const COutlookItem found = OpenFolder(default_folders::kTasks).Find(kWholeFolder);
    EXPECT_EQ(found.GetMessageClass(), "IPM.Task");
    found.SetMessageClass(kTaskClass);
    found.Save();
    const COutlookItem converted = OpenFolder(default_folders::kTasks).Find(kWholeFolder);
    EXPECT_EQ(converted.GetMessageClass(), kTaskClass);
    EXPECT_EQ(converted.GetBody(), "fremd");
    EXPECT_FALSE(converted.GetUserProperties().Item("TaskType").IsNull());
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContractTest, testing::ValuesIn(kStores),
                         [](const testing::TestParamInfo<CStoreUnderTest>& info) { return std::string(info.param.name); });

} // namespace
} // namespace tarnwel
