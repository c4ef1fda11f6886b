#pragma once

#include "platform/automation/OutlookItem.h"

namespace tarnwel {

// The items of a folder.
class CItems : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    // A new, unsaved item of that message class.
    COutlookItem Add(std::string_view messageClass) const
    {
        return COutlookItem(Invoke("Add", {CVariant(messageClass)}).ToObject());
    }
    // The first item that matches the filter, and the next one after it; a null
    // wrapper when there is none more.
    COutlookItem Find(std::string_view filter) const { return COutlookItem(Invoke("Find", {CVariant(filter)}).ToObject()); }
    COutlookItem FindNext() const
    {
        static thread_local CMemberIdCache memberIdCache;
        return COutlookItem(Invoke("FindNext", {}, memberIdCache).ToObject());
    }
};

} // namespace tarnwel
