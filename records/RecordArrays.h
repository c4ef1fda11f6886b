#pragma once
// Record arrays hold records by value: adding stores a copy.

#include "records/CAddressRecord.h"
#include "records/CAppointmentRecord.h"
#include "records/CContactRecord.h"
#include "records/CTaskRecord.h"

#include <string>
#include <vector>

namespace tarnwel {

using CAppointmentArray = std::vector<CAppointmentRecord>;
using CContactArray = std::vector<CContactRecord>;
using CTaskArray = std::vector<CTaskRecord>;
using CAddressArray = std::vector<CAddressRecord>;
using CStringArray = std::vector<std::string>;

} // namespace tarnwel
