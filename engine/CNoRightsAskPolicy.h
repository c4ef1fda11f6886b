#pragma once
// Asks the user about every refused item: a Yes/No question naming the item.
// Yes queues the corrective Outlook change, No leaves the item alone. The
// answer is never reused for the next item.

#include "engine/CNoRightsPolicy.h"

#include <memory>
#include <string>

namespace tarnwel {

class CItemRecord;

class CNoRightsAskPolicy : public CNoRightsPolicy {
public:
    // `question` holds one "%s", which takes the item's description.
    explicit CNoRightsAskPolicy(std::string question);

    void ApplyToTask(CTaskArray& queue, const CTaskRecord& record) override;
    void ApplyToContact(CContactArray& queue, const CContactRecord& record) override;
    void ApplyToAppointment(CAppointmentArray& queue, const CAppointmentRecord& record) override;

private:
    // The question with `record`'s description in place of "%s". The
    // description is inserted as it stands, whatever it holds ("%" included),
    // and is never cut short.
    std::string FormatQuestion(const CItemRecord& record) const;
    // Shows the question and makes the policy of the answer the inner one.
    CNoRightsPolicy& Ask(const CItemRecord& record);

    std::string m_question;
    std::unique_ptr<CNoRightsPolicy> m_inner;  // the policy of the last answer
};

} // namespace tarnwel
