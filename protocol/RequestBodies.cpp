#include "protocol/RequestBodies.h"

#include "platform/base/Text.h"
#include "protocol/ContactElements.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace tarnwel {

namespace {

// What a byte of a value asks of the escaper.
enum ByteClass : std::uint8_t {
    kCopy,     // goes out as it is
    kEntity,   // "&", "<", ">"
    kDrop,     // a control character that XML 1.0 cannot carry
    kNonAscii  // starts (or continues) a multi-byte sequence
};

constexpr std::array<std::uint8_t, 256> MakeByteClasses()
{
    std::array<std::uint8_t, 256> classes{};
    for (int b = 0; b < 0x20; ++b)
        classes[b] = kDrop;
    classes['\t'] = kCopy;
    classes['\n'] = kCopy;
    classes['\r'] = kCopy;
    classes['&'] = kEntity;
    classes['<'] = kEntity;
    classes['>'] = kEntity;
    for (int b = 0x80; b < 0x100; ++b)
        classes[b] = kNonAscii;
    return classes;
}

constexpr std::array<std::uint8_t, 256> kByteClasses = MakeByteClasses();

void AppendCharacterReference(std::string& out, char32_t codePoint)
{
    char buffer[16] = {'&', '#', 'x'};
    const auto [end, error] = std::to_chars(buffer + 3, buffer + sizeof buffer - 1, static_cast<std::uint32_t>(codePoint), 16);
    (void)error;  // a 32-bit value always fits
    *end = ';';
    out.append(buffer, static_cast<std::size_t>(end + 1 - buffer));
}

// Appends `text` escaped as EscapeXml describes. Runs of bytes that need
// nothing are copied in one piece, so a plain ASCII value costs one scan and
// one append.
void AppendEscaped(std::string& out, std::string_view text)
{
    const std::size_t size = text.size();
    std::size_t runStart = 0;
    std::size_t pos = 0;
    while (pos < size) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        const std::uint8_t byteClass = kByteClasses[byte];
        if (byteClass == kCopy) {
            ++pos;
            continue;
        }
        out.append(text.data() + runStart, pos - runStart);
        switch (byteClass) {
        case kEntity:
            out.append(byte == '&' ? "&amp;" : byte == '<' ? "&lt;" : "&gt;");
            ++pos;
            break;
        case kDrop:
            ++pos;
            break;
        default: {
            const char32_t codePoint = NextCodePoint(text, pos);
            if (codePoint != 0xFFFE && codePoint != 0xFFFF)
                AppendCharacterReference(out, codePoint);
        }
        }
        runStart = pos;
    }
    out.append(text.data() + runStart, size - runStart);
}

// Whether AppendEscaped would append `text` as it is.
bool GoesOutAsItIs(std::string_view text)
{
    for (const char c : text) {
        if (kByteClasses[static_cast<unsigned char>(c)] != kCopy)
            return false;
    }
    return true;
}

void AppendOpenTag(std::string& out, std::string_view name)
{
    out += "\t<";
    out += name;
    out += '>';
}

void AppendCloseTag(std::string& out, std::string_view name)
{
    out += "</";
    out += name;
    out += ">\n";
}

void AppendElement(std::string& out, std::string_view name, std::string_view value)
{
    if (value.empty())
        return;
    AppendOpenTag(out, name);
    AppendEscaped(out, value);
    AppendCloseTag(out, name);
}

// A value that never needs escaping (numbers, fixed words).
void AppendPlainElement(std::string& out, std::string_view name, std::string_view value)
{
    AppendOpenTag(out, name);
    out += value;
    AppendCloseTag(out, name);
}

void AppendTwoDigits(char* at, int value)
{
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
}

// The date as "%Y-%m-%d %H:%M:%S"; nothing at all for a date that is not valid
// (its text would be empty, and an empty value is left out).
void AppendDateElement(std::string& out, std::string_view name, const COleDate& date)
{
    COleDate::Fields f;
    if (!date.GetFields(f))
        return;
    char text[19];
    AppendTwoDigits(text, f.year / 100);
    AppendTwoDigits(text + 2, f.year % 100);
    text[4] = '-';
    AppendTwoDigits(text + 5, f.month);
    text[7] = '-';
    AppendTwoDigits(text + 8, f.day);
    text[10] = ' ';
    AppendTwoDigits(text + 11, f.hour);
    text[13] = ':';
    AppendTwoDigits(text + 14, f.minute);
    text[16] = ':';
    AppendTwoDigits(text + 17, f.second);
    AppendPlainElement(out, name, std::string_view(text, sizeof text));
}

// `value` in decimal followed by `suffix` ("%ld%%", "%ld.gif").
void AppendNumberElement(std::string& out, std::string_view name, int value, std::string_view suffix)
{
    char text[24];
    char* end = std::to_chars(text, text + 16, value).ptr;
    for (char c : suffix)
        *end++ = c;
    AppendPlainElement(out, name, std::string_view(text, static_cast<std::size_t>(end - text)));
}

