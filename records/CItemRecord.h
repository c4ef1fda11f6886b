#pragma once
// The common part of the appointment, contact and task records.

#include "platform/base/OleDate.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwel {

// Server id of an item that has no server counterpart; also "no entry id".
inline constexpr const char* kNoId = "X";
// Server id of a record queued only to carry server data into Outlook.
inline constexpr const char* kOverwriteForParticipants = "OVR_FOR_PARTICIPANTS";

enum ItemKind : int { kAppointmentKind = 0, kContactKind = 1, kTaskKind = 2 };

class CItemRecord {
public:
    virtual ~CItemRecord() = default;

    // German text of the fields in which this record (the Outlook side) and
    // `other` (the server side, a record of the same kind) differ.
    virtual std::string GetDifferences(const CItemRecord& other) const = 0;
    // German multi-line description, shown wherever a prompt names the item.
    virtual std::string GetDescription() const = 0;

    bool HasParticipants() const { return !participants.empty(); }
    // "Keine Teilnehmer", or each name after "  - ", joined by line feeds.
    std::string GetParticipantsText() const;

    std::string id_tarnwel = kNoId;  // the server's id; "X" while the item has none
    std::string id_client = kNoId;   // the Outlook entry id; "X" when none
    COleDate last_updated;
    std::vector<std::string> participants;
    // The small members last, side by side: a derived record's own small
    // members then fill the room after them instead of padding of their own.
    int kind;                        // ItemKind, fixed by the kind's constructor
    std::uint8_t usable = 1;         // 0 for recurring items read from Outlook

protected:
    explicit CItemRecord(ItemKind itemKind) : kind(itemKind) {}
    CItemRecord(const CItemRecord&) = default;
    CItemRecord& operator=(const CItemRecord&) = default;
    CItemRecord(CItemRecord&&) = default;
    CItemRecord& operator=(CItemRecord&&) = default;
};

} // namespace tarnwel
