#pragma once
// The server ids that a run sent with getItems (the partners of the mapped
// Outlook items changed since the run's date), marked by their places in the
// store's mapping tables (CMappingTable::PlaceOf) rather than kept as texts.
// Note marks the places and gives the ids for the request; Contains tells
// whether an id was among them. The marks hold for the era of the tables in
// which they were made: if the tables were emptied since (a new era), nothing
// counts as requested, so the Outlook pass leaves an item for the next run
// rather than take its partner's absence from the reply for a deletion.

#include "engine/CMappingTable.h"
#include "records/RecordArrays.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tarnwel {

class CRequestedIds {
public:
    // Marks the places `serverPlaces` of `tables` as requested (and no
    // other) and returns their server ids in the same order.
    CStringArray Note(const CMappingTable& tables, const std::vector<std::uint32_t>& serverPlaces);
    // True when `serverId` was noted, in the era of `tables` that noted it.
    bool Contains(const CMappingTable& tables, std::string_view serverId) const;

private:
    std::vector<bool> m_marks;  // by place
    std::uint64_t m_era = 0;
};

} // namespace tarnwel
