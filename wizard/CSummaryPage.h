#pragma once
// Page 130, "Zusammenfassung": the three choices, the note on missing rights,
// the advanced dialog, and "Fertigstellen", which saves the settings.

#include "wizard/CWizardPage.h"

#include <string>

namespace tarnwel {

class CSummaryPage : public CWizardPage {
public:
    explicit CSummaryPage(CWizardContext& context);

    // The text of 1013 for these choice texts.
    static std::string SummaryText(const CChoiceTexts& choiceTexts);
    static constexpr const char* kExistingFileNote =
        "Wenn der Benutzer nicht die erforderlichen Zugriffsrechte für den Server besitzt,\n"
        "soll alles unverändert bleiben.";

protected:
    bool OnInitDialog() override;
    void OnClicked(int id) override;
    // "Fertigstellen" and Enter.
    void OnOK() override;

private:
    void BuildSummary();
};

} // namespace tarnwel
