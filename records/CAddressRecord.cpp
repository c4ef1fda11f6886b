#include "records/CAddressRecord.h"

#include "records/ContactFields.h"

namespace tarnwel {

using namespace string_id;

void CAddressRecord::CopyAddressFields(const CAddressRecord& other)
{
    std::string action = std::move(address_action);
    *this = other;
    address_action = std::move(action);
}

std::string CAddressRecord::GetAddressDescription() const
{
    return LoadResourceText(kCompanyHeading) + DescribeFields<CAddressRecord>(kCompanyFields, *this);
}

std::string CAddressRecord::GetAddressDifferences(const CAddressRecord& server) const
{
    // The company entry is labelled with the Outlook side's company line.
    return FieldDifferences<CAddressRecord>(kCompanyFields, *this, server, [this](const auto& f) {
        return f.field == &CAddressRecord::company ? FormatLabeledValue(LoadResourceText(f.label), company)
                                                   : LoadResourceText(f.label);
    });
}

bool CAddressRecord::IsSameAddress(const CAddressRecord& other) const
{
    return AreSameFields<CAddressRecord>(kCompanyFields, *this, other);
}

bool CAddressRecord::HasSameCompanyPrefix(const CAddressRecord& other) const
{
    return EqualsNoCase(LeftCodePoints(company, 3), LeftCodePoints(other.company, 3));
}

void CAddressRecord::ReadContactAddress(const CContactItem& item, std::optional<CUserProperties>& userProperties)
{
    ReadFields<CAddressRecord>(kCompanyFields, item, *this, userProperties);
    address_id = kNoId;
}

void CAddressRecord::ReadContactAddress(const CContactItem& item)
{
    std::optional<CUserProperties> userProperties;
    ReadContactAddress(item, userProperties);
}

void CAddressRecord::WriteContactAddress(const CContactItem& item, std::optional<CUserProperties>& userProperties) const
{
    WriteFields<CAddressRecord>(kCompanyFields, item, *this, userProperties);
}

void CAddressRecord::WriteContactAddress(const CContactItem& item) const
{
    std::optional<CUserProperties> userProperties;
    WriteContactAddress(item, userProperties);
}

std::string StripHttpPrefix(const std::string& text)
{
    return StartsWith(text, "http://") ? text.substr(7) : text;
}

} // namespace tarnwel
