#pragma once
// The refused item is left alone: both sides and the mapping stay as they are.

#include "engine/CNoRightsPolicy.h"

namespace tarnwel {

class CNoRightsIgnorePolicy : public CNoRightsPolicy {
public:
    void ApplyToTask(CTaskArray& queue, const CTaskRecord& record) override;
    void ApplyToContact(CContactArray& queue, const CContactRecord& record) override;
    void ApplyToAppointment(CAppointmentArray& queue, const CAppointmentRecord& record) override;
};

} // namespace tarnwel
