#include "records/CTaskRecord.h"

#include "records/Comparison.h"

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

// The German description and difference texts are not built yet; until they
// are, both are empty.
std::string CTaskRecord::GetDifferences(const CItemRecord&) const
{
    return {};
}

std::string CTaskRecord::GetDescription() const
{
    return {};
}

} // namespace tarnwel
