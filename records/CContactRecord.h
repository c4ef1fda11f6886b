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

    // "Contact: '<lastName>, <firstName>' <company>".
    std::string GetShortDescription() const;

    // The German difference text of this contact (the Outlook side) and
    // `server`, with the personal part when `personal` is set and the company
    // part when `company` is set.
    std::string GetContactDifferences(const CContactRecord& server, std::uint8_t personal,
                                      std::uint8_t company) const;

    // The same personal part and the same company part.
    bool IsSameContact(const CContactRecord& other) const;
    bool IsSamePersonalPart(const CContactRecord& other) const;

    // Fills the record from an Outlook contact. Outlook's failures reach the
    // caller, the record then partly filled.
    void ReadContactItem(CContactItem item);
    // Writes the record into the item, saves it and takes back its entry id
    // and modification time. A failing step is shown in a message box and the
    // rest of the write skipped.
    void WriteContactItem(CContactItem item);

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
