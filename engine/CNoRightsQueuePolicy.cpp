#include "engine/CNoRightsQueuePolicy.h"

namespace tarnwel {

void CNoRightsQueuePolicy::ApplyToTask(CTaskArray& queue, const CTaskRecord& record)
{
    queue.push_back(record);
}

void CNoRightsQueuePolicy::ApplyToContact(CContactArray& queue, const CContactRecord& record)
{
    queue.push_back(record);
}

void CNoRightsQueuePolicy::ApplyToAppointment(CAppointmentArray& queue, const CAppointmentRecord& record)
{
    queue.push_back(record);
}

} // namespace tarnwel
