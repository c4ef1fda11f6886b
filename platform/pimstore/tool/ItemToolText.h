#pragma once
// What the two item tools share (the file store's `pimstore` and the data
// server's `dataserver-items`, which has the same command line): property
// values read from the command line and texts written as JSON.

#include "platform/automation/Variant.h"
#include "platform/pimstore/PimSchema.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace tarnwel {

// Dates on the command line and in the listings.
inline constexpr const char* kItemToolDateTimePattern = "%Y-%m-%d %H:%M:%S";

// A command line that the tool cannot carry out; its text says why.
class CItemToolUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command line's text for a property `key` of `type`, checked against
// the type: a date "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD", a boolean true,
// false, 1 or 0, a whole number. Raises CItemToolUsageError otherwise.
CVariant ParseItemToolValue(const std::string& key, PimType type, const std::string& text);

// `text` as a JSON string, quotes included.
std::string JsonText(std::string_view text);

} // namespace tarnwel
