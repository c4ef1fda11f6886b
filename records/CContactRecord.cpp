#include "records/CContactRecord.h"

#include "records/ContactFields.h"

namespace tarnwel {

using namespace string_id;

std::string CContactRecord::GetDifferences(const CItemRecord&) const
{
    return {};
}

std::string CContactRecord::GetDescription() const
{
    return address.GetAddressDescription() + LoadResourceText(kPersonalHeading) +
        DescribeFields<CContactRecord>(kPersonalFields, *this) + "\r\n";
}

std::string CContactRecord::GetShortDescription() const
{
    return "Contact: '" + lastName + ", " + firstName + "' " + address.company;
}

std::string CContactRecord::GetContactDifferences(const CContactRecord& server, std::uint8_t personal,
                                                  std::uint8_t company) const
{
    std::string text = LoadResourceText(kContactDifferencesStart) + lastName + ", " + firstName + "'" +
        LoadResourceText(kDifferencesHeadingEnd);
    if (personal) {
        text += "\r\n--------------Personal---------------";
        text += FieldDifferences<CContactRecord>(kPersonalFields, *this, server,
                                                 [](const auto& f) { return LoadResourceText(f.label); });
    }
    if (company) {
        text += "\r\n\r\n--------------Business---------------";
        text += address.GetAddressDifferences(server.address);
    }
    return text;
}

bool CContactRecord::IsSameContact(const CContactRecord& other) const
{
    return IsSamePersonalPart(other) && address.IsSameAddress(other.address);
}

bool CContactRecord::IsSamePersonalPart(const CContactRecord& other) const
{
    return AreSameFields<CContactRecord>(kPersonalFields, *this, other);
}

void CContactRecord::ReadContactItem(CContactItem item)
{
    usable = 1;
    // One fetch of the user properties for both parts.
    std::optional<CUserProperties> userProperties;
    ReadFields<CContactRecord>(kPersonalFields, item, *this, userProperties);
    address.ReadContactAddress(item, userProperties);
    id_client = item.GetEntryID();
    id_tarnwel = kNoId;
    last_updated = item.GetLastModificationTime();
}

void CContactRecord::WriteContactItem(CContactItem item)
{
    WriteGuarded(*this, "An error occured while writing the contact: ", [&] {
        std::optional<CUserProperties> userProperties;
        WriteFields<CContactRecord>(kPersonalFields, item, *this, userProperties);
        address.WriteContactAddress(item, userProperties);
        item.Save();
        id_client = item.GetEntryID();
        last_updated = item.GetLastModificationTime();
    });
}

} // namespace tarnwel
