#include "protocol/ReplyReaders.h"

#include "platform/base/Text.h"
#include "platform/base/TimeZone.h"
#include "protocol/ContactElements.h"
#include "protocol/ReplyStream.h"
#include "protocol/XmlSearch.h"

#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnwel {

namespace {

// A date on the wire is "%Y-%m-%d %H:%M:%S"; fractions of a second and zone
// suffixes after it are cut off.
constexpr std::size_t kWireDateLength = 19;

// Whether an element's name is `expected`, letter case aside. Most names a
// reader compares differ in length or in their first letter, which is seen
// here before the whole names are compared.
inline bool NameIs(std::string_view name, std::string_view expected)
{
    return name.size() == expected.size() &&
           (name.empty() || (name[0] | 0x20) == (expected[0] | 0x20)) && EqualsAsciiNoCase(name, expected);
}

// The text of `node` and its descendants: a view of the node's value when it
// has no children (its text was kept as its value, or it has none), or of its
// single text node, else of `buffer`.
std::string_view NodeText(pugi::xml_node node, std::string& buffer)
{
    const pugi::xml_node first = node.first_child();
    if (!first)
        return node.value();
    if (!first.next_sibling() && IsTextNode(first) && *node.value() == '\0')
        return first.value();
    buffer.clear();
    AppendElementText(buffer, node);
    return buffer;
}

std::string_view NodeText(CStreamElement& element, std::string& buffer)
{
    return element.Text(buffer);
}

// Calls `read(name, child)` for each element child. Text between the elements,
// comments and the like have no name the readers know, so they are skipped
// here at once. (A pugixml node always gives its children; there is no
// "child list not available" case to handle.)
template <typename Reader>
void ForEachElementChild(pugi::xml_node element, Reader&& read)
{
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element)
            read(std::string_view(child.name()), child);
    }
}

template <typename Reader>
void ForEachElementChild(CStreamElement& element, Reader&& read)
{
    element.ForEachElementChild(read);
}

// Appends the text of each "user" child of `participants`.
template <typename Element>
void AppendUsers(CStringArray& names, Element& participants, std::string& buffer)
{
    ForEachElementChild(participants, [&](std::string_view name, auto& user) {
        if (EqualsAsciiNoCase(name, "user"))
            names.emplace_back(NodeText(user, buffer));
    });
}

// The part of a date text that is parsed: its first 19 code points. A text
// of 19 bytes or less is whole; so are the first 19 bytes when all are ASCII.
std::string_view WireDateText(std::string_view text)
{
    if (text.size() <= kWireDateLength)
        return text;
    for (std::size_t i = 0; i < kWireDateLength; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return LeftCodePoints(text, kWireDateLength);
    }
    return text.substr(0, kWireDateLength);
}

// A date text as COleDate::Parse reads it; the wire form "YYYY-MM-DD
// HH:MM:SS" of a valid date, which nearly every date is, at once.
COleDate ParseWireDate(std::string_view text)
{
    if (text.size() == kWireDateLength && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':' &&
        text[16] == ':') {
        const auto digit = [text](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(text[at]) - '0'); };
        const unsigned y0 = digit(0), y1 = digit(1), y2 = digit(2), y3 = digit(3), mo0 = digit(5), mo1 = digit(6),
                       d0 = digit(8), d1 = digit(9), h0 = digit(11), h1 = digit(12), mi0 = digit(14),
                       mi1 = digit(15), s0 = digit(17), s1 = digit(18);
        const bool digits = !((y0 > 9) | (y1 > 9) | (y2 > 9) | (y3 > 9) | (mo0 > 9) | (mo1 > 9) | (d0 > 9) |
                              (d1 > 9) | (h0 > 9) | (h1 > 9) | (mi0 > 9) | (mi1 > 9) | (s0 > 9) | (s1 > 9));
        if (digits) {
            const COleDate date = COleDate::FromFields(
                static_cast<int>(y0 * 1000 + y1 * 100 + y2 * 10 + y3), static_cast<int>(mo0 * 10 + mo1),
                static_cast<int>(d0 * 10 + d1), static_cast<int>(h0 * 10 + h1), static_cast<int>(mi0 * 10 + mi1),
                static_cast<int>(s0 * 10 + s1));
            if (date.IsValid())
                return date;
        }
    }
    return COleDate::Parse(text);
}

