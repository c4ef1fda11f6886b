#include "records/CAppointmentRecord.h"

#include "records/Comparison.h"

namespace tarnwel {

std::string CAppointmentRecord::GetShortDescription() const
{
    return "Appointment: '" + description + "' from " + start.Format("%d/%b/%y %H:%M") + ", until " +
        end.Format("%d/%b/%y %H:%M");
}

bool CAppointmentRecord::IsSameAppointment(const CAppointmentRecord& other) const
{
    if (TrimText(description) != TrimText(other.description))
        return false;
    if (TrimText(location) != TrimText(other.location))
        return false;
    if (wholeDayEvent != other.wholeDayEvent)
        return false;
    if (wholeDayEvent && other.wholeDayEvent) {
        if (CompareDateOnly(start, other.start) != 0)
            return false;
    } else if (CompareDateAndTime(start, other.start) != 0 || CompareDateAndTime(end, other.end) != 0) {
        return false;
    }
    return NormalizeText(comment) == NormalizeText(other.comment);
}

// The German description and difference texts are not built yet; until they
// are, both are empty.
std::string CAppointmentRecord::GetDifferences(const CItemRecord&) const
{
    return {};
}

std::string CAppointmentRecord::GetDescription() const
{
    return {};
}

} // namespace tarnwel
