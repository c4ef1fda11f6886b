#pragma once
// Two helpers of the server pass over the records of getItems: the partner
// look-ups readied ahead of the record being classified, and the records
// moved into a queue instead of copied.

#include "engine/CIdIndex.h"
#include "engine/CMappingTable.h"
#include "records/RecordArrays.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarnwel {

// Readies the mapping tables' look-ups of the partners of the server records
// a few places ahead of the record being classified, so that each look-up
// finds its bucket in the cache when the record's turn comes. Construction
// readies the first records; Before(i) is called once for each record i, in
// order, before it is classified. It changes nothing the run decides.
template <typename Record>
class CPartnerPrefetch {
public:
    static constexpr std::size_t kAhead = 8;

    CPartnerPrefetch(const CMappingTable& tables, const CRecordArray<Record>& records)
        : m_tables(tables), m_records(records)
    {
        for (std::size_t i = 0; i < kAhead && i < records.size(); ++i)
            tables.Prefetch(records[i].id_tarnwel);
    }

    void Before(std::size_t current) const
    {
        if (current + kAhead < m_records.size())
            m_tables.Prefetch(m_records[current + kAhead].id_tarnwel);
    }

private:
    const CMappingTable& m_tables;
    const CRecordArray<Record>& m_records;
};

// The server records that the server pass moves into a queue (ADD-TO-OUTLOOK)
// instead of copying them: a first run adds every server item, and a copy
// would hold each one twice. Each moved record's place in the queue is kept,
// so that a later step finds record i of getItems wherever it is now (At).
// At the first move the queue reserves room, once, for every record from the
// moved one on that `isUnpaired` accepts (those without a partner, which will
// follow it): a queue that grew by doubling would hold its old and its new
// storage at once, nearly twice the records. A run that moves nothing neither
// counts nor reserves.
template <typename Record>
class CMovedRecords {
public:
    using Array = CRecordArray<Record>;

    // Moves records[index] to the end of `queue`.
    template <typename IsUnpaired>
    void Move(Array& records, std::size_t index, Array& queue, IsUnpaired&& isUnpaired)
    {
        if (m_places.empty()) {
            m_places.assign(records.size(), CIdIndex::kNone);
            std::size_t unpaired = 0;
            for (std::size_t i = index; i < records.size(); ++i)
                if (isUnpaired(records[i]))
                    ++unpaired;
            queue.reserve(queue.size() + unpaired);
        }
        m_places[index] = static_cast<std::uint32_t>(queue.size());
        queue.push_back(std::move(records[index]));
    }

    // records[index] where it is now: in `queue` when it was moved there.
    Record& At(Array& records, std::size_t index, Array& queue) const
    {
        const bool moved = !m_places.empty() && m_places[index] != CIdIndex::kNone;
        return moved ? queue[m_places[index]] : records[index];
    }

private:
    // Per record of getItems: its place in the queue; empty while none moved.
    std::vector<std::uint32_t> m_places;
};

} // namespace tarnwel
