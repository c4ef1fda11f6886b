#pragma once

#include "platform/automation/OutlookItem.h"

namespace tarnwel {

class CTaskItem : public COutlookItem {
public:
    using COutlookItem::COutlookItem;
    explicit CTaskItem(const COutlookItem& item) : COutlookItem(item) {}

    bool GetIsRecurring() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Bool, IsRecurring); }
    TARNWEL_TEXT_PROPERTY(Subject)
    TARNWEL_INT_PROPERTY(Importance)  // 0 low, 1 normal, 2 high
    TARNWEL_INT_PROPERTY(PercentComplete)
    TARNWEL_DATE_PROPERTY(DueDate)
    TARNWEL_BOOL_PROPERTY(ReminderOverrideDefault)
    TARNWEL_DATE_PROPERTY(StartDate)
};

} // namespace tarnwel
