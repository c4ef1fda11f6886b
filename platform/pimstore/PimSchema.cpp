#include "platform/pimstore/PimSchema.h"

#include "platform/automation/MemberName.h"
#include "platform/base/ComError.h"
#include "platform/base/Text.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace tarnwel {
namespace {

std::vector<CPimPropertyDef> TextProperties(std::initializer_list<const char*> names)
{
    std::vector<CPimPropertyDef> properties;
    for (const char* name : names)
        properties.push_back({name, PimType::text, CVariant("")});
    return properties;
}

std::vector<CPimPropertyDef> Join(std::vector<CPimPropertyDef> first, const std::vector<CPimPropertyDef>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const std::array<CPimKindInfo, 3>& Kinds()
{
    static const std::array<CPimKindInfo, 3> kinds = {{
        {PimKind::appointment, "appointment", 9, "IPM.Appointment", "IPM.Appointment.DRAVAppointment", true,
         Join(TextProperties({"Subject", "Location", "Body"}),
              {{"Start", PimType::date, CVariant(PimNoDate())},
               {"End", PimType::date, CVariant(PimNoDate())},
               {"AllDayEvent", PimType::boolean, CVariant(false)}})},
        {PimKind::contact, "contact", 10, "IPM.Contact", "IPM.Contact.DRAVContact", false,
         TextProperties({"FirstName", "LastName", "Title", "Department", "JobTitle", "BusinessTelephoneNumber",
                         "BusinessFaxNumber", "MobileTelephoneNumber", "Email1Address", "Body", "HomeAddress",
                         "HomeTelephoneNumber", "HomeFaxNumber", "Home2TelephoneNumber", "Email3Address",
                         "CompanyName", "BusinessAddressStreet", "BusinessAddressPostalCode", "BusinessAddressCity",
                         "BusinessAddressCountry", "BusinessAddressState", "Business2TelephoneNumber",
                         "OtherFaxNumber", "Email2Address", "BusinessHomePage"})},
        {PimKind::task, "task", 13, "IPM.Task", "IPM.Task.DRAVTask", true,
         Join(TextProperties({"Subject", "Body"}),
              {{"Importance", PimType::integer, CVariant(1), 0, 2},
               {"PercentComplete", PimType::integer, CVariant(0), 0, 100},
               {"DueDate", PimType::date, CVariant(PimNoDate())},
               {"StartDate", PimType::date, CVariant(PimNoDate())},
               {"ReminderOverrideDefault", PimType::boolean, CVariant(false)}})},
    }};
    return kinds;
}

} // namespace

namespace {

// The places of a kind's properties by their exact names: an open hash table
// of a few times as many slots as there are names, each the place plus one
// (0: empty), built once for each kind.
constexpr int kNameBits = 7;
constexpr std::size_t kNameSlots = std::size_t{1} << kNameBits;
using CNameSlots = std::array<std::uint8_t, kNameSlots>;

// The length and three letters of a name tell a kind's names apart well
// enough, and cost a few instructions instead of a pass over the name.
std::size_t NameSlot(std::string_view name)
{
    if (name.empty())
        return 0;
    const auto byte = [](char c) { return static_cast<std::uint64_t>(static_cast<unsigned char>(c)); };
    const std::uint64_t mixed =
        name.size() ^ (byte(name.front()) << 8) ^ (byte(name[name.size() / 2]) << 16) ^ (byte(name.back()) << 24);
    return static_cast<std::size_t>((mixed * 0x9E3779B97F4A7C15ull) >> (64 - kNameBits));
}

CNameSlots BuildNameSlots(const CPimKindInfo& kind)
{
    CNameSlots slots{};
    for (std::size_t index = 0; index < kind.properties.size(); ++index) {
        std::size_t slot = NameSlot(kind.properties[index].name);
        while (slots[slot] != 0)
            slot = (slot + 1) % kNameSlots;
        slots[slot] = static_cast<std::uint8_t>(index + 1);
    }
    return slots;
}

} // namespace

const CPimPropertyDef* CPimKindInfo::FindProperty(std::string_view propertyName) const
{
    // The names in the file are written as the kind spells them, so an exact
    // match (one probe, mostly) finds them; other spellings take the slower
    // comparison. No two names of a kind differ only in case.
    static const std::array<CNameSlots, 3> byKind = {
        BuildNameSlots(PimKindInfo(PimKind::appointment)),
        BuildNameSlots(PimKindInfo(PimKind::contact)),
        BuildNameSlots(PimKindInfo(PimKind::task)),
    };
    const CNameSlots& slots = byKind[static_cast<std::size_t>(kind)];
    for (std::size_t slot = NameSlot(propertyName); slots[slot] != 0; slot = (slot + 1) % kNameSlots) {
        const CPimPropertyDef& property = properties[slots[slot] - 1u];
        if (property.name.size() == propertyName.size() &&
            std::memcmp(property.name.data(), propertyName.data(), propertyName.size()) == 0)
            return &property;
    }
    for (const CPimPropertyDef& property : properties)
        if (CMemberNameEqual()(property.name, propertyName))
            return &property;
    return nullptr;
}

const CPimKindInfo& PimKindInfo(PimKind kind)
{
    return Kinds()[static_cast<std::size_t>(kind)];
}

const CPimKindInfo* PimKindOfFolder(int folder)
{
    for (const CPimKindInfo& info : Kinds())
        if (info.folder == folder)
            return &info;
    return nullptr;
}

const CPimKindInfo* PimKindNamed(std::string_view name)
{
    for (const CPimKindInfo& info : Kinds())
        if (info.name == name)
            return &info;
    return nullptr;
}

const std::vector<std::string>& PimFormUserProperties(std::string_view messageClass)
{
    static const std::vector<std::string> none;
    static const std::vector<std::string> appointment = {"Participants"};
    static const std::vector<std::string> task = {"Participants", "Assignment", "TaskType"};
    static const std::vector<std::string> contact = {"ContactSalutation",  "AddressenStatus", "AddressenEmployees",
                                                     "AddressenAppendix",  "AddressenMisc",   "AddressenComment"};
    if (messageClass == PimKindInfo(PimKind::appointment).ownClass)
        return appointment;
    if (messageClass == PimKindInfo(PimKind::task).ownClass)
        return task;
    if (messageClass == PimKindInfo(PimKind::contact).ownClass)
        return contact;
    return none;
}

COleDate PimNoDate()
{
    return COleDate::FromFields(4501, 1, 1);
}

CVariant ConvertToPropertyType(const CPimPropertyDef& property, const CVariant& value)
{
    switch (property.type) {
    case PimType::text:
        return CVariant(value.ToText());
    case PimType::date: {
        const COleDate date = value.ToDate();
        if (!date.IsValid())
            throw CComError(com_codes::kInvalidArgument, property.name + " must be a valid date");
        return CVariant(date);
    }
    case PimType::boolean:
        return CVariant(value.ToBool());
    case PimType::integer: {
        const int number = value.ToInt();
        if (number < property.lowest || number > property.highest)
            throw CComError(com_codes::kInvalidArgument, property.name + " must lie between " +
                                                             std::to_string(property.lowest) + " and " +
                                                             std::to_string(property.highest));
        return CVariant(number);
    }
    }
    return value;
}

COleDate ParseChangedSinceFilter(const std::string& filter)
{
    std::string_view rest = filter;
    const auto skipSpace = [&rest] {
        while (!rest.empty() && IsTrimSpace(static_cast<unsigned char>(rest.front())))
            rest.remove_prefix(1);
    };
    const auto take = [&rest, &skipSpace](std::string_view token) {
        skipSpace();
        if (!EqualsAsciiNoCase(rest.substr(0, token.size()), token))
            return false;
        rest.remove_prefix(token.size());
        return true;
    };
    if (take("[LastModificationTime]") && take(">") && take("'")) {
        const std::size_t quote = rest.find('\'');
        if (quote != std::string_view::npos) {
            const COleDate date = COleDate::Parse(rest.substr(0, quote));
            rest.remove_prefix(quote + 1);
            skipSpace();
            if (rest.empty() && date.IsValid())
                return date;
        }
    }
    throw CComError(com_codes::kInvalidArgument,
                    "Cannot read the filter \"" + filter + "\"; expected [LastModificationTime] > 'date'");
}

} // namespace tarnwel
