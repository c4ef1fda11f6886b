#pragma once
// What the conversions of records to and from Outlook items share: reading and
// writing named user properties, and the guard around writing an item.

#include "platform/automation/UserProperties.h"

#include <functional>
#include <string>
#include <string_view>

namespace tarnwel {

class CItemRecord;

// The value of the user property `name` as text. A form that does not define
// the name gives the empty text.
std::string GetUserProperty(const CUserProperties& properties, std::string_view name);

// Sets the user property `name` to `value`. A form that does not define the
// name is left as it is: the system never adds a user property.
void SetUserProperty(const CUserProperties& properties, std::string_view name, std::string_view value);

// Runs `steps`; when one of them fails with an automation error the rest is
// skipped and a message box shows `message` followed by the record's
// description. The caller then goes on as after a successful write.
void WriteGuarded(const CItemRecord& record, std::string_view message, const std::function<void()>& steps);

} // namespace tarnwel
