#include "engine/CNoRightsIgnorePolicy.h"

namespace tarnwel {

void CNoRightsIgnorePolicy::ApplyToTask(CTaskArray&, const CTaskRecord&) {}

void CNoRightsIgnorePolicy::ApplyToContact(CContactArray&, const CContactRecord&) {}

void CNoRightsIgnorePolicy::ApplyToAppointment(CAppointmentArray&, const CAppointmentRecord&) {}

} // namespace tarnwel
