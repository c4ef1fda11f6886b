#include "platform/eds/EdsMapping.h"

#include "platform/base/ComError.h"

#include <libebook/libebook.h>
#include <libecal/libecal.h>
#include <libical/ical.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>
#include <sstream>

namespace tarnwel {
namespace {

constexpr const char* kClassName = "X-TARNWEL-MESSAGE-CLASS";
constexpr const char* kUserPrefix = "X-TARNWEL-USER-";
constexpr const char* kOrderName = "X-TARNWEL-ORDER";
constexpr const char* kReminderName = "X-TARNWEL-REMINDER-OVERRIDE";
// The text properties whose line ends were CR LF: iCalendar text keeps LF
// only, so the CR comes back from here.
constexpr const char* kCrLfName = "X-TARNWEL-CRLF";
// The parameter that tells which of the three e-mail addresses an EMAIL is.
constexpr const char* kSlotName = "X-TARNWEL-SLOT";

template <class T>
struct CUnref {
    void operator()(T* object) const
    {
        if (object != nullptr)
            g_object_unref(object);
    }
};
template <class T>
using GPtr = std::unique_ptr<T, CUnref<T>>;

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Our own X- values: control characters, "%", "\", ";" and "," as "%XX", so
// that no writer's escaping can change them.
std::string EncodeValue(const std::string& value)
{
    std::string out;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%' || c == '\\' || c == ';' || c == ',') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string DecodeValue(std::string_view value)
{
    std::string out;
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (value[at] == '%' && at + 2 < value.size()) {
            const int high = HexDigit(value[at + 1]), low = HexDigit(value[at + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                at += 2;
                continue;
            }
        }
        out += value[at];
    }
    return out;
}

// --- times -----------------------------------------------------------------

ICalTimezone* ZoneNamed(const std::string& name)
{
    if (name.empty())
        return nullptr;
    if (name == "UTC")
        return i_cal_timezone_get_utc_timezone();
    return i_cal_timezone_get_builtin_timezone(name.c_str());
}

// Calendar items are read through libical's own functions, on the
// component that libical-glib wraps: each libical-glib call makes and frees
// an object for every property, time and value that it hands out, which
// costs more than the reading itself when a folder of thousands of items is
// read. Writing keeps to libical-glib.

// The builtin zone of a name (ZoneNamed), or none. The last one found is
// kept: every time of a folder is read in the same zone, and finding a
// builtin zone by its name goes through the whole list of them.
icaltimezone* NativeZoneNamed(const std::string& name)
{
    if (name.empty())
        return nullptr;
    if (name == "UTC")
        return icaltimezone_get_utc_timezone();
    static thread_local std::string lastName;
    static thread_local icaltimezone* lastZone = nullptr;
    if (lastZone == nullptr || name != lastName) {
        lastZone = icaltimezone_get_builtin_timezone(name.c_str());
        lastName = name;
    }
    return lastZone;
}

COleDate FromFields(const icaltimetype& time)
{
    return COleDate::FromFields(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

// An instant as the user's local time.
COleDate LocalOfInstant(time_t instant, const std::string& zone)
{
    if (icaltimezone* user = NativeZoneNamed(zone))
        return FromFields(icaltime_from_timet_with_zone(instant, 0, user));
    std::tm fields{};
    localtime_r(&instant, &fields);
    return COleDate::FromFields(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour,
                                fields.tm_min, fields.tm_sec);
}

// The zone of a time property: its TZID as a builtin zone, UTC, or none
// (floating, or a zone of its own that this side does not know).
icaltimezone* ZoneOf(icalproperty* property, const icaltimetype& time)
{
    if (icaltime_is_utc(time))
        return icaltimezone_get_utc_timezone();
    if (time.zone != nullptr)
        return const_cast<icaltimezone*>(time.zone);
    icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    if (tzid == nullptr)
        return nullptr;
    const char* name = icalparameter_get_tzid(tzid);
    if (name == nullptr)
        return nullptr;
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone_from_tzid(name))
        return zone;
    return icaltimezone_get_builtin_timezone(name);
}

// The time of a DTSTART/DTEND/DUE property as the user's local time; a date
// stays a date (midnight). `isDate` tells which it was.
COleDate ReadTime(icalcomponent* component, icalproperty_kind kind, const std::string& zone, bool* isDate = nullptr)
{
    icalproperty* property = icalcomponent_get_first_property(component, kind);
    if (property == nullptr)
        return PimNoDate();
    const icaltimetype time = kind == ICAL_DTSTART_PROPERTY ? icalproperty_get_dtstart(property)
        : kind == ICAL_DTEND_PROPERTY                       ? icalproperty_get_dtend(property)
                                                            : icalproperty_get_due(property);
    if (icaltime_is_null_time(time) || !icaltime_is_valid_time(time))
        return PimNoDate();
    if (isDate != nullptr)
        *isDate = icaltime_is_date(time);
    if (icaltime_is_date(time))
        return COleDate::FromFields(time.year, time.month, time.day);
    icaltimezone* source = ZoneOf(property, time);
    if (source == nullptr)
        return FromFields(time);  // floating: as it stands
    return LocalOfInstant(static_cast<time_t>(icaltime_as_timet_with_zone(time, source)), zone);
}

// A local time as an iCalendar time: in the user's zone (with its TZID), or
// as UTC when the zone has no name that calendars know.
ICalTime* LocalTime(const COleDate& date, const std::string& zone)
{
    COleDate::Fields fields;
    date.GetFields(fields);
    ICalTimezone* user = ZoneNamed(zone);
    if (user != nullptr) {
        ICalTime* time = i_cal_time_new_null_time();
        i_cal_time_set_date(time, fields.year, fields.month, fields.day);
        i_cal_time_set_time(time, fields.hour, fields.minute, fields.second);
        i_cal_time_set_is_date(time, FALSE);
        i_cal_time_set_timezone(time, user);
        return time;
    }
    std::tm local{};
    local.tm_year = fields.year - 1900;
    local.tm_mon = fields.month - 1;
    local.tm_mday = fields.day;
    local.tm_hour = fields.hour;
    local.tm_min = fields.minute;
    local.tm_sec = fields.second;
    local.tm_isdst = -1;
    return i_cal_time_new_from_timet_with_zone(std::mktime(&local), FALSE, i_cal_timezone_get_utc_timezone());
}

ICalTime* DateOnly(const COleDate& date)
{
    COleDate::Fields fields;
    date.GetFields(fields);
    ICalTime* time = i_cal_time_new_null_time();
    i_cal_time_set_date(time, fields.year, fields.month, fields.day);
    i_cal_time_set_is_date(time, TRUE);
    return time;
}

ICalTime* UtcNow(const COleDate& now)
{
    COleDate::Fields fields;
    now.GetFields(fields);
    std::tm local{};
    local.tm_year = fields.year - 1900;
    local.tm_mon = fields.month - 1;
    local.tm_mday = fields.day;
    local.tm_hour = fields.hour;
    local.tm_min = fields.minute;
    local.tm_sec = fields.second;
    local.tm_isdst = -1;
    return i_cal_time_new_from_timet_with_zone(std::mktime(&local), FALSE, i_cal_timezone_get_utc_timezone());
}

int Month(const COleDate& date)
{
    COleDate::Fields fields;
    date.GetFields(fields);
    return fields.month;
}

int Day(const COleDate& date)
{
    COleDate::Fields fields;
    date.GetFields(fields);
    return fields.day;
}

bool IsMidnight(const COleDate& date)
{
    COleDate::Fields fields;
    return date.GetFields(fields) && fields.hour == 0 && fields.minute == 0 && fields.second == 0;
}

bool IsNoDate(const CVariant& value)
{
    return value.GetType() != CVariant::Type::date || !value.ToDate().IsValid() || value.ToDate().GetYear() >= 4500;
}

// --- iCalendar ---------------------------------------------------------------

void RemoveAll(ICalComponent* component, ICalPropertyKind kind)
{
    while (ICalProperty* property = i_cal_component_get_first_property(component, kind)) {
        i_cal_component_remove_property(component, property);
        g_object_unref(property);
    }
}

void RemoveX(ICalComponent* component, const std::string& name)
{
    std::vector<ICalProperty*> found;
    for (ICalProperty* property = i_cal_component_get_first_property(component, I_CAL_X_PROPERTY); property != nullptr;
         property = i_cal_component_get_next_property(component, I_CAL_X_PROPERTY)) {
        const char* xname = i_cal_property_get_x_name(property);
        if (xname != nullptr && Upper(xname) == name)
            found.push_back(property);
        else
            g_object_unref(property);
    }
    for (ICalProperty* property : found) {
        i_cal_component_remove_property(component, property);
        g_object_unref(property);
    }
}

void SetX(ICalComponent* component, const std::string& name, const std::string& value)
{
    RemoveX(component, Upper(name));
    if (value.empty())
        return;
    ICalProperty* property = i_cal_property_new_x(EncodeValue(value).c_str());
    i_cal_property_set_x_name(property, name.c_str());
    i_cal_component_take_property(component, property);
}

std::string Replace(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Writes the text; true when its line ends are CR LF.
bool SetText(ICalComponent* component, ICalPropertyKind kind, const std::string& value)
{
    RemoveAll(component, kind);
    if (value.empty())
        return false;
    const bool crlf = value.find("\r\n") != std::string::npos;
    ICalProperty* property = i_cal_property_new(kind);
    i_cal_property_set_value(property, i_cal_value_new_text((crlf ? Replace(value, "\r\n", "\n") : value).c_str()));
    i_cal_component_take_property(component, property);
    return crlf;
}

std::string GetText(icalcomponent* component, icalproperty_kind kind, const std::string& crlf)
{
    icalproperty* property = icalcomponent_get_first_property(component, kind);
    if (property == nullptr)
        return {};
    icalvalue* value = icalproperty_get_value(property);
    const char* text = value != nullptr ? icalvalue_get_text(value) : nullptr;
    std::string result = text != nullptr ? text : "";
    if (crlf.empty())
        return result;  // most items: no text of theirs had CR LF
    const std::string name = std::string(" ") + icalproperty_kind_to_string(kind) + " ";
    if (crlf.find(name) != std::string::npos)
        result = Replace(Replace(result, "\r\n", "\n"), "\n", "\r\n");
    return result;
}

void SetTime(ICalComponent* component, ICalPropertyKind kind, ICalTime* time)
{
    RemoveAll(component, kind);
    if (time == nullptr)
        return;
    ICalProperty* property = kind == I_CAL_DTSTART_PROPERTY ? i_cal_property_new_dtstart(time)
                             : kind == I_CAL_DTEND_PROPERTY ? i_cal_property_new_dtend(time)
                                                             : i_cal_property_new_due(time);
    if (ICalTimezone* zone = i_cal_time_get_timezone(time); zone != nullptr && !i_cal_time_is_utc(time) &&
                                                             !i_cal_time_is_date(time)) {
        if (const char* tzid = i_cal_timezone_get_tzid(zone))
            i_cal_property_take_parameter(property, i_cal_parameter_new_tzid(tzid));
    }
    i_cal_component_take_property(component, property);
    g_object_unref(time);
}

bool HasProperty(ICalComponent* component, ICalPropertyKind kind)
{
    GPtr<ICalProperty> property(i_cal_component_get_first_property(component, kind));
    return property != nullptr;
}

bool HasProperty(icalcomponent* component, icalproperty_kind kind)
{
    return icalcomponent_get_first_property(component, kind) != nullptr;
}

// The component of the kind in a text: the text's own, or the first inside
// a VCALENDAR.
GPtr<ICalComponent> ParseComponent(const std::string& text, ICalComponentKind wanted)
{
    GPtr<ICalComponent> parsed(i_cal_component_new_from_string(text.c_str()));
    if (parsed == nullptr)
        throw CComError(com_codes::kFail, "The data server sent an item that is no iCalendar text");
    if (i_cal_component_isa(parsed.get()) == wanted)
        return parsed;
    GPtr<ICalComponent> inner(i_cal_component_get_first_component(parsed.get(), wanted));
    if (inner == nullptr)
        throw CComError(com_codes::kFail, "The data server sent an item of another kind");
    GPtr<ICalComponent> copy(i_cal_component_clone(inner.get()));
    return copy;
}

int ImportanceOfPriority(int priority)
{
    if (priority >= 1 && priority <= 4)
        return 2;
    if (priority >= 6 && priority <= 9)
        return 0;
    return 1;  // 5 and "undefined" (0)
}

int PriorityOfImportance(int importance)
{
    return importance == 2 ? 1 : importance == 0 ? 9 : 5;
}

ICalComponentKind ComponentKind(const CPimKindInfo& kind)
{
    return kind.kind == PimKind::task ? I_CAL_VTODO_COMPONENT : I_CAL_VEVENT_COMPONENT;
}

void ReadCalendar(const CPimKindInfo& kind, ICalComponent* component, const std::string& zone, CEdsItemData& item)
{
    const bool task = kind.kind == PimKind::task;
    auto* c = static_cast<icalcomponent*>(i_cal_object_get_native(I_CAL_OBJECT(component)));
    if (const char* uid = icalcomponent_get_uid(c))
        item.uid = uid;
    item.isRecurring = HasProperty(c, ICAL_RRULE_PROPERTY) || HasProperty(c, ICAL_RDATE_PROPERTY) ||
        HasProperty(c, ICAL_RECURRENCEID_PROPERTY);
    if (icalproperty* rid = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY); rid != nullptr) {
        char* value = icalproperty_get_value_as_string_r(rid);
        item.rid = value != nullptr ? value : "";
        icalmemory_free_buffer(value);
    }
    icaltimezone* utc = icaltimezone_get_utc_timezone();
    if (icalproperty* modified = icalcomponent_get_first_property(c, ICAL_LASTMODIFIED_PROPERTY);
        modified != nullptr) {
        const icaltimetype time = icalproperty_get_lastmodified(modified);
        icaltimezone* source = ZoneOf(modified, time);
        item.lastModificationTime = LocalOfInstant(
            static_cast<time_t>(icaltime_as_timet_with_zone(time, source != nullptr ? source : utc)), zone);
    } else if (icalproperty* stamp = icalcomponent_get_first_property(c, ICAL_DTSTAMP_PROPERTY); stamp != nullptr) {
        item.lastModificationTime =
            LocalOfInstant(static_cast<time_t>(icaltime_as_timet_with_zone(icalproperty_get_dtstamp(stamp), utc)), zone);
    }
    if (icalproperty* created = icalcomponent_get_first_property(c, ICAL_CREATED_PROPERTY); created != nullptr)
        item.order = static_cast<double>(icaltime_as_timet_with_zone(icalproperty_get_created(created), utc)) * 1e6;
    std::string crlf;
    for (icalproperty* property = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); property != nullptr;
         property = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
        const char* xname = icalproperty_get_x_name(property);
        const char* raw = icalproperty_get_x(property);
        if (xname == nullptr)
            continue;
        const std::string name = Upper(xname);
        const std::string value = DecodeValue(raw != nullptr ? raw : "");
        if (name == kClassName)
            item.messageClass = value;
        else if (name == kOrderName)
            item.order = std::atof(value.c_str());
        else if (name == kCrLfName)
            crlf = " " + value + " ";
        else if (name == kReminderName && task)
            item.values[kind.IndexOf(*kind.FindProperty("ReminderOverrideDefault"))] = CVariant(value == "1");
        else if (name.rfind(kUserPrefix, 0) == 0)
            item.userValues[name.substr(std::strlen(kUserPrefix))] = {std::string(xname).substr(std::strlen(kUserPrefix)), value};
    }
    const auto set = [&](const char* property, CVariant value) {
        item.values[kind.IndexOf(*kind.FindProperty(property))] = std::move(value);
    };
    set("Subject", GetText(c, ICAL_SUMMARY_PROPERTY, crlf));
    set("Body", GetText(c, ICAL_DESCRIPTION_PROPERTY, crlf));
    if (!task) {
        set("Location", GetText(c, ICAL_LOCATION_PROPERTY, crlf));
        bool wholeDay = false;
        const COleDate start = ReadTime(c, ICAL_DTSTART_PROPERTY, zone, &wholeDay);
        COleDate end = ReadTime(c, ICAL_DTEND_PROPERTY, zone);
        if (!HasProperty(c, ICAL_DTEND_PROPERTY) && start.GetYear() < 4500) {
            end = wholeDay ? start.AddDays(1) : start;
            if (HasProperty(c, ICAL_DURATION_PROPERTY))
                end = start.AddDays(icaldurationtype_as_int(icalcomponent_get_duration(c)) / 86400.0);
        }
        set("Start", start);
        set("End", end);
        set("AllDayEvent", wholeDay);
        return;
    }
    if (icalproperty* priority = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY); priority != nullptr)
        set("Importance", ImportanceOfPriority(icalproperty_get_priority(priority)));
    int percent = 0;
    if (icalproperty* complete = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY); complete != nullptr)
        percent = std::clamp(icalproperty_get_percentcomplete(complete), 0, 100);
    else if (icalcomponent_get_status(c) == ICAL_STATUS_COMPLETED)
        percent = 100;
    set("PercentComplete", percent);
    set("StartDate", ReadTime(c, ICAL_DTSTART_PROPERTY, zone));
    set("DueDate", ReadTime(c, ICAL_DUE_PROPERTY, zone));
}

// A task's date: a date where it has no time of day, else a time in the
// user's zone; none removes it.
ICalTime* TaskTime(const CVariant& value, const std::string& zone)
{
    if (IsNoDate(value))
        return nullptr;
    const COleDate date = value.ToDate();
    return IsMidnight(date) ? DateOnly(date) : LocalTime(date, zone);
}

std::string WriteCalendar(const CPimKindInfo& kind, const std::string& base, const CEdsItemData& item,
                          const std::vector<bool>& changed, const std::string& zone, const COleDate& now)
{
    const bool task = kind.kind == PimKind::task;
    const ICalComponentKind wanted = task ? I_CAL_VTODO_COMPONENT : I_CAL_VEVENT_COMPONENT;
    GPtr<ICalComponent> component(base.empty() ? i_cal_component_new(wanted) : ParseComponent(base, wanted).release());
    ICalComponent* c = component.get();
    if (base.empty()) {
        i_cal_component_set_uid(c, item.uid.c_str());
        GPtr<ICalTime> stamp(UtcNow(now));
        i_cal_component_take_property(c, i_cal_property_new_created(stamp.get()));
        i_cal_component_take_property(c, i_cal_property_new_dtstamp(stamp.get()));
        SetX(c, kOrderName, std::to_string(static_cast<long long>(item.order)));
    }
    const auto index = [&](const char* name) { return kind.IndexOf(*kind.FindProperty(name)); };
    const auto was = [&](const char* name) { return changed[index(name)]; };
    const auto value = [&](const char* name) -> const CVariant& { return item.values[index(name)]; };
    // The CR LF marks of the texts as they were, changed for those written.
    std::string crlf;
    {
        for (ICalProperty* property = i_cal_component_get_first_property(c, I_CAL_X_PROPERTY); property != nullptr;
             property = i_cal_component_get_next_property(c, I_CAL_X_PROPERTY)) {
            GPtr<ICalProperty> held(property);
            const char* xname = i_cal_property_get_x_name(property);
            if (xname != nullptr && Upper(xname) == kCrLfName)
                crlf = " " + DecodeValue(i_cal_property_get_x(property) ? i_cal_property_get_x(property) : "") + " ";
        }
    }
    const auto writeText = [&](const char* member, ICalPropertyKind kind) {
        if (!was(member))
            return;
        const std::string name = std::string(" ") + i_cal_property_kind_to_string(kind) + " ";
        const std::size_t at = crlf.find(name);
        if (at != std::string::npos)
            crlf.erase(at, name.size() - 1);
        if (SetText(c, kind, value(member).ToText()))
            crlf += name.substr(1);
    };
    writeText("Subject", I_CAL_SUMMARY_PROPERTY);
    writeText("Body", I_CAL_DESCRIPTION_PROPERTY);
    if (!task)
        writeText("Location", I_CAL_LOCATION_PROPERTY);
    {
        std::string list;
        std::istringstream words(crlf);
        for (std::string word; words >> word;)
            list += (list.empty() ? "" : " ") + word;
        SetX(c, kCrLfName, list);
    }
    if (!task) {
        if (was("Start") || was("End") || was("AllDayEvent")) {
            RemoveAll(c, I_CAL_DURATION_PROPERTY);
            const bool wholeDay = value("AllDayEvent").ToBool();
            const CVariant& start = value("Start");
            const CVariant& end = value("End");
            if (IsNoDate(start)) {
                SetTime(c, I_CAL_DTSTART_PROPERTY, nullptr);
                SetTime(c, I_CAL_DTEND_PROPERTY, nullptr);
            } else if (wholeDay) {
                // Whole days as dates; the end date is the first day after
                // the event, at least one day after its start.
                const COleDate given = start.ToDate();
                const COleDate first = COleDate::FromFields(given.GetYear(), Month(given), Day(given));
                COleDate last = first.AddDays(1);
                if (!IsNoDate(end)) {
                    const COleDate e = end.ToDate();
                    last = COleDate::FromFields(e.GetYear(), Month(e), Day(e));
                    if (!IsMidnight(e))
                        last = last.AddDays(1);
                    if (!first.IsBefore(last))
                        last = first.AddDays(1);
                }
                SetTime(c, I_CAL_DTSTART_PROPERTY, DateOnly(first));
                SetTime(c, I_CAL_DTEND_PROPERTY, DateOnly(last));
            } else {
                SetTime(c, I_CAL_DTSTART_PROPERTY, LocalTime(start.ToDate(), zone));
                SetTime(c, I_CAL_DTEND_PROPERTY, IsNoDate(end) ? nullptr : LocalTime(end.ToDate(), zone));
            }
        }
    } else {
        if (was("Importance")) {
            RemoveAll(c, I_CAL_PRIORITY_PROPERTY);
            i_cal_component_take_property(c, i_cal_property_new_priority(PriorityOfImportance(value("Importance").ToInt())));
        }
        if (was("PercentComplete")) {
            const int percent = value("PercentComplete").ToInt();
            RemoveAll(c, I_CAL_PERCENTCOMPLETE_PROPERTY);
            RemoveAll(c, I_CAL_STATUS_PROPERTY);
            i_cal_component_take_property(c, i_cal_property_new_percentcomplete(percent));
            i_cal_component_take_property(c, i_cal_property_new_status(
                                                 percent >= 100 ? I_CAL_STATUS_COMPLETED
                                                 : percent > 0  ? I_CAL_STATUS_INPROCESS
                                                                : I_CAL_STATUS_NEEDSACTION));
            if (percent < 100) {
                RemoveAll(c, I_CAL_COMPLETED_PROPERTY);
            } else if (!HasProperty(c, I_CAL_COMPLETED_PROPERTY)) {
                GPtr<ICalTime> done(UtcNow(now));
                i_cal_component_take_property(c, i_cal_property_new_completed(done.get()));
            }
        }
        if (was("StartDate"))
            SetTime(c, I_CAL_DTSTART_PROPERTY, TaskTime(value("StartDate"), zone));
        if (was("DueDate"))
            SetTime(c, I_CAL_DUE_PROPERTY, TaskTime(value("DueDate"), zone));
        if (was("ReminderOverrideDefault"))
            SetX(c, kReminderName, value("ReminderOverrideDefault").ToBool() ? "1" : "");
    }
    SetX(c, kClassName, item.messageClass == kind.baseClass ? std::string() : item.messageClass);
    for (const auto& [upper, entry] : item.userValues)
        SetX(c, kUserPrefix + entry.first, entry.second);
    RemoveAll(c, I_CAL_LASTMODIFIED_PROPERTY);
    {
        GPtr<ICalTime> stamp(UtcNow(now));
        i_cal_component_take_property(c, i_cal_property_new_lastmodified(stamp.get()));
    }
    gchar* text = i_cal_component_as_ical_string(c);
    std::string result = text;
    g_free(text);
    return result;
}

// --- vCard -------------------------------------------------------------------

struct CContactField {
    const char* property;
    EContactField field;
};

// The contact's texts that are one vCard field each.
constexpr CContactField kContactFields[] = {
    {"JobTitle", E_CONTACT_TITLE},
    {"CompanyName", E_CONTACT_ORG},
    {"Department", E_CONTACT_ORG_UNIT},
    {"BusinessTelephoneNumber", E_CONTACT_PHONE_BUSINESS},
    {"Business2TelephoneNumber", E_CONTACT_PHONE_BUSINESS_2},
    {"BusinessFaxNumber", E_CONTACT_PHONE_BUSINESS_FAX},
    {"MobileTelephoneNumber", E_CONTACT_PHONE_MOBILE},
    {"HomeTelephoneNumber", E_CONTACT_PHONE_HOME},
    {"Home2TelephoneNumber", E_CONTACT_PHONE_HOME_2},
    {"HomeFaxNumber", E_CONTACT_PHONE_HOME_FAX},
    {"OtherFaxNumber", E_CONTACT_PHONE_OTHER_FAX},
    {"Body", E_CONTACT_NOTE},
    {"BusinessHomePage", E_CONTACT_HOMEPAGE_URL},
};

constexpr const char* kEmails[] = {"Email1Address", "Email2Address", "Email3Address"};
constexpr const char* kWorkAddress[] = {"BusinessAddressStreet", "BusinessAddressPostalCode", "BusinessAddressCity",
                                        "BusinessAddressState", "BusinessAddressCountry"};

std::string Text(const char* text)
{
    return text != nullptr ? text : "";
}

// Replaces a text field of a data-server structure by a copy of `text`.
void ReplaceText(gchar*& field, const std::string& text)
{
    g_free(field);
    field = g_strdup(text.c_str());
}

std::string VCardValue(EVCard* card, const char* name)
{
    EVCardAttribute* attribute = e_vcard_get_attribute(card, name);
    if (attribute == nullptr)
        return {};
    gchar* value = e_vcard_attribute_get_value(attribute);
    std::string result = Text(value);
    g_free(value);
    return result;
}

void SetAttribute(EVCard* card, const std::string& name, const std::string& value)
{
    e_vcard_remove_attributes(card, nullptr, name.c_str());
    if (!value.empty())
        e_vcard_append_attribute_with_value(card, e_vcard_attribute_new(nullptr, name.c_str()), value.c_str());
}

// REV as written by calendar programs: "2024-05-01T10:15:00Z" or without
// separators.
COleDate ReadRevision(const std::string& text, const std::string& zone)
{
    std::string digits;
    for (const char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    if (digits.size() < 14)
        return COleDate::Null();
    std::tm fields{};
    fields.tm_year = std::stoi(digits.substr(0, 4)) - 1900;
    fields.tm_mon = std::stoi(digits.substr(4, 2)) - 1;
    fields.tm_mday = std::stoi(digits.substr(6, 2));
    fields.tm_hour = std::stoi(digits.substr(8, 2));
    fields.tm_min = std::stoi(digits.substr(10, 2));
    fields.tm_sec = std::stoi(digits.substr(12, 2));
    return LocalOfInstant(timegm(&fields), zone);
}

std::string Revision(const COleDate& now)
{
    GPtr<ICalTime> utc(UtcNow(now));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", i_cal_time_get_year(utc.get()),
                  i_cal_time_get_month(utc.get()), i_cal_time_get_day(utc.get()), i_cal_time_get_hour(utc.get()),
                  i_cal_time_get_minute(utc.get()), i_cal_time_get_second(utc.get()));
    return text;
}

void ReadContact(const CPimKindInfo& kind, EContact* k, const std::string& zone, CEdsItemData& item)
{
    EVCard* card = E_VCARD(k);
    item.uid = Text(static_cast<const char*>(e_contact_get_const(k, E_CONTACT_UID)));
    const auto set = [&](const char* property, std::string value) {
        item.values[kind.IndexOf(*kind.FindProperty(property))] = CVariant(std::move(value));
    };
    if (auto* name = static_cast<EContactName*>(e_contact_get(k, E_CONTACT_NAME))) {
        set("FirstName", Text(name->given));
        set("LastName", Text(name->family));
        set("Title", Text(name->prefixes));
        e_contact_name_free(name);
    }
    for (const CContactField& field : kContactFields)
        set(field.property, Text(static_cast<const char*>(e_contact_get_const(k, field.field))));
    // The addresses in their order, or in the slots that this side wrote.
    GList* emails = e_contact_get_attributes(k, E_CONTACT_EMAIL);
    int at = 0;
    for (GList* entry = emails; entry != nullptr && at < 3; entry = entry->next, ++at) {
        auto* attribute = static_cast<EVCardAttribute*>(entry->data);
        int slot = at;
        if (GList* marked = e_vcard_attribute_get_param(attribute, kSlotName); marked != nullptr) {
            const int number = std::atoi(static_cast<const char*>(marked->data));
            if (number >= 1 && number <= 3)
                slot = number - 1;
        }
        gchar* value = e_vcard_attribute_get_value(attribute);
        set(kEmails[slot], Text(value));
        g_free(value);
    }
    g_list_free_full(emails, reinterpret_cast<GDestroyNotify>(e_vcard_attribute_free));
    if (auto* home = static_cast<EContactAddress*>(e_contact_get(k, E_CONTACT_ADDRESS_HOME))) {
        set("HomeAddress", Text(home->street));
        e_contact_address_free(home);
    }
    if (auto* work = static_cast<EContactAddress*>(e_contact_get(k, E_CONTACT_ADDRESS_WORK))) {
        set("BusinessAddressStreet", Text(work->street));
        set("BusinessAddressPostalCode", Text(work->code));
        set("BusinessAddressCity", Text(work->locality));
        set("BusinessAddressState", Text(work->region));
        set("BusinessAddressCountry", Text(work->country));
        e_contact_address_free(work);
    }
    item.lastModificationTime = ReadRevision(Text(static_cast<const char*>(e_contact_get_const(k, E_CONTACT_REV))), zone);
    {
        std::istringstream words(DecodeValue(VCardValue(card, kCrLfName)));
        for (std::string word; words >> word;)
            if (const CPimPropertyDef* property = kind.FindProperty(word)) {
                CVariant& value = item.values[kind.IndexOf(*property)];
                value = CVariant(Replace(Replace(value.ToText(), "\r\n", "\n"), "\n", "\r\n"));
            }
    }
    for (GList* entry = e_vcard_get_attributes(card); entry != nullptr; entry = entry->next) {
        auto* attribute = static_cast<EVCardAttribute*>(entry->data);
        const char* rawName = e_vcard_attribute_get_name(attribute);
        if (rawName == nullptr)
            continue;
        const std::string name = Upper(rawName);
        if (name.rfind("X-TARNWEL-", 0) != 0)
            continue;
        gchar* raw = e_vcard_attribute_get_value(attribute);
        const std::string value = DecodeValue(Text(raw));
        g_free(raw);
        if (name == kClassName)
            item.messageClass = value;
        else if (name == kOrderName)
            item.order = std::atof(value.c_str());
        else if (name.rfind(kUserPrefix, 0) == 0)
            item.userValues[name.substr(std::strlen(kUserPrefix))] = {std::string(rawName).substr(std::strlen(kUserPrefix)), value};
    }
}

std::string WriteContact(const CPimKindInfo& kind, const std::string& base, const CEdsItemData& item,
                         const std::vector<bool>& changed, const COleDate& now)
{
    GPtr<EContact> contact(base.empty() ? e_contact_new() : e_contact_new_from_vcard(base.c_str()));
    EContact* k = contact.get();
    EVCard* card = E_VCARD(k);
    const auto index = [&](const char* name) { return kind.IndexOf(*kind.FindProperty(name)); };
    const auto was = [&](const char* name) { return changed[index(name)]; };
    // vCard text keeps LF only: the members whose line ends were CR LF are
    // listed, so the CR comes back when they are read.
    std::set<std::string> crlf;
    {
        std::istringstream words(DecodeValue(VCardValue(card, kCrLfName)));
        for (std::string word; words >> word;)
            crlf.insert(word);
    }
    for (std::size_t at = 0; at < kind.properties.size(); ++at) {
        if (!changed[at])
            continue;
        if (item.values[at].ToText().find("\r\n") != std::string::npos)
            crlf.insert(kind.properties[at].name);
        else
            crlf.erase(kind.properties[at].name);
    }
    std::string crlfList;
    for (const std::string& name : crlf)
        crlfList += (crlfList.empty() ? "" : " ") + name;
    SetAttribute(card, kCrLfName, crlfList);
    const auto value = [&](const char* name) { return Replace(item.values[index(name)].ToText(), "\r\n", "\n"); };
    const auto orNull = [](const std::string& text) -> const char* { return text.empty() ? nullptr : text.c_str(); };
    if (base.empty()) {
        e_contact_set(k, E_CONTACT_UID, item.uid.c_str());
        SetAttribute(card, kOrderName, std::to_string(static_cast<long long>(item.order)));
    }
    if (was("FirstName") || was("LastName") || was("Title")) {
        auto* name = static_cast<EContactName*>(e_contact_get(k, E_CONTACT_NAME));
        if (name == nullptr)
            name = e_contact_name_new();
        ReplaceText(name->given, value("FirstName"));
        ReplaceText(name->family, value("LastName"));
        ReplaceText(name->prefixes, value("Title"));
        e_contact_set(k, E_CONTACT_NAME, name);
        e_contact_name_free(name);
    }
    if (was("FirstName") || was("LastName") || was("CompanyName") || was("Email1Address")) {
        // The name that address books show: the person's name, else the
        // company's, else the address.
        std::string full = value("FirstName");
        if (!value("LastName").empty())
            full += (full.empty() ? "" : " ") + value("LastName");
        if (full.empty())
            full = !value("CompanyName").empty() ? value("CompanyName") : value("Email1Address");
        e_contact_set(k, E_CONTACT_FULL_NAME, full.c_str());
    }
    for (const CContactField& field : kContactFields)
        if (was(field.property))
            e_contact_set(k, field.field, orNull(value(field.property)));
    if (was(kEmails[0]) || was(kEmails[1]) || was(kEmails[2])) {
        e_vcard_remove_attributes(card, nullptr, EVC_EMAIL);
        // Each with its slot, so that an empty first address does not make
        // the second one the first.
        for (int slot = 0; slot < 3; ++slot) {
            if (value(kEmails[slot]).empty())
                continue;
            EVCardAttribute* attribute = e_vcard_attribute_new(nullptr, EVC_EMAIL);
            e_vcard_attribute_add_param_with_value(attribute, e_vcard_attribute_param_new(kSlotName),
                                                   std::to_string(slot + 1).c_str());
            e_vcard_append_attribute_with_value(card, attribute, value(kEmails[slot]).c_str());
        }
    }
    if (was("HomeAddress")) {
        auto* home = static_cast<EContactAddress*>(e_contact_get(k, E_CONTACT_ADDRESS_HOME));
        if (home == nullptr)
            home = e_contact_address_new();
        ReplaceText(home->street, value("HomeAddress"));
        const bool empty = value("HomeAddress").empty() && Text(home->locality).empty() && Text(home->code).empty();
        e_contact_set(k, E_CONTACT_ADDRESS_HOME, empty ? nullptr : home);
        e_contact_address_free(home);
    }
    bool workChanged = false;
    for (const char* part : kWorkAddress)
        workChanged = workChanged || was(part);
    if (workChanged) {
        auto* work = static_cast<EContactAddress*>(e_contact_get(k, E_CONTACT_ADDRESS_WORK));
        if (work == nullptr)
            work = e_contact_address_new();
        ReplaceText(work->street, value("BusinessAddressStreet"));
        ReplaceText(work->code, value("BusinessAddressPostalCode"));
        ReplaceText(work->locality, value("BusinessAddressCity"));
        ReplaceText(work->region, value("BusinessAddressState"));
        ReplaceText(work->country, value("BusinessAddressCountry"));
        bool empty = true;
        for (const char* part : kWorkAddress)
            empty = empty && value(part).empty();
        e_contact_set(k, E_CONTACT_ADDRESS_WORK, empty ? nullptr : work);
        e_contact_address_free(work);
    }
    SetAttribute(card, kClassName, item.messageClass == kind.baseClass ? std::string() : EncodeValue(item.messageClass));
    for (const auto& [upper, entry] : item.userValues)
        SetAttribute(card, kUserPrefix + entry.first, EncodeValue(entry.second));
    e_contact_set(k, E_CONTACT_REV, Revision(now).c_str());
    gchar* text = e_vcard_to_string(card, EVC_FORMAT_VCARD_30);
    std::string result = text;
    g_free(text);
    return result;
}

} // namespace

