#include "platform/pimstore/PimDatabase.h"

#include "platform/base/ComError.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tarnwel {
namespace {

// 1: values with row ids; 2: values kept by their key alone; 3: with the
// store's identity (table store_identity, one row).
constexpr int kSchemaVersion = 3;
constexpr int kBusyTimeoutMs = 10000;
// Below every valid date: a scan without a date condition.
constexpr double kBeforeAllDates = -1.0e12;

// An entry id is 32 hexadecimal digits: a count that grows with the time and
// at every id, then 64 random bits. New items thus go to the end of the index
// on entry ids instead of all over it, which keeps a run that adds many items
// from rewriting most of the index's pages at every commit; the random half
// keeps the ids of two programs that add items at the same time apart.
std::string NewEntryId()
{
    static std::atomic<std::uint64_t> last{0};
    const auto now = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    std::uint64_t previous = last.load(std::memory_order_relaxed);
    std::uint64_t next = 0;
    do {
        next = std::max(now, previous + 1);
    } while (!last.compare_exchange_weak(previous, next, std::memory_order_relaxed));
    thread_local std::mt19937_64 engine{std::random_device{}()};
    const std::uint64_t parts[2] = {next, engine()};
    std::string text(32, '0');
    for (std::size_t part = 0; part < 2; ++part)
        for (std::size_t digit = 0; digit < 16; ++digit)
            text[part * 16 + digit] = "0123456789ABCDEF"[(parts[part] >> (60 - 4 * digit)) & 0xF];
    return text;
}

} // namespace

