#pragma once
// The SQLite file of the local item store. One object is one connection; the
// automation objects of one application share it, on one thread. The file is
// in WAL mode with a busy timeout, so several connections, also from other
// processes, can use it at once. Every failure raises CComError with a
// description that names the file.

#include "platform/automation/Variant.h"
#include "platform/pimstore/PimSchema.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace tarnwel {

// What an item's row holds besides its properties.
struct CPimItemRow {
    std::int64_t id = 0;  // 0: not yet in the file
    int folder = 0;
    std::string entryId;
    std::string messageClass;
    COleDate lastModificationTime = COleDate::Null();
    bool isRecurring = false;
};

// One stored property value; `user` tells a user property from a standard one.
struct CPimStoredValue {
    std::string name;
    bool user = false;
    CVariant value;
};

// A value read for an item of a known kind: a property of the kind, by its
// position in CPimKindInfo::properties, or a user property, by its name.
// Values of names the kind does not know are not read.
struct CPimReadValue {
    static constexpr std::uint32_t kUser = ~std::uint32_t{0};
    std::uint32_t property = kUser;
    std::string userName;  // user properties only
    CVariant value;        // as stored, not yet converted to the property's type
};

// A value to write, taken where it stands in the item that saves it.
struct CPimValueToSave {
    const std::string* name;
    bool user;
    const CVariant* value;
};

// A stored value as the file holds it: a number, a text or nothing. A text
// stays valid only while the value is handed on.
struct CPimStoredView {
    enum class Type { null, integer, real, text };
    Type type = Type::null;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string_view text;

    static CPimStoredView Of(const CVariant& value);
    // The value as a variant: an integer as a 32-bit one, nothing as empty.
    CVariant ToVariant() const;
};

// Where a scan puts what it reads (CPimDatabase::NextItems): first the row
// of each item, then the values of these items by the item's place among
// the rows. A standard property is known by its place in the kind.
class CPimItemReader {
public:
    // The row of the next item, for NextItems to fill.
    virtual CPimItemRow& NextRow() = 0;
    virtual void Value(std::size_t item, std::size_t property, const CPimStoredView& value) = 0;
    virtual void UserValue(std::size_t item, std::string_view name, const CPimStoredView& value) = 0;

protected:
    ~CPimItemReader() = default;
};

class CPimDatabase {
public:
    // Opens the store at `path`. A missing file is created, unless
    // `createMissing` is false: then CComError com_codes::kFileNotFound.
    static std::shared_ptr<CPimDatabase> Open(const std::string& path, bool createMissing = true);
    ~CPimDatabase();
    CPimDatabase(const CPimDatabase&) = delete;
    CPimDatabase& operator=(const CPimDatabase&) = delete;

    const std::string& Path() const { return m_path; }
    // The store's identity: 32 lowercase hexadecimal digits, drawn at random
    // when the store is created (or first opened by a program that knows
    // identities) and kept in the file for the store's life. A copy of the
    // file carries the same identity.
    const std::string& StoreId() const { return m_storeId; }

    // Up to `limit` items of the kind's folder in (afterId, lastId] changed
    // after `since` (any time when none), by id, each with its values, handed
    // to `reader`: two queries for the lot instead of two for each item.
    // Returns the count of items read.
    std::size_t NextItems(const CPimKindInfo& kind, std::int64_t afterId, std::int64_t lastId,
                          const std::optional<COleDate>& since, int limit, CPimItemReader& reader);
    // The largest item id of the folder, 0 when it is empty.
    std::int64_t LastItemId(int folder);
    std::optional<CPimItemRow> ItemByEntryId(const std::string& entryId);
    // Every item, by folder and then in the order of the folder's scans.
    std::vector<CPimItemRow> AllItems();
    // The values of the item `id` of that kind, in the order of NextItems.
    std::vector<CPimReadValue> LoadValues(const CPimKindInfo& kind, std::int64_t id);

    // A batch is one transaction around many saves and deletes: what it
    // writes reaches the file at CommitBatch, all of it or (rolled back, or
    // the process ends first) none of it, so other connections only ever see
    // whole items and whole batches. A read batch (`write` false) reads the
    // file as it stood at its first read until it ends. Inside a batch each
    // save and delete is whole or not at all: one that fails leaves the
    // batch as it was before it. Batches do not nest.
    void BeginBatch(bool write);
    void CommitBatch();
    // Undoes whatever the batch wrote; never raises.
    void RollbackBatch() noexcept;
    bool InBatch() const { return m_inBatch; }

    // Writes the row and the values in one transaction (inside a batch: whole or not at all, a change of a
    // saved item as a savepoint, a new item taken out again when it fails): a new row (id 0) gets
    // an id and an entry id, and every row the modification time `now`. False,
    // with nothing written, when the row was deleted in the meantime. The
    // names of `values` are distinct.
    bool SaveItem(CPimItemRow& row, const std::vector<CPimValueToSave>& values, const COleDate& now);
    // Removes the item and its values; false when it was not there.
    bool DeleteItem(std::int64_t id);

    // Raises the CComError for the SQLite result `result` of doing `what`.
    [[noreturn]] void Fail(const std::string& what, int result) const;
    sqlite3* Handle() const { return m_db; }

private:
    struct CStatements;

    explicit CPimDatabase(std::string path);
    void Execute(const char* sql);
    void CreateSchema();
    void CreateValuesTable(const std::string& name);
    void CreateStoreIdentity();
    void ReadStoreId();
    std::int64_t InsertRow(const CPimItemRow& row, const std::string& entryId, const COleDate& now);
    void WriteValues(bool added, std::int64_t id, const std::vector<CPimValueToSave>& values);
    void AddInBatch(CPimItemRow& row, const std::vector<CPimValueToSave>& values, const COleDate& now);
    void TakeBackAdded(std::int64_t id) noexcept;

    std::string m_path;
    std::string m_storeId;
    sqlite3* m_db = nullptr;
    std::unique_ptr<CStatements> m_statements;
    bool m_inBatch = false;
    long long m_changesAtBatchStart = 0;  // SQLite's count of changed rows when the batch began
    // The ids of the rows of the last NextItems, kept for the next one.
    std::vector<std::int64_t> m_scanIds;
};

} // namespace tarnwel
