#include "platform/automation/Variant.h"

#include "platform/base/ComError.h"
#include "platform/base/Text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarnwel {
namespace {

// A number written in decimal (optional sign, fraction and exponent) with
// nothing else but surrounding white space; false when the text is no number.
bool ParseNumber(std::string_view text, double& number)
{
    const std::string trimmed = TrimSpace(text);
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last)
        return false;
    const auto result = std::from_chars(first, last, number);
    return result.ec == std::errc() && result.ptr == last && std::isfinite(number);
}

} // namespace

CVariant CVariant::Omitted()
{
    CVariant omitted;
    omitted.m_value = OmittedTag{};
    return omitted;
}

void CVariant::ThrowMismatch(std::string_view target) const
{
    static constexpr const char* kTypeNames[] = {"empty", "omitted argument", "bool", "integer",
                                                 "double", "date", "text", "object"};
    throw CComError(com_codes::kTypeMismatch, std::string("Type mismatch: cannot convert ") +
                                                  kTypeNames[m_value.index()] + " to " + std::string(target));
}

std::string CVariant::ToText() const&
{
    switch (GetType()) {
    case Type::empty:
        return {};
    case Type::boolean:
        return std::get<bool>(m_value) ? "True" : "False";
    case Type::integer:
        return std::to_string(std::get<std::int32_t>(m_value));
    case Type::real: {
        char text[32];
        std::snprintf(text, sizeof text, "%.15g", std::get<double>(m_value));
        return text;
    }
    case Type::date: {
        const COleDate& date = std::get<COleDate>(m_value);
        COleDate::Fields fields;
        if (!date.GetFields(fields))
            return {};
        std::string text = date.FormatLocaleDate();
        if (fields.hour != 0 || fields.minute != 0 || fields.second != 0)
            text += date.Format(" %H:%M:%S");
        return text;
    }
    case Type::text:
        return std::get<std::string>(m_value);
    case Type::omitted:
    case Type::object:
        break;
    }
    ThrowMismatch("text");
}

std::string CVariant::ToText() &&
{
    if (std::string* text = std::get_if<std::string>(&m_value))
        return std::move(*text);
    return static_cast<const CVariant&>(*this).ToText();
}

bool CVariant::ToBool() const
{
    switch (GetType()) {
    case Type::empty:
        return false;
    case Type::boolean:
        return std::get<bool>(m_value);
    case Type::integer:
        return std::get<std::int32_t>(m_value) != 0;
    case Type::real:
        return std::get<double>(m_value) != 0.0;
    case Type::date:
        return std::get<COleDate>(m_value).Days() != 0.0;
    case Type::text: {
        const std::string trimmed = TrimSpace(std::get<std::string>(m_value));
        if (EqualsAsciiNoCase(trimmed, "True"))
            return true;
        if (EqualsAsciiNoCase(trimmed, "False"))
            return false;
        double number = 0.0;
        if (ParseNumber(trimmed, number))
            return number != 0.0;
        break;
    }
    case Type::omitted:
    case Type::object:
        break;
    }
    ThrowMismatch("bool");
}

bool CVariant::TryToDouble(double& number) const
{
    switch (GetType()) {
    case Type::empty:
        number = 0.0;
        return true;
    case Type::boolean:
        number = std::get<bool>(m_value) ? -1.0 : 0.0;
        return true;
    case Type::integer:
        number = std::get<std::int32_t>(m_value);
        return true;
    case Type::real:
        number = std::get<double>(m_value);
        return true;
    case Type::date:
        number = std::get<COleDate>(m_value).Days();
        return std::get<COleDate>(m_value).IsValid();
    case Type::text:
        return ParseNumber(std::get<std::string>(m_value), number);
    case Type::omitted:
    case Type::object:
        break;
    }
    return false;
}

std::int32_t CVariant::ToInt() const
{
    double number = 0.0;
    if (TryToDouble(number)) {
        const double rounded = std::nearbyint(number);
        if (rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())
            return static_cast<std::int32_t>(rounded);
    }
    ThrowMismatch("integer");
}

double CVariant::ToDouble() const
{
    double number = 0.0;
    if (TryToDouble(number))
        return number;
    ThrowMismatch("double");
}

COleDate CVariant::ToDate() const
{
    switch (GetType()) {
    case Type::empty:
        return COleDate(0.0);
    case Type::integer:
        return COleDate(std::get<std::int32_t>(m_value));
    case Type::real:
        return COleDate(std::get<double>(m_value));
    case Type::date:
        return std::get<COleDate>(m_value);
    case Type::text: {
        const COleDate date = COleDate::Parse(std::get<std::string>(m_value));
        if (date.IsValid())
            return date;
        break;
    }
    case Type::omitted:
    case Type::boolean:
    case Type::object:
        break;
    }
    ThrowMismatch("date");
}

DispatchPtr CVariant::ToObject() &&
{
    if (DispatchPtr* object = std::get_if<DispatchPtr>(&m_value))
        return std::move(*object);
    return static_cast<const CVariant&>(*this).ToObject();
}

DispatchPtr CVariant::ToObject() const&
{
    if (IsEmpty())
        return nullptr;
    if (GetType() == Type::object)
        return std::get<DispatchPtr>(m_value);
    ThrowMismatch("object");
}

} // namespace tarnwel