void AppendServerId(std::string& out, const std::string& id)
{
    if (id != kNoId)
        AppendElement(out, "id_tarnwel", id);
}

void AppendAppointment(std::string& out, const CAppointmentRecord& r)
{
    out += "<Appointment>\n";
    AppendElement(out, "description", r.description);
    AppendElement(out, "location", r.location);
    AppendElement(out, "comment", r.comment);
    if (r.wholeDayEvent != 0)
        AppendPlainElement(out, "wholeDayEvent", "gtz");
    AppendDateElement(out, "start", r.start);
    AppendDateElement(out, "end", r.end);
    AppendDateElement(out, "last_updated", r.last_updated);
    AppendPlainElement(out, "status", "date1");
    AppendElement(out, "id_client", r.id_client);
    AppendServerId(out, r.id_tarnwel);
    out += "</Appointment>\n";
}

void AppendTaskDate(std::string& out, std::string_view name, const COleDate& date)
{
    if (date.GetYear() != kNoDateYear)
        AppendDateElement(out, name, date);
}

void AppendTask(std::string& out, const CTaskRecord& r)
{
    out += "<Task>\n";
    AppendElement(out, "delegatedJob", r.delegatedJob);
    AppendElement(out, "description", r.description);
    AppendDateElement(out, "last_updated", r.last_updated);
    if (r.percentComplete >= 100)
        AppendPlainElement(out, "status", "DONE");
    else
        AppendNumberElement(out, "status", r.percentComplete, "%");
    AppendNumberElement(out, "priority", r.priority, ".gif");
    AppendTaskDate(out, "deadline", r.deadline);
    AppendTaskDate(out, "startDate", r.startDate);
    AppendElement(out, "title", r.title);
    AppendElement(out, "id_client", r.id_client);
    if (r.parent != nullptr)
        AppendElement(out, "subtaskOf", r.parent->id_tarnwel);
    AppendServerId(out, r.id_tarnwel);
    out += "</Task>\n";
}

void AppendContact(std::string& out, const CContactRecord& r)
{
    out += "<Contact>\n";
    for (const auto& element : kPersonalElements)
        AppendElement(out, element.name, r.*element.field);
    for (const auto& element : kCompanyElements)
        AppendElement(out, element.name, r.address.*element.field);
    AppendElement(out, "address_id", r.address.address_id);
    AppendElement(out, "address_action", r.address.address_action);
    AppendDateElement(out, "last_updated", r.last_updated);
    AppendElement(out, "id_client", r.id_client);
    AppendServerId(out, r.id_tarnwel);
    out += "</Contact>\n";
}

// Room for the tags and dates of one record; the text fields come on top.
constexpr std::size_t kAppointmentFrame = 300;
constexpr std::size_t kTaskFrame = 320;
constexpr std::size_t kContactFrame = 900;

std::size_t TextSize(const CAppointmentRecord& r)
{
    return kAppointmentFrame + r.description.size() + r.location.size() + r.comment.size() + r.id_client.size() +
        r.id_tarnwel.size();
}

std::size_t TextSize(const CTaskRecord& r)
{
    return kTaskFrame + r.delegatedJob.size() + r.description.size() + r.title.size() + r.id_client.size() +
        r.id_tarnwel.size();
}

std::size_t TextSize(const CContactRecord& r)
{
    std::size_t size = kContactFrame + r.id_client.size() + r.id_tarnwel.size();
    for (const auto& element : kPersonalElements)
        size += (r.*element.field).size();
    for (const auto& element : kCompanyElements)
        size += (r.address.*element.field).size();
    size += r.address.address_id.size() + r.address.address_action.size();
    return size;
}

void AppendSessionId(std::string& out, std::string_view sessionId)
{
    out += "<session-id>";
    AppendEscaped(out, sessionId);
    out += "</session-id>\n";
}

constexpr std::string_view kSessionIdFrame = "<session-id></session-id>\n";

struct ListTags {
    std::string_view open;
    std::string_view close;
    std::string_view item;  // the item element's name in a delete list
};

constexpr ListTags kCalendarTags{"<CalendarItems>\n", "</CalendarItems>\n", "Appointment"};
constexpr ListTags kTaskTags{"<TaskItems>\n", "</TaskItems>\n", "Task"};
constexpr ListTags kContactTags{"<ContactItems>\n", "</ContactItems>\n", "Contact"};

template <typename Record, typename Writer>
std::string MakeList(std::string_view sessionId, const CRecordArray<Record>& records, const ListTags& tags,
                     Writer appendRecord)
{
    std::size_t size = kSessionIdFrame.size() + sessionId.size() + tags.open.size() + tags.close.size();
    for (const Record& record : records)
        size += TextSize(record);
    std::string out;
    out.reserve(size);
    AppendSessionId(out, sessionId);
    out += tags.open;
    for (const Record& record : records)
        appendRecord(out, record);
    out += tags.close;
    return out;
}

