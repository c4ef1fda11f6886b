#include "engine/CReplicator.h"

namespace tarnwel {
namespace {

CServerAccount AccountOf(const CReplicationSettings& settings)
{
    return CServerAccount{settings.userName, settings.password, settings.serverUrl, settings.soapTimeout};
}

} // namespace

CReplicator::CReplicator(CReplicationSettings settings)
    : CServerSession(AccountOf(settings)), settings_(std::move(settings))
{
}

void CReplicator::Start()
{
    if (started_) {
        Log("Replicator error: already started!");
        return;
    }
    started_ = true;
    Log("Replicator STARTED");
}

void CReplicator::Stop()
{
    if (!started_) {
        Log("Replicator error: not yet started!");
        return;
    }
    started_ = false;
    Log("Replicator SHUTTED DOWN");
}

bool CReplicator::CheckStarted() const
{
    if (!started_)
        Log("Replicator error: not yet started!");
    return started_;
}

} // namespace tarnwel
