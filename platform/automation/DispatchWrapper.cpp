#include "platform/automation/DispatchWrapper.h"

#include "platform/base/ComError.h"

#include <string>
#include <type_traits>
#include <utility>

namespace tarnwel {

CDispatchObject& CDispatchWrapper::Target(std::string_view member) const
{
    if (!m_object)
        throw CComError(com_codes::kPointer, "No automation object to call " + std::string(member) + " on");
    return *m_object;
}

CVariant CDispatchWrapper::GetProperty(std::string_view name) const
{
    return Target(name).GetProperty(name);
}

bool CDispatchWrapper::ResolveMemberId(CDispatchObject& object, std::string_view name, CMemberIdCache& cache)
{
    const void* memberClass = object.MemberClass();
    if (memberClass == nullptr)
        return false;
    if (memberClass != cache.memberClass) {
        const int id = object.MemberId(name);
        if (id < 0)
            return false;
        cache = {memberClass, id};
    }
    return true;
}

CVariant CDispatchWrapper::GetProperty(std::string_view name, CMemberIdCache& cache) const
{
    CDispatchObject& object = Target(name);
    // By name where the object has no member ids (or does not know the name,
    // which raises its error).
    if (!ResolveMemberId(object, name, cache))
        return object.GetProperty(name);
    return object.GetPropertyById(cache.id, name);
}

template <class Convert>
auto CDispatchWrapper::ConvertProperty(std::string_view name, CMemberIdCache& cache, Convert&& convert) const
{
    CDispatchObject& object = Target(name);
    if (const CVariant* value = object.PeekCachedProperty(cache))
        return convert(*value);
    if (!ResolveMemberId(object, name, cache))
        return convert(object.GetProperty(name));
    if (const CVariant* value = object.PeekPropertyById(cache.id, name))
        return convert(*value);
    return convert(object.GetPropertyById(cache.id, name));
}

std::string CDispatchWrapper::ConvertTextProperty(std::string_view name, CMemberIdCache& cache) const
{
    // A value that the call handed over is moved out, one the object holds
    // copied; a text, the most common value, without the conversion.
    return ConvertProperty(name, cache, [](auto&& value) {
        if constexpr (std::is_lvalue_reference_v<decltype(value)>) {
            if (const std::string* text = value.GetText())
                return *text;
        }
        return std::forward<decltype(value)>(value).ToText();
    });
}

COleDate CDispatchWrapper::ConvertDateProperty(std::string_view name, CMemberIdCache& cache) const
{
    return ConvertProperty(name, cache, [](const CVariant& value) { return value.ToDate(); });
}

bool CDispatchWrapper::ConvertBoolProperty(std::string_view name, CMemberIdCache& cache) const
{
    return ConvertProperty(name, cache, [](const CVariant& value) { return value.ToBool(); });
}

int CDispatchWrapper::GetIntProperty(std::string_view name, CMemberIdCache& cache) const
{
    return ConvertProperty(name, cache, [](const CVariant& value) { return static_cast<int>(value.ToInt()); });
}

void CDispatchWrapper::PutProperty(std::string_view name, const CVariant& value) const
{
    Target(name).PutProperty(name, value);
}

void CDispatchWrapper::PutProperty(std::string_view name, const CVariant& value, CMemberIdCache& cache) const
{
    CDispatchObject& object = Target(name);
    if (!ResolveMemberId(object, name, cache))
        return object.PutProperty(name, value);
    object.PutPropertyById(cache.id, name, value);
}

void CDispatchWrapper::PutTextProperty(std::string_view name, std::string_view text, CMemberIdCache& cache) const
{
    // A put made while one runs (from inside the object) builds its own.
    struct CKept {
        CVariant value{std::string()};
        bool inUse = false;
    };
    static thread_local CKept kept;
    if (kept.inUse)
        return PutProperty(name, CVariant(text), cache);
    struct CRelease {
        bool& inUse;
        ~CRelease() { inUse = false; }
    } release{kept.inUse};
    kept.inUse = true;
    kept.value.AssignText(text);
    PutProperty(name, kept.value, cache);
}

CVariant CDispatchWrapper::Invoke(std::string_view name, const std::vector<CVariant>& arguments) const
{
    return Target(name).Invoke(name, arguments);
}

CVariant CDispatchWrapper::Invoke(std::string_view name, const std::vector<CVariant>& arguments,
                                  CMemberIdCache& cache) const
{
    CDispatchObject& object = Target(name);
    if (!ResolveMemberId(object, name, cache))
        return object.Invoke(name, arguments);
    return object.InvokeById(cache.id, name, arguments);
}

} // namespace tarnwel
