// The runs of appointments and tasks: CKindRun over their descriptions
// (RunKinds.h).

#include "engine/CKindRun.h"
#include "engine/CReplicator.h"
#include "engine/RunKinds.h"

namespace tarnwel {

void CReplicator::ReplicateAppointments()
{
    CKindRun<CAppointmentRunKind>(*this).Run();
}

void CReplicator::ReplicateTasks()
{
    CKindRun<CTaskRunKind>(*this).Run();
}

} // namespace tarnwel
