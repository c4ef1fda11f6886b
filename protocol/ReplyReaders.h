#pragma once
// Readers of the item elements of a getItems reply. Each walks the children of
// one element, takes the children whose names it knows (letter case ignored),
// skips everything else and never checks that an element is present or well
// formed. A child's text is the text of the child and all its descendants,
// stored as it is (no trimming).
//
// Dates on the wire are "%Y-%m-%d %H:%M:%S"; only the first 19 characters of a
// date text are parsed. A text that is no date gives an invalid date.
// "last_updated" and "creationTime" are moved from the server's time to the
// machine's (minus (timezone - daylight * 3600) / 86400 days, the machine's
// zone as the C runtime holds it); all other dates stay as sent.
// "last_updated" wins over "creationTime" whatever their order.
//
// Each reader takes a node of a parsed document or an element of a reply read
// as a stream (ReplyStream.h); both give the same records.

#include "records/RecordArrays.h"

#include <pugixml.hpp>

#include <memory>
#include <vector>

namespace tarnwel {

class CStreamElement;

// Options for parsing a reply document: a value that is nothing but white
// space ("<comment> </comment>") is kept rather than dropped, and the text
// that opens an element is kept as the element's value rather than as a node
// of its own, which halves the nodes of a reply of many items. The readers
// take documents parsed with or without the latter.
inline constexpr unsigned int kReplyParseOptions =
    pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

// Appends the text of each "user" child of a "participants" element.
void ReadParticipants(CStringArray& participants, pugi::xml_node element);

// Appends one appointment read from an "Appointment" element (also when the
// element holds nothing the reader knows).
void ReadAppointment(CAppointmentArray& appointments, pugi::xml_node element);
void ReadAppointment(CAppointmentArray& appointments, CStreamElement& element);

// A new task read from a "Task" element. A task without "deadline" or
// "startDate" has the date 4501-01-01 there (no date).
std::unique_ptr<CTaskRecord> ReadTask(pugi::xml_node element);
std::unique_ptr<CTaskRecord> ReadTask(CStreamElement& element);

// Links the tasks of a getItems reply, read in reply order, into chains: a
// subtask joins the main task before it (its parent, at the end of that
// task's chain, counted in its subtaskCount). Each task moves into `owner`,
// which keeps the chains alive; each main task goes to `tasks` as a copy
// once the next main task begins, and the last one only when `lastComplete`
// (a reply that broke off may have left its chain unfinished). False when a
// subtask comes before any main task: the reply is malformed, and linking
// stops there.
bool LinkTaskChains(std::vector<std::unique_ptr<CTaskRecord>>& read,
                    std::vector<std::unique_ptr<CTaskRecord>>& owner, CTaskArray& tasks, bool lastComplete);

// Appends one contact (personal part and ids) read from a "contact" element;
// the company part stays empty.
void ReadContactPart(CContactArray& contacts, pugi::xml_node element);

// Reads an "Address" element: appends the company address to `addresses`,
// then each of its "contact" children, with the address's fields and server id
// copied in, to `contacts`.
void ReadAddress(CContactArray& contacts, CAddressArray& addresses, pugi::xml_node element);
void ReadAddress(CContactArray& contacts, CAddressArray& addresses, CStreamElement& element);

// The number of contacts ReadAddress appends for the "Address" element.
std::size_t CountContactChildren(pugi::xml_node element);

} // namespace tarnwel
