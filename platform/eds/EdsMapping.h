#pragma once
// How the members of the object model land in the data server's items: the
// iCalendar properties of VEVENT and VTODO, the vCard fields of contacts,
// and X-TARNWEL- properties for what has no field of its own (message class,
// named user properties, the order of creation). docs/data-server-mapping.md
// holds the table.

#include "platform/automation/Variant.h"
#include "platform/pimstore/PimSchema.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _GObject GObject;

namespace tarnwel {

// What an item holds as the object model sees it.
struct CEdsItemData {
    std::string uid;
    std::string rid;           // RECURRENCE-ID of a detached instance
    std::string messageClass;  // the kind's plain class when the item has none of ours
    COleDate lastModificationTime = COleDate::Null();
    bool isRecurring = false;
    double order = 0;             // creation order: microseconds since 1970
    std::vector<CVariant> values;  // by the kind's properties
    // User property values by their names in capitals: the name as written
    // and the value.
    std::map<std::string, std::pair<std::string, std::string>> userValues;
};

// Reads an item's text (VEVENT/VTODO or vCard) of the kind; `zone` is the
// user's zone name (UserZone). Values the item lacks read as the kind's
// first values.
void EdsReadItem(const CPimKindInfo& kind, const std::string& text, const std::string& zone, CEdsItemData& item);

// An item's text parsed as EdsReadItem reads it: the ICalComponent of the
// kind (a VCALENDAR's first one of it) or the EContact.
std::shared_ptr<GObject> EdsParseItem(const CPimKindInfo& kind, const std::string& text);
// EdsReadItem of an item parsed already (EdsParseItem, or as the data
// server's libraries hand it over): one parse of the text instead of two.
void EdsReadParsedItem(const CPimKindInfo& kind, GObject* parsed, const std::string& zone, CEdsItemData& item);

// The text of the item with the changed values (`changed` by the kind's
// properties) written over `base` (the item's text as read, "" for a new
// item); the message class, the user values, LAST-MODIFIED/REV (`now`) and,
// for a new item, the order are always written. Everything else of `base`
// stays as it is.
std::string EdsWriteItem(const CPimKindInfo& kind, const std::string& base, const CEdsItemData& item,
                         const std::vector<bool>& changed, const std::string& zone, const COleDate& now);

// The LastModificationTime that the text of EdsWriteItem at `now` reads as
// (its LAST-MODIFIED or REV), without reading the text.
COleDate EdsWrittenModificationTime(const CPimKindInfo& kind, const COleDate& now, const std::string& zone);

// The entry id of a UID: the UID itself where a mapping file line holds it
// as it stands, else with each byte that it cannot hold (blanks, control
// characters, "%" and bytes above 0x7E) written as "%XX"; and back.
std::string EdsEntryIdOfUid(const std::string& uid);
std::string EdsUidOfEntryId(const std::string& entryId);

} // namespace tarnwel
