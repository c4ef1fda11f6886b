#pragma once
// The text fields of a contact and of its company part, each with its German
// label, the rule by which two values count as equal and the property of the
// Outlook contact item that holds it. The order of a table is the order of the
// description, of the difference text, of the sameness tests and of reading
// and writing an item.

#include "platform/automation/ContactItem.h"
#include "platform/base/Text.h"
#include "records/CAddressRecord.h"
#include "records/CContactRecord.h"
#include "records/Comparison.h"
#include "records/OutlookConversion.h"
#include "records/TextBuilders.h"
#include "resources/StringTable.h"

#include <optional>
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

// Where a contact item holds a field: a standard property, reached through
// the wrapper's Get/Set pair, or a user property of the item's form.
struct COutlookTextProperty {
    std::string (CContactItem::*get)() const = nullptr;
    void (CContactItem::*set)(std::string_view) const = nullptr;
    const char* userProperty = nullptr;

    void Write(const CContactItem& item, std::string_view value) const
    {
        if (userProperty)
            SetUserProperty(item.GetUserProperties(), userProperty, value);
        else
            (item.*set)(value);
    }
};

constexpr COutlookTextProperty UserProperty(const char* name)
{
    return {nullptr, nullptr, name};
}

template <typename Record>
struct CTextField {
    std::string Record::*field;
    int label;  // string-table id, a name of string_id
    FieldRule rule;
    COutlookTextProperty outlook;
};

#define TARNWEL_ITEM_PROPERTY(Name) COutlookTextProperty{&CContactItem::Get##Name, &CContactItem::Set##Name}

inline constexpr CTextField<CContactRecord> kPersonalFields[] = {
    {&CContactRecord::salutation, string_id::kSalutationLabel, FieldRule::trimmed, UserProperty("ContactSalutation")},
    {&CContactRecord::firstName, string_id::kFirstNameLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(FirstName)},
    {&CContactRecord::lastName, string_id::kLastNameLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(LastName)},
    {&CContactRecord::title, string_id::kTitleLabel, FieldRule::trimmedNoCase, TARNWEL_ITEM_PROPERTY(Title)},
    {&CContactRecord::department, string_id::kDepartmentLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(Department)},
    {&CContactRecord::position, string_id::kPositionLabel, FieldRule::trimmedNoCase, TARNWEL_ITEM_PROPERTY(JobTitle)},
    {&CContactRecord::phone, string_id::kPhoneLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(BusinessTelephoneNumber)},
    {&CContactRecord::fax, string_id::kFaxLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(BusinessFaxNumber)},
    {&CContactRecord::mobile, string_id::kMobileLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(MobileTelephoneNumber)},
    {&CContactRecord::email, string_id::kEmailLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(Email1Address)},
    {&CContactRecord::comment, string_id::kContactCommentLabel, FieldRule::withoutReturns, TARNWEL_ITEM_PROPERTY(Body)},
    {&CContactRecord::privateAddress, string_id::kPrivateAddressLabel, FieldRule::withoutReturns, TARNWEL_ITEM_PROPERTY(HomeAddress)},
    {&CContactRecord::privatePhone, string_id::kPrivatePhoneLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(HomeTelephoneNumber)},
    {&CContactRecord::privateFax, string_id::kPrivateFaxLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(HomeFaxNumber)},
    {&CContactRecord::mobilePrivate, string_id::kPrivateMobileLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(Home2TelephoneNumber)},
    {&CContactRecord::emailPrivate, string_id::kPrivateEmailLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(Email3Address)},
};

inline constexpr CTextField<CAddressRecord> kCompanyFields[] = {
    {&CAddressRecord::status, string_id::kCompanyStatusLabel, FieldRule::notCompared, UserProperty("AddressenStatus")},
    {&CAddressRecord::employees, string_id::kEmployeesLabel, FieldRule::notCompared, UserProperty("AddressenEmployees")},
    {&CAddressRecord::company, string_id::kCompanyLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(CompanyName)},
    {&CAddressRecord::appendix, string_id::kCompanySuffixLabel, FieldRule::trimmed, UserProperty("AddressenAppendix")},
    {&CAddressRecord::street, string_id::kStreetLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(BusinessAddressStreet)},
    {&CAddressRecord::zipcode, string_id::kPostcodeLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(BusinessAddressPostalCode)},
    {&CAddressRecord::city, string_id::kCityLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(BusinessAddressCity)},
    {&CAddressRecord::country, string_id::kCountryLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(BusinessAddressCountry)},
    {&CAddressRecord::state, string_id::kStateLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(BusinessAddressState)},
    {&CAddressRecord::firmPhone, string_id::kCompanyPhoneLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(Business2TelephoneNumber)},
    {&CAddressRecord::firmFax, string_id::kCompanyFaxLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(OtherFaxNumber)},
    {&CAddressRecord::firmEmail, string_id::kCompanyEmailLabel, FieldRule::trimmed, TARNWEL_ITEM_PROPERTY(Email2Address)},
    {&CAddressRecord::URL, string_id::kUrlLabel, FieldRule::url, TARNWEL_ITEM_PROPERTY(BusinessHomePage)},
    {&CAddressRecord::misc, string_id::kMiscellaneousLabel, FieldRule::trimmed, UserProperty("AddressenMisc")},
    {&CAddressRecord::addressComment, string_id::kCompanyDescriptionLabel, FieldRule::withoutReturns, UserProperty("AddressenComment")},
};

#undef TARNWEL_ITEM_PROPERTY

// The value as a difference entry shows it.
inline std::string ShownValue(FieldRule rule, const std::string& value)
{
    return rule == FieldRule::url ? StripHttpPrefix(value) : value;
}

inline bool IsEqualByRule(FieldRule rule, const std::string& a, const std::string& b)
{
    if (a == b)  // every rule compares a function of each value alone
        return true;
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
    for (const CTextField<Record>& f : fields) {
        const std::string& first = a.*f.field;
        const std::string& second = b.*f.field;
        // Equal texts (mostly two empty ones) are equal by every rule.
        if (first.size() == second.size() &&
            std::char_traits<char>::compare(first.data(), second.data(), first.size()) == 0)
            continue;
        if (!IsEqualByRule(f.rule, first, second))
            return false;
    }
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

// Reads every field of the table from the item, in table order. The item's
// user properties are fetched once, at the first field that lives there, and
// kept in `userProperties` for the caller's further tables.
template <typename Record>
void ReadFields(std::span<const CTextField<Record>> fields, const CContactItem& item, Record& record,
                std::optional<CUserProperties>& userProperties)
{
    for (const CTextField<Record>& f : fields) {
        if (f.outlook.userProperty == nullptr) {
            record.*f.field = (item.*f.outlook.get)();
            continue;
        }
        if (!userProperties)
            userProperties = item.GetUserProperties();
        record.*f.field = GetUserProperty(*userProperties, f.outlook.userProperty);
    }
}

// Writes every field of the table into the item, in table order, empty ones
// as the empty text. The item's user properties are fetched once, at the
// first field that is one, and kept as ReadFields keeps them.
template <typename Record>
void WriteFields(std::span<const CTextField<Record>> fields, const CContactItem& item, const Record& record,
                 std::optional<CUserProperties>& userProperties)
{
    for (const CTextField<Record>& f : fields) {
        if (f.outlook.userProperty == nullptr) {
            f.outlook.Write(item, record.*f.field);
            continue;
        }
        if (!userProperties)
            userProperties = item.GetUserProperties();
        SetUserProperty(*userProperties, f.outlook.userProperty, record.*f.field);
    }
}

} // namespace tarnwel
