#pragma once
// Makes the no-rights policy of one rule from its NoRights code: 0 queue,
// 1 ask (with the rule's question), 2 ignore; any other value gives no policy
// (null), which the run treats as leaving the refusal alone.

#include "engine/CNoRightsPolicy.h"
#include "settings/CKindRules.h"

#include <memory>

namespace tarnwel {

class CNoRightsPolicyFactory {
public:
    virtual ~CNoRightsPolicyFactory() = default;

    // A refused restore of a server-deleted item (question 238).
    virtual std::unique_ptr<CNoRightsPolicy> MakeTWDeletedPolicy(CKindRules rules);
    // A refused creation of a new Outlook item (question 237).
    virtual std::unique_ptr<CNoRightsPolicy> MakeNewPolicy(CKindRules rules);
    // A refused overwrite of the server item (question 239).
    virtual std::unique_ptr<CNoRightsPolicy> MakeOvrPolicy(CKindRules rules);
    // A refused deletion of the server item (question 240).
    virtual std::unique_ptr<CNoRightsPolicy> MakeOLDeletedPolicy(CKindRules rules);
};

} // namespace tarnwel
