#pragma once
// The bodies of the server calls: XML fragments written as plain text, which the
// SOAP call puts inside its method element. Each builder returns the finished
// text; the records and lists it is given are never changed.
//
// Layout: an item element stands alone on its lines ("<Appointment>\n" ...
// "</Appointment>\n"); each field is one line "\t<name>value</name>\n" and is
// left out when its value is empty. No carriage return is ever written.
//
// Every value that goes into a body (field values, user name, password,
// session id, since text, ids) is escaped with EscapeXml.

#include "records/RecordArrays.h"

#include <string>
#include <string_view>

namespace tarnwel {

// "&", "<" and ">" become "&amp;", "&lt;" and "&gt;"; every code point above
// 0x7F becomes one reference "&#x<lowercase hex>;" ("ü" -> "&#xfc;",
// U+1F600 -> "&#x1f600;"). Characters that XML 1.0 cannot carry (controls
// below 0x20 other than tab, line feed and carriage return; U+FFFE, U+FFFF)
// are left out. Quotes, apostrophes, tab, line feed and carriage return stay.
// A byte that is no valid UTF-8 goes out as "&#xfffd;".
std::string EscapeXml(std::string_view text);

// "\t<name>" + EscapeXml(value) + "</name>\n", or the empty text when `value`
// is empty. The name is inserted as it is.
std::string MakeElement(std::string_view name, std::string_view value);

// One item element each ("<Appointment>\n" ... "</Appointment>\n", "<Task>",
// "<Contact>"). Dates are written "%Y-%m-%d %H:%M:%S" as the record holds them;
// a date that is not valid is left out like an empty value.
std::string WriteAppointmentXml(const CAppointmentRecord& record);
std::string WriteTaskXml(const CTaskRecord& record);
std::string WriteContactXml(const CContactRecord& record);

// "<Credentials><user>...</user><password>...</password></Credentials>", one line
// without a line feed.
std::string MakeCredentialsXml(std::string_view userName, std::string_view password);

// "<session-id>...</session-id>\n".
std::string MakeSessionIdXml(std::string_view sessionId);

// The sign_out body: "<session-id>...</session-id>", without the line feed.
std::string MakeSignOutXml(std::string_view sessionId);

// The session-id line, "<since>...</since>\n", then one "id" element per
// non-empty entry of `ids`, in order.
std::string MakeGetItemsXml(std::string_view sessionId, std::string_view since, const CStringArray& ids);

// addItems / putItems: the session-id line, the list's open tag, one item
// element per record in array order, the close tag.
std::string MakeAppointmentListXml(std::string_view sessionId, const CAppointmentArray& records);
std::string MakeTaskListXml(std::string_view sessionId, const CTaskArray& records);
std::string MakeContactListXml(std::string_view sessionId, const CContactArray& records);

// deleteItems: the session-id line, the list's open tag, then per record
// "<Appointment>\n<id_tarnwel>id</id_tarnwel></Appointment>\n" (the server id
// always, also "X" or empty), the close tag.
std::string MakeAppointmentDeleteXml(std::string_view sessionId, const CAppointmentArray& records);
std::string MakeTaskDeleteXml(std::string_view sessionId, const CTaskArray& records);
std::string MakeContactDeleteXml(std::string_view sessionId, const CContactArray& records);

} // namespace tarnwel
