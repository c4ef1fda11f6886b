#pragma once
// Record arrays hold records by value: adding stores a copy. Their storage is
// bulk storage (see BulkAllocator.h): a folder's or a reply's records are
// filled once and read through.

#include "records/CAddressRecord.h"
#include "records/CAppointmentRecord.h"
#include "records/CContactRecord.h"
#include "records/CTaskRecord.h"
#include "platform/base/BulkAllocator.h"

#include <string>
#include <vector>

namespace tarnwel {

template <typename Record>
using CRecordArray = CBulkVector<Record>;

using CAppointmentArray = CRecordArray<CAppointmentRecord>;
using CContactArray = CRecordArray<CContactRecord>;
using CTaskArray = CRecordArray<CTaskRecord>;
using CAddressArray = CRecordArray<CAddressRecord>;
using CStringArray = std::vector<std::string>;

} // namespace tarnwel
