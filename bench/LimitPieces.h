#pragma once
// The pieces of a replication run at their least, for the limit benchmark:
// a loopback POST with libcurl, a pugixml parse of the reply, the reply's items
// as rows, and SQLite writing and reading those rows in a store of the local
// store's layout. Only libcurl, SQLite, pugixml and the standard library are
// used, so that tarnwel_limit_pieces, which runs them as one fresh process,
// starts no heavier than the least client process.

#include <pugixml.hpp>
#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tarnwel::bench {

// One POST of `envelope` to `url` with libcurl as it comes; returns the reply.
// Throws when the transfer fails or the reply is more than 1 KiB shorter than
// `expectedSize` (0: any size).
std::string Post(const std::string& url, const std::string& envelope, std::size_t expectedSize);

// pugixml parses `reply` into `document`; throws when it is not XML.
void Parse(const std::string& reply, pugi::xml_document& document);
// The same into a document of its own that is dropped at once.
void Parse(const std::string& reply);

// One local item: its fields as (name, text).
using CRow = std::vector<std::pair<std::string, std::string>>;

// The items of a parsed reply as rows: every "Appointment", or every "contact"
// with the fields of its "Address".
std::vector<CRow> RowsOf(const pugi::xml_document& document, bool contacts);
// The same from the reply's bytes (parsed here).
std::vector<CRow> RowsOf(const std::string& reply, bool contacts);

// Throws with SQLite's message unless `result` is OK, DONE or ROW.
void Check(sqlite3* db, int result);
void Execute(sqlite3* db, const char* sql);
// Opens (or creates) the store at `path` in WAL mode with normal syncs.
sqlite3* OpenStore(const std::string& path);

// A new store of the local store's layout at `path`, the rows in one transaction.
void Insert(const std::string& path, const std::vector<CRow>& rows);
// Every row of the store at `path` read in one read transaction; returns the
// bytes of text seen.
std::size_t Scan(const std::string& path);

} // namespace tarnwel::bench
