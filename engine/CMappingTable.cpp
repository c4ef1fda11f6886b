#include "engine/CMappingTable.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tarnwel {

CMappingTable::CMappingTable(CMappingTable&& other) noexcept
    : m_version(other.m_version),
      m_era(NextVersion()),
      m_ids(std::move(other.m_ids)),
      m_index(std::move(other.m_index)),
      m_entryToServer(other.m_entryToServer),
      m_serverToEntry(other.m_serverToEntry),
      m_blocks(std::move(other.m_blocks)),
      m_free(other.m_free),
      m_freeAt(other.m_freeAt),
      m_left(other.m_left)
{
    other.Clear();  // empty, with a new version
}

CMappingTable& CMappingTable::operator=(CMappingTable&& other) noexcept
{
    if (this != &other) {
        m_version = other.m_version;
        m_era = NextVersion();
        m_ids = std::move(other.m_ids);
        m_index = std::move(other.m_index);
        m_entryToServer = other.m_entryToServer;
        m_serverToEntry = other.m_serverToEntry;
        m_blocks = std::move(other.m_blocks);
        m_free = other.m_free;
        m_freeAt = other.m_freeAt;
        m_left = other.m_left;
        other.Clear();
    }
    return *this;
}

std::uint32_t CMappingTable::Find(std::string_view text) const
{
    return m_index.Find(text, [this](std::uint32_t slot) { return Text(m_ids[slot]); });
}

std::uint32_t CMappingTable::NewBlock(std::size_t size)
{
    if (m_blocks.size() >= (std::size_t{1} << (32 - kBlockBits)))
        throw std::length_error("The mapping ids take more than 4 GiB");
    // Not cleared: every byte is written before use.
    m_blocks.emplace_back(static_cast<char*>(AllocateBulk(size)), CBlockRelease{size});
    return static_cast<std::uint32_t>(m_blocks.size() - 1) << kBlockBits;
}

std::uint32_t CMappingTable::Keep(std::string_view text)
{
    // Seven bits of the length a byte, the lowest first; the top bit says
    // that another byte follows (nearly every id needs one byte).
    unsigned char length[10];
    std::size_t lengthBytes = 0;
    for (std::size_t left = text.size();; left >>= 7) {
        length[lengthBytes++] = static_cast<unsigned char>((left & 0x7F) | (left > 0x7F ? 0x80 : 0));
        if (left <= 0x7F)
            break;
    }
    const std::size_t needed = lengthBytes + text.size();
    char* kept = nullptr;
    std::uint32_t at = 0;
    if (needed > kBlockBytes) {
        // A block of its own; the rest of the last block stays for the next ids.
        at = NewBlock(needed);
        kept = m_blocks.back().get();
    } else {
        if (needed > m_left) {
            const std::size_t size = m_blocks.empty() && needed <= kFirstBlockBytes ? kFirstBlockBytes : kBlockBytes;
            m_freeAt = NewBlock(size);
            m_free = m_blocks.back().get();
            m_left = size;
        }
        kept = m_free;
        at = m_freeAt;
        m_free += needed;
        m_freeAt += static_cast<std::uint32_t>(needed);
        m_left -= needed;
    }
    if (lengthBytes == 1)
        *kept = static_cast<char>(length[0]);
    else
        std::memcpy(kept, length, lengthBytes);
    if (!text.empty())
        std::memcpy(kept + lengthBytes, text.data(), text.size());
    return at;
}

std::uint32_t CMappingTable::Intern(std::string_view text, std::uint32_t hash)
{
    const auto slot = static_cast<std::uint32_t>(m_ids.size());
    const std::uint32_t found = m_index.FindOrInsert(text, hash, slot,
                                                     [this](std::uint32_t at) { return Text(m_ids[at]); });
    if (found == slot)
        m_ids.emplace_back().text = Keep(text);
    return found;
}

void CMappingTable::AddMapping(std::string_view serverId, std::string_view entryId)
{
    AddMapping(serverId, CIdIndex::Hash(serverId), entryId, CIdIndex::Hash(entryId));
}

void CMappingTable::AddMapping(std::string_view serverId, std::uint32_t serverHash, std::string_view entryId,
                               std::uint32_t entryHash)
{
    Changed();
    const std::uint32_t server = Intern(serverId, serverHash);
    const std::uint32_t entry = Intern(entryId, entryHash);
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
    Changed();
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
    Changed();
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
    Changed();
    m_era = NextVersion();
    m_ids.clear();
    m_ids.shrink_to_fit();
    m_index.Clear();
    m_entryToServer = 0;
    m_serverToEntry = 0;
    m_blocks.clear();
    m_free = nullptr;
    m_freeAt = 0;
    m_left = 0;
}

void CMappingTable::Reserve(std::size_t pairs)
{
    m_ids.reserve(m_ids.size() + 2 * pairs);
    m_index.Reserve(m_index.Size() + 2 * pairs);
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
