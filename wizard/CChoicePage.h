#pragma once
// A page of radio choices (102, 129, 131): a click on a radio sets its rule
// in the settings at once and takes the radio's caption as the page's choice
// text; "Weiter" (1000) applies the default radio when none was clicked,
// hands the text to its slot of the choice texts and opens the next page.

#include "wizard/CWizardPage.h"

#include <memory>
#include <string>

namespace tarnwel {

class CChoicePage : public CWizardPage {
public:
    // A choice text holds at most this many characters.
    static constexpr std::size_t kMaxChoiceText = 99;

    CChoicePage(CWizardContext& context, int templateId, int slot, int firstRadio, int lastRadio,
                int defaultRadio);

    const std::string& ChoiceText() const { return m_choiceText; }
    bool Clicked() const { return m_clicked; }

protected:
    bool OnInitDialog() override;
    void OnClicked(int id) override;
    // Sets what radio `id` stands for in the settings.
    virtual void ApplyChoice(int id) = 0;
    // The page that "Weiter" opens.
    virtual std::unique_ptr<CDialog> NextPage() = 0;

private:
    void Choose(int id);
    void Next();

    int m_slot;
    int m_firstRadio;
    int m_lastRadio;
    int m_defaultRadio;
    std::string m_choiceText;
    bool m_clicked = false;
};

} // namespace tarnwel
