#pragma once
// The two tables that pair Outlook entry ids with server ids: entry-to-server
// (the content of a kind's mapping file) and its inverse, server-to-entry.
// Keys are compared exactly, case included.

#include <string>
#include <unordered_map>

namespace tarnwel {

class CMappingTable {
public:
    using Map = std::unordered_map<std::string, std::string>;

    // server-to-entry[serverId] = entryId and entry-to-server[entryId] =
    // serverId; values of existing keys are replaced.
    void AddMapping(std::string serverId, std::string entryId);

    // Forgets the server id and the entry id it was mapped to.
    void RemoveMapping(const std::string& serverId);

    // Forgets the entry id, and its server id when that still names this
    // entry (a server id read with two entry ids keeps its other partner).
    void RemoveEntry(const std::string& entryId);

    // The partner of an id, or null when the id is not mapped.
    const std::string* FindServerId(const std::string& entryId) const;
    const std::string* FindEntryId(const std::string& serverId) const;

    void Clear();
    void Reserve(std::size_t pairs);

    const Map& EntryToServer() const { return m_entryToServer; }
    const Map& ServerToEntry() const { return m_serverToEntry; }

private:
    Map m_entryToServer;
    Map m_serverToEntry;
};

} // namespace tarnwel
