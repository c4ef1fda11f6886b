#include "platform/automation/Application.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/automation/ContactItem.h"
#include "platform/automation/TaskItem.h"
#include "platform/base/FileLock.h"
#include "platform/pimstore/PimDatabase.h"
#include "platform/pimstore/PimStore.h"

#include "platform/base/FileLock.h"
#include "tests/support/ComErrorCode.h"
#include "tests/support/ScopedUserLocale.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace tarnwel {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::UnorderedElementsAre;

constexpr const char* kAppointmentClass = "IPM.Appointment.DRAVAppointment";
constexpr const char* kTaskClass = "IPM.Task.DRAVTask";
constexpr const char* kContactClass = "IPM.Contact.DRAVContact";
constexpr const char* kWholeFolder = "[LastModificationTime] > '1900-01-01'";

class PimStoreTest : public testing::Test {
protected:
    // The items of a default folder, through a store object of its own.
    CItems OpenFolder(int folder = default_folders::kCalendar)
    {
        const CNameSpace nameSpace = CApplication(OpenPimStore(m_path)).GetNamespace("MAPI");
        nameSpace.Logon();
        return nameSpace.GetDefaultFolder(folder).GetItems();
    }
    static COutlookItem AddSaved(const CItems& items, std::string_view messageClass, std::string_view body)
    {
        const COutlookItem item = items.Add(messageClass);
        item.SetBody(body);
        item.Save();
        return item;
    }
    // The bodies of the items a whole-folder scan meets; `visit` runs on each.
    static std::vector<std::string> Scan(const CItems& items, const std::function<void(const COutlookItem&)>& visit = {},
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

    test::CScopedUserLocale m_locale;
    test::CTemporaryDirectory m_directory;
    std::string m_path = m_directory.Path("store.db");
};

TEST_F(PimStoreTest, SavesItemsAndFindsThemByModificationTime)
{
    const CItems items = OpenFolder();
    const CAppointmentItem added(items.Add(kAppointmentClass));
    EXPECT_EQ(added.GetEntryID(), "");
    added.SetSubject("Planung");
    added.SetLocation("Raum 1");
    added.SetStart(COleDate::FromFields(2024, 5, 1, 10, 15));
    added.SetEnd(COleDate::FromFields(2024, 5, 1, 11, 0));
    added.SetAllDayEvent(true);
    added.SetBody("Zeile 1\r\nZeile 2");
    const COleDate before = COleDate::Now().AddDays(-1.0 / 86400);
    added.Save();
    const std::string entryId = added.GetEntryID();
    EXPECT_THAT(entryId, testing::MatchesRegex("[0-9A-F]{32}"));
    EXPECT_FALSE(added.GetLastModificationTime().IsBefore(before));

    const COleDate yesterday = COleDate::Now().AddDays(-1);
    const COleDate tomorrow = COleDate::Now().AddDays(1);
    const struct {
        std::string date;
        bool found;
    } filters[] = {
        {yesterday.FormatLocaleDate(), true},
        {yesterday.Format("%Y-%m-%d"), true},
        {yesterday.Format("%Y-%m-%d %H:%M:%S"), true},
        {tomorrow.FormatLocaleDate(), false},
        {tomorrow.Format("%Y-%m-%d %H:%M"), false},
    };
    const CItems other = OpenFolder();
    for (const auto& filter : filters) {
        const CAppointmentItem found(other.Find("[LastModificationTime] > '" + filter.date + "'"));
        ASSERT_EQ(!found.IsNull(), filter.found) << filter.date;
        if (!filter.found)
            continue;
        EXPECT_EQ(found.GetEntryID(), entryId);
        EXPECT_EQ(found.GetMessageClass(), kAppointmentClass);
        EXPECT_EQ(found.GetSubject(), "Planung");
        EXPECT_EQ(found.GetLocation(), "Raum 1");
        EXPECT_EQ(found.GetStart(), COleDate::FromFields(2024, 5, 1, 10, 15));
        EXPECT_EQ(found.GetEnd(), COleDate::FromFields(2024, 5, 1, 11, 0));
        EXPECT_TRUE(found.GetAllDayEvent());
        EXPECT_FALSE(found.GetIsRecurring());
        EXPECT_EQ(found.GetBody(), "Zeile 1\r\nZeile 2");
        EXPECT_TRUE(other.FindNext().IsNull());
    }

    for (const char* bad : {"[Subject] > '2024-01-01'", "[LastModificationTime] > 'kein Datum'",
                            "[LastModificationTime] < '2024-01-01'", "[LastModificationTime] > '2024-01-01"})
        EXPECT_EQ(test::ComErrorCode([&] { other.Find(bad); }), com_codes::kInvalidArgument) << bad;
}

TEST_F(PimStoreTest, KeepsTasksAndContactsWithTheirTypes)
{
    const CTaskItem task(OpenFolder(default_folders::kTasks).Add(kTaskClass));
    task.SetImportance(2);
    task.SetPercentComplete(50);
    task.SetDueDate(COleDate::FromFields(2024, 6, 30));
    task.SetReminderOverrideDefault(true);
    task.Save();
    const CContactItem contact(OpenFolder(default_folders::kContacts).Add(kContactClass));
    contact.SetLastName("Müller");
    contact.SetBusinessHomePage("http://example.org");
    contact.Save();

    const CTaskItem readTask(OpenFolder(default_folders::kTasks).Find(kWholeFolder));
    EXPECT_EQ(readTask.GetImportance(), 2);
    EXPECT_EQ(readTask.GetPercentComplete(), 50);
    EXPECT_EQ(readTask.GetDueDate(), COleDate::FromFields(2024, 6, 30));
    EXPECT_EQ(readTask.GetStartDate().GetYear(), 4501);  // never set: "none"
    EXPECT_TRUE(readTask.GetReminderOverrideDefault());
    const CContactItem readContact(OpenFolder(default_folders::kContacts).Find(kWholeFolder));
    EXPECT_EQ(readContact.GetLastName(), "Müller");
    EXPECT_EQ(readContact.GetBusinessHomePage(), "http://example.org");
    EXPECT_EQ(readContact.GetFirstName(), "");

    // Values the program would refuse are refused, and nothing else is reachable.
    EXPECT_EQ(test::ComErrorCode([&] { readTask.SetImportance(3); }), com_codes::kInvalidArgument);
    EXPECT_EQ(test::ComErrorCode([&] { readTask.SetPercentComplete(101); }), com_codes::kInvalidArgument);
    EXPECT_EQ(test::ComErrorCode([&] { readTask.SetDueDate(COleDate::Invalid()); }), com_codes::kInvalidArgument);
    EXPECT_EQ(test::ComErrorCode([&] { readTask.PutProperty("Importance", CVariant("hoch")); }), com_codes::kTypeMismatch);
    EXPECT_EQ(test::ComErrorCode([&] { readContact.GetProperty("IsRecurring"); }), com_codes::kUnknownName);
    EXPECT_EQ(test::ComErrorCode([&] { readContact.GetProperty("Subject"); }), com_codes::kUnknownName);
    EXPECT_EQ(test::ComErrorCode([&] { OpenFolder(6); }), com_codes::kInvalidArgument);
}

TEST_F(PimStoreTest, ScanThatDeletesEveryItemMeetsEachOnce)
{
    const CItems items = OpenFolder();
    for (const char* body : {"1", "2", "3", "4"})
        AddSaved(items, body[0] == '2' ? "IPM.Appointment" : kAppointmentClass, body);
    AddSaved(OpenFolder(default_folders::kTasks), kTaskClass, "task");

    EXPECT_THAT(Scan(items, [](const COutlookItem& item) { item.Delete(); }), ElementsAre("1", "2", "3", "4"));
    EXPECT_THAT(Scan(OpenFolder()), ElementsAre());
    EXPECT_THAT(Scan(OpenFolder(default_folders::kTasks)), ElementsAre("task"));
}

TEST_F(PimStoreTest, ScanStaysCorrectWhileItemsAreSavedAndDeleted)
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

