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
        // Items are read by name many times in a row (a contact has six):
        // the argument list is kept for the thread instead of being built at
        // every call. A call made while one runs builds its own.
        static thread_local std::vector<CVariant> kept(1);
        static thread_local bool inUse = false;
        static thread_local CMemberIdCache memberIdCache;
        if (inUse)
            return CUserProperty(Invoke("Item", {CVariant(name)}, memberIdCache).ToObject());
        struct CRelease {
            ~CRelease() { inUse = false; }
        } release;
        inUse = true;
        kept[0].AssignText(name);
        return CUserProperty(Invoke("Item", kept, memberIdCache).ToObject());
    }
};

} // namespace tarnwel