// strtol's white space.
bool IsCSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The leading decimal integer of `text` as "%ld" reads it (white space, an
// optional sign, digits), held to the range of int; nothing when the text
// does not begin with one.
std::optional<int> LeadingInteger(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsCSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
        return std::nullopt;
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(value > INT_MAX ? INT_MAX : value);
}

// The walk over one item element's children: reads texts and dates and keeps
// a "last_updated" until the walk is over.
class CItemWalk {
public:
    explicit CItemWalk(CItemRecord& record) : m_record(record) {}

    template <typename Element>
    std::string_view Text(Element& child) { return NodeText(child, m_buffer); }

    template <typename Element>
    void ReadText(std::string& field, Element& child) { field.assign(Text(child)); }

    template <typename Element>
    COleDate ReadDate(Element& child) { return ParseWireDate(WireDateText(Text(child))); }

    // Handles "last_updated", "creationTime", "id_client" and "id_tarnwel";
    // false when the child is none of them.
    template <typename Element>
    bool ReadCommon(std::string_view name, Element& child)
    {
        if (NameIs(name, "last_updated")) {
            m_lastUpdated = Shifted(ReadDate(child));
        } else if (NameIs(name, "creationTime")) {
            m_record.last_updated = Shifted(ReadDate(child));
        } else if (NameIs(name, "id_client")) {
            ReadText(m_record.id_client, child);
        } else if (NameIs(name, "id_tarnwel")) {
            ReadText(m_record.id_tarnwel, child);
        } else {
            return false;
        }
        return true;
    }

    template <typename Element>
    void ReadParticipants(Element& participants) { AppendUsers(m_record.participants, participants, m_buffer); }

    // Stores a remembered "last_updated", which thus wins over "creationTime".
    void Finish()
    {
        if (m_lastUpdated)
            m_record.last_updated = *m_lastUpdated;
    }

private:
    // From the server's time to the machine's: minus (timezone - daylight * 3600)
    // seconds, whatever the date.
    COleDate Shifted(const COleDate& date)
    {
        if (!m_shiftDays) {
            const CMachineTimeZone zone = MachineTimeZone();
            m_shiftDays = static_cast<double>(zone.timezoneSeconds - zone.daylight * 3600L) / 86400.0;
        }
        return date.AddDays(-*m_shiftDays);
    }

    CItemRecord& m_record;
    std::string m_buffer;
    std::optional<COleDate> m_lastUpdated;
    std::optional<double> m_shiftDays;
};

// A table of text elements with its entries sorted by the length of their
// names, so that a name is compared with the few entries of its length only.
template <typename Record, std::size_t N>
class CTextTable {
public:
    static_assert(N <= 32, "one bit per entry");
    static constexpr std::size_t kLongestName = 31;

    constexpr explicit CTextTable(const CTextElement<Record> (&entries)[N]) : m_entries(entries)
    {
        for (std::size_t i = 0; i < N; ++i) {
            if (entries[i].name.size() > kLongestName)
                throw "a name too long for the table";  // stops the compilation
            m_byLength[entries[i].name.size()] |= std::uint32_t{1} << i;
        }
    }

    // The entry named `name`, letter case aside, or null.
    const CTextElement<Record>* Find(std::string_view name) const
    {
        if (name.size() > kLongestName)
            return nullptr;
        for (std::uint32_t entries = m_byLength[name.size()]; entries != 0; entries &= entries - 1) {
            const CTextElement<Record>& entry = m_entries[std::countr_zero(entries)];
            if (NameIs(name, entry.name))
                return &entry;
        }
        return nullptr;
    }

private:
    const CTextElement<Record> (&m_entries)[N];
    std::array<std::uint32_t, kLongestName + 1> m_byLength{};
};

// Reads `child` into the text field that the table names for it; false when
// the table has no such name.
template <typename Record, typename Element, std::size_t N>
bool ReadTextChild(CItemWalk& walk, Record& record, std::string_view name, Element& child,
                   const CTextTable<Record, N>& table)
{
    if (const CTextElement<Record>* entry = table.Find(name)) {
        walk.ReadText(record.*entry->field, child);
        return true;
    }
    return false;
}

constexpr CTextElement<CAppointmentRecord> kAppointmentElements[] = {
    {"description", &CAppointmentRecord::description},
    {"location", &CAppointmentRecord::location},
    {"comment", &CAppointmentRecord::comment},
};
constexpr CTextTable kAppointmentTexts(kAppointmentElements);

constexpr CTextElement<CTaskRecord> kTaskElements[] = {
    {"delegatedJob", &CTaskRecord::delegatedJob},
    {"description", &CTaskRecord::description},
    {"title", &CTaskRecord::title},
};
constexpr CTextTable kTaskTexts(kTaskElements);

constexpr CTextTable kPersonalTexts(kPersonalElements);
constexpr CTextTable kCompanyTexts(kCompanyElements);

} // namespace

