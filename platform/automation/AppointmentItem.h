#pragma once

#include "platform/automation/OutlookItem.h"

namespace tarnwel {

class CAppointmentItem : public COutlookItem {
public:
    using COutlookItem::COutlookItem;
    explicit CAppointmentItem(const COutlookItem& item) : COutlookItem(item) {}

    bool GetIsRecurring() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Bool, IsRecurring); }
    TARNWEL_TEXT_PROPERTY(Subject)
    TARNWEL_TEXT_PROPERTY(Location)
    TARNWEL_DATE_PROPERTY(Start)
    TARNWEL_DATE_PROPERTY(End)
    TARNWEL_BOOL_PROPERTY(AllDayEvent)
};

} // namespace tarnwel