    // A scan filtered by date passes over the items saved before that date.
    const std::string now = COleDate::Now().Format("%Y-%m-%d %H:%M:%S");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const COutlookItem item = items.Find(kWholeFolder);
    item.Save();
    EXPECT_THAT(Scan(items, {}, "[LastModificationTime] > '" + now + "'"), ElementsAre("A"));
}

TEST_F(PimStoreTest, ABatchReachesOtherProgramsWholeOrNotAtAll)
{
    const CNameSpace nameSpace = CApplication(OpenPimStore(m_path)).GetNamespace("MAPI");
    const CItems items = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
    const CItems contacts = nameSpace.GetDefaultFolder(default_folders::kContacts).GetItems();
    const std::string first = AddSaved(items, kAppointmentClass, "vorher").GetEntryID();

    // Appointments and contacts in turn, more than a scan reads at once.
    nameSpace.BeginBatch();
    std::vector<std::string> expected{"vorher"};
    for (int i = 0; i < 600; ++i) {
        expected.push_back("T" + std::to_string(i));
        AddSaved(items, kAppointmentClass, expected.back());
        AddSaved(contacts, "IPM.Contact", "K" + std::to_string(i));
    }
    // A save that fails inside the batch costs that save only.
    const COutlookItem gone = nameSpace.GetItemFromID(first);
    nameSpace.GetItemFromID(first).Delete();
    EXPECT_THROW(gone.Save(), CComError);
    expected.erase(expected.begin());
    EXPECT_THAT(Scan(OpenFolder()), ElementsAre("vorher"));  // another program sees the file before the batch
    nameSpace.CommitBatch();
    EXPECT_EQ(Scan(OpenFolder()), expected);

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

TEST_F(PimStoreTest, ANewItemThatFailsInsideABatchLeavesNothingOfItself)
{
    const auto database = CPimDatabase::Open(m_path);
    // Texts longer than this cannot be written: the last value of the second
    // item fails after its row and its first values went in.
    sqlite3_limit(database->Handle(), SQLITE_LIMIT_LENGTH, 1000);
    const std::string subject = "Subject", location = "Location", body = "Body";
    const CVariant shortText("kurz"), longText(std::string(2000, 'x'));
    const auto add = [&](const CVariant& last) {
        CPimItemRow row;
        row.folder = default_folders::kCalendar;
        row.messageClass = kAppointmentClass;
        database->SaveItem(row, {{&subject, false, &shortText}, {&location, false, &shortText}, {&body, false, &last}},
                           COleDate::Now());
        return row;
    };
    database->BeginBatch(true);
    const CPimItemRow first = add(shortText);
    EXPECT_EQ(test::ComErrorCode([&] { add(longText); }), com_codes::kFail);
    const CPimItemRow third = add(shortText);
    database->CommitBatch();

    const std::vector<CPimItemRow> rows = database->AllItems();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].entryId, first.entryId);
    EXPECT_EQ(rows[1].entryId, third.entryId);
    for (std::int64_t id = first.id; id <= third.id; ++id)
        EXPECT_EQ(database->LoadValues(*PimKindOfFolder(default_folders::kCalendar), id).size(), id == first.id || id == third.id ? 3u : 0u) << id;
}

