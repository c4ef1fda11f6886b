#include "records/OutlookConversion.h"

#include "platform/base/ComError.h"
#include "platform/ui/UserNotices.h"
#include "records/CItemRecord.h"

namespace tarnwel {

std::string GetUserProperty(const CUserProperties& properties, std::string_view name)
{
    return properties.ValueText(name);
}

void SetUserProperty(const CUserProperties& properties, std::string_view name, std::string_view value)
{
    const CUserProperty property = properties.Item(name);
    if (!property.IsNull())
        property.SetValueText(value);
}

void WriteGuarded(const CItemRecord& record, std::string_view message, const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const CComError&) {
        ReportToUser(std::string(message) + record.GetDescription(), MessageBoxIcon::none);
    }
}

} // namespace tarnwel
