#pragma once
// The common base of the typed wrappers (CApplication, CNameSpace, CItems,
// CAppointmentItem, ...): a shared reference to an automation object, possibly
// none, whose members are resolved by name at every call. A wrapper is a
// handle: copies refer to the same object, and calls through a const wrapper
// may change the object. Using a wrapper without an object raises CComError
// with com_codes::kPointer.

#include "platform/automation/DispatchObject.h"

#include <string>
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
    // The same, through the member id in `cache` when the object is of the
    // member class the cache holds; else the id is resolved and kept there.
    CVariant GetProperty(std::string_view name, CMemberIdCache& cache) const;
    // The same, converted as CVariant's To... would convert it; the value is
    // converted where the object holds it when it offers that
    // (CDispatchObject::PeekPropertyById).
    std::string GetTextProperty(std::string_view name, CMemberIdCache& cache) const
    {
        // The common case at once: a text that the object holds, for a call
        // site that met the object's member class before.
        if (const CVariant* value = PeekCached(cache))
            if (const std::string* text = value->GetText())
                return *text;
        return ConvertTextProperty(name, cache);
    }
    COleDate GetDateProperty(std::string_view name, CMemberIdCache& cache) const
    {
        if (const CVariant* value = PeekCached(cache); value != nullptr && value->GetType() == CVariant::Type::date)
            return value->ToDate();
        return ConvertDateProperty(name, cache);
    }
    bool GetBoolProperty(std::string_view name, CMemberIdCache& cache) const
    {
        if (const CVariant* value = PeekCached(cache); value != nullptr && value->GetType() == CVariant::Type::boolean)
            return value->ToBool();
        return ConvertBoolProperty(name, cache);
    }
    int GetIntProperty(std::string_view name, CMemberIdCache& cache) const;
    void PutProperty(std::string_view name, const CVariant& value) const;
    // The same through the member id in `cache`, as GetProperty keeps it.
    void PutProperty(std::string_view name, const CVariant& value, CMemberIdCache& cache) const;
    // The same for a text, handed over in a variant that the thread keeps, so
    // that a put of a long text needs no storage of its own.
    void PutTextProperty(std::string_view name, std::string_view text, CMemberIdCache& cache) const;
    CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments = {}) const;
    // The same through the member id in `cache`, as GetProperty keeps it.
    CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments, CMemberIdCache& cache) const;

private:
    CDispatchObject& Target(std::string_view member) const;
    // True when `cache` holds the member id of `name` in the object's class
    // (looked up and kept when the class is another); false when the object
    // must be called by name.
    static bool ResolveMemberId(CDispatchObject& object, std::string_view name, CMemberIdCache& cache);
    const CVariant* PeekCached(const CMemberIdCache& cache) const
    {
        return m_object != nullptr ? m_object->PeekCachedProperty(cache) : nullptr;
    }
    std::string ConvertTextProperty(std::string_view name, CMemberIdCache& cache) const;
    COleDate ConvertDateProperty(std::string_view name, CMemberIdCache& cache) const;
    bool ConvertBoolProperty(std::string_view name, CMemberIdCache& cache) const;
    template <class Convert>
    auto ConvertProperty(std::string_view name, CMemberIdCache& cache, Convert&& convert) const;

    DispatchPtr m_object;
};

} // namespace tarnwel

// A Get/Set pair for a property of a typed wrapper, named after the property:
// TARNWEL_TEXT_PROPERTY(Subject) gives GetSubject() and SetSubject(text).
// The statements of a getter that returns the property `Name` (followed by
// its conversion): it keeps the property's member id, one for each thread.
#define TARNWEL_RETURN_PROPERTY(Name)                 \
    static thread_local CMemberIdCache memberIdCache; \
    return GetProperty(#Name, memberIdCache)

// The same for a getter that converts the property at once: Type is Text,
// Date, Bool or Int (CDispatchWrapper::GetTextProperty, ...).
#define TARNWEL_RETURN_CONVERTED_PROPERTY(Type, Name) \
    static thread_local CMemberIdCache memberIdCache; \
    return Get##Type##Property(#Name, memberIdCache)

// The statements of a setter that puts `value` into the property `Name`
// through the kept member id; Kind is Text for PutTextProperty, else empty.
#define TARNWEL_PUT_PROPERTY(Kind, Name, value)       \
    static thread_local CMemberIdCache memberIdCache; \
    Put##Kind##Property(#Name, value, memberIdCache)

#define TARNWEL_TEXT_PROPERTY(Name)                                                         \
    std::string Get##Name() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Text, Name); }      \
    void Set##Name(std::string_view value) const { TARNWEL_PUT_PROPERTY(Text, Name, value); }

#define TARNWEL_DATE_PROPERTY(Name)                                                   \
    COleDate Get##Name() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Date, Name); }   \
    void Set##Name(const COleDate& value) const { TARNWEL_PUT_PROPERTY(, Name, CVariant(value)); }

#define TARNWEL_BOOL_PROPERTY(Name)                                           \
    bool Get##Name() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Bool, Name); } \
    void Set##Name(bool value) const { TARNWEL_PUT_PROPERTY(, Name, CVariant(value)); }

#define TARNWEL_INT_PROPERTY(Name)                                           \
    int Get##Name() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Int, Name); }  \
    void Set##Name(int value) const { TARNWEL_PUT_PROPERTY(, Name, CVariant(value)); }
