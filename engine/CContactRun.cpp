#include "engine/CContactRun.h"

namespace tarnwel {

void CReplicator::ReplicateContacts()
{
    CContactRun(*this).Run();
}

void CContactRun::ReadRights(const std::string& rights)
{
    m_writeRight = rights.size() > 0 && rights[0] == 'Y';
    m_addressRight = rights.size() > 1 && rights[1] == 'Y';
    m_deleteRight = rights.size() > 2 && rights[2] == 'Y';
}

int CContactRun::FetchServerRecords(const CStringArray& ids)
{
    return m_replicator.GetContacts(m_serverRecords, m_addresses, m_since, ids);
}

void CContactRun::DecideChangedPair(CContactRecord&, CContactRecord&, const std::string&) {}
void CContactRun::DecideOutlookRecord(const CContactRecord&, bool) {}
void CContactRun::QueuePhase() {}
void CContactRun::OnOverwriteRefused(const std::string&) {}

} // namespace tarnwel