template <typename Record>
std::string MakeDeleteList(std::string_view sessionId, const CRecordArray<Record>& records, const ListTags& tags)
{
    // "<Item>\n<id_tarnwel>" and "</id_tarnwel></Item>\n" around each id
    const std::size_t frame = 2 * tags.item.size() + 32;
    std::size_t size = kSessionIdFrame.size() + sessionId.size() + tags.open.size() + tags.close.size();
    for (const Record& record : records)
        size += frame + record.id_tarnwel.size();
    std::string out;
    out.reserve(size);
    AppendSessionId(out, sessionId);
    out += tags.open;
    for (const Record& record : records) {
        out += '<';
        out += tags.item;
        out += ">\n<id_tarnwel>";
        AppendEscaped(out, record.id_tarnwel);
        out += "</id_tarnwel></";
        out += tags.item;
        out += ">\n";
    }
    out += tags.close;
    return out;
}

} // namespace

std::string EscapeXml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendEscaped(out, text);
    return out;
}

std::string MakeElement(std::string_view name, std::string_view value)
{
    std::string out;
    if (!value.empty()) {
        out.reserve(2 * name.size() + value.size() + 6);
        AppendElement(out, name, value);
    }
    return out;
}

std::string WriteAppointmentXml(const CAppointmentRecord& record)
{
    std::string out;
    out.reserve(TextSize(record));
    AppendAppointment(out, record);
    return out;
}

std::string WriteTaskXml(const CTaskRecord& record)
{
    std::string out;
    out.reserve(TextSize(record));
    AppendTask(out, record);
    return out;
}

std::string WriteContactXml(const CContactRecord& record)
{
    std::string out;
    out.reserve(TextSize(record));
    AppendContact(out, record);
    return out;
}

std::string MakeCredentialsXml(std::string_view userName, std::string_view password)
{
    std::string out;
    out.reserve(64 + userName.size() + password.size());
    out += "<Credentials><user>";
    AppendEscaped(out, userName);
    out += "</user><password>";
    AppendEscaped(out, password);
    out += "</password></Credentials>";
    return out;
}

std::string MakeSessionIdXml(std::string_view sessionId)
{
    std::string out;
    out.reserve(kSessionIdFrame.size() + sessionId.size());
    AppendSessionId(out, sessionId);
    return out;
}

std::string MakeSignOutXml(std::string_view sessionId)
{
    std::string out = MakeSessionIdXml(sessionId);
    out.pop_back();  // the line feed
    return out;
}

std::string MakeGetItemsXml(std::string_view sessionId, std::string_view since, const CStringArray& ids)
{
    // Nearly every id goes out as it is: the ids are measured first and then
    // copied into place, each with its tags; the few that need escaping are
    // escaped once to be measured and once to be written.
    constexpr std::string_view kOpen = "\t<id>";
    constexpr std::string_view kClose = "</id>\n";
    std::string escaped;
    std::size_t idBytes = 0;
    for (const std::string& id : ids) {
        if (id.empty())
            continue;
        if (GoesOutAsItIs(id)) {
            idBytes += id.size();
        } else {
            escaped.clear();
            AppendEscaped(escaped, id);
            idBytes += escaped.size();
        }
        idBytes += kOpen.size() + kClose.size();
    }
    std::string out;
    out.reserve(kSessionIdFrame.size() + sessionId.size() + 17 + since.size() + idBytes);
    AppendSessionId(out, sessionId);
    out += "<since>";
    AppendEscaped(out, since);
    out += "</since>\n";
    std::size_t at = out.size();
    out.resize(at + idBytes);
    char* const data = out.data();
    for (const std::string& id : ids) {
        if (id.empty())
            continue;
        std::string_view text = id;
        if (!GoesOutAsItIs(id)) {
            escaped.clear();
            AppendEscaped(escaped, id);
            text = escaped;
        }
        std::memcpy(data + at, kOpen.data(), kOpen.size());
        at += kOpen.size();
        std::memcpy(data + at, text.data(), text.size());
        at += text.size();
        std::memcpy(data + at, kClose.data(), kClose.size());
        at += kClose.size();
    }
    return out;
}

std::string MakeAppointmentListXml(std::string_view sessionId, const CAppointmentArray& records)
{
    return MakeList(sessionId, records, kCalendarTags, AppendAppointment);
}

std::string MakeTaskListXml(std::string_view sessionId, const CTaskArray& records)
{
    return MakeList(sessionId, records, kTaskTags, AppendTask);
}

std::string MakeContactListXml(std::string_view sessionId, const CContactArray& records)
{
    return MakeList(sessionId, records, kContactTags, AppendContact);
}

std::string MakeAppointmentDeleteXml(std::string_view sessionId, const CAppointmentArray& records)
{
    return MakeDeleteList(sessionId, records, kCalendarTags);
}

std::string MakeTaskDeleteXml(std::string_view sessionId, const CTaskArray& records)
{
    return MakeDeleteList(sessionId, records, kTaskTags);
}

std::string MakeContactDeleteXml(std::string_view sessionId, const CContactArray& records)
{
    return MakeDeleteList(sessionId, records, kContactTags);
}

} // namespace tarnwel