TEST_F(PimStoreTest, SavedOrDeletedItemsBehaveLikeTheProgramsItems)
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

TEST_F(PimStoreTest, UserPropertiesFollowTheFormOfTheMessageClass)
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
        {default_folders::kTasks, kTaskClass, "Assignment", true},
        {default_folders::kTasks, "IPM.Task", "Participants", false},
        {default_folders::kContacts, kContactClass, "AddressenComment", true},
        {default_folders::kContacts, kContactClass, "ContactSalutation", true},
        {default_folders::kContacts, kContactClass, "Participants", false},
    };
    for (const auto& c : cases) {
        const COutlookItem item = OpenFolder(c.folder).Add(c.messageClass);
        const CUserProperty property = item.GetUserProperties().Item(c.name);
        EXPECT_EQ(!property.IsNull(), c.defined) << c.messageClass << " " << c.name;
        if (c.defined) {
            EXPECT_EQ(property.GetValue().ToText(), "");
        }
        EXPECT_EQ(item.GetUserProperties().ValueText(c.name), "") << c.messageClass << " " << c.name;
    }

    // A value is kept with its item and saved by the item's Save.
    const CItems tasks = OpenFolder(default_folders::kTasks);
    const COutlookItem task = tasks.Add(kTaskClass);
    task.GetUserProperties().Item("TaskType").SetValue(CVariant("Main Task"));
    task.GetUserProperties().Item("Participants").SetValue(CVariant("Anna\r\nBernd"));
    task.Save();
    task.GetUserProperties().Item("TaskType").SetValue(CVariant("not saved"));
    const CUserProperties read = OpenFolder(default_folders::kTasks).Find(kWholeFolder).GetUserProperties();
    EXPECT_EQ(read.Item("TaskType").GetValue().ToText(), "Main Task");
    EXPECT_EQ(read.Item("Participants").GetValue().ToText(), "Anna\r\nBernd");
    EXPECT_EQ(read.Item("Assignment").GetValue().ToText(), "");
    EXPECT_EQ(task.GetUserProperties().ValueText("tasktype"), "not saved");
    // A scanned item's values read at once give the same.
    const CItems scanned = OpenFolder(default_folders::kTasks);
    const CUserProperties found = scanned.Find(kWholeFolder).GetUserProperties();
    EXPECT_EQ(found.ValueText("TASKTYPE"), "Main Task");
    EXPECT_EQ(found.ValueText("Participants"), "Anna\r\nBernd");
    EXPECT_EQ(found.ValueText("Assignment"), "");
    EXPECT_EQ(found.ValueText("Unknown"), "");
}

