#pragma once
// Page 131: what happens when one item of a replicated pair was deleted.

#include "wizard/CChoicePage.h"

namespace tarnwel {

class CDeletedPage : public CChoicePage {
public:
    explicit CDeletedPage(CWizardContext& context);

protected:
    void ApplyChoice(int id) override;
    std::unique_ptr<CDialog> NextPage() override;
};

} // namespace tarnwel
