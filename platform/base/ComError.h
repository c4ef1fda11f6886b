#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace tarnwel {

// The one error type for a failing call of an automation object or of the SOAP
// client: a 32-bit status code in the HRESULT style and a description. Codes
// are compared and shown as unsigned hexadecimal ("0x80004005").
class CComError : public std::exception {
public:
    CComError(std::int32_t code, std::string description)
        : m_code(code), m_description(std::move(description)) {}

    std::int32_t Code() const { return m_code; }
    const std::string& Description() const { return m_description; }
    const char* what() const noexcept override { return m_description.c_str(); }

    // "0x%08lx" of the code, as messages show it.
    std::string CodeText() const;

private:
    std::int32_t m_code;
    std::string m_description;
};

// Status codes in use; their values are those of the COM conventions so that a
// message that shows one means the same thing everywhere.
namespace com_codes {
constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);            // unspecified failure
constexpr std::int32_t kPointer = static_cast<std::int32_t>(0x80004003u);         // object missing
constexpr std::int32_t kNoInterface = static_cast<std::int32_t>(0x80004002u);     // member set not offered
constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000Eu);
constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x80070057u);
constexpr std::int32_t kFileNotFound = static_cast<std::int32_t>(0x80070002u);    // a file that must exist does not
constexpr std::int32_t kUnknownName = static_cast<std::int32_t>(0x80020006u);     // no member of that name
constexpr std::int32_t kMemberNotFound = static_cast<std::int32_t>(0x80020003u);
constexpr std::int32_t kParamNotFound = static_cast<std::int32_t>(0x80020004u);   // the "omitted" argument
constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80020005u);
constexpr std::int32_t kBadParamCount = static_cast<std::int32_t>(0x8002000Eu);
constexpr std::int32_t kException = static_cast<std::int32_t>(0x80020009u);      // the object raised an error
constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154u);
constexpr std::int32_t kInvalidClassString = static_cast<std::int32_t>(0x800401F3u);
constexpr std::int32_t kTimeout = static_cast<std::int32_t>(0x800705B4u);          // the wait ran out
constexpr std::int32_t kAbort = static_cast<std::int32_t>(0x80004004u);            // stopped on request
}  // namespace com_codes

}  // namespace tarnwel
