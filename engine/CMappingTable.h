#pragma once
// The two tables that pair Outlook entry ids with server ids: entry-to-server
// (the content of a kind's mapping file) and its inverse, server-to-entry.
// Keys are compared exactly, case included.
//
// Each distinct id is kept once, its bytes in blocks that never move, with
// the partner it has in either table; one hash index from the id's bytes to
// its place serves both tables. An id's bytes follow its length (one byte
// below 128, a few more above), in blocks of 2 MiB after a first one of
// 64 KiB (a longer id has a block of its own); its place holds where they
// are, as a block number and an offset in 32 bits, and its two partners. So
// a pair costs its ids' bytes and some 45 to 65 bytes more (as full as the
// index is), a look-up by a string_view builds no string, and the ids that
// the finds give stay valid until Clear. An id that loses its pairs keeps its
// place for the table's life (pairs are seldom removed, and a removed pair is
// often made again).

#include "engine/CIdIndex.h"
#include "platform/base/BulkAllocator.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwel {

class CMappingTable {
private:
    struct CId {
        std::uint32_t text = 0;  // where the id's length and bytes are: block << kBlockBits | offset
        std::uint32_t server = CIdIndex::kNone;  // as an entry id: its place in entry-to-server
        std::uint32_t entry = CIdIndex::kNone;   // as a server id: its place in server-to-entry
    };

public:
    using Pair = std::pair<std::string_view, std::string_view>;

    // One of the two tables, as (key, value) pairs in no particular order.
    class CTableView {
    public:
        class iterator {
        public:
            using iterator_category = std::forward_iterator_tag;
            using value_type = Pair;
            using difference_type = std::ptrdiff_t;
            using pointer = void;
            using reference = Pair;

            iterator() = default;
            Pair operator*() const
            {
                const CId& id = m_table->m_ids[m_at];
                const CId& partner = m_table->m_ids[m_serverSide ? id.entry : id.server];
                return {m_table->Text(id), m_table->Text(partner)};
            }
            iterator& operator++()
            {
                ++m_at;
                Skip();
                return *this;
            }
            iterator operator++(int)
            {
                iterator before = *this;
                ++*this;
                return before;
            }
            bool operator==(const iterator& other) const { return m_at == other.m_at; }

        private:
            friend class CTableView;
            iterator(const CMappingTable* table, std::size_t at, bool serverSide)
                : m_table(table), m_at(at), m_serverSide(serverSide)
            {
                Skip();
            }
            void Skip()
            {
                const CBulkVector<CId>& ids = m_table->m_ids;
                while (m_at < ids.size() && ((m_serverSide ? ids[m_at].entry : ids[m_at].server) == CIdIndex::kNone))
                    ++m_at;
            }
            const CMappingTable* m_table = nullptr;
            std::size_t m_at = 0;
            bool m_serverSide = false;
        };

        iterator begin() const { return {m_table, 0, m_serverSide}; }
        iterator end() const { return {m_table, m_table->m_ids.size(), m_serverSide}; }
        std::size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }

    private:
        friend class CMappingTable;
        CTableView(const CMappingTable* table, std::size_t size, bool serverSide)
            : m_table(table), m_size(size), m_serverSide(serverSide)
        {
        }
        const CMappingTable* m_table;
        std::size_t m_size;
        bool m_serverSide;
    };

    CMappingTable() = default;
    CMappingTable(const CMappingTable&) = delete;
    CMappingTable& operator=(const CMappingTable&) = delete;
    // The moved-to table takes the pairs and their version; the moved-from
    // one is empty, with a version of its own.
    CMappingTable(CMappingTable&& other) noexcept;
    CMappingTable& operator=(CMappingTable&& other) noexcept;

    // server-to-entry[serverId] = entryId and entry-to-server[entryId] =
    // serverId; values of existing keys are replaced.
    void AddMapping(std::string_view serverId, std::string_view entryId);
    // The same with the ids' hashes (CIdIndex::Hash) known.
    void AddMapping(std::string_view serverId, std::uint32_t serverHash, std::string_view entryId,
                    std::uint32_t entryHash);
    // Readies the look-up of an id of that hash (CIdIndex::Hash) for a
    // call a little later: a caller that knows its next ids lets their
    // look-ups overlap.
    void Prefetch(std::uint32_t hash) const { m_index.Prefetch(hash); }
    void Prefetch(std::string_view id) const { m_index.Prefetch(CIdIndex::Hash(id)); }

    // Forgets the server id and the entry id it was mapped to.
    void RemoveMapping(std::string_view serverId);

    // Forgets the entry id, and its server id when that still names this
    // entry (a server id read with two entry ids keeps its other partner).
    void RemoveEntry(std::string_view entryId);

    // The partner of an id, or nothing when the id is not mapped.
    std::optional<std::string_view> FindServerId(std::string_view entryId) const;
    std::optional<std::string_view> FindEntryId(std::string_view serverId) const;

    void Clear();
    // Room for `pairs` pairs without growing (the blocks of the ids' bytes
    // are made as they fill).
    void Reserve(std::size_t pairs);

    CTableView EntryToServer() const { return {this, m_entryToServer, false}; }
    CTableView ServerToEntry() const { return {this, m_serverToEntry, true}; }

    // The pairs of entry-to-server whose server id more than one entry id
    // has, in no particular order.
    std::vector<Pair> SharedServerIdPairs() const;

    // Every id the table keeps has a place, a number below IdCount() that
    // stays its own until Clear (or a move) takes all places away: then the
    // era changes. Places let a caller keep a number per id in a vector of
    // its own instead of an index of the ids' texts.
    static constexpr std::uint32_t kNoPlace = CIdIndex::kNone;
    std::uint32_t PlaceOf(std::string_view id) const { return Find(id); }
    // The place of the id, made (without a partner) when it has none; the
    // pairs, and so the version, stay as they are.
    std::uint32_t Place(std::string_view id) { return Intern(id); }
    // The place of the entry id paired with the server id, or kNoPlace.
    std::uint32_t EntryPlaceOf(std::string_view serverId) const
    {
        const std::uint32_t server = Find(serverId);
        return server == CIdIndex::kNone ? kNoPlace : m_ids[server].entry;
    }
    std::string_view IdAt(std::uint32_t place) const { return Text(m_ids[place]); }
    // The place of the server id paired with the entry id at the place, or kNoPlace.
    std::uint32_t ServerPlaceAt(std::uint32_t entryPlace) const { return m_ids[entryPlace].server; }
    // The server id paired with the entry id at the place, or nothing.
    std::optional<std::string_view> ServerIdAt(std::uint32_t entryPlace) const
    {
        const std::uint32_t server = m_ids[entryPlace].server;
        if (server == CIdIndex::kNone)
            return std::nullopt;
        return Text(m_ids[server]);
    }
    std::uint64_t Era() const { return m_era; }

    // Tells the states of the tables apart: every change of the pairs (and
    // every Clear) gives the table a new version, and no two tables of the
    // process ever share one. So a version seen earlier means "the same
    // pairs as then, in the same order".
    std::uint64_t Version() const { return m_version; }
    // How many distinct ids the table keeps (as entry or server id, with a
    // partner or without one any more).
    std::size_t IdCount() const { return m_ids.size(); }

private:
    // The ids' bytes are kept in blocks of 2 MiB, bulk storage that a large
    // table fills on huge pages; the first block is small, for the many
    // tables of a few pairs.
    static constexpr unsigned kBlockBits = 21;
    static constexpr std::size_t kBlockBytes = std::size_t{1} << kBlockBits;
    static constexpr std::size_t kFirstBlockBytes = std::size_t{64} << 10;
    struct CBlockRelease {
        std::size_t bytes;
        void operator()(char* block) const noexcept { FreeBulk(block, bytes); }
    };

    std::string_view Text(const CId& id) const
    {
        // Seven bits of the length a byte, the lowest first; the top bit
        // says that another byte follows.
        const auto* p = reinterpret_cast<const unsigned char*>(m_blocks[id.text >> kBlockBits].get() +
                                                               (id.text & (kBlockBytes - 1)));
        std::size_t size = *p & 0x7F;
        for (int shift = 7; *p++ & 0x80; shift += 7)
            size |= static_cast<std::size_t>(*p & 0x7F) << shift;
        return {reinterpret_cast<const char*>(p), size};
    }
    std::uint32_t Find(std::string_view text) const;
    // The place of the id, made when it has none.
    std::uint32_t Intern(std::string_view text) { return Intern(text, CIdIndex::Hash(text)); }
    std::uint32_t Intern(std::string_view text, std::uint32_t hash);
    // Where the id's length and bytes are kept now.
    std::uint32_t Keep(std::string_view text);
    // A new block of `size` bytes; where it begins.
    std::uint32_t NewBlock(std::size_t size);
    static std::uint64_t NextVersion()
    {
        static std::atomic<std::uint64_t> s_versions{0};
        return s_versions.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    void Changed() { m_version = NextVersion(); }

    std::uint64_t m_version = NextVersion();
    std::uint64_t m_era = NextVersion();
    CBulkVector<CId> m_ids;
    CIdIndex m_index;
    std::size_t m_entryToServer = 0;  // ids with a server partner
    std::size_t m_serverToEntry = 0;  // ids with an entry partner
    // The bytes of the ids.
    std::vector<std::unique_ptr<char[], CBlockRelease>> m_blocks;
    char* m_free = nullptr;       // the free rest of the last block
    std::uint32_t m_freeAt = 0;   // where it begins
    std::size_t m_left = 0;
};

} // namespace tarnwel