TEST_F(PimStoreTest, ValuesWrittenByAnotherProgramAreReadAsTheirPropertysType)
{
    const COutlookItem first = AddSaved(OpenFolder(), kAppointmentClass, "eins");
    const COutlookItem second = AddSaved(OpenFolder(), kAppointmentClass, "zwei");
    {
        // Values as another program may write them: names in another case,
        // numbers as texts and texts as numbers, names no kind knows.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
        const std::string sql =
            "INSERT INTO item_values (item_id, user, name, value) VALUES"
            " (1, 0, 'LOCATION', 'Raum 4'), (1, 0, 'Start', 45000), (1, 0, 'AllDayEvent', '1'),"
            " (1, 0, 'Colour', 'rot'), (1, 1, 'Participants', 42),"
            " (2, 0, 'End', 'kein Datum')";
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    const auto expectFirst = [](const CAppointmentItem& item) {
        EXPECT_EQ(item.GetLocation(), "Raum 4");
        EXPECT_EQ(item.GetStart(), COleDate(45000.0));
        EXPECT_TRUE(item.GetAllDayEvent());
        EXPECT_EQ(item.GetBody(), "eins");
        EXPECT_EQ(item.GetUserProperties().Item("Participants").GetValue().ToText(), "42");
        EXPECT_EQ(test::ComErrorCode([&] { item.GetProperty("Colour"); }), com_codes::kUnknownName);
    };
    const auto expectDamaged = [this](const CAppointmentItem& item) {
        try {
            item.GetEnd();
            ADD_FAILURE() << "a damaged value was read";
        } catch (const CComError& error) {
            EXPECT_EQ(error.Code(), com_codes::kFail);
            EXPECT_THAT(error.Description(), HasSubstr("damaged value of End"));
            EXPECT_THAT(error.Description(), HasSubstr(m_path));
        }
    };
    // Read one at a time, a few hundred at a time (in a batch), and by entry id.
    const CNameSpace nameSpace = CApplication(OpenPimStore(m_path)).GetNamespace("MAPI");
    const CItems items = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
    for (const bool batch : {false, true}) {
        if (batch)
            nameSpace.BeginBatch(false);
        const CAppointmentItem readFirst(items.Find(kWholeFolder));
        const CAppointmentItem readSecond(items.FindNext());
        expectFirst(readFirst);
        expectDamaged(readSecond);
        if (batch)
            nameSpace.CommitBatch();
    }
    expectFirst(CAppointmentItem(nameSpace.GetItemFromID(first.GetEntryID())));
    expectDamaged(CAppointmentItem(nameSpace.GetItemFromID(second.GetEntryID())));

    // A value kept from elsewhere stays when the item is saved.
    const CAppointmentItem item(nameSpace.GetItemFromID(first.GetEntryID()));
    item.SetSubject("neu");
    item.Save();
    const CAppointmentItem saved(OpenFolder().Find(kWholeFolder));
    EXPECT_EQ(saved.GetSubject(), "neu");
    EXPECT_EQ(saved.GetLocation(), "Raum 4");
}

TEST_F(PimStoreTest, ItemsOfALongScanKeepTheirOwnValuesWhateverTheItemsBeforeThemHeld)
{
    // More items than one read of a batch holds, so that later items come in
    // objects that earlier ones used: odd items have a location, every
    // third one participants, and item 5 a damaged end.
    constexpr int kCount = 600;
    const CNameSpace nameSpace = CApplication(OpenPimStore(m_path)).GetNamespace("MAPI");
    const CItems items = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
    nameSpace.BeginBatch();
    for (int i = 1; i <= kCount; ++i) {
        const CAppointmentItem item(items.Add(kAppointmentClass));
        item.SetSubject("s" + std::to_string(i));
        if (i % 2 == 1)
            item.SetLocation("ort" + std::to_string(i));
        if (i % 3 == 0)
            item.GetUserProperties().Item("Participants").SetValue(CVariant("p" + std::to_string(i)));
        item.Save();
    }
    nameSpace.CommitBatch();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "INSERT INTO item_values (item_id, user, name, value) VALUES (5, 0, 'End', 'x')",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }

    // Each item is changed without a save; the first item and a user
    // property of the third are held through the whole scan.
    nameSpace.BeginBatch(false);
    std::optional<CAppointmentItem> first;
    CUserProperty thirdParticipants;
    int i = 0;
    for (COutlookItem found = items.Find(kWholeFolder); !found.IsNull(); found = items.FindNext()) {
        const CAppointmentItem item(found);
        ++i;
        if (i == 5) {
            // A damaged value stands for all of the item's values.
            EXPECT_EQ(test::ComErrorCode([&] { item.GetSubject(); }), com_codes::kFail);
            EXPECT_EQ(test::ComErrorCode([&] { item.GetUserProperties().ValueText("Participants"); }),
                      com_codes::kFail);
            continue;
        }
        const std::string n = std::to_string(i);
        ASSERT_EQ(item.GetSubject(), "s" + n);
        EXPECT_EQ(item.GetLocation(), i % 2 == 1 ? "ort" + n : "") << i;
        EXPECT_EQ(item.GetUserProperties().Item("Participants").GetValue().ToText(), i % 3 == 0 ? "p" + n : "") << i;
        EXPECT_EQ(item.GetUserProperties().ValueText("Participants"), i % 3 == 0 ? "p" + n : "") << i;
        EXPECT_EQ(test::ComErrorCode([&] { item.GetEnd(); }), 0) << i;
        item.SetLocation("changed");
        item.GetUserProperties().Item("Participants").SetValue(CVariant("changed"));
        if (i == 1)
            first = item;
        if (i == 3)
            thirdParticipants = item.GetUserProperties().Item("Participants");
    }
    nameSpace.CommitBatch();
    EXPECT_EQ(i, kCount);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetSubject(), "s1");
    EXPECT_EQ(first->GetLocation(), "changed");
    EXPECT_EQ(thirdParticipants.GetValue().ToText(), "changed");
    // Nothing of the changes reached the file.
    EXPECT_EQ(CAppointmentItem(OpenFolder().Find(kWholeFolder)).GetLocation(), "ort1");
}

