// Stores written by earlier versions of the program open with every item and
// value and get an identity; stores of a later version are refused and left
// as they are.

#include "platform/automation/Application.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/automation/ContactItem.h"
#include "platform/base/ComError.h"
#include "platform/pimstore/PimStore.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <stdexcept>

namespace tarnwel {
namespace {

using testing::HasSubstr;
using testing::Pair;

constexpr const char* kWholeFolder = "[LastModificationTime] > '1900-01-01'";

// A raw connection to a store file, for building and inspecting its tables.
class CRawStore {
public:
    explicit CRawStore(const std::string& path)
    {
        if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path);
    }
    ~CRawStore() { sqlite3_close(m_db); }
    CRawStore(const CRawStore&) = delete;
    CRawStore& operator=(const CRawStore&) = delete;

    void Execute(const std::string& sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message != nullptr ? message : "?";
            sqlite3_free(message);
            throw std::runtime_error(sql + ": " + text);
        }
    }
    // The first column of the first row as text, "" without a row.
    std::string Text(const std::string& sql)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(m_db));
        std::string text;
        if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr)
            text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        return text;
    }

private:
    sqlite3* m_db = nullptr;
};

// The layout of the first version: values in a table with row ids.
void WriteVersionOneStore(const std::string& path)
{
    CRawStore store(path);
    store.Execute("PRAGMA journal_mode = WAL");
    store.Execute("CREATE TABLE items (id INTEGER PRIMARY KEY AUTOINCREMENT, folder INTEGER NOT NULL,"
                  " entry_id TEXT NOT NULL UNIQUE, message_class TEXT NOT NULL,"
                  " last_modification_time REAL NOT NULL, is_recurring INTEGER NOT NULL DEFAULT 0)");
    store.Execute("CREATE INDEX items_by_folder ON items (folder, id)");
    store.Execute("CREATE TABLE item_values (item_id INTEGER NOT NULL, user INTEGER NOT NULL, name TEXT NOT NULL,"
                  " value, PRIMARY KEY (item_id, user, name))");
    store.Execute("INSERT INTO items VALUES"
                  " (1, 9, 'A1', 'IPM.Appointment.DRAVAppointment', 45000.5, 1),"
                  " (2, 10, 'C2', 'IPM.Contact.DRAVContact', 45001.25, 0),"
                  " (3, 9, 'A3', 'IPM.Appointment', 45002.0, 0)");
    // Values in an order other than their key's, as saves over time leave them.
    store.Execute("INSERT INTO item_values VALUES"
                  " (3, 0, 'Subject', 'Drittes'),"
                  " (1, 1, 'Participants', 'Anna'),"
                  " (1, 0, 'Subject', 'Planung'),"
                  " (2, 0, 'LastName', 'Müller'),"
                  " (1, 0, 'Start', 45010.4375),"
                  " (1, 0, 'AllDayEvent', 1),"
                  " (2, 0, 'Body', 'Zeile 1\r\nZeile 2')");
    store.Execute("PRAGMA user_version = 1");
}

class PimSchemaVersionTest : public testing::Test {
protected:
    test::CTemporaryDirectory m_directory;
    std::string m_path = m_directory.Path("store.db");
};

TEST_F(PimSchemaVersionTest, AVersionOneStoreKeepsEveryItemAndValue)
{
    WriteVersionOneStore(m_path);
    const CNameSpace nameSpace = CApplication(OpenPimStore(m_path)).GetNamespace("MAPI");
    const CItems calendar = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();

    const CAppointmentItem first(calendar.Find(kWholeFolder));
    EXPECT_EQ(first.GetEntryID(), "A1");
    EXPECT_EQ(first.GetLastModificationTime(), COleDate(45000.5));
    EXPECT_TRUE(first.GetIsRecurring());
    EXPECT_EQ(first.GetSubject(), "Planung");
    EXPECT_EQ(first.GetStart(), COleDate(45010.4375));
    EXPECT_TRUE(first.GetAllDayEvent());
    EXPECT_EQ(first.GetUserProperties().Item("Participants").GetValue().ToText(), "Anna");
    const CAppointmentItem third(calendar.FindNext());
    EXPECT_EQ(third.GetEntryID(), "A3");
    EXPECT_EQ(third.GetSubject(), "Drittes");
    EXPECT_TRUE(calendar.FindNext().IsNull());
    const CContactItem contact(nameSpace.GetItemFromID("C2"));
    EXPECT_EQ(contact.GetLastName(), "Müller");
    EXPECT_EQ(contact.GetBody(), "Zeile 1\r\nZeile 2");

    // The moved values are saved and deleted like any others, and the next
    // item gets an id that was never used.
    first.SetSubject("Neu");
    first.Save();
    third.Delete();
    const CAppointmentItem added(calendar.Add("IPM.Appointment.DRAVAppointment"));
    added.SetSubject("Später");
    added.Save();
    {
        CRawStore raw(m_path);
        EXPECT_EQ(raw.Text("PRAGMA user_version"), "3");
        EXPECT_THAT(raw.Text("SELECT store_id FROM store_identity"), testing::MatchesRegex("[0-9a-f]{32}"));
        EXPECT_THAT(raw.Text("SELECT sql FROM sqlite_master WHERE name = 'item_values'"), HasSubstr("WITHOUT ROWID"));
        EXPECT_EQ(raw.Text("SELECT count(*) FROM sqlite_master WHERE name = 'item_values_2'"), "0");
        EXPECT_EQ(raw.Text("SELECT group_concat(item_id || ':' || name, ' ') FROM item_values"),
                  "1:AllDayEvent 1:Start 1:Subject 1:Participants 2:Body 2:LastName 4:Subject");
    }
    std::vector<std::pair<std::string, std::string>> seen;
    const CItems reopened = CApplication(OpenPimStore(m_path)).GetNamespace("MAPI").GetDefaultFolder(9).GetItems();
    for (CAppointmentItem item(reopened.Find(kWholeFolder)); !item.IsNull(); item = CAppointmentItem(reopened.FindNext()))
        seen.emplace_back(item.GetEntryID(), item.GetSubject());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_THAT(seen[0], Pair("A1", "Neu"));
    EXPECT_EQ(seen[1].second, "Später");
}

