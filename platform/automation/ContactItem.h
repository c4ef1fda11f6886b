#pragma once

#include "platform/automation/OutlookItem.h"

namespace tarnwel {

class CContactItem : public COutlookItem {
public:
    using COutlookItem::COutlookItem;
    explicit CContactItem(const COutlookItem& item) : COutlookItem(item) {}

    // The person.
    TARNWEL_TEXT_PROPERTY(FirstName)
    TARNWEL_TEXT_PROPERTY(LastName)
    TARNWEL_TEXT_PROPERTY(Title)
    TARNWEL_TEXT_PROPERTY(Department)
    TARNWEL_TEXT_PROPERTY(JobTitle)
    TARNWEL_TEXT_PROPERTY(BusinessTelephoneNumber)
    TARNWEL_TEXT_PROPERTY(BusinessFaxNumber)
    TARNWEL_TEXT_PROPERTY(MobileTelephoneNumber)
    TARNWEL_TEXT_PROPERTY(Email1Address)
    TARNWEL_TEXT_PROPERTY(HomeAddress)
    TARNWEL_TEXT_PROPERTY(HomeTelephoneNumber)
    TARNWEL_TEXT_PROPERTY(HomeFaxNumber)
    TARNWEL_TEXT_PROPERTY(Home2TelephoneNumber)
    TARNWEL_TEXT_PROPERTY(Email3Address)
    // The company.
    TARNWEL_TEXT_PROPERTY(CompanyName)
    TARNWEL_TEXT_PROPERTY(BusinessAddressStreet)
    TARNWEL_TEXT_PROPERTY(BusinessAddressPostalCode)
    TARNWEL_TEXT_PROPERTY(BusinessAddressCity)
    TARNWEL_TEXT_PROPERTY(BusinessAddressCountry)
    TARNWEL_TEXT_PROPERTY(BusinessAddressState)
    TARNWEL_TEXT_PROPERTY(Business2TelephoneNumber)
    TARNWEL_TEXT_PROPERTY(OtherFaxNumber)
    TARNWEL_TEXT_PROPERTY(Email2Address)
    TARNWEL_TEXT_PROPERTY(BusinessHomePage)
};

} // namespace tarnwel
