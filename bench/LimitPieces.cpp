#include "bench/LimitPieces.h"

#include <curl/curl.h>

#include <cstdio>
#include <stdexcept>

namespace tarnwel::bench {
namespace {

std::size_t AppendReply(char* data, std::size_t size, std::size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

} // namespace

std::string Post(const std::string& url, const std::string& envelope, std::size_t expectedSize)
{
    CURL* curl = curl_easy_init();
    if (curl == nullptr)
        throw std::runtime_error("curl_easy_init failed");
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/xml; charset=utf-8");
    headers = curl_slist_append(headers, "SOAPAction: \"\"");
    std::string reply;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, envelope.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendReply);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    const CURLcode result = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    // The session id in the request differs from the first call's reply only in
    // nothing that changes the size of the items.
    if (result != CURLE_OK || reply.size() + 1024 < expectedSize)
        throw std::runtime_error("the loopback POST failed");
    return reply;
}

void Parse(const std::string& reply, pugi::xml_document& document)
{
    if (!document.load_buffer(reply.data(), reply.size(), pugi::parse_default | pugi::parse_ws_pcdata_single))
        throw std::runtime_error("the reply is not XML");
}

void Parse(const std::string& reply)
{
    pugi::xml_document document;
    Parse(reply, document);
}

std::vector<CRow> RowsOf(const pugi::xml_document& document, bool contacts)
{
    std::vector<CRow> rows;
    const auto fieldsOf = [](pugi::xml_node item, CRow& row, const std::string& prefix = {}) {
        for (pugi::xml_node field : item.children()) {
            if (field.type() == pugi::node_element && !field.first_child().first_child())
                row.emplace_back(prefix + field.name(), field.child_value());
        }
    };
    for (pugi::xpath_node found : document.select_nodes(contacts ? "//Address" : "//Appointment")) {
        const pugi::xml_node item = found.node();
        if (!contacts) {
            rows.emplace_back();
            fieldsOf(item, rows.back());
            continue;
        }
        CRow company;
        fieldsOf(item, company, "company.");
        for (pugi::xml_node contact : item.children("contact")) {
            rows.emplace_back(company);
            fieldsOf(contact, rows.back());
        }
    }
    return rows;
}

std::vector<CRow> RowsOf(const std::string& reply, bool contacts)
{
    pugi::xml_document document;
    document.load_buffer(reply.data(), reply.size());
    return RowsOf(document, contacts);
}

void Check(sqlite3* db, int result)
{
    if (result != SQLITE_OK && result != SQLITE_DONE && result != SQLITE_ROW)
        throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db));
}

void Execute(sqlite3* db, const char* sql)
{
    Check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

sqlite3* OpenStore(const std::string& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path);
    Execute(db, "PRAGMA journal_mode = WAL");
    Execute(db, "PRAGMA synchronous = NORMAL");
    return db;
}

void Insert(const std::string& path, const std::vector<CRow>& rows)
{
    sqlite3* db = OpenStore(path);
    Execute(db, "CREATE TABLE items (id INTEGER PRIMARY KEY AUTOINCREMENT, folder INTEGER NOT NULL,"
                " entry_id TEXT NOT NULL UNIQUE, message_class TEXT NOT NULL,"
                " last_modification_time REAL NOT NULL, is_recurring INTEGER NOT NULL DEFAULT 0)");
    Execute(db, "CREATE INDEX items_by_folder ON items (folder, id)");
    Execute(db, "CREATE TABLE item_values (item_id INTEGER NOT NULL, user INTEGER NOT NULL, name TEXT NOT NULL,"
                " value, PRIMARY KEY (item_id, user, name)) WITHOUT ROWID");
    Execute(db, "BEGIN IMMEDIATE");
    sqlite3_stmt* item = nullptr;
    sqlite3_stmt* value = nullptr;
    Check(db, sqlite3_prepare_v2(db, "INSERT INTO items (folder, entry_id, message_class, last_modification_time)"
                                     " VALUES (9, ?, 'IPM.Appointment', 46000.5)", -1, &item, nullptr));
    Check(db, sqlite3_prepare_v2(db, "INSERT INTO item_values (item_id, user, name, value) VALUES (?, 0, ?, ?)", -1,
                                 &value, nullptr));
    char entryId[40];
    long long serial = 0;
    for (const CRow& row : rows) {
        std::snprintf(entryId, sizeof entryId, "%032llX", ++serial);
        sqlite3_bind_text(item, 1, entryId, -1, SQLITE_TRANSIENT);
        Check(db, sqlite3_step(item));
        sqlite3_reset(item);
        const sqlite3_int64 id = sqlite3_last_insert_rowid(db);
        for (const auto& [name, text] : row) {
            sqlite3_bind_int64(value, 1, id);
            sqlite3_bind_text(value, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
            sqlite3_bind_text(value, 3, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
            Check(db, sqlite3_step(value));
            sqlite3_reset(value);
        }
    }
    sqlite3_finalize(item);
    sqlite3_finalize(value);
    Execute(db, "COMMIT");
    sqlite3_close(db);
}

std::size_t Scan(const std::string& path)
{
    sqlite3* db = OpenStore(path);
    Execute(db, "BEGIN");
    std::size_t bytes = 0;
    sqlite3_stmt* items = nullptr;
    Check(db, sqlite3_prepare_v2(db, "SELECT id, entry_id, message_class, last_modification_time, is_recurring"
                                     " FROM items WHERE folder = 9 ORDER BY id", -1, &items, nullptr));
    while (sqlite3_step(items) == SQLITE_ROW)
        bytes += static_cast<std::size_t>(sqlite3_column_bytes(items, 1) + sqlite3_column_bytes(items, 2));
    sqlite3_finalize(items);
    sqlite3_stmt* values = nullptr;
    Check(db, sqlite3_prepare_v2(db, "SELECT item_id, name, value FROM item_values ORDER BY item_id", -1, &values,
                                 nullptr));
    while (sqlite3_step(values) == SQLITE_ROW) {
        sqlite3_column_text(values, 2);
        bytes += static_cast<std::size_t>(sqlite3_column_bytes(values, 1) + sqlite3_column_bytes(values, 2));
    }
    sqlite3_finalize(values);
    Execute(db, "COMMIT");
    sqlite3_close(db);
    return bytes;
}

} // namespace tarnwel::bench
