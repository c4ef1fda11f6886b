#include "engine/CReplicator.h"

namespace tarnwel {

void CReplicator::ReplicateAppointments() {}

void CReplicator::ReplicateContacts() {}

void CReplicator::ReplicateTasks() {}

} // namespace tarnwel