namespace {

template <typename Element>
void ReadAppointmentFrom(CAppointmentArray& appointments, Element& element)
{
    // Read in its place in the array; a failure takes it out again.
    CAppointmentRecord& record = appointments.emplace_back();
    try {
        CItemWalk walk(record);
        ForEachElementChild(element, [&](std::string_view name, auto& child) {
            if (ReadTextChild(walk, record, name, child, kAppointmentTexts) || walk.ReadCommon(name, child))
                return;
            if (NameIs(name, "start"))
                record.start = walk.ReadDate(child);
            else if (NameIs(name, "end"))
                record.end = walk.ReadDate(child);
            else if (NameIs(name, "participants"))
                walk.ReadParticipants(child);
            else if (NameIs(name, "wholeDayEvent") && walk.Text(child) == "gtz")
                record.wholeDayEvent = 1;
        });
        walk.Finish();
    } catch (...) {
        appointments.pop_back();
        throw;
    }
}

template <typename Element>
std::unique_ptr<CTaskRecord> ReadTaskFrom(Element& element)
{
    auto record = std::make_unique<CTaskRecord>();
    CTaskRecord& task = *record;
    task.deadline = COleDate::Parse("4501-01-01");
    task.startDate = task.deadline;
    CItemWalk walk(task);
    ForEachElementChild(element, [&](std::string_view name, auto& child) {
        if (ReadTextChild(walk, task, name, child, kTaskTexts) || walk.ReadCommon(name, child))
            return;
        if (NameIs(name, "deadline"))
            task.deadline = walk.ReadDate(child);
        else if (NameIs(name, "startDate"))
            task.startDate = walk.ReadDate(child);
        else if (NameIs(name, "priority"))
            task.priority = LeadingInteger(walk.Text(child)).value_or(1);
        else if (NameIs(name, "status"))
            task.percentComplete = LeadingInteger(walk.Text(child)).value_or(100);
        else if (NameIs(name, "participants"))
            walk.ReadParticipants(child);
        else if (NameIs(name, "subtaskOf") && !walk.Text(child).empty())
            task.isSubtask = 1;
    });
    walk.Finish();
    return record;
}

template <typename Element>
void ReadContactPartFrom(CContactArray& contacts, Element& element)
{
    // Read in its place in the array; a failure takes it out again.
    CContactRecord& contact = contacts.emplace_back();
    try {
        CItemWalk walk(contact);
        ForEachElementChild(element, [&](std::string_view name, auto& child) {
            if (!ReadTextChild(walk, contact, name, child, kPersonalTexts))
                walk.ReadCommon(name, child);
        });
        walk.Finish();
    } catch (...) {
        contacts.pop_back();
        throw;
    }
}

template <typename Element>
void ReadAddressFrom(CContactArray& contacts, CAddressArray& addresses, Element& element)
{
    CAddressRecord address;
    // The contacts go straight to their array; the address's fields, which
    // may also follow them, are given to them at the end.
    const std::size_t firstMember = contacts.size();
    std::string buffer;
    ForEachElementChild(element, [&](std::string_view name, auto& child) {
        if (NameIs(name, "contact")) {
            ReadContactPartFrom(contacts, child);
            return;
        }
        if (NameIs(name, "id_tarnwel")) {
            address.address_id = NodeText(child, buffer);
            return;
        }
        if (const CTextElement<CAddressRecord>* entry = kCompanyTexts.Find(name))
            address.*entry->field = NodeText(child, buffer);
    });
    for (std::size_t i = firstMember; i < contacts.size(); ++i)
        contacts[i].address.CopyAddressFields(address);
    addresses.push_back(std::move(address));
}

} // namespace

void ReadParticipants(CStringArray& participants, pugi::xml_node element)
{
    std::string buffer;
    AppendUsers(participants, element, buffer);
}

void ReadAppointment(CAppointmentArray& appointments, pugi::xml_node element)
{
    ReadAppointmentFrom(appointments, element);
}

void ReadAppointment(CAppointmentArray& appointments, CStreamElement& element)
{
    ReadAppointmentFrom(appointments, element);
}

std::unique_ptr<CTaskRecord> ReadTask(pugi::xml_node element)
{
    return ReadTaskFrom(element);
}

std::unique_ptr<CTaskRecord> ReadTask(CStreamElement& element)
{
    return ReadTaskFrom(element);
}

bool LinkTaskChains(std::vector<std::unique_ptr<CTaskRecord>>& read,
                    std::vector<std::unique_ptr<CTaskRecord>>& owner, CTaskArray& tasks, bool lastComplete)
{
    CTaskRecord* mainTask = nullptr;
    owner.reserve(owner.size() + read.size());
    tasks.reserve(tasks.size() + read.size());  // at most one main task an element
    for (std::unique_ptr<CTaskRecord>& record : read) {
        owner.push_back(std::move(record));
        CTaskRecord* task = owner.back().get();
        if (task->isSubtask) {
            if (mainTask == nullptr)
                return false;
            task->parent = mainTask;
            ++mainTask->subtaskCount;
            CTaskRecord** link = &mainTask->nextSubtask;
            while (*link != nullptr)
                link = &(*link)->nextSubtask;
            *link = task;
        } else {
            if (mainTask != nullptr)
                tasks.push_back(*mainTask);
            mainTask = task;
        }
    }
    if (mainTask != nullptr && lastComplete)
        tasks.push_back(*mainTask);
    return true;
}

void ReadContactPart(CContactArray& contacts, pugi::xml_node element)
{
    ReadContactPartFrom(contacts, element);
}

void ReadAddress(CContactArray& contacts, CAddressArray& addresses, pugi::xml_node element)
{
    ReadAddressFrom(contacts, addresses, element);
}

void ReadAddress(CContactArray& contacts, CAddressArray& addresses, CStreamElement& element)
{
    ReadAddressFrom(contacts, addresses, element);
}

std::size_t CountContactChildren(pugi::xml_node element)
{
    std::size_t count = 0;
    ForEachElementChild(element, [&count](std::string_view name, pugi::xml_node) {
        if (NameIs(name, "contact"))
            ++count;
    });
    return count;
}

} // namespace tarnwel
