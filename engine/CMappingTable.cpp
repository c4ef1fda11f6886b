#include "engine/CMappingTable.h"

#include <algorithm>
#include <cstring>

namespace tarnwel {

namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

} // namespace

std::uint32_t CMappingTable::Find(std::string_view text) const
{
    return m_index.Find(text, [this](std::uint32_t slot) { return Text(m_ids[slot]); });
}

const char* CMappingTable::Keep(std::string_view text)
{
    if (text.empty())
        return "";
    if (text.size() > m_left) {
        const std::size_t size = std::max(kBlockBytes, text.size());
        m_blocks.emplace_back(new char[size]);  // not cleared: every byte is written before use
        m_free = m_blocks.back().get();
        m_left = size;
    }
    char* kept = m_free;
    std::memcpy(kept, text.data(), text.size());
    m_free += text.size();
    m_left -= text.size();
    return kept;
}

std::uint32_t CMappingTable::Intern(std::string_view text)
{
    const std::uint32_t hash = CIdIndex::Hash(text);
    const std::uint32_t found = m_index.Find(text, hash, [this](std::uint32_t slot) { return Text(m_ids[slot]); });
    if (found != CIdIndex::kNone)
        return found;
    const auto slot = static_cast<std::uint32_t>(m_ids.size());
    CId& id = m_ids.emplace_back();
    id.text = Keep(text);
    id.size = static_cast<std::uint32_t>(text.size());
    m_index.Insert(hash, slot);
    return slot;
}

void CMappingTable::AddMapping(std::string_view serverId, std::string_view entryId)
{
    const std::uint32_t server = Intern(serverId);
    const std::uint32_t entry = Intern(entryId);
    if (m_ids[server].entry == CIdIndex::kNone)
        ++m_serverToEntry;
    m_ids[server].entry = entry;
    if (m_ids[entry].server == CIdIndex::kNone)
        ++m_entryToServer;
    m_ids[entry].server = server;
}

void CMappingTable::RemoveMapping(std::string_view serverId)
{
    const std::uint32_t server = Find(serverId);
    if (server == CIdIndex::kNone || m_ids[server].entry == CIdIndex::kNone)
        return;
    CId& entry = m_ids[m_ids[server].entry];
    if (entry.server != CIdIndex::kNone) {
        entry.server = CIdIndex::kNone;
        --m_entryToServer;
    }
    m_ids[server].entry = CIdIndex::kNone;
    --m_serverToEntry;
}

void CMappingTable::RemoveEntry(std::string_view entryId)
{
    const std::uint32_t entry = Find(entryId);
    if (entry == CIdIndex::kNone || m_ids[entry].server == CIdIndex::kNone)
        return;
    CId& server = m_ids[m_ids[entry].server];
    if (server.entry == entry) {
        server.entry = CIdIndex::kNone;
        --m_serverToEntry;
    }
    m_ids[entry].server = CIdIndex::kNone;
    --m_entryToServer;
}

std::optional<std::string_view> CMappingTable::FindServerId(std::string_view entryId) const
{
    const std::uint32_t entry = Find(entryId);
    if (entry == CIdIndex::kNone || m_ids[entry].server == CIdIndex::kNone)
        return std::nullopt;
    return Text(m_ids[m_ids[entry].server]);
}

std::optional<std::string_view> CMappingTable::FindEntryId(std::string_view serverId) const
{
    const std::uint32_t server = Find(serverId);
    if (server == CIdIndex::kNone || m_ids[server].entry == CIdIndex::kNone)
        return std::nullopt;
    return Text(m_ids[m_ids[server].entry]);
}

void CMappingTable::Clear()
{
    m_ids.clear();
    m_ids.shrink_to_fit();
    m_index.Clear();
    m_entryToServer = 0;
    m_serverToEntry = 0;
    m_blocks.clear();
    m_free = nullptr;
    m_left = 0;
}

void CMappingTable::Reserve(std::size_t pairs, std::size_t idBytes)
{
    m_ids.reserve(m_ids.size() + 2 * pairs);
    m_index.Reserve(m_index.Size() + 2 * pairs);
    if (idBytes > m_left) {
        m_blocks.emplace_back(new char[idBytes]);
        m_free = m_blocks.back().get();
        m_left = idBytes;
    }
}

std::vector<CMappingTable::Pair> CMappingTable::SharedServerIdPairs() const
{
    // How many entry ids name each server id, counted by the server id's place.
    std::vector<std::uint32_t> entries(m_ids.size(), 0);
    bool shared = false;
    for (const CId& id : m_ids)
        if (id.server != CIdIndex::kNone)
            shared = ++entries[id.server] > 1 || shared;
    std::vector<Pair> pairs;
    if (!shared)
        return pairs;
    for (const CId& id : m_ids)
        if (id.server != CIdIndex::kNone && entries[id.server] > 1)
            pairs.emplace_back(Text(id), Text(m_ids[id.server]));
    return pairs;
}

} // namespace tarnwel