TEST_F(PimStoreTest, EachAddedItemStartsNewWhateverTheItemAddedBeforeItHeld)
{
    const CItems items = OpenFolder();
    std::string firstId;
    {
        const CAppointmentItem first(items.Add(kAppointmentClass));
        first.SetSubject("a long subject that does not fit a short text");
        first.SetLocation("Ost");
        first.SetAllDayEvent(true);
        first.PutProperty("IsRecurring", CVariant(true));
        first.GetUserProperties().Item("Participants").SetValueText("p1");
        first.Save();
        firstId = first.GetEntryID();
    }
    // A deleted item and one whose user property is still held.
    {
        const CAppointmentItem deleted(items.Add(kAppointmentClass));
        EXPECT_EQ(deleted.GetUserProperties().Item("Participants").GetValueText(), "");
        EXPECT_EQ(deleted.GetSubject(), "");
        deleted.SetBody("gone");
        deleted.Delete();
    }
    const CUserProperty held = CAppointmentItem(items.Add(kAppointmentClass)).GetUserProperties().Item("Participants");
    held.SetValueText("held");

    const CAppointmentItem second(items.Add("IPM.Appointment"));
    EXPECT_EQ(second.GetEntryID(), "");
    EXPECT_EQ(second.GetMessageClass(), "IPM.Appointment");
    EXPECT_EQ(second.GetSubject(), "");
    EXPECT_EQ(second.GetLocation(), "");
    EXPECT_EQ(second.GetBody(), "");
    EXPECT_FALSE(second.GetAllDayEvent());
    EXPECT_FALSE(second.GetIsRecurring());
    EXPECT_TRUE(second.GetUserProperties().Item("Participants").IsNull());
    EXPECT_EQ(held.GetValue().ToText(), "held");

    // Held while another is added, it keeps its own values.
    const CAppointmentItem third(items.Add(kAppointmentClass));
    second.SetSubject("zwei");
    third.SetSubject("drei");
    third.Save();
    second.Save();
    EXPECT_EQ(second.GetSubject(), "zwei");
    EXPECT_NE(second.GetEntryID(), third.GetEntryID());
    EXPECT_NE(second.GetEntryID(), firstId);
    EXPECT_EQ(CAppointmentItem(items.Add(kAppointmentClass)).GetUserProperties().Item("Participants").GetValue().ToText(),
              "");

    EXPECT_THAT(Scan(OpenFolder()), ElementsAre("", "", ""));
    std::vector<std::string> subjects;
    Scan(OpenFolder(), [&](const COutlookItem& item) {
        const CAppointmentItem appointment(item);
        const CUserProperty participants = appointment.GetUserProperties().Item("Participants");
        subjects.push_back(appointment.GetSubject() + "|" + appointment.GetLocation() + "|" +
                           (participants.IsNull() ? "-" : participants.GetValueText()) + "|" +
                           (appointment.GetIsRecurring() ? "r" : ""));
    });
    EXPECT_THAT(subjects, ElementsAre("a long subject that does not fit a short text|Ost|p1|r", "drei|||", "zwei||-|"));
}

