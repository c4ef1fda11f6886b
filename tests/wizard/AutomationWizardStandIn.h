#pragma once
// The stand-in application's main page (see AutomationWizardStandIn.cpp).

#include "platform/ui/CDialog.h"
#include "wizard/CTarnwelDlg.h"
#include "wizard/CTarnwelDlgAutoProxy.h"

#include <memory>

namespace tarnwel::test {

void SetStandInMainPage(CDialog* page);

// The first page with its two choices left to the test.
class CStandInFirstPage : public CTarnwelDlg {
public:
    using CTarnwelDlg::CTarnwelDlg;

protected:
    void ApplyChoice(int) override {}
    std::unique_ptr<CDialog> NextPage() override { return nullptr; }
};

} // namespace tarnwel::test
