#pragma once

#include "platform/automation/DispatchWrapper.h"

namespace tarnwel {

// One named user property of an item.
class CUserProperty : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    CVariant GetValue() const { TARNWEL_RETURN_PROPERTY(Value); }
    // The value as text (CVariant::ToText).
    std::string GetValueText() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Text, Value); }
    void SetValue(const CVariant& value) const { TARNWEL_PUT_PROPERTY(, Value, value); }
    void SetValueText(std::string_view text) const { TARNWEL_PUT_PROPERTY(Text, Value, text); }
};

} // namespace tarnwel
