#pragma once
// What a run does on the Outlook side with one item that the server refused
// for lack of rights: queue a corrective Outlook change, ask first, or leave
// everything. One operation per kind; each does the same for its kind.

#include "records/RecordArrays.h"

namespace tarnwel {

class CNoRightsPolicy {
public:
    virtual void ApplyToTask(CTaskArray& queue, const CTaskRecord& record) = 0;
    virtual void ApplyToContact(CContactArray& queue, const CContactRecord& record) = 0;
    virtual void ApplyToAppointment(CAppointmentArray& queue, const CAppointmentRecord& record) = 0;
    virtual ~CNoRightsPolicy() = default;
};

} // namespace tarnwel
