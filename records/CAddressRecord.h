#pragma once
// The company part of a contact; the contact reply reader also builds it alone.

#include "records/CItemRecord.h"

#include <string>

namespace tarnwel {

class CAddressRecord {
public:
    // Copies every field from `status` to `address_id`; `address_action` stays.
    void CopyAddressFields(const CAddressRecord& other);

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

} // namespace tarnwel
