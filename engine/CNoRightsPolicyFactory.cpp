#include "engine/CNoRightsPolicyFactory.h"

#include "engine/CNoRightsAskPolicy.h"
#include "engine/CNoRightsIgnorePolicy.h"
#include "engine/CNoRightsQueuePolicy.h"
#include "resources/StringTable.h"

namespace tarnwel {

namespace {

// The policy of one NoRights code; `questionId` names the question of the
// ask policy.
std::unique_ptr<CNoRightsPolicy> MakePolicy(int noRights, int questionId)
{
    const std::string question = LoadResourceText(questionId);
    switch (noRights) {
    case 0:
        return std::make_unique<CNoRightsQueuePolicy>();
    case 1:
        return std::make_unique<CNoRightsAskPolicy>(question);
    case 2:
        return std::make_unique<CNoRightsIgnorePolicy>();
    default:
        return nullptr;
    }
}

} // namespace

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeTWDeletedPolicy(CKindRules rules)
{
    return MakePolicy(rules.twDeletedNoRights, 238);
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeNewPolicy(CKindRules rules)
{
    return MakePolicy(rules.newNoRights, 237);
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeOvrPolicy(CKindRules rules)
{
    return MakePolicy(rules.ovrNoRights, 239);
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeOLDeletedPolicy(CKindRules rules)
{
    return MakePolicy(rules.olDeletedNoRights, 240);
}

} // namespace tarnwel
