#include "engine/CMappingTable.h"

namespace tarnwel {

namespace {

const std::string* Find(const CMappingTable::Map& map, const std::string& key)
{
    const auto found = map.find(key);
    return found == map.end() ? nullptr : &found->second;
}

} // namespace

void CMappingTable::AddMapping(std::string serverId, std::string entryId)
{
    m_serverToEntry.insert_or_assign(serverId, entryId);
    m_entryToServer.insert_or_assign(std::move(entryId), std::move(serverId));
}

void CMappingTable::RemoveMapping(const std::string& serverId)
{
    const auto found = m_serverToEntry.find(serverId);
    if (found == m_serverToEntry.end())
        return;
    m_entryToServer.erase(found->second);
    m_serverToEntry.erase(found);
}

void CMappingTable::RemoveEntry(const std::string& entryId)
{
    const auto found = m_entryToServer.find(entryId);
    if (found == m_entryToServer.end())
        return;
    const auto inverse = m_serverToEntry.find(found->second);
    if (inverse != m_serverToEntry.end() && inverse->second == entryId)
        m_serverToEntry.erase(inverse);
    m_entryToServer.erase(found);
}

const std::string* CMappingTable::FindServerId(const std::string& entryId) const
{
    return Find(m_entryToServer, entryId);
}

const std::string* CMappingTable::FindEntryId(const std::string& serverId) const
{
    return Find(m_serverToEntry, serverId);
}

void CMappingTable::Clear()
{
    m_entryToServer.clear();
    m_serverToEntry.clear();
}

void CMappingTable::Reserve(std::size_t pairs)
{
    m_entryToServer.reserve(pairs);
    m_serverToEntry.reserve(pairs);
}

} // namespace tarnwel
