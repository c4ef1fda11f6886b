#include "records/CAppointmentRecord.h"

#include "records/Comparison.h"
#include "records/OutlookConversion.h"
#include "records/TextBuilders.h"
#include "resources/StringTable.h"

namespace tarnwel {

using namespace string_id;

std::string CAppointmentRecord::GetShortDescription() const
{
    return "Appointment: '" + description + "' from " + FormatLongDate(start) + ", until " + FormatLongDate(end);
}

bool CAppointmentRecord::IsSameAppointment(const CAppointmentRecord& other) const
{
    if (!IsSameTrimmed(description, other.description))
        return false;
    if (!IsSameTrimmed(location, other.location))
        return false;
    if (wholeDayEvent != other.wholeDayEvent)
        return false;
    if (wholeDayEvent && other.wholeDayEvent) {
        if (CompareDateOnly(start, other.start) != 0)
            return false;
    } else if (CompareDateAndTime(start, other.start) != 0 || CompareDateAndTime(end, other.end) != 0) {
        return false;
    }
    return IsSameNormalized(comment, other.comment);
}

std::string CAppointmentRecord::GetDescription() const
{
    std::string text = LoadResourceText(kAppointmentHeading);
    if (wholeDayEvent)
        text += LoadResourceText(kAllDayAppointmentHeading);
    text += FormatLabeledValue(LoadResourceText(kAppointmentDescriptionLabel), description);
    text += FormatLabeledValue(LoadResourceText(kLocationLabel), location);
    text += LoadResourceText(kPeriodFrom) + FormatLongDate(start) + "," + LoadResourceText(kPeriodTo) +
        FormatLongDate(end);
    text += LoadResourceText(kAppointmentParticipantsHeading) + NormalizeLineBreaks(GetParticipantsText());
    text += FormatLabeledValue(LoadResourceText(kAppointmentCommentLabel), NormalizeLineBreaks(comment));
    text += "\r\n";
    return text;
}

std::string CAppointmentRecord::GetDifferences(const CItemRecord& other) const
{
    const auto& server = dynamic_cast<const CAppointmentRecord&>(other);
    std::string text =
        LoadResourceText(kAppointmentDifferencesStart) + description + LoadResourceText(kDifferencesHeadingEnd);
    text += FormatDifference(TrimText(description) != TrimText(server.description),
                             LoadResourceText(kAppointmentDescriptionLabel), description, server.description, false);
    text += FormatDifference(TrimText(location) != TrimText(server.location), LoadResourceText(kLocationLabel),
                             location, server.location, false);

    const std::string startsOn = LoadResourceText(kStartsOnLabel) + " : ";
    const std::string endsOn = LoadResourceText(kEndsOnLabel) + " : ";
    // One side's period as the whole-day side shows it, and as the timed side does.
    const auto wholeDayPeriod = [&](const CAppointmentRecord& r) {
        return LoadResourceText(kAllDayEventLabel) + "\r\n" + startsOn + r.start.FormatLocaleDate();
    };
    const auto timedPeriod = [&](const CAppointmentRecord& r) {
        return startsOn + FormatLongDate(r.start) + "\r\n" + endsOn + FormatLongDate(r.end);
    };
    if (!wholeDayEvent && !server.wholeDayEvent) {
        text += FormatDifference(CompareDateAndTime(start, server.start) != 0, LoadResourceText(kStartsOnLabel),
                                 FormatLongDate(start), FormatLongDate(server.start), false);
        text += FormatDifference(CompareDateAndTime(end, server.end) != 0, LoadResourceText(kEndsOnLabel),
                                 FormatLongDate(end), FormatLongDate(server.end), false);
    } else if (!wholeDayEvent) {
        text += FormatMultiLineDifference(LoadResourceText(kDateLabel), timedPeriod(*this), wholeDayPeriod(server));
    } else if (!server.wholeDayEvent) {
        text += FormatMultiLineDifference(LoadResourceText(kDateLabel), wholeDayPeriod(*this), timedPeriod(server));
    } else {
        // Two whole-day appointments show their days only, so they differ only
        // when their days do (as in IsSameAppointment).
        text += FormatDifference(CompareDateOnly(start, server.start) != 0, LoadResourceText(kAllDayEventLabel) + ":",
                                 start.FormatLocaleDate(), server.start.FormatLocaleDate(), false);
    }

    text += FormatDifference(NormalizeText(comment) != NormalizeText(server.comment),
                             LoadResourceText(kAppointmentCommentLabel), comment, server.comment, true);
    return text;
}

void CAppointmentRecord::ReadAppointmentItem(CAppointmentItem item)
{
    if (item.GetIsRecurring()) {
        usable = 0;
        return;
    }
    usable = 1;
    description = item.GetSubject();
    location = item.GetLocation();
    start = item.GetStart();
    COleDate::Fields day;
    if (item.GetAllDayEvent()) {
        end = start.GetFields(day) ? COleDate::FromFields(day.year, day.month, day.day, 23, 59, 0) : start;
        wholeDayEvent = 1;
    } else {
        end = item.GetEnd();
        wholeDayEvent = 0;
    }
    comment = item.GetBody();
    id_client = item.GetEntryID();
    id_tarnwel = kNoId;
    last_updated = item.GetLastModificationTime();
}

void CAppointmentRecord::WriteAppointmentItem(CAppointmentItem item)
{
    WriteGuarded(*this, "An error occured while writing appointment ", [&] {
        item.SetSubject(description);
        item.SetLocation(location);
        start = start.WithoutSeconds();
        end = end.WithoutSeconds();
        item.SetStart(start);
        // A timed record clears the item's whole-day state, so that an item
        // that was whole-day before follows the record's times.
        item.SetAllDayEvent(wholeDayEvent != 0);
        if (!wholeDayEvent)
            item.SetEnd(end);
        item.SetBody(comment);
        SetUserProperty(item.GetUserProperties(), "Participants", GetParticipantsText());
        item.Save();
        id_client = item.GetEntryID();
    });
    last_updated = item.GetLastModificationTime();
}

} // namespace tarnwel
