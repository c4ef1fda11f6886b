#pragma once
// An index from ids to the slots of a container that its owner keeps: an
// open-addressing hash table of slot numbers, without a copy of a single id.
// The owner tells the id of a slot (`idOf(slot)`), so the index costs eight
// bytes a bucket, with up to 80% of the buckets in use, and a look-up by a
// string_view builds no string. (Each bucket keeps its id's hash, so a probe
// past a bucket of another id seldom asks for that id.)
//
// Slots are only ever added (an owner marks a slot unused itself); each id
// must stand in the index once at most.

#include "platform/base/BulkAllocator.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tarnwel {

class CIdIndex {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    static std::uint32_t Hash(std::string_view id)
    {
        // Eight bytes at a time, then one final mix; ids are short.
        std::uint64_t h = 0x9E3779B97F4A7C15ull ^ id.size();
        const char* p = id.data();
        std::size_t left = id.size();
        while (left >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            h = (h ^ word) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
            p += 8;
            left -= 8;
        }
        if (left > 0) {
            // The last one to seven bytes in fixed-size loads (a copy of a
            // variable length costs a call): the word that ends the id,
            // less the bytes taken already, or for a short id two
            // overlapping halves or three of its bytes.
            std::uint64_t word;
            if (id.size() >= 8) {
                std::memcpy(&word, id.data() + id.size() - 8, 8);
                word >>= 8 * (8 - left);
            } else if (left >= 4) {
                std::uint32_t low, high;
                std::memcpy(&low, p, 4);
                std::memcpy(&high, p + left - 4, 4);
                word = low | static_cast<std::uint64_t>(high) << 32;
            } else {
                const auto byte = [p](std::size_t at) {
                    return static_cast<std::uint64_t>(static_cast<unsigned char>(p[at]));
                };
                word = byte(0) | byte(left / 2) << 8 | byte(left - 1) << 16;
            }
            h = (h ^ word) * 0xC4CEB9FE1A85EC53ull;
        }
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        return static_cast<std::uint32_t>(h);
    }

    std::size_t Size() const { return m_count; }

    // Room for `count` slots in all without growing.
    void Reserve(std::size_t count)
    {
        std::size_t wanted = 16;
        while (wanted / 5 * 4 < count)
            wanted *= 2;
        if (wanted > m_buckets.size())
            Rehash(wanted);
    }

    void Clear()
    {
        m_buckets.clear();
        m_buckets.shrink_to_fit();
        m_count = 0;
    }

    // The slot of the id, or kNone.
    template <typename IdOf>
    std::uint32_t Find(std::string_view id, IdOf&& idOf) const
    {
        return Find(id, Hash(id), idOf);
    }

    template <typename IdOf>
    std::uint32_t Find(std::string_view id, std::uint32_t hash, IdOf&& idOf) const
    {
        if (m_buckets.empty())
            return kNone;
        const std::size_t mask = m_buckets.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const CBucket& bucket = m_buckets[at];
            if (bucket.slot == kNone)
                return kNone;
            if (bucket.hash == hash && idOf(bucket.slot) == id)
                return bucket.slot;
        }
    }

    // Asks the processor for the bucket where a look-up of the hash begins,
    // so that a look-up a little later finds it in the cache (the buckets
    // of a large index are met at random).
    void Prefetch(std::uint32_t hash) const
    {
        if (!m_buckets.empty())
            __builtin_prefetch(&m_buckets[hash & (m_buckets.size() - 1)]);
    }

    // Adds a slot whose id (of that hash) the index does not hold yet.
    void Insert(std::uint32_t hash, std::uint32_t slot)
    {
        GrowForOneMore();
        Place(hash, slot);
        ++m_count;
    }

    // The slot of the id, or, when the index does not hold it, `slot`, which
    // is added for it: one probe for a look-up and an insert.
    template <typename IdOf>
    std::uint32_t FindOrInsert(std::string_view id, std::uint32_t hash, std::uint32_t slot, IdOf&& idOf)
    {
        GrowForOneMore();
        const std::size_t mask = m_buckets.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            CBucket& bucket = m_buckets[at];
            if (bucket.slot == kNone) {
                bucket = {hash, slot};
                ++m_count;
                return slot;
            }
            if (bucket.hash == hash && idOf(bucket.slot) == id)
                return bucket.slot;
        }
    }

private:
    struct CBucket {
        std::uint32_t hash = 0;
        std::uint32_t slot = kNone;
    };

    void GrowForOneMore()
    {
        if (m_count + 1 > m_buckets.size() / 5 * 4)
            Rehash(m_buckets.empty() ? 16 : m_buckets.size() * 2);
    }

    void Place(std::uint32_t hash, std::uint32_t slot)
    {
        const std::size_t mask = m_buckets.size() - 1;
        std::size_t at = hash & mask;
        while (m_buckets[at].slot != kNone)
            at = (at + 1) & mask;
        m_buckets[at] = {hash, slot};
    }

    void Rehash(std::size_t size)
    {
        CBulkVector<CBucket> old(size);
        old.swap(m_buckets);
        for (const CBucket& bucket : old)
            if (bucket.slot != kNone)
                Place(bucket.hash, bucket.slot);
    }

    CBulkVector<CBucket> m_buckets;  // a power of two in size, at most 80% in use
    std::size_t m_count = 0;
};

} // namespace tarnwel
