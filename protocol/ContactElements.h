#pragma once
// The text elements of a contact on the wire, each with the record field of
// the same name, in the order the request bodies write them (which is not the
// order of the record's fields: "position" follows "department").

#include "records/CContactRecord.h"

#include <string>
#include <string_view>

namespace tarnwel {

template <typename Record>
struct CTextElement {
    std::string_view name;
    std::string Record::*field;
};

inline constexpr CTextElement<CContactRecord> kPersonalElements[] = {
    {"salutation", &CContactRecord::salutation},
    {"firstName", &CContactRecord::firstName},
    {"lastName", &CContactRecord::lastName},
    {"title", &CContactRecord::title},
    {"department", &CContactRecord::department},
    {"position", &CContactRecord::position},
    {"phone", &CContactRecord::phone},
    {"fax", &CContactRecord::fax},
    {"mobile", &CContactRecord::mobile},
    {"email", &CContactRecord::email},
    {"comment", &CContactRecord::comment},
    {"privateAddress", &CContactRecord::privateAddress},
    {"privatePhone", &CContactRecord::privatePhone},
    {"privateFax", &CContactRecord::privateFax},
    {"mobilePrivate", &CContactRecord::mobilePrivate},
    {"emailPrivate", &CContactRecord::emailPrivate},
};

// The company's own fields. Its id travels as "address_id" in a contact and
// as "id_tarnwel" in a reply's "Address" element; "address_action" only goes
// to the server.
inline constexpr CTextElement<CAddressRecord> kCompanyElements[] = {
    {"status", &CAddressRecord::status},
    {"employees", &CAddressRecord::employees},
    {"company", &CAddressRecord::company},
    {"appendix", &CAddressRecord::appendix},
    {"street", &CAddressRecord::street},
    {"zipcode", &CAddressRecord::zipcode},
    {"city", &CAddressRecord::city},
    {"country", &CAddressRecord::country},
    {"state", &CAddressRecord::state},
    {"firmPhone", &CAddressRecord::firmPhone},
    {"firmFax", &CAddressRecord::firmFax},
    {"firmEmail", &CAddressRecord::firmEmail},
    {"URL", &CAddressRecord::URL},
    {"misc", &CAddressRecord::misc},
    {"addressComment", &CAddressRecord::addressComment},
};

} // namespace tarnwel
