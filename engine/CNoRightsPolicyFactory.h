#pragma once
// Makes the no-rights policy of one rule from its NoRights code
// (rule_code::kNoRights...): act in Outlook queues, ask asks (with the rule's
// question), leave ignores; any other value gives no policy (null), which the
// run treats as leaving the refusal alone.

#include "engine/CNoRightsPolicy.h"
#include "settings/CKindRules.h"

#include <memory>

namespace tarnwel {

class CNoRightsPolicyFactory {
public:
    virtual ~CNoRightsPolicyFactory() = default;

    // A refused restore of a server-deleted item (string_id::kTWDeletedNoRightsQuestion).
    virtual std::unique_ptr<CNoRightsPolicy> MakeTWDeletedPolicy(CKindRules rules);
    // A refused creation of a new Outlook item (string_id::kNewNoRightsQuestion).
    virtual std::unique_ptr<CNoRightsPolicy> MakeNewPolicy(CKindRules rules);
    // A refused overwrite of the server item (string_id::kOvrNoRightsQuestion).
    virtual std::unique_ptr<CNoRightsPolicy> MakeOvrPolicy(CKindRules rules);
    // A refused deletion of the server item (string_id::kOLDeletedNoRightsQuestion).
    virtual std::unique_ptr<CNoRightsPolicy> MakeOLDeletedPolicy(CKindRules rules);
};

} // namespace tarnwel
