#include "engine/CRequestedIds.h"

namespace tarnwel {

CStringArray CRequestedIds::Note(const CMappingTable& tables, const std::vector<std::uint32_t>& serverPlaces)
{
    m_marks.assign(tables.IdCount(), false);
    m_era = tables.Era();
    CStringArray ids;
    ids.reserve(serverPlaces.size());
    for (const std::uint32_t place : serverPlaces) {
        m_marks[place] = true;
        ids.emplace_back(tables.IdAt(place));
    }
    return ids;
}

bool CRequestedIds::Contains(const CMappingTable& tables, std::string_view serverId) const
{
    if (tables.Era() != m_era)
        return false;
    const std::uint32_t place = tables.PlaceOf(serverId);
    return place < m_marks.size() && m_marks[place];
}

} // namespace tarnwel
