#include "engine/CReplicator.h"

#include "engine/CNoRightsPolicyFactory.h"

namespace tarnwel {
namespace {

CServerAccount AccountOf(const CReplicationSettings& settings)
{
    return CServerAccount{settings.userName, settings.password, settings.serverUrl, settings.soapTimeout};
}

} // namespace

CReplicator::CReplicator(IProgressSink& progressSink, CReplicationSettings settings)
    : CServerSession(AccountOf(settings)),
      m_settings(std::move(settings)),
      m_progressSink(progressSink),
      m_policyFactory(std::make_unique<CNoRightsPolicyFactory>())
{
    // A stop ends the server call under way, not only the run's next step.
    SetAbortFlag(&m_abort);
}

CReplicator::~CReplicator() = default;

void CReplicator::Start()
{
    if (m_started) {
        Log("Replicator error: already started!");
        return;
    }
    m_started = true;
    Log("Replicator STARTED");
}

void CReplicator::Stop()
{
    if (!m_started) {
        Log("Replicator error: not yet started!");
        return;
    }
    m_started = false;
    Log("Replicator SHUTTED DOWN");
}

void CReplicator::NoteKindFailed(const char* kind)
{
    m_kindFailed = true;
    Log(std::string("--x-- The run of ") + kind + " ended through a failure");
}

bool CReplicator::CheckStarted() const
{
    if (!m_started)
        Log("Replicator error: not yet started!");
    return m_started;
}

} // namespace tarnwel
