#pragma once
// The company part of a contact; the contact reply reader also builds it alone.

#include "platform/automation/ContactItem.h"
#include "records/CItemRecord.h"

#include <optional>
#include <string>

namespace tarnwel {

class CAddressRecord {
public:
    // Copies every field from `status` to `address_id`; `address_action` stays.
    void CopyAddressFields(const CAddressRecord& other);

    // The company part as the contact description shows it.
    std::string GetAddressDescription() const;
    // The difference entries of the company part, this address being the
    // Outlook side and `server` the server side.
    std::string GetAddressDifferences(const CAddressRecord& server) const;
    // The same company, appendix, address, phone, fax, mail, web address, notes
    // and comment; `status` and `employees` do not count.
    bool IsSameAddress(const CAddressRecord& other) const;
    // The first three characters of the two company names are equal without
    // regard to case.
    bool HasSameCompanyPrefix(const CAddressRecord& other) const;

    // Fills the company part from an Outlook contact; `address_id` becomes
    // "X" and `address_action` stays. Outlook's failures reach the caller.
    // `userProperties` are the item's user properties when the caller
    // fetched them already, and keep them when this fetches them.
    void ReadContactAddress(const CContactItem& item, std::optional<CUserProperties>& userProperties);
    void ReadContactAddress(const CContactItem& item);
    // Writes the company part into the item, without saving it.
    void WriteContactAddress(const CContactItem& item, std::optional<CUserProperties>& userProperties) const;
    void WriteContactAddress(const CContactItem& item) const;

    std::string status;
    std::string employees;
    std::string company;
    std::string appendix;
    std::string street;
    std::string zipcode;
    std::string city;
    std::string country;
    std::string state;
    std::string firmPhone;
    std::string firmFax;
    std::string firmEmail;
    std::string URL;
    std::string misc;
    std::string addressComment;
    std::string address_id = kNoId;  // the server's id of the address
    std::string address_action;      // "new", "overwrite" or "no_change"; never in Outlook
};

// `text` without a leading "http://" (exact case, at position 0 only, once).
std::string StripHttpPrefix(const std::string& text);

} // namespace tarnwel
