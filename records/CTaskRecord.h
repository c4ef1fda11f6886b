#pragma once

#include "platform/automation/TaskItem.h"
#include "records/CItemRecord.h"

namespace tarnwel {

// A task date in this year stands for "no date" on both sides.
inline constexpr int kNoDateYear = 4501;

class CTaskRecord : public CItemRecord {
public:
    CTaskRecord() : CItemRecord(kTaskKind) {}

    std::string GetDifferences(const CItemRecord& other) const override;
    std::string GetDescription() const override;

    // "Task: '<title>'" or "Subtask: '<title>'", then " (<description>)" when
    // the description is not empty.
    std::string GetShortDescription() const;

    // The same description, title, priority, percent complete and due and
    // start days.
    bool IsSameTask(const CTaskRecord& other) const;

    // Fills the record from an Outlook task. A recurring one only gets
    // `usable` 0. Outlook's failures reach the caller.
    void ReadTaskItem(CTaskItem item);
    // Writes the record into the item and saves it. A failing step is shown in
    // a message box and the rest of the write skipped; `id_client` and
    // `last_updated` then keep their values.
    void WriteTaskItem(CTaskItem item);

    // The small members first: they fill the room after the base's.
    std::uint8_t isSubtask = 0;
    int priority = 2;         // 1 low, 2 normal, 3 high
    int percentComplete = 0;
    int subtaskCount = 0;
    std::string title;        // Outlook: Subject
    std::string description;  // Outlook: Body
    std::string assignment;   // the Outlook user property "Assignment"; never sent to the server
    std::string delegatedJob; // server only
    COleDate deadline;
    COleDate startDate;
    // Links set when the server's tasks are fetched; they refer to records
    // that the fetch keeps alive for the run and are never owned here.
    CTaskRecord* nextSubtask = nullptr;  // main task: first subtask; subtask: the next one
    CTaskRecord* parent = nullptr;       // subtask: its main task
};

} // namespace tarnwel
