#pragma once
// An automation object: its members are reached by name at run time, the way
// IDispatch clients reach them. Names are matched ignoring ASCII letter case.
// Every failing call raises CComError; a name the object does not have raises
// com_codes::kUnknownName.

#include "platform/automation/Variant.h"

#include <string_view>
#include <vector>

namespace tarnwel {

class CDispatchObject {
public:
    virtual ~CDispatchObject() = default;

    virtual CVariant GetProperty(std::string_view name) = 0;
    virtual void PutProperty(std::string_view name, const CVariant& value) = 0;
    virtual CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments) = 0;
};

} // namespace tarnwel
