#pragma once
// An automation object: its members are reached by name at run time, the way
// IDispatch clients reach them. Names are matched ignoring ASCII letter case.
// Every failing call raises CComError; a name the object does not have raises
// com_codes::kUnknownName.

#include "platform/automation/Variant.h"

#include <string_view>
#include <vector>

namespace tarnwel {

// What a call site keeps of the member it reads: the member class of the
// object it met last and the member's id there (see CDispatchObject).
struct CMemberIdCache {
    const void* memberClass = nullptr;
    int id = -1;
};

class CDispatchObject {
public:
    virtual ~CDispatchObject() = default;

    virtual CVariant GetProperty(std::string_view name) = 0;
    virtual void PutProperty(std::string_view name, const CVariant& value) = 0;
    virtual CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments) = 0;

    // Member ids, which a caller resolves once and keeps, the way automation
    // clients keep DISPIDs. Objects of one MemberClass (not null) offer the
    // same members under the same ids; an object without one offers no ids.
    virtual const void* MemberClass() const { return nullptr; }
    // The id of the member of that name, or -1 when there is none.
    virtual int MemberId(std::string_view) { return -1; }
    // The property get of an id that MemberId gave for this MemberClass;
    // `name` is the member's name, for the errors of the call. It behaves as
    // GetProperty(name) does.
    virtual CVariant GetPropertyById(int, std::string_view name) { return GetProperty(name); }
    // The property put of such an id; it behaves as PutProperty(name, value)
    // does.
    virtual void PutPropertyById(int, std::string_view name, const CVariant& value) { PutProperty(name, value); }
    // The same value as GetPropertyById(id, name) gives, where the object
    // holds it: a reference that stays valid until the next call on the
    // object, so that a caller converting it at once needs no copy. Null
    // where the object has no such value; the caller then calls
    // GetPropertyById.
    virtual const CVariant* PeekPropertyById(int, std::string_view) { return nullptr; }
    // The quick way of the same for a call site whose `cache` was made for
    // this object's member class: the value where the object holds it and
    // can give it without further checks, else null, and the caller goes the
    // usual way (MemberClass, PeekPropertyById, GetPropertyById), which
    // raises what the call raises.
    virtual const CVariant* PeekCachedProperty(const CMemberIdCache&) { return nullptr; }
    // The same for a property of one of the object's items: the item that
    // the method of `itemCache` finds by the text `key`, and its property of
    // `propertyCache`. True when the object can tell at once, `value` then
    // pointing at the value where the object holds it, or null when there
    // is no such item; false when the caller goes the usual way (the method,
    // then the property of its result).
    virtual bool PeekCachedItemProperty(const CMemberIdCache& /*itemCache*/, std::string_view /*key*/,
                                        const CMemberIdCache& /*propertyCache*/, const CVariant*& /*value*/)
    {
        return false;
    }
    // The method call of an id that MemberId gave for this MemberClass; it
    // behaves as Invoke(name, arguments) does.
    virtual CVariant InvokeById(int, std::string_view name, const std::vector<CVariant>& arguments)
    {
        return Invoke(name, arguments);
    }
};

} // namespace tarnwel
