#include "records/CContactRecord.h"

namespace tarnwel {

std::string CContactRecord::GetDifferences(const CItemRecord&) const
{
    return {};
}

// The German description is not built yet; until it is, it is empty.
std::string CContactRecord::GetDescription() const
{
    return {};
}

} // namespace tarnwel