TEST_F(PimStoreTest, MessageClassPutAndSaveConvertsAnItem)
{
    AddSaved(OpenFolder(), "IPM.Appointment", "fremd");
    const COutlookItem item = OpenFolder().Find(kWholeFolder);
    EXPECT_TRUE(item.GetUserProperties().Item("Participants").IsNull());
    item.SetMessageClass(kAppointmentClass);
    item.GetUserProperties().Item("Participants").SetValue(CVariant("Keine Teilnehmer"));
    item.Save();

    const COutlookItem converted = OpenFolder().Find(kWholeFolder);
    EXPECT_EQ(converted.GetMessageClass(), kAppointmentClass);
    EXPECT_EQ(converted.GetBody(), "fremd");
    EXPECT_EQ(converted.GetUserProperties().Item("Participants").GetValue().ToText(), "Keine Teilnehmer");
}

TEST_F(PimStoreTest, TwoStoreObjectsShareOneFile)
{
    // Each thread has its own store object (its own connection), as a run and
    // a vacuum have; every save waits for the other's transaction to end.
    auto fill = [this](const std::string& prefix) {
        const CItems items = OpenFolder();
        for (int i = 0; i < 50; ++i)
            AddSaved(items, kAppointmentClass, prefix + std::to_string(i));
    };
    std::thread first(fill, "a");
    std::thread second(fill, "b");
    first.join();
    second.join();
    EXPECT_EQ(Scan(OpenFolder()).size(), 100u);
}

