#pragma once

#include "platform/automation/AppointmentItem.h"
#include "records/CItemRecord.h"

namespace tarnwel {

class CAppointmentRecord : public CItemRecord {
public:
    CAppointmentRecord() : CItemRecord(kAppointmentKind) {}

    std::string GetDifferences(const CItemRecord& other) const override;
    std::string GetDescription() const override;

    // "Appointment: '<description>' from <start>, until <end>", dates "%d/%b/%y %H:%M".
    std::string GetShortDescription() const;

    // The same title, place, whole-day state, times (to the minute; the day
    // alone for two whole-day appointments) and comment.
    bool IsSameAppointment(const CAppointmentRecord& other) const;

    // Fills the record from an Outlook appointment. A recurring one only gets
    // `usable` 0. Outlook's failures reach the caller.
    void ReadAppointmentItem(CAppointmentItem item);
    // Writes the record into the item and saves it; the record's dates lose
    // their seconds. A failing step is shown in a message box and the rest of
    // the write skipped; then `last_updated` is read back from the item.
    void WriteAppointmentItem(CAppointmentItem item);

    std::uint8_t wholeDayEvent = 0;  // first: it fills the room after the base's small members
    std::string description;  // Outlook: Subject
    std::string location;
    COleDate start;
    COleDate end;             // 23:59 of the start day for a whole-day appointment read from Outlook
    std::string comment;      // Outlook: Body
};

} // namespace tarnwel
