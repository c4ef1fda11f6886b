#include "fuzz/FuzzSupport.h"

#include "engine/CMappingFile.h"
#include "engine/CMappingTable.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarnwel::fuzz {

namespace {

// The line number of a trace line "... line N skipped: ...", or 0.
std::size_t SkippedLine(const std::string& text)
{
    const std::size_t at = text.find(" line ");
    if (at == std::string::npos)
        return 0;
    std::size_t number = 0;
    for (std::size_t i = at + 6; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number = number * 10 + static_cast<std::size_t>(text[i] - '0');
    return number;
}

// Reads the bytes as a mapping file: every damaged line is reported once,
// under its own number, and nothing else is reported.
void ReadReportingEachDamagedLineOnce(std::string_view bytes, CMappingTable& table, const std::uint8_t* data,
                                      std::size_t size)
{
    std::set<std::size_t> reported;
    CMappingFile::ReadPairs(bytes, table, [&](const std::string& text) {
        const std::size_t line = SkippedLine(text);
        Check(line > 0, "a report names no line", data, size);
        Check(reported.insert(line).second, "a damaged line is reported twice", data, size);
    });
}

// The identity of an identity file's bytes survives being written and read
// again, as one line of one token.
void CheckStoreId(std::string_view bytes, const std::uint8_t* data, std::size_t size)
{
    const std::optional<std::string> storeId = CMappingFile::ReadStoreId(bytes);
    if (!storeId)
        return;
    Check(!storeId->empty(), "an empty store identity was read", data, size);
    const std::string written = CMappingFile::StoreIdFileBytes(*storeId);
    Check(written.size() > 2 && written.find_first_of(std::string(" \t\r\n\0", 5)) == written.size() - 2,
          "a store identity is not one token on one line in its file", data, size);
    Check(CMappingFile::ReadStoreId(written) == storeId, "a store identity does not survive its file form", data,
          size);
}

// The pending pairs a journal leaves unsettled: no id empty, each entry id
// and each server id once; written as records and replayed, they come back
// the same and make no pair.
void CheckPendingPairs(const std::vector<CMappingFile::CPendingPair>& pending, const std::uint8_t* data,
                       std::size_t size)
{
    std::set<std::string> entryIds, serverIds;
    for (const CMappingFile::CPendingPair& pair : pending) {
        Check(!pair.entryId.empty() && !pair.serverId.empty(), "a pending pair with an empty id", data, size);
        Check(entryIds.insert(pair.entryId).second, "an entry id pending twice", data, size);
        Check(serverIds.insert(pair.serverId).second, "a server id pending twice", data, size);
    }
    CMappingTable table;
    std::vector<CMappingFile::CPendingPair> again;
    CMappingFile::ReplayJournal(CMappingFile::PendingRecords(pending), table, {}, &again);
    Check(again == pending, "pending pairs do not survive their records", data, size);
    Check(table.EntryToServer().empty(), "a pending record made a pair", data, size);
}

} // namespace

int FuzzMappingFile(const std::uint8_t* data, std::size_t size)
{
    QuietProcess();
    const std::string_view bytes = Bytes(data, size);
    // The bytes as a mapping file, then as its journal replayed over the
    // pairs read (as a load does), and as a journal alone.
    CMappingTable table;
    ReadReportingEachDamagedLineOnce(bytes, table, data, size);
    CMappingFile::ReplayJournal(bytes, table);
    CMappingTable journalOnly;
    std::vector<CMappingFile::CPendingPair> pending;
    CMappingFile::ReplayJournal(bytes, journalOnly, {}, &pending);
    for (const auto& [entryId, serverId] : journalOnly.EntryToServer())
        Check(journalOnly.FindServerId(entryId).has_value(), "a replayed entry id cannot be found", data, size);
    CheckPendingPairs(pending, data, size);

    // Every id that was read survives being written and read again.
    for (const auto& [entryId, serverId] : table.EntryToServer()) {
        Check(CMappingFile::DecodeId(CMappingFile::EncodeId(entryId)) == entryId,
              "an entry id does not survive its file form", data, size);
        Check(CMappingFile::DecodeId(CMappingFile::EncodeId(serverId)) == serverId,
              "a server id does not survive its file form", data, size);
        Check(table.FindServerId(entryId).has_value(), "a read entry id cannot be found", data, size);
    }

    // The bytes as the identity file beside a mapping file; and their first
    // line as the identity file, the rest as the mapping file.
    CheckStoreId(bytes, data, size);
    const std::size_t lineEnd = bytes.find('\n');
    if (lineEnd != std::string_view::npos) {
        CheckStoreId(bytes.substr(0, lineEnd + 1), data, size);
        CMappingTable rest;
        ReadReportingEachDamagedLineOnce(bytes.substr(lineEnd + 1), rest, data, size);
    }
    return 0;
}

} // namespace tarnwel::fuzz