std::shared_ptr<GObject> EdsParseItem(const CPimKindInfo& kind, const std::string& text)
{
    if (kind.kind == PimKind::contact) {
        EContact* contact = e_contact_new_from_vcard(text.c_str());
        if (contact == nullptr)
            throw CComError(com_codes::kFail, "The data server sent a contact that is no vCard");
        return std::shared_ptr<GObject>(G_OBJECT(contact), g_object_unref);
    }
    return std::shared_ptr<GObject>(G_OBJECT(ParseComponent(text, ComponentKind(kind)).release()), g_object_unref);
}

void EdsReadItem(const CPimKindInfo& kind, const std::string& text, const std::string& zone, CEdsItemData& item)
{
    EdsReadParsedItem(kind, EdsParseItem(kind, text).get(), zone, item);
}

void EdsReadParsedItem(const CPimKindInfo& kind, GObject* parsed, const std::string& zone, CEdsItemData& item)
{
    item.values.clear();
    for (const CPimPropertyDef& property : kind.properties)
        item.values.push_back(property.initial);
    item.userValues.clear();
    item.messageClass.clear();
    item.rid.clear();
    item.isRecurring = false;
    item.order = 0;
    item.lastModificationTime = COleDate::Null();
    if (kind.kind == PimKind::contact)
        ReadContact(kind, E_CONTACT(parsed), zone, item);
    else
        ReadCalendar(kind, I_CAL_COMPONENT(parsed), zone, item);
    if (item.messageClass.empty())
        item.messageClass = kind.baseClass;
}

COleDate EdsWrittenModificationTime(const CPimKindInfo& kind, const COleDate& now, const std::string& zone)
{
    // What ReadContact makes of the REV that WriteContact writes, and
    // ReadCalendar of the LAST-MODIFIED of WriteCalendar.
    if (kind.kind == PimKind::contact)
        return ReadRevision(Revision(now), zone);
    GPtr<ICalTime> stamp(UtcNow(now));
    return LocalOfInstant(
        static_cast<time_t>(i_cal_time_as_timet_with_zone(stamp.get(), i_cal_timezone_get_utc_timezone())), zone);
}

std::string EdsWriteItem(const CPimKindInfo& kind, const std::string& base, const CEdsItemData& item,
                         const std::vector<bool>& changed, const std::string& zone, const COleDate& now)
{
    if (kind.kind == PimKind::contact)
        return WriteContact(kind, base, item, changed, now);
    return WriteCalendar(kind, base, item, changed, zone, now);
}

std::string EdsEntryIdOfUid(const std::string& uid)
{
    std::string out;
    for (const char c : uid) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string EdsUidOfEntryId(const std::string& entryId)
{
    return DecodeValue(entryId);
}

} // namespace tarnwel
