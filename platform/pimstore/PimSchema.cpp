#include "platform/pimstore/PimSchema.h"

#include "platform/automation/MemberName.h"

#include <array>

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

const CPimPropertyDef* CPimKindInfo::FindProperty(std::string_view propertyName) const
{
    // The names in the file are written as the kind spells them, so an exact
    // match (cheap) finds them; other spellings take the slower comparison.
    // No two names of a kind differ only in case.
    for (const CPimPropertyDef& property : properties)
        if (property.name == propertyName)
            return &property;
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

} // namespace tarnwel
