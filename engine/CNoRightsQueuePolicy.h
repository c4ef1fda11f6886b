#pragma once
// The refused item's corrective Outlook change is queued: a copy of the record
// goes to the queue the run gave.

#include "engine/CNoRightsPolicy.h"

namespace tarnwel {

class CNoRightsQueuePolicy : public CNoRightsPolicy {
public:
    void ApplyToTask(CTaskArray& queue, const CTaskRecord& record) override;
    void ApplyToContact(CContactArray& queue, const CContactRecord& record) override;
    void ApplyToAppointment(CAppointmentArray& queue, const CAppointmentRecord& record) override;
};

} // namespace tarnwel
