#pragma once
// Page 129: what happens when a replicated pair was changed.

#include "wizard/CChoicePage.h"

namespace tarnwel {

class CChangedPage : public CChoicePage {
public:
    explicit CChangedPage(CWizardContext& context);

protected:
    void ApplyChoice(int id) override;
    std::unique_ptr<CDialog> NextPage() override;
};

} // namespace tarnwel
