#include "records/CAddressRecord.h"

namespace tarnwel {

void CAddressRecord::CopyAddressFields(const CAddressRecord& other)
{
    std::string action = std::move(address_action);
    *this = other;
    address_action = std::move(action);
}

} // namespace tarnwel