TEST_F(PimSchemaVersionTest, AStoreOfALaterVersionIsRefusedAndLeftAsItIs)
{
    WriteVersionOneStore(m_path);
    CRawStore(m_path).Execute("PRAGMA user_version = 4");
    try {
        OpenPimStore(m_path);
        FAIL() << "a store of a later version was opened";
    } catch (const CComError& error) {
        EXPECT_THAT(error.Description(), HasSubstr(m_path));
        EXPECT_THAT(error.Description(), HasSubstr("newer version"));
    }
    CRawStore raw(m_path);
    EXPECT_EQ(raw.Text("PRAGMA user_version"), "4");
    EXPECT_EQ(raw.Text("SELECT count(*) FROM item_values"), "7");
    EXPECT_THAT(raw.Text("SELECT sql FROM sqlite_master WHERE name = 'item_values'"),
                testing::Not(HasSubstr("WITHOUT ROWID")));
}

// The StoreID of a default folder of the store in `path`.
std::string StoreIdOf(const std::string& path, int folder = default_folders::kCalendar)
{
    return CApplication(OpenPimStore(path)).GetNamespace("MAPI").GetDefaultFolder(folder).GetStoreID();
}

TEST_F(PimSchemaVersionTest, EveryStoreHasAnIdentityOfItsOwnForItsLife)
{
    const std::string id = StoreIdOf(m_path);
    EXPECT_THAT(id, testing::MatchesRegex("[0-9a-f]{32}"));
    EXPECT_EQ(StoreIdOf(m_path, default_folders::kContacts), id);
    EXPECT_EQ(StoreIdOf(m_path, default_folders::kTasks), id);
    EXPECT_NE(StoreIdOf(m_directory.Path("other.db")), id);

    // A store of version 2 had none: it gets one on open, in the version's
    // step, and keeps it.
    {
        CRawStore raw(m_path);
        raw.Execute("DROP TABLE store_identity");
        raw.Execute("PRAGMA user_version = 2");
    }
    const std::string adopted = StoreIdOf(m_path);
    EXPECT_THAT(adopted, testing::MatchesRegex("[0-9a-f]{32}"));
    EXPECT_NE(adopted, id);
    EXPECT_EQ(StoreIdOf(m_path), adopted);
    EXPECT_EQ(CRawStore(m_path).Text("PRAGMA user_version"), "3");

    // A row removed by hand is replaced once.
    CRawStore(m_path).Execute("DELETE FROM store_identity");
    const std::string replaced = StoreIdOf(m_path);
    EXPECT_THAT(replaced, testing::MatchesRegex("[0-9a-f]{32}"));
    EXPECT_EQ(StoreIdOf(m_path), replaced);
}

TEST_F(PimSchemaVersionTest, AMissingStoreIsCreatedOnlyWhenNotRefused)
{
    const std::string missing = m_directory.Path("missing.db");
    const CApplication refusing(OpenPimStore(missing));
    refusing.RefuseToCreateMissingStore();
    try {
        refusing.GetNamespace("MAPI");
        FAIL() << "a missing store was created";
    } catch (const CComError& error) {
        EXPECT_EQ(error.Code(), com_codes::kFileNotFound);
        EXPECT_THAT(error.Description(), HasSubstr(missing));
    }
    EXPECT_EQ(m_directory.EntryCount(), 0);

    // Not refused: created at the first GetNamespace, not before.
    const CApplication creating(OpenPimStore(missing));
    EXPECT_EQ(m_directory.EntryCount(), 0);
    EXPECT_FALSE(creating.GetNamespace("MAPI").GetDefaultFolder(default_folders::kTasks).GetStoreID().empty());
    // A store that exists is opened whatever the property says.
    const CApplication existing(OpenPimStore(missing));
    existing.RefuseToCreateMissingStore();
    EXPECT_FALSE(existing.GetNamespace("MAPI").GetDefaultFolder(default_folders::kTasks).GetStoreID().empty());
}

} // namespace
} // namespace tarnwel