namespace {

// A statement, prepared at its first use and kept for the connection's
// life, so that a run that needs few of them prepares no others. Every use
// is a CUse, whose end resets the statement, so that no read snapshot
// outlives the call.
class CStatement {
public:
    CStatement(const CPimDatabase& database, const char* sql) : m_database(database), m_sql(sql) {}
    ~CStatement() { sqlite3_finalize(m_statement); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    // Runs a statement without values or rows; its SQLite result.
    int Run() noexcept
    {
        if (const int prepared = Prepare(); prepared != SQLITE_OK)
            return prepared;
        const int result = sqlite3_step(m_statement);
        sqlite3_reset(m_statement);
        return result == SQLITE_DONE || result == SQLITE_ROW ? SQLITE_OK : result;
    }

    class CUse {
    public:
        explicit CUse(CStatement& statement) : m_statement(statement)
        {
            if (const int result = statement.Prepare(); result != SQLITE_OK)
                statement.m_database.Fail("preparing a query", result);
        }
        ~CUse()
        {
            sqlite3_reset(m_statement.m_statement);
            sqlite3_clear_bindings(m_statement.m_statement);
        }
        CUse(const CUse&) = delete;
        CUse& operator=(const CUse&) = delete;

        CUse& Bind(int index, std::int64_t value) { return Check(sqlite3_bind_int64(Handle(), index, value)); }
        CUse& Bind(int index, double value) { return Check(sqlite3_bind_double(Handle(), index, value)); }
        // The text is not copied: it must stay until the use ends, whose
        // reset and cleared bindings let go of it.
        CUse& Bind(int index, const std::string& value)
        {
            return Check(sqlite3_bind_text(Handle(), index, value.data(), static_cast<int>(value.size()), SQLITE_STATIC));
        }
        CUse& Bind(int index, std::string&&) = delete;
        CUse& Bind(int index, const CVariant& value)
        {
            switch (value.GetType()) {
            case CVariant::Type::boolean:
            case CVariant::Type::integer:
                return Bind(index, static_cast<std::int64_t>(value.ToInt()));
            case CVariant::Type::real:
            case CVariant::Type::date:
                return Bind(index, value.ToDouble());
            case CVariant::Type::text: {
                const std::string text = value.ToText();
                return Check(sqlite3_bind_text(Handle(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
            }
            default:
                return Check(sqlite3_bind_null(Handle(), index));
            }
        }

        // True while there is a row to read.
        bool Step()
        {
            const int result = sqlite3_step(Handle());
            if (result == SQLITE_ROW)
                return true;
            if (result != SQLITE_DONE)
                m_statement.m_database.Fail("reading or writing items", result);
            return false;
        }
        std::int64_t Int(int column) { return sqlite3_column_int64(Handle(), column); }
        double Real(int column) { return sqlite3_column_double(Handle(), column); }
        // Valid until the next step or reset.
        std::string_view TextView(int column) { return TextOf(sqlite3_column_value(Handle(), column)); }
        // Valid until the next step or reset.
        CPimStoredView View(int column)
        {
            // One look-up of the column for its type and its value. The
            // connection has no mutex of its own (SQLITE_OPEN_NOMUTEX) and
            // stays on one thread, so the value needs none either.
            sqlite3_value* value = sqlite3_column_value(Handle(), column);
            CPimStoredView view;
            switch (sqlite3_value_type(value)) {
            case SQLITE_INTEGER:
                view.type = CPimStoredView::Type::integer;
                view.integer = sqlite3_value_int64(value);
                break;
            case SQLITE_FLOAT:
                view.type = CPimStoredView::Type::real;
                view.real = sqlite3_value_double(value);
                break;
            case SQLITE_TEXT:
                view.type = CPimStoredView::Type::text;
                view.text = TextOf(value);
                break;
            default:
                break;
            }
            return view;
        }

    private:
        static std::string_view TextOf(sqlite3_value* value)
        {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
            return text == nullptr ? std::string_view() : std::string_view(text, sqlite3_value_bytes(value));
        }
        sqlite3_stmt* Handle() { return m_statement.m_statement; }
        CUse& Check(int result)
        {
            if (result != SQLITE_OK)
                m_statement.m_database.Fail("binding a value", result);
            return *this;
        }
        CStatement& m_statement;
    };

private:
    int Prepare() noexcept
    {
        if (m_statement != nullptr)
            return SQLITE_OK;
        return sqlite3_prepare_v3(m_database.Handle(), m_sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
    }

    const CPimDatabase& m_database;
    const char* m_sql;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace

#define TARNWEL_ITEM_COLUMNS "id, folder, entry_id, message_class, last_modification_time, is_recurring"

struct CPimDatabase::CStatements {
    explicit CStatements(const CPimDatabase& db)
        : lastItemId(db, "SELECT IFNULL(MAX(id), 0) FROM items WHERE folder = ?1"),
          itemByEntryId(db, "SELECT " TARNWEL_ITEM_COLUMNS " FROM items WHERE entry_id = ?1"),
          allItems(db, "SELECT " TARNWEL_ITEM_COLUMNS " FROM items ORDER BY folder, id"),
          loadValues(db, "SELECT name, user, value FROM item_values WHERE item_id = ?1 ORDER BY user, name"),
          // The id range straight through the table: going through the
          // folder index would cost a second look-up for every row.
          nextItems(db, "SELECT " TARNWEL_ITEM_COLUMNS " FROM items NOT INDEXED WHERE id > ?2 AND id <= ?3"
                        " AND folder = ?1 AND last_modification_time > ?4 ORDER BY id LIMIT ?5"),
          rangeValues(db, "SELECT item_id, name, user, value FROM item_values WHERE item_id >= ?1 AND item_id <= ?2"
                          " ORDER BY item_id, user, name"),
          savepoint(db, "SAVEPOINT item"),
          release(db, "RELEASE item"),
          rollbackTo(db, "ROLLBACK TO item"),
          insertItem(db, "INSERT INTO items (folder, entry_id, message_class, last_modification_time, is_recurring)"
                         " VALUES (?1, ?2, ?3, ?4, ?5)"),
          updateItem(db, "UPDATE items SET message_class = ?2, last_modification_time = ?3, is_recurring = ?4"
                         " WHERE id = ?1"),
          saveValue(db, "INSERT INTO item_values (item_id, user, name, value) VALUES (?1, ?2, ?3, ?4)"
                        " ON CONFLICT (item_id, user, name) DO UPDATE SET value = excluded.value"),
          insertValue(db, "INSERT INTO item_values (item_id, user, name, value) VALUES (?1, ?2, ?3, ?4)"),
          deleteValues(db, "DELETE FROM item_values WHERE item_id = ?1"),
          deleteItem(db, "DELETE FROM items WHERE id = ?1")
    {
    }
    CStatement lastItemId, itemByEntryId, allItems, loadValues, nextItems, rangeValues;
    CStatement savepoint, release, rollbackTo;
    CStatement insertItem, updateItem, saveValue, insertValue, deleteValues, deleteItem;
};

#undef TARNWEL_ITEM_COLUMNS

CPimDatabase::CPimDatabase(std::string path) : m_path(std::move(path)) {}

CPimDatabase::~CPimDatabase()
{
    m_statements.reset();
    sqlite3_close_v2(m_db);
}

void CPimDatabase::Fail(const std::string& what, int result) const
{
    const int primary = result & 0xFF;
    const std::int32_t code =
        primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? com_codes::kTimeout : com_codes::kFail;
    const char* message = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(result);
    throw CComError(code, "The local item store \"" + m_path + "\" cannot be used (" + what + "): " + message);
}

void CPimDatabase::Execute(const char* sql)
{
    const int result = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK)
        Fail("opening the file", result);
}

namespace {

// A new store is the user's alone (0600, whatever the umask): it holds every
// contact and appointment. SQLite would create it with 0644 less the umask;
// an empty file is a new database to it, and it gives the write-ahead log and
// the shared-memory file the mode of the main file. A file that exists keeps
// its mode; one that cannot be created is left to SQLite to report.
void CreatePrivateFile(const std::string& path)
{
    if (path.empty() || path == ":memory:")
        return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    ::fchmod(fd, 0600);
    ::close(fd);
}

} // namespace

std::shared_ptr<CPimDatabase> CPimDatabase::Open(const std::string& path, bool createMissing)
{
    // The program keeps no count of SQLite's memory: counting it takes a
    // global lock at every allocation.
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    (void)configured;
    std::shared_ptr<CPimDatabase> database(new CPimDatabase(path));
    struct stat info {};
    const bool missing = ::stat(path.c_str(), &info) != 0 && errno == ENOENT;
    if (missing && !createMissing)
        throw CComError(com_codes::kFileNotFound, "The local item store \"" + path + "\" does not exist");
    if (missing)
        CreatePrivateFile(path);
    const int result =
        sqlite3_open_v2(path.c_str(), &database->m_db,
                        SQLITE_OPEN_READWRITE | (createMissing ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        if ((result & 0xFF) == SQLITE_CANTOPEN && !createMissing && ::stat(path.c_str(), &info) != 0 &&
            errno == ENOENT)
            throw CComError(com_codes::kFileNotFound, "The local item store \"" + path + "\" does not exist");
        database->Fail("opening the file", result);
    }
    sqlite3_extended_result_codes(database->m_db, 1);
    sqlite3_busy_timeout(database->m_db, kBusyTimeoutMs);
    database->CreateSchema();
    database->ReadStoreId();
    database->m_statements = std::make_unique<CStatements>(*database);
    return database;
}

// The values of the items, kept in the order of their key: an item's values
// lie together, after those of the items saved before it.
void CPimDatabase::CreateValuesTable(const std::string& name)
{
    Execute(("CREATE TABLE " + name +
             " ("
             " item_id INTEGER NOT NULL,"
             " user INTEGER NOT NULL,"
             " name TEXT NOT NULL,"
             " value,"
             " PRIMARY KEY (item_id, user, name)) WITHOUT ROWID")
                .c_str());
}

void CPimDatabase::CreateSchema()
{
    // Switching a new file to WAL needs the file to itself, and SQLite does not
    // wait for that on its own: two programs that open a new store at the same
    // moment would otherwise fail with "database is locked".
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        const int result = sqlite3_exec(m_db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        if (result == SQLITE_OK)
            break;
        const int primary = result & 0xff;
        if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) || std::chrono::steady_clock::now() > deadline)
            Fail("opening the file", result);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Execute("PRAGMA synchronous = NORMAL");
    // The write-ahead log is copied into the file when it passes some 40 MB
    // instead of 4 MB: a run that writes a large store waits for the disk ten
    // times less often, and the end of the last connection copies the rest.
    Execute("PRAGMA wal_autocheckpoint = 10000");
    // A small page cache: a run reads a folder once from start to end and
    // writes its items in batches, so pages are seldom met again, while the
    // system's file cache keeps them near anyway. Every page of a larger
    // cache would be memory the process first touches and then keeps.
    Execute("PRAGMA cache_size = -256");
    // A store that has its tables is opened without the write lock, so that
    // a program can open it while another one writes a batch.
    {
        CStatement versionQuery(*this, "PRAGMA user_version");
        CStatement::CUse use(versionQuery);
        if (use.Step() && use.Int(0) == kSchemaVersion)
            return;
    }
    Execute("BEGIN IMMEDIATE");
    try {
        CStatement versionQuery(*this, "PRAGMA user_version");
        int version = 0;
        {
            CStatement::CUse use(versionQuery);
            if (use.Step())
                version = static_cast<int>(use.Int(0));
        }
        if (version > kSchemaVersion)
            throw CComError(com_codes::kFail, "The local item store \"" + m_path +
                                                  "\" was written by a newer version of the program");
        if (version == 0) {
            Execute("CREATE TABLE items ("
                    " id INTEGER PRIMARY KEY AUTOINCREMENT,"  // never reused: a scan's range stays its own
                    " folder INTEGER NOT NULL,"
                    " entry_id TEXT NOT NULL UNIQUE,"
                    " message_class TEXT NOT NULL,"
                    " last_modification_time REAL NOT NULL,"
                    " is_recurring INTEGER NOT NULL DEFAULT 0)");
            Execute("CREATE INDEX items_by_folder ON items (folder, id)");
            CreateValuesTable("item_values");
            CreateStoreIdentity();
        } else if (version == 1) {
            // Version 1 kept the values in a table with row ids and a separate
            // index on the key, so that every value was two tree entries. The
            // values move to the new table in this one transaction: a program
            // that opens the file meanwhile sees the old or the new layout.
            CreateValuesTable("item_values_2");
            Execute("INSERT INTO item_values_2 (item_id, user, name, value)"
                    " SELECT item_id, user, name, value FROM item_values ORDER BY item_id, user, name");
            Execute("DROP TABLE item_values");
            Execute("ALTER TABLE item_values_2 RENAME TO item_values");
        }
        if (version == 1 || version == 2) {
            // Versions 1 and 2 had no identity: the store gets its own now,
            // in the same transaction, and keeps it for its life.
            CreateStoreIdentity();
        }
        Execute(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
        Execute("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

namespace {

// 32 lowercase hexadecimal digits of the system's random source.
std::string NewStoreId()
{
    std::random_device source;
    std::string id;
    static constexpr char kHex[] = "0123456789abcdef";
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = source();
        for (int digit = 0; digit < 8; ++digit, bits >>= 4)
            id += kHex[bits & 0xF];
    }
    return id;
}

} // namespace

void CPimDatabase::CreateStoreIdentity()
{
    Execute("CREATE TABLE store_identity (store_id TEXT NOT NULL)");
    Execute(("INSERT INTO store_identity (store_id) VALUES ('" + NewStoreId() + "')").c_str());
}

void CPimDatabase::ReadStoreId()
{
    const auto read = [this] {
        CStatement query(*this, "SELECT store_id FROM store_identity ORDER BY rowid LIMIT 1");
        CStatement::CUse use(query);
        if (use.Step())
            m_storeId = std::string(use.TextView(0));
    };
    read();
    if (!m_storeId.empty())
        return;
    // A store of this version whose identity row was removed by hand gets a
    // new one, once, whoever opens it first.
    Execute("BEGIN IMMEDIATE");
    try {
        read();
        if (m_storeId.empty()) {
            m_storeId = NewStoreId();
            Execute("DELETE FROM store_identity");
            Execute(("INSERT INTO store_identity (store_id) VALUES ('" + m_storeId + "')").c_str());
        }
        Execute("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_storeId.clear();
        throw;
    }
}

CPimStoredView CPimStoredView::Of(const CVariant& value)
{
    CPimStoredView view;
    switch (value.GetType()) {
    case CVariant::Type::boolean:
    case CVariant::Type::integer:
        view.type = Type::integer;
        view.integer = value.ToInt();
        break;
    case CVariant::Type::real:
    case CVariant::Type::date:
        view.type = Type::real;
        view.real = value.ToDouble();
        break;
    case CVariant::Type::text:
        view.type = Type::text;
        view.text = *value.GetText();
        break;
    default:
        break;
    }
    return view;
}

CVariant CPimStoredView::ToVariant() const
{
    switch (type) {
    case Type::integer:
        return CVariant(static_cast<int>(integer));
    case Type::real:
        return CVariant(real);
    case Type::text:
        return CVariant(text);
    case Type::null:
        break;
    }
    return CVariant();
}

namespace {

// Makes `target` the bytes of `text` in the storage it has where they fit.
void AssignBytes(std::string& target, std::string_view text)
{
    target.resize(text.size());
    std::char_traits<char>::copy(target.data(), text.data(), text.size());
}

// Fills `row` from the item columns; its texts keep their storage. A scan
// of one folder knows the folder.
void ReadRow(CStatement::CUse& use, CPimItemRow& row, std::optional<int> folder = std::nullopt)
{
    row.id = use.Int(0);
    row.folder = folder ? *folder : static_cast<int>(use.Int(1));
    AssignBytes(row.entryId, use.TextView(2));
    AssignBytes(row.messageClass, use.TextView(3));
    row.lastModificationTime = COleDate(use.Real(4));
    row.isRecurring = use.Int(5) != 0;
}

CPimItemRow ReadRow(CStatement::CUse& use)
{
    CPimItemRow row;
    ReadRow(use, row);
    return row;
}

} // namespace

std::int64_t CPimDatabase::LastItemId(int folder)
{
    CStatement::CUse use(m_statements->lastItemId);
    use.Bind(1, static_cast<std::int64_t>(folder));
    return use.Step() ? use.Int(0) : 0;
}

std::optional<CPimItemRow> CPimDatabase::ItemByEntryId(const std::string& entryId)
{
    CStatement::CUse use(m_statements->itemByEntryId);
    use.Bind(1, entryId);
    if (!use.Step())
        return std::nullopt;
    return ReadRow(use);
}

std::vector<CPimItemRow> CPimDatabase::AllItems()
{
    std::vector<CPimItemRow> rows;
    CStatement::CUse use(m_statements->allItems);
    while (use.Step())
        rows.push_back(ReadRow(use));
    return rows;
}

namespace {

// Hands the value in the columns name, user, value from `first` on to the
// reader. A standard property is known by its place in the kind, so that its
// name is not kept; one the kind does not know is passed over.
void ReadValue(CStatement::CUse& use, int first, const CPimKindInfo& kind, CPimItemReader& reader, std::size_t item)
{
    const std::string_view name = use.TextView(first);
    if (use.Int(first + 1) != 0)
        reader.UserValue(item, name, use.View(first + 2));
    else if (const CPimPropertyDef* property = kind.FindProperty(name))
        reader.Value(item, kind.IndexOf(*property), use.View(first + 2));
}

// Keeps the values of one item as CPimReadValue.
class CReadValueList final : public CPimItemReader {
public:
    explicit CReadValueList(const CPimKindInfo& kind) : m_kind(kind) {}
    CPimItemRow& NextRow() override { return m_row; }
    void Value(std::size_t, std::size_t property, const CPimStoredView& value) override
    {
        Reserve();
        m_values.push_back({static_cast<std::uint32_t>(property), {}, value.ToVariant()});
    }
    void UserValue(std::size_t, std::string_view name, const CPimStoredView& value) override
    {
        Reserve();
        m_values.push_back({CPimReadValue::kUser, std::string(name), value.ToVariant()});
    }
    std::vector<CPimReadValue>& Values() { return m_values; }

private:
    void Reserve()
    {
        if (m_values.empty())
            m_values.reserve(m_kind.properties.size() + 2);
    }
    const CPimKindInfo& m_kind;
    CPimItemRow m_row;
    std::vector<CPimReadValue> m_values;
};

} // namespace

std::vector<CPimReadValue> CPimDatabase::LoadValues(const CPimKindInfo& kind, std::int64_t id)
{
    CReadValueList values(kind);
    CStatement::CUse use(m_statements->loadValues);
    use.Bind(1, id);
    while (use.Step())
        ReadValue(use, 0, kind, values, 0);
    return std::move(values.Values());
}

std::size_t CPimDatabase::NextItems(const CPimKindInfo& kind, std::int64_t afterId, std::int64_t lastId,
                                    const std::optional<COleDate>& since, int limit, CPimItemReader& reader)
{
    m_scanIds.clear();
    {
        CStatement::CUse use(m_statements->nextItems);
        use.Bind(1, static_cast<std::int64_t>(kind.folder)).Bind(2, afterId).Bind(3, lastId);
        use.Bind(4, since ? since->Days() : kBeforeAllDates).Bind(5, static_cast<std::int64_t>(limit));
        while (use.Step()) {
            CPimItemRow& row = reader.NextRow();
            ReadRow(use, row, kind.folder);
            m_scanIds.push_back(row.id);
        }
    }
    if (m_scanIds.empty())
        return 0;
    // The values of the id range, items of other folders and unchanged
    // items among them passed over: the items are in id order, so one walk
    // puts each value with its item.
    CStatement::CUse use(m_statements->rangeValues);
    use.Bind(1, m_scanIds.front()).Bind(2, m_scanIds.back());
    std::size_t at = 0;
    while (use.Step()) {
        const std::int64_t id = use.Int(0);
        while (at < m_scanIds.size() && m_scanIds[at] < id)
            ++at;
        if (at == m_scanIds.size())
            break;
        if (m_scanIds[at] == id)
            ReadValue(use, 1, kind, reader, at);
    }
    return m_scanIds.size();
}

void CPimDatabase::BeginBatch(bool write)
{
    if (m_inBatch)
        throw CComError(com_codes::kFail, "A batch of the local item store \"" + m_path + "\" is already open");
    const int result = sqlite3_exec(m_db, write ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK)
        Fail("beginning a batch", result);
    m_inBatch = true;
    m_changesAtBatchStart = sqlite3_total_changes64(m_db);
}

void CPimDatabase::CommitBatch()
{
    if (!m_inBatch)
        throw CComError(com_codes::kFail, "No batch of the local item store \"" + m_path + "\" is open");
    const int result = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        // Nothing of the batch is in the file: end the transaction so that
        // the connection can go on.
        RollbackBatch();
        Fail("committing a batch", result);
    }
    m_inBatch = false;
    // A batch that only read (a scan of a folder) leaves its pages in the
    // cache, where the run has no more use for them while it goes on to hold
    // the server's items: give that memory back. A batch that wrote keeps
    // them for the next one.
    if (sqlite3_total_changes64(m_db) == m_changesAtBatchStart)
        sqlite3_db_release_memory(m_db);
}

void CPimDatabase::RollbackBatch() noexcept
{
    if (!m_inBatch)
        return;
    if (sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_inBatch = false;
}

namespace {

// BEGIN IMMEDIATE takes the write lock at once (waiting up to the busy
// timeout), so a transaction never fails half way for want of the lock.
// The savepoint statements of a batch.
struct CSavepoint {
    CStatement& begin;
    CStatement& release;
    CStatement& rollbackTo;
};

// Inside a batch (`savepoint` given) the same work is a savepoint of the
// batch's transaction.
class CTransaction {
public:
    CTransaction(sqlite3* db, std::optional<CSavepoint> savepoint, const std::function<void(int)>& fail)
        : m_db(db), m_savepoint(savepoint)
    {
        // SQLite ends a transaction on its own after some failures (a full
        // disk, I/O errors): a save must not then go to the file alone.
        if (m_savepoint && sqlite3_get_autocommit(m_db) != 0) {
            m_committed = true;
            fail(SQLITE_ABORT);
        }
        const int result =
            m_savepoint ? m_savepoint->begin.Run() : sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (result != SQLITE_OK) {
            m_committed = true;
            fail(result);
        }
    }
    ~CTransaction()
    {
        if (m_committed)
            return;
        if (m_savepoint) {
            m_savepoint->rollbackTo.Run();
            m_savepoint->release.Run();
        } else {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

    void Commit(const std::function<void(int)>& fail)
    {
        const int result =
            m_savepoint ? m_savepoint->release.Run() : sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        if (result != SQLITE_OK)
            fail(result);
        m_committed = true;
    }

private:
    sqlite3* m_db;
    std::optional<CSavepoint> m_savepoint;
    bool m_committed = false;
};

} // namespace

std::int64_t CPimDatabase::InsertRow(const CPimItemRow& row, const std::string& entryId, const COleDate& now)
{
    CStatement::CUse use(m_statements->insertItem);
    use.Bind(1, static_cast<std::int64_t>(row.folder)).Bind(2, entryId).Bind(3, row.messageClass);
    use.Bind(4, now.Days()).Bind(5, static_cast<std::int64_t>(row.isRecurring));
    use.Step();
    return sqlite3_last_insert_rowid(m_db);
}

void CPimDatabase::WriteValues(bool added, std::int64_t id, const std::vector<CPimValueToSave>& values)
{
    // A new item has no values yet: its values are added without looking
    // for one to replace.
    CStatement& write = added ? m_statements->insertValue : m_statements->saveValue;
    for (const CPimValueToSave& value : values) {
        // A text is bound where it stands: the value outlives the use.
        CStatement::CUse use(write);
        use.Bind(1, id).Bind(2, static_cast<std::int64_t>(value.user)).Bind(3, *value.name);
        if (const std::string* text = value.value->GetText())
            use.Bind(4, *text);
        else
            use.Bind(4, *value.value);
        use.Step();
    }
}

bool CPimDatabase::SaveItem(CPimItemRow& row, const std::vector<CPimValueToSave>& values, const COleDate& now)
{
    if (m_inBatch && row.id == 0) {
        AddInBatch(row, values, now);
        return true;
    }
    const auto fail = [this](int result) { Fail("saving an item", result); };
    std::optional<CSavepoint> savepoint;
    if (m_inBatch)
        savepoint.emplace(CSavepoint{m_statements->savepoint, m_statements->release, m_statements->rollbackTo});
    CTransaction transaction(m_db, savepoint, fail);
    std::int64_t id = row.id;
    std::string entryId = row.entryId;
    if (id == 0) {
        entryId = NewEntryId();
        id = InsertRow(row, entryId, now);
    } else {
        CStatement::CUse use(m_statements->updateItem);
        use.Bind(1, id).Bind(2, row.messageClass).Bind(3, now.Days());
        use.Bind(4, static_cast<std::int64_t>(row.isRecurring));
        use.Step();
        if (sqlite3_changes(m_db) == 0)
            return false;
    }
    WriteValues(row.id == 0, id, values);
    transaction.Commit(fail);
    row.id = id;
    row.entryId = entryId;
    row.lastModificationTime = now;
    return true;
}

// A new item of a batch is written without a savepoint of its own: all that
// it writes before a failure is its row and some of its values, under an id
// that nothing else has, and taking them out again leaves the batch as it
// was. This spares copying every page that the save changes into the
// savepoint's journal, which is most of what adding many items costs.
void CPimDatabase::AddInBatch(CPimItemRow& row, const std::vector<CPimValueToSave>& values, const COleDate& now)
{
    // SQLite ends a transaction on its own after some failures (a full disk,
    // I/O errors): a save must not then go to the file alone.
    if (sqlite3_get_autocommit(m_db) != 0)
        Fail("saving an item", SQLITE_ABORT);
    const std::string entryId = NewEntryId();
    // One statement: when it fails, it wrote nothing.
    const std::int64_t id = InsertRow(row, entryId, now);
    try {
        WriteValues(true, id, values);
    } catch (...) {
        TakeBackAdded(id);
        throw;
    }
    row.id = id;
    row.entryId = entryId;
    row.lastModificationTime = now;
}

void CPimDatabase::TakeBackAdded(std::int64_t id) noexcept
{
    // A transaction that SQLite ended took the item with it.
    if (sqlite3_get_autocommit(m_db) != 0)
        return;
    try {
        {
            CStatement::CUse use(m_statements->deleteValues);
            use.Bind(1, id);
            use.Step();
        }
        CStatement::CUse use(m_statements->deleteItem);
        use.Bind(1, id);
        use.Step();
    } catch (...) {
        // Part of the item would stay: the batch ends here, and its commit
        // fails as after any failure that ends the transaction.
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

bool CPimDatabase::DeleteItem(std::int64_t id)
{
    const auto fail = [this](int result) { Fail("deleting an item", result); };
    std::optional<CSavepoint> savepoint;
    if (m_inBatch)
        savepoint.emplace(CSavepoint{m_statements->savepoint, m_statements->release, m_statements->rollbackTo});
    CTransaction transaction(m_db, savepoint, fail);
    {
        CStatement::CUse use(m_statements->deleteValues);
        use.Bind(1, id);
        use.Step();
    }
    bool deleted = false;
    {
        CStatement::CUse use(m_statements->deleteItem);
        use.Bind(1, id);
        use.Step();
        deleted = sqlite3_changes(m_db) > 0;
    }
    transaction.Commit(fail);
    return deleted;
}

} // namespace tarnwel
