#pragma once

#include "platform/automation/Items.h"

namespace tarnwel {

class CMapiFolder : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    CItems GetItems() const { return CItems(GetProperty("Items").ToObject()); }
};

} // namespace tarnwel
