#include "fuzz/FuzzSupport.h"

#include "engine/CMappingFile.h"
#include "engine/CMappingTable.h"

namespace tarnwel::fuzz {

int FuzzMappingFile(const std::uint8_t* data, std::size_t size)
{
    QuietProcess();
    // The bytes as a mapping file, then as its journal replayed over the
    // pairs read (as a load does), and as a journal alone.
    CMappingTable table;
    CMappingFile::ReadPairs(Bytes(data, size), table);
    CMappingFile::ReplayJournal(Bytes(data, size), table);
    CMappingTable journalOnly;
    CMappingFile::ReplayJournal(Bytes(data, size), journalOnly);
    for (const auto& [entryId, serverId] : journalOnly.EntryToServer())
        Check(journalOnly.FindServerId(entryId).has_value(), "a replayed entry id cannot be found", data, size);

    // Every id that was read survives being written and read again.
    for (const auto& [entryId, serverId] : table.EntryToServer()) {
        Check(CMappingFile::DecodeId(CMappingFile::EncodeId(entryId)) == entryId,
              "an entry id does not survive its file form", data, size);
        Check(CMappingFile::DecodeId(CMappingFile::EncodeId(serverId)) == serverId,
              "a server id does not survive its file form", data, size);
        Check(table.FindServerId(entryId).has_value(), "a read entry id cannot be found", data, size);
    }
    return 0;
}

} // namespace tarnwel::fuzz