TEST_F(PimStoreTest, DamagedOrUnusableFilesGiveClearErrors)
{
    {
        std::ofstream garbage(m_path, std::ios::binary);
        garbage << std::string(8192, 'x');
    }
    try {
        OpenPimStore(m_path);
        FAIL() << "a file that is no store was opened";
    } catch (const CComError& error) {
        EXPECT_EQ(error.Code(), com_codes::kFail);
        EXPECT_THAT(error.Description(), HasSubstr(m_path));
        EXPECT_THAT(error.Description(), HasSubstr("not a database"));
    }
    EXPECT_EQ(test::ComErrorCode([&] { OpenPimStore(m_directory.Path().string()); }), com_codes::kFail);

    // A store whose pages were overwritten after it was written.
    const std::string damaged = m_directory.Path("damaged.db");
    {
        const CItems items = CApplication(OpenPimStore(damaged)).GetNamespace("MAPI").GetDefaultFolder(9).GetItems();
        for (int i = 0; i < 200; ++i)
            AddSaved(items, kAppointmentClass, std::string(500, 'x'));
    }
    {
        std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096);
        file << std::string(8 * 4096, '\xA5');
    }
    std::remove((damaged + "-wal").c_str());
    EXPECT_NE(test::ComErrorCode([&] {
                  const CItems items = CApplication(OpenPimStore(damaged)).GetNamespace("MAPI").GetDefaultFolder(9).GetItems();
                  Scan(items);
              }),
              0);

    // A store that lost a table: the first use of it fails with the error
    // of the file, not the program.
    const std::string partial = m_directory.Path("partial.db");
    AddSaved(CApplication(OpenPimStore(partial)).GetNamespace("MAPI").GetDefaultFolder(9).GetItems(), kAppointmentClass,
             "x");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(partial.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "DROP TABLE item_values", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    try {
        Scan(CApplication(OpenPimStore(partial)).GetNamespace("MAPI").GetDefaultFolder(9).GetItems());
        FAIL() << "a store without its values was read";
    } catch (const CComError& error) {
        EXPECT_EQ(error.Code(), com_codes::kFail);
        EXPECT_THAT(error.Description(), HasSubstr(partial));
    }
}

TEST_F(PimStoreTest, RegistersUnderTheProgIdWithThePathFromTheEnvironment)
{
    ::setenv("TARNWEL_PIMSTORE", m_path.c_str(), 1);
    const DispatchFactory previous = CProgIdRegistry::Register("Outlook.Application", {});
    const StoreLockPathSource previousLock = SetStoreLockPathSource({});
    RegisterPimStore();
    // One run at a time on the store: its lock file lies beside it.
    EXPECT_EQ(StoreLockPath(), m_path + ".lock");
    SetStoreLockPathSource(previousLock);
    AddSaved(CApplication::Create().GetNamespace("MAPI").GetDefaultFolder(default_folders::kTasks).GetItems(),
             kTaskClass, "über die ProgID");
    CProgIdRegistry::Register("Outlook.Application", previous);
    EXPECT_THAT(Scan(OpenFolder(default_folders::kTasks)), ElementsAre("über die ProgID"));

    // Without the variable: the user's data folder, created when missing.
    ::unsetenv("TARNWEL_PIMSTORE");
    ::setenv("XDG_DATA_HOME", m_directory.Path("data").c_str(), 1);
    EXPECT_EQ(PimStorePath(), m_directory.Path("data/tarnwel/pimstore.db"));
    EXPECT_TRUE(std::filesystem::is_directory(m_directory.Path("data/tarnwel")));
    ::unsetenv("XDG_DATA_HOME");
}

