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
    case rule_code::kNoRightsActInOutlook:
        return std::make_unique<CNoRightsQueuePolicy>();
    case rule_code::kNoRightsAskUser:
        return std::make_unique<CNoRightsAskPolicy>(question);
    case rule_code::kNoRightsLeave:
        return std::make_unique<CNoRightsIgnorePolicy>();
    default:
        return nullptr;
    }
}

} // namespace

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeTWDeletedPolicy(CKindRules rules)
{
    return MakePolicy(rules.twDeletedNoRights, string_id::kTWDeletedNoRightsQuestion);
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeNewPolicy(CKindRules rules)
{
    return MakePolicy(rules.newNoRights, string_id::kNewNoRightsQuestion);
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeOvrPolicy(CKindRules rules)
{
    return MakePolicy(rules.ovrNoRights, string_id::kOvrNoRightsQuestion);
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeOLDeletedPolicy(CKindRules rules)
{
    return MakePolicy(rules.olDeletedNoRights, string_id::kOLDeletedNoRightsQuestion);
}

} // namespace tarnwel
