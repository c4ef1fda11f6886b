#include "records/CTaskRecord.h"

#include "records/Comparison.h"
#include "records/TextBuilders.h"
#include "resources/StringTable.h"

namespace tarnwel {

std::string CTaskRecord::GetShortDescription() const
{
    std::string label = isSubtask ? "Subtask: '" : "Task: '";
    label += title;
    label += '\'';
    if (!description.empty()) {
        label += " (";
        label += description;
        label += ')';
    }
    return label;
}

bool CTaskRecord::IsSameTask(const CTaskRecord& other) const
{
    return NormalizeText(description) == NormalizeText(other.description) &&
        TrimText(title) == TrimText(other.title) && priority == other.priority &&
        percentComplete == other.percentComplete && CompareDateOnly(deadline, other.deadline) == 0 &&
        CompareDateOnly(startDate, other.startDate) == 0;
}

namespace {

bool IsNoDate(const COleDate& date)
{
    return date.GetYear() == kNoDateYear;
}

} // namespace

std::string CTaskRecord::GetDescription() const
{
    std::string text = LoadResourceText(288) + "\r\n";
    text += FormatLabeledValue(LoadResourceText(289), title);
    text += FormatLabeledValue(LoadResourceText(290), NormalizeLineBreaks(description));
    text += FormatLabeledValue(LoadResourceText(291), assignment);
    text += FormatLabeledValue(LoadResourceText(292), std::to_string(priority));
    text += FormatLabeledValue(LoadResourceText(293), std::to_string(percentComplete));
    if (!IsNoDate(deadline))
        text += FormatLabeledValue(LoadResourceText(294), deadline.FormatLocaleDate());
    if (!IsNoDate(startDate))
        text += FormatLabeledValue(LoadResourceText(295), startDate.FormatLocaleDate());
    text += LoadResourceText(296) + GetParticipantsText();
    text += "\r\n";
    return text;
}

std::string CTaskRecord::GetDifferences(const CItemRecord& other) const
{
    const auto& server = dynamic_cast<const CTaskRecord&>(other);
    // Deadlines show their day, start dates their day and time; "-" is no date.
    const auto deadlineText = [](const CTaskRecord& t) {
        return IsNoDate(t.deadline) ? std::string("-") : t.deadline.FormatLocaleDate();
    };
    const auto startText = [](const CTaskRecord& t) {
        return IsNoDate(t.startDate) ? std::string("-") : FormatLongDate(t.startDate);
    };

    std::string text = LoadResourceText(303) + title + LoadResourceText(287);
    text += FormatDifference(TrimText(title) != TrimText(server.title), LoadResourceText(289), title, server.title,
                             false);
    text += FormatDifference(NormalizeText(description) != NormalizeText(server.description), LoadResourceText(290),
                             description, server.description, true);
    text += FormatDifference(priority != server.priority, LoadResourceText(292), std::to_string(priority),
                             std::to_string(server.priority), false);
    text += FormatDifference(percentComplete != server.percentComplete, LoadResourceText(293),
                             std::to_string(percentComplete) + "%", std::to_string(server.percentComplete) + "%",
                             false);
    text += FormatDifference(CompareDateOnly(startDate, server.startDate) != 0, LoadResourceText(295),
                             startText(*this), startText(server), false);
    text += FormatDifference(CompareDateOnly(deadline, server.deadline) != 0, LoadResourceText(294),
                             deadlineText(*this), deadlineText(server), false);
    return text;
}

} // namespace tarnwel