// The store holds every contact and appointment of the user: whatever the
// umask, a new default store, its write-ahead log and shared-memory file are
// 0600 in folders made 0700. A default store that an earlier version made
// readable by others is closed to them when it is opened; a folder reached
// through a link and a file named through TARNWEL_PIMSTORE keep their modes.
TEST_F(PimStoreTest, StoresAreTheUsersAloneWhateverTheUmask)
{
    const auto mode = [](const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    };
    const auto addItem = [](const std::string& path) {
        const CNameSpace nameSpace = CApplication(OpenPimStore(path)).GetNamespace("MAPI");
        nameSpace.Logon();
        AddSaved(nameSpace.GetDefaultFolder(default_folders::kTasks).GetItems(), kTaskClass, "privat");
        return nameSpace;  // keeps the connection, so the -wal and -shm files stay
    };
    ::unsetenv("TARNWEL_PIMSTORE");
    for (const mode_t mask : {mode_t{0}, mode_t{022}}) {
        SCOPED_TRACE(mask);
        const mode_t previous = ::umask(mask);
        const std::string data = m_directory.Path("data" + std::to_string(mask));
        ::setenv("XDG_DATA_HOME", (data + "/share").c_str(), 1);
        const std::string path = PimStorePath();
        {
            const CNameSpace open = addItem(path);
            for (const char* folder : {"", "/share", "/share/tarnwel"})
                EXPECT_EQ(mode(data + folder), 0700u) << folder;
            for (const char* file : {"", "-wal", "-shm"})
                EXPECT_EQ(mode(path + file), 0600u) << file;
        }

        // As an earlier version left it.
        {
            const CNameSpace open = addItem(path);
            ASSERT_EQ(::chmod((data + "/share/tarnwel").c_str(), 0755), 0);
            for (const char* file : {"", "-wal", "-shm"})
                ASSERT_EQ(::chmod((path + file).c_str(), 0644), 0);
            EXPECT_EQ(PimStorePath(), path);
            EXPECT_EQ(mode(data + "/share/tarnwel"), 0700u);
            for (const char* file : {"", "-wal", "-shm"})
                EXPECT_EQ(mode(path + file), 0600u) << file;
        }

        // A named file: made 0600, but one that exists keeps its mode.
        const std::string named = data + "/named.db";
        ::setenv("TARNWEL_PIMSTORE", named.c_str(), 1);
        addItem(PimStorePath());
        EXPECT_EQ(mode(named), 0600u);
        ASSERT_EQ(::chmod(named.c_str(), 0640), 0);
        addItem(PimStorePath());
        EXPECT_EQ(mode(named), 0640u);
        ::unsetenv("TARNWEL_PIMSTORE");
        ::umask(previous);
    }

    // The program's folder is a link the user made: neither it nor what it
    // points to changes.
    const std::string elsewhere = m_directory.Path("elsewhere");
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(elsewhere.c_str(), 0755), 0);
    std::filesystem::create_directories(m_directory.Path("linked"));
    std::filesystem::create_directory_symlink(elsewhere, m_directory.Path("linked/tarnwel"));
    ::setenv("XDG_DATA_HOME", m_directory.Path("linked").c_str(), 1);
    addItem(PimStorePath());
    EXPECT_EQ(mode(elsewhere), 0755u);
    ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace tarnwel
