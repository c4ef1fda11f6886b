#pragma once

#include "records/CAddressRecord.h"
#include "records/CItemRecord.h"

namespace tarnwel {

class CContactRecord : public CItemRecord {
public:
    CContactRecord() : CItemRecord(kContactKind) {}

    // Always the empty text: the contact run compares contacts in its own way.
    std::string GetDifferences(const CItemRecord& other) const override;
    std::string GetDescription() const override;

    std::string salutation;
    std::string position;
    std::string firstName;
    std::string lastName;
    std::string title;
    std::string department;
    std::string phone;
    std::string fax;
    std::string mobile;
    std::string email;
    std::string comment;
    std::string privateAddress;
    std::string privatePhone;
    std::string privateFax;
    std::string mobilePrivate;
    std::string emailPrivate;
    CAddressRecord address;  // the company the person belongs to
};

} // namespace tarnwel
