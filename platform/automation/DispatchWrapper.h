#pragma once
// The common base of the typed wrappers (CApplication, CNameSpace, CItems,
// CAppointmentItem, ...): a shared reference to an automation object, possibly
// none, whose members are resolved by name at every call. A wrapper is a
// handle: copies refer to the same object, and calls through a const wrapper
// may change the object. Using a wrapper without an object raises CComError
// with com_codes::kPointer.

#include "platform/automation/DispatchObject.h"

#include <string_view>
#include <vector>

namespace tarnwel {

class CDispatchWrapper {
public:
    CDispatchWrapper() = default;
    explicit CDispatchWrapper(DispatchPtr object) : m_object(std::move(object)) {}

    bool IsNull() const { return m_object == nullptr; }
    const DispatchPtr& Object() const { return m_object; }

    CVariant GetProperty(std::string_view name) const;
    void PutProperty(std::string_view name, const CVariant& value) const;
    CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments = {}) const;

private:
    CDispatchObject& Target(std::string_view member) const;

    DispatchPtr m_object;
};

} // namespace tarnwel

// A Get/Set pair for a property of a typed wrapper, named after the property:
// TARNWEL_TEXT_PROPERTY(Subject) gives GetSubject() and SetSubject(text).
#define TARNWEL_TEXT_PROPERTY(Name)                                                       \
    std::string Get##Name() const { return GetProperty(#Name).ToText(); }                 \
    void Set##Name(std::string_view value) const { PutProperty(#Name, CVariant(value)); }

#define TARNWEL_DATE_PROPERTY(Name)                                                 \
    COleDate Get##Name() const { return GetProperty(#Name).ToDate(); }              \
    void Set##Name(const COleDate& value) const { PutProperty(#Name, CVariant(value)); }

#define TARNWEL_BOOL_PROPERTY(Name)                                         \
    bool Get##Name() const { return GetProperty(#Name).ToBool(); }          \
    void Set##Name(bool value) const { PutProperty(#Name, CVariant(value)); }

#define TARNWEL_INT_PROPERTY(Name)                                          \
    int Get##Name() const { return GetProperty(#Name).ToInt(); }            \
    void Set##Name(int value) const { PutProperty(#Name, CVariant(value)); }
