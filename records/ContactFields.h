#pragma once
// The text fields of a contact and of its company part, each with its German
// label and the rule by which two values count as equal. The order of a table
// is the order of the description, of the difference text and of the
// sameness tests.

#include "platform/base/Text.h"
#include "records/CAddressRecord.h"
#include "records/CContactRecord.h"
#include "records/Comparison.h"
#include "records/TextBuilders.h"
#include "resources/StringTable.h"

#include <span>
#include <string>

namespace tarnwel {

enum class FieldRule {
    trimmed,         // trimmed texts are equal
    trimmedNoCase,   // trimmed texts are equal without regard to case
    withoutReturns,  // texts without carriage returns are equal; a multi-line entry
    url,             // equal after StripHttpPrefix and trimming; shown after StripHttpPrefix
    notCompared,     // shown in the description only
};

template <typename Record>
struct CTextField {
    std::string Record::*field;
    int label;  // string-table id
    FieldRule rule;
};

inline constexpr CTextField<CContactRecord> kPersonalFields[] = {
    {&CContactRecord::salutation, 242, FieldRule::trimmed},
    {&CContactRecord::firstName, 243, FieldRule::trimmed},
    {&CContactRecord::lastName, 244, FieldRule::trimmed},
    {&CContactRecord::title, 245, FieldRule::trimmedNoCase},
    {&CContactRecord::department, 246, FieldRule::trimmed},
    {&CContactRecord::position, 247, FieldRule::trimmedNoCase},
    {&CContactRecord::phone, 252, FieldRule::trimmed},
    {&CContactRecord::fax, 248, FieldRule::trimmed},
    {&CContactRecord::mobile, 249, FieldRule::trimmed},
    {&CContactRecord::email, 250, FieldRule::trimmed},
    {&CContactRecord::comment, 251, FieldRule::withoutReturns},
    {&CContactRecord::privateAddress, 253, FieldRule::withoutReturns},
    {&CContactRecord::privatePhone, 254, FieldRule::trimmed},
    {&CContactRecord::privateFax, 255, FieldRule::trimmed},
    {&CContactRecord::mobilePrivate, 256, FieldRule::trimmed},
    {&CContactRecord::emailPrivate, 257, FieldRule::trimmed},
};

inline constexpr CTextField<CAddressRecord> kCompanyFields[] = {
    {&CAddressRecord::status, 259, FieldRule::notCompared},
    {&CAddressRecord::employees, 260, FieldRule::notCompared},
    {&CAddressRecord::company, 261, FieldRule::trimmed},
    {&CAddressRecord::appendix, 262, FieldRule::trimmed},
    {&CAddressRecord::street, 263, FieldRule::trimmed},
    {&CAddressRecord::zipcode, 264, FieldRule::trimmed},
    {&CAddressRecord::city, 265, FieldRule::trimmed},
    {&CAddressRecord::country, 266, FieldRule::trimmed},
    {&CAddressRecord::state, 267, FieldRule::trimmed},
    {&CAddressRecord::firmPhone, 268, FieldRule::trimmed},
    {&CAddressRecord::firmFax, 269, FieldRule::trimmed},
    {&CAddressRecord::firmEmail, 270, FieldRule::trimmed},
    {&CAddressRecord::URL, 271, FieldRule::url},
    {&CAddressRecord::misc, 272, FieldRule::trimmed},
    {&CAddressRecord::addressComment, 273, FieldRule::withoutReturns},
};

// The value as a difference entry shows it.
inline std::string ShownValue(FieldRule rule, const std::string& value)
{
    return rule == FieldRule::url ? StripHttpPrefix(value) : value;
}

inline bool IsEqualByRule(FieldRule rule, const std::string& a, const std::string& b)
{
    switch (rule) {
    case FieldRule::trimmed:
        return TrimText(a) == TrimText(b);
    case FieldRule::trimmedNoCase:
        return EqualsNoCase(TrimText(a), TrimText(b));
    case FieldRule::withoutReturns:
        return NormalizeText(a) == NormalizeText(b);
    case FieldRule::url:
        return TrimText(StripHttpPrefix(a)) == TrimText(StripHttpPrefix(b));
    case FieldRule::notCompared:
        break;
    }
    return true;
}

// True when every field of the table is equal by its rule.
template <typename Record>
bool AreSameFields(std::span<const CTextField<Record>> fields, const Record& a, const Record& b)
{
    for (const CTextField<Record>& f : fields)
        if (!IsEqualByRule(f.rule, a.*f.field, b.*f.field))
            return false;
    return true;
}

// One labelled line per non-empty field, the values as stored.
template <typename Record>
std::string DescribeFields(std::span<const CTextField<Record>> fields, const Record& record)
{
    std::string text;
    for (const CTextField<Record>& f : fields)
        text += FormatLabeledValue(LoadResourceText(f.label), record.*f.field);
    return text;
}

// One difference entry per compared field that is not equal by its rule,
// `outlook` giving the first value and `server` the second. `labelOf` gives
// the entry's label for a field.
template <typename Record, typename LabelOf>
std::string FieldDifferences(std::span<const CTextField<Record>> fields, const Record& outlook, const Record& server,
                             LabelOf&& labelOf)
{
    std::string text;
    for (const CTextField<Record>& f : fields) {
        if (f.rule == FieldRule::notCompared)
            continue;
        const std::string& mine = outlook.*f.field;
        const std::string& theirs = server.*f.field;
        text += FormatDifference(!IsEqualByRule(f.rule, mine, theirs), labelOf(f), ShownValue(f.rule, mine),
                                 ShownValue(f.rule, theirs), f.rule == FieldRule::withoutReturns);
    }
    return text;
}

} // namespace tarnwel
