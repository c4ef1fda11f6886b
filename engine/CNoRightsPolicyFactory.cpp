#include "engine/CNoRightsPolicyFactory.h"

namespace tarnwel {

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeTWDeletedPolicy(CKindRules)
{
    return nullptr;
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeNewPolicy(CKindRules)
{
    return nullptr;
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeOvrPolicy(CKindRules)
{
    return nullptr;
}

std::unique_ptr<CNoRightsPolicy> CNoRightsPolicyFactory::MakeOLDeletedPolicy(CKindRules)
{
    return nullptr;
}

} // namespace tarnwel
