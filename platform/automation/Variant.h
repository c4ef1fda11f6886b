#pragma once
// The value that travels through a by-name call of an automation object: empty,
// the "omitted argument" marker, a bool, a 32-bit integer, a double, a date,
// a UTF-8 text or a reference to another automation object. The To... methods
// convert the way automation converts argument and result values, and raise
// CComError (com_codes::kTypeMismatch) where no conversion exists.

#include "platform/base/OleDate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace tarnwel {

class CDispatchObject;
using DispatchPtr = std::shared_ptr<CDispatchObject>;

class CVariant {
public:
    enum class Type { empty, omitted, boolean, integer, real, date, text, object };

    CVariant() = default;
    CVariant(bool value) : m_value(value) {}
    CVariant(int value) : m_value(static_cast<std::int32_t>(value)) {}
    CVariant(double value) : m_value(value) {}
    CVariant(const COleDate& value) : m_value(value) {}
    CVariant(std::string value) : m_value(std::move(value)) {}
    CVariant(std::string_view value) : m_value(std::string(value)) {}
    CVariant(const char* value) : m_value(std::string(value)) {}
    CVariant(DispatchPtr object) : m_value(std::move(object)) {}

    // The value passed for an optional argument the caller leaves out.
    static CVariant Omitted();

    Type GetType() const { return static_cast<Type>(m_value.index()); }
    bool IsEmpty() const { return GetType() == Type::empty; }
    bool IsOmitted() const { return GetType() == Type::omitted; }

    // Numbers in decimal, booleans "True"/"False", dates in the user locale's
    // date form followed by " %H:%M:%S" when the time is not midnight (a date
    // that is not valid gives ""), empty gives "".
    std::string ToText() const&;
    // The same; a text is moved out of a value that ends with the call.
    std::string ToText() &&;
    // The text of a text value, without a copy; null for a value of another type.
    const std::string* GetText() const { return std::get_if<std::string>(&m_value); }
    // Makes the value the flag, number or date `value`, in place when it
    // holds one of that type already.
    template <class T>
        requires(std::is_same_v<T, bool> || std::is_same_v<T, std::int32_t> || std::is_same_v<T, double> ||
                 std::is_same_v<T, COleDate>)
    void AssignPlain(const T& value)
    {
        if (T* held = std::get_if<T>(&m_value))
            *held = value;
        else
            m_value = value;
    }
    // Makes the value the text `text`; a value that is a text already keeps
    // its storage, so that a value refilled again and again does not allocate.
    void AssignText(std::string_view text)
    {
        if (std::string* current = std::get_if<std::string>(&m_value)) {
            const std::less<const char*> before;
            const bool inside = !before(text.data(), current->data()) &&
                before(text.data(), current->data() + current->size());
            if (inside) {
                current->assign(text.data(), text.size());
            } else {
                // Within the storage the text has, the bytes are copied over
                // it without the general replacement.
                current->resize(text.size());
                std::char_traits<char>::copy(current->data(), text.data(), text.size());
            }
        }
        else
            m_value = std::string(text);
    }
    // Numbers: not zero is true; texts "True"/"False" (any case) or a number.
    bool ToBool() const;
    // Doubles and dates round half to even; true is -1; texts must hold a number.
    std::int32_t ToInt() const;
    double ToDouble() const;
    // Numbers count days since 30 December 1899; texts go through COleDate::Parse
    // and must give a valid date; empty is day 0.
    COleDate ToDate() const;
    // The object, or none for an empty value or a null reference.
    DispatchPtr ToObject() const&;
    // The same; the reference is moved out of a value that ends with the call.
    DispatchPtr ToObject() &&;

    friend bool operator==(const CVariant&, const CVariant&) = default;

private:
    struct OmittedTag {
        friend bool operator==(OmittedTag, OmittedTag) { return true; }
    };
    using Value = std::variant<std::monostate, OmittedTag, bool, std::int32_t, double, COleDate, std::string, DispatchPtr>;

    bool TryToDouble(double& number) const;
    [[noreturn]] void ThrowMismatch(std::string_view target) const;

    Value m_value;
};

} // namespace tarnwel
