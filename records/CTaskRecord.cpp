#include "records/CTaskRecord.h"

#include "records/Comparison.h"
#include "records/OutlookConversion.h"
#include "records/TextBuilders.h"
#include "resources/StringTable.h"

namespace tarnwel {

using namespace string_id;

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
    return IsSameNormalized(description, other.description) && IsSameTrimmed(title, other.title) &&
        priority == other.priority &&
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
    std::string text = LoadResourceText(kTaskHeading) + "\r\n";
    text += FormatLabeledValue(LoadResourceText(kTaskTitleLabel), title);
    text += FormatLabeledValue(LoadResourceText(kTaskDescriptionLabel), NormalizeLineBreaks(description));
    text += FormatLabeledValue(LoadResourceText(kAssignmentLabel), assignment);
    text += FormatLabeledValue(LoadResourceText(kPriorityLabel), std::to_string(priority));
    text += FormatLabeledValue(LoadResourceText(kTaskStatusLabel), std::to_string(percentComplete));
    if (!IsNoDate(deadline))
        text += FormatLabeledValue(LoadResourceText(kDeadlineLabel), deadline.FormatLocaleDate());
    if (!IsNoDate(startDate))
        text += FormatLabeledValue(LoadResourceText(kStartDateLabel), startDate.FormatLocaleDate());
    text += LoadResourceText(kTaskParticipantsHeading) + GetParticipantsText();
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

    std::string text = LoadResourceText(kTaskDifferencesStart) + title + LoadResourceText(kDifferencesHeadingEnd);
    text += FormatDifference(TrimText(title) != TrimText(server.title), LoadResourceText(kTaskTitleLabel), title,
                             server.title, false);
    text += FormatDifference(NormalizeText(description) != NormalizeText(server.description),
                             LoadResourceText(kTaskDescriptionLabel), description, server.description, true);
    text += FormatDifference(priority != server.priority, LoadResourceText(kPriorityLabel), std::to_string(priority),
                             std::to_string(server.priority), false);
    text += FormatDifference(percentComplete != server.percentComplete, LoadResourceText(kTaskStatusLabel),
                             std::to_string(percentComplete) + "%", std::to_string(server.percentComplete) + "%",
                             false);
    text += FormatDifference(CompareDateOnly(startDate, server.startDate) != 0, LoadResourceText(kStartDateLabel),
                             startText(*this), startText(server), false);
    text += FormatDifference(CompareDateOnly(deadline, server.deadline) != 0, LoadResourceText(kDeadlineLabel),
                             deadlineText(*this), deadlineText(server), false);
    return text;
}

void CTaskRecord::ReadTaskItem(CTaskItem item)
{
    if (item.GetIsRecurring()) {
        usable = 0;
        return;
    }
    usable = 1;
    title = item.GetSubject();
    description = item.GetBody();
    assignment = GetUserProperty(item.GetUserProperties(), "Assignment");
    priority = item.GetImportance() + 1;
    percentComplete = item.GetPercentComplete();
    deadline = item.GetDueDate();
    startDate = item.GetStartDate();
    id_client = item.GetEntryID();
    id_tarnwel = kNoId;
    last_updated = item.GetLastModificationTime();
}

void CTaskRecord::WriteTaskItem(CTaskItem item)
{
    WriteGuarded(*this, "An error occured while writing the task: ", [&] {
        item.SetSubject(title);
        item.SetBody(description);
        SetUserProperty(item.GetUserProperties(), "Assignment", assignment);
        item.SetImportance(priority - 1);
        item.SetPercentComplete(percentComplete);
        item.SetDueDate(deadline);
        item.SetReminderOverrideDefault(true);
        item.SetStartDate(startDate);
        SetUserProperty(item.GetUserProperties(), "Participants", GetParticipantsText());
        // A subtask whose main task is not known names none.
        const std::string taskType =
            isSubtask ? "Subtask of: <" + (parent ? parent->title : std::string()) + ">" : "Main Task";
        SetUserProperty(item.GetUserProperties(), "TaskType", taskType);
        item.Save();
        std::string entryId = item.GetEntryID();
        const COleDate modified = item.GetLastModificationTime();
        id_client = std::move(entryId);
        last_updated = modified;
    });
}

} // namespace tarnwel
