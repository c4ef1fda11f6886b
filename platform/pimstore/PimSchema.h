#pragma once
// What the local item store keeps for each kind of item: its default folder,
// the system's own message class, its properties with their types and first
// values, and the user properties that each message class's form defines.

#include "platform/automation/Variant.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {

enum class PimKind { appointment, contact, task };
enum class PimType { text, date, boolean, integer };

struct CPimPropertyDef {
    std::string name;
    PimType type;
    CVariant initial;  // the value of a new item
    int lowest = 0;    // integers: the range the property accepts
    int highest = 0;
};

struct CPimKindInfo {
    PimKind kind;
    std::string name;          // "appointment", "contact", "task"
    int folder;                // the default folder: 9, 10 or 13
    std::string baseClass;     // the message class of the program's own form: "IPM.Appointment"
    std::string ownClass;      // the replication's message class: "IPM.Appointment.DRAVAppointment"
    bool hasRecurrence;        // offers IsRecurring
    std::vector<CPimPropertyDef> properties;  // besides EntryID, MessageClass, LastModificationTime, IsRecurring

    // The property of that name (ignoring ASCII case), or none.
    const CPimPropertyDef* FindProperty(std::string_view propertyName) const;
    // The position of one of this kind's properties in `properties`.
    std::size_t IndexOf(const CPimPropertyDef& property) const
    {
        return static_cast<std::size_t>(&property - properties.data());
    }
};

const CPimKindInfo& PimKindInfo(PimKind kind);
// The kind kept in that default folder, or none.
const CPimKindInfo* PimKindOfFolder(int folder);
// The kind of that name ("appointment", "contact", "task"), or none.
const CPimKindInfo* PimKindNamed(std::string_view name);

// The names of the user properties that the form of `messageClass` defines
// (compared exactly); none for a class without a form of its own.
const std::vector<std::string>& PimFormUserProperties(std::string_view messageClass);

// The date that stands for "none" in a date property that was never set.
COleDate PimNoDate();

// A value put by a caller, converted to the property's type and checked;
// raises CComError for a date that is not valid or a number out of range.
CVariant ConvertToPropertyType(const CPimPropertyDef& property, const CVariant& value);

// The date of a scan's filter "[LastModificationTime] > 'date'", the date in
// the user locale's form or as "%Y-%m-%d" with or without a time; raises
// CComError for any other filter.
COleDate ParseChangedSinceFilter(const std::string& filter);

} // namespace tarnwel
