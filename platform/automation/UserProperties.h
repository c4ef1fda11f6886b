#pragma once

#include "platform/automation/UserProperty.h"

namespace tarnwel {

// The user properties of an item, as its form defines them.
class CUserProperties : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    // The property of that name; a null wrapper when the item's form has none.
    CUserProperty Item(std::string_view name) const
    {
        std::vector<CVariant> arguments;
        arguments.emplace_back(name);
        return CUserProperty(Invoke("Item", arguments).ToObject());
    }
};

} // namespace tarnwel
