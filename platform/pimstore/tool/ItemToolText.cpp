#include "platform/pimstore/tool/ItemToolText.h"

#include "platform/base/OleDate.h"

#include <cstdio>

namespace tarnwel {

CVariant ParseItemToolValue(const std::string& key, PimType type, const std::string& text)
{
    switch (type) {
    case PimType::text:
        return CVariant(text);
    case PimType::date: {
        COleDate date = COleDate::ParseWithPattern(text, kItemToolDateTimePattern);
        if (!date.IsValid())
            date = COleDate::ParseWithPattern(text, "%Y-%m-%d");
        if (!date.IsValid())
            throw CItemToolUsageError(key + ": '" + text + "' is no date; write YYYY-MM-DD HH:MM:SS");
        return CVariant(date);
    }
    case PimType::boolean:
        if (text == "true" || text == "1")
            return CVariant(true);
        if (text == "false" || text == "0")
            return CVariant(false);
        throw CItemToolUsageError(key + ": '" + text + "' is no boolean; write true, false, 1 or 0");
    case PimType::integer: {
        std::size_t used = 0;
        int value = 0;
        try {
            value = std::stoi(text, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != text.size())
            throw CItemToolUsageError(key + ": '" + text + "' is no whole number");
        return CVariant(value);
    }
    }
    return CVariant(text);
}

std::string JsonText(std::string_view text)
{
    std::string json = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': json += "\\\""; break;
        case '\\': json += "\\\\"; break;
        case '\n': json += "\\n"; break;
        case '\r': json += "\\r"; break;
        case '\t': json += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                json += escaped;
            } else {
                json += c;
            }
        }
    }
    return json + "\"";
}

} // namespace tarnwel
