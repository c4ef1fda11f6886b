#include "engine/CConflictDialog.h"
#include "engine/CContactConflictDialog.h"
#include "engine/CContactLinkDialog.h"
#include "platform/ui/CScriptedUiBackend.h"
#include "resources/SharedResources.h"
#include "resources/client/ClientResources.h"
#include "resources/wizard/WizardResources.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace tarnwel;
using testing::ElementsAre;
using A = CDialogAction;
namespace cd = conflict_dialog;
namespace ccd = contact_conflict_dialog;
namespace cld = contact_link_dialog;

namespace {

const std::string kPersonalCaption = "Overwrite .tarnWel Contact with Outlook Personal part";
const std::string kBothCaption =
    "Overwrite .tarnWel Address with Outlook Business part and .tarnWel Contact with Outlook Personal part";
const std::string kOverwriteResourceText = "\xC3\x9C" "berschreibe die DRAV Adresse mit den Outlook Elementen ";
const std::vector<std::string> kCompanies = {"Alpha GmbH", "Beta AG", "Gamma KG"};
const std::vector<std::string> kNoCompanies;

// Shows `dialog` through the scripted backend with `actions` and returns what
// it showed.
template <class Dialog>
CShownDialog Show(Dialog& dialog, std::vector<CDialogAction> actions)
{
    CScriptedUiBackend backend;
    CScopedUiBackend scope(backend);
    backend.AnswerDialog({Dialog::kTemplateId, std::move(actions)});
    dialog.DoModal();
    EXPECT_THAT(backend.Unexpected(), testing::IsEmpty());
    return backend.Dialogs().at(0);
}

// The ticked option among the radio buttons of a snapshot, 0 for none.
int Ticked(const std::vector<CControlState>& controls)
{
    int ticked = 0;
    for (const CControlState& control : controls) {
        if (control.type == ControlType::radioButton && control.check) {
            EXPECT_EQ(ticked, 0) << "two options ticked";
            ticked = control.id;
        }
    }
    return ticked;
}

} // namespace

TEST(DialogTemplates, HoldTheThreeQuestionsWithTheirOptionsInOneGroup)
{
    struct Case {
        int id;
        int width;
        int height;
        std::vector<int> options;
    } cases[] = {
        {cd::kTemplateId, 200, 234, {cd::kFirst, cd::kSecond, cd::kNoChanges}},
        {ccd::kTemplateId, 245, 322,
         {ccd::kNewAddress, ccd::kOverwriteServer, ccd::kLink, ccd::kOverwriteOutlook, ccd::kLeaveBoth}},
        {cld::kTemplateId, 233, 286, {cld::kNewAddress, cld::kLink, cld::kDelete, cld::kLeave}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const CDialogTemplate& t = LoadDialogTemplate(c.id);
        EXPECT_EQ(t.caption, "Information");
        EXPECT_EQ(t.width, c.width);
        EXPECT_EQ(t.height, c.height);

        std::vector<int> options;
        bool inOptionGroup = false;
        for (const CControlTemplate& control : t.controls) {
            EXPECT_GE(control.x, 0);
            EXPECT_GE(control.y, 0);
            EXPECT_LE(control.x + control.width, t.width) << control.id;
            if (control.type != ControlType::dropDownList) {  // its height includes the dropped list
                EXPECT_LE(control.y + control.height, t.height) << control.id;
            }
            EXPECT_NE(control.id, kIdCancel) << "a run-time question has no Cancel";
            if (control.type == ControlType::radioButton) {
                // The first option starts the group, the others stay in it.
                EXPECT_EQ(control.groupStart, options.empty()) << control.id;
                inOptionGroup = inOptionGroup || control.groupStart;
                EXPECT_TRUE(inOptionGroup);
                options.push_back(control.id);
            } else if (control.groupStart) {
                inOptionGroup = false;
            }
        }
        std::sort(options.begin(), options.end());
        EXPECT_EQ(options, c.options);

        const auto find = [&t](int id) {
            return *std::find_if(t.controls.begin(), t.controls.end(),
                                 [id](const CControlTemplate& control) { return control.id == id; });
        };
        static_assert(cd::kText == ccd::kText && cd::kText == cld::kText);
        const CControlTemplate text = find(cd::kText);
        EXPECT_EQ(text.type, ControlType::edit);
        EXPECT_TRUE(text.multiLine && text.readOnly && text.verticalScroll);
        const CControlTemplate ok = find(kIdOk);
        EXPECT_EQ(ok.type, ControlType::pushButton);
        EXPECT_TRUE(ok.defaultButton);
        EXPECT_EQ(find(kIdStatic).text, "Was wollen Sie tun?");
        EXPECT_EQ(find(kIdStatic).type, ControlType::groupBox);
    }
    EXPECT_THROW(LoadDialogTemplate(146), std::out_of_range);
}

TEST(DialogTemplates, EachProgramsTableTakesInTheSharedOnesUnderTheirIds)
{
    for (const CResourceTable* program : {&ClientResources(), &WizardResources()}) {
        SCOPED_TRACE(program->Name());
        EXPECT_EQ(program->Shared(), &SharedResources());
        for (const int id : SharedResources().DialogIds()) {
            // The wizard's deleted-pairs page has the id of the contact
            // question, which the wizard never shows.
            if (program == &WizardResources() && id == 131) {
                EXPECT_EQ(program->Dialog(id).caption, "Optionen");
                continue;
            }
            EXPECT_EQ(&program->Dialog(id), &LoadDialogTemplate(id));
        }
        EXPECT_THROW(program->Dialog(4711), std::out_of_range);
    }
}

// --- CConflictDialog -------------------------------------------------------

TEST(ConflictDialog, PreselectsByTheHintAndShowsTextAndCaptions)
{
    struct Case {
        bool hintGiven;
        bool favoursFirst;
        int preselected;
        int choice;
    } cases[] = {
        {false, false, cd::kFirst, 0},
        {false, true, cd::kFirst, 0},
        {true, true, cd::kFirst, 0},
        {true, false, cd::kSecond, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "hint " << c.hintGiven << ", favours first " << c.favoursFirst);
        CConflictDialog dialog;
        dialog.m_text = "Der Termin: 'X' wurde ge\xC3\xA4ndert.";
        dialog.m_firstCaption = "\xC3\x9C" "berschreiben der DRAV-Daten.";
        dialog.m_secondCaption = "\xC3\x9C" "berschreiben der Outlook-Daten.";
        dialog.m_hintGiven = c.hintGiven;
        dialog.m_hintFavoursFirst = c.favoursFirst;
        const CShownDialog shown = Show(dialog, {A::Escape()});

        EXPECT_EQ(Ticked(shown.initialControls), c.preselected);
        EXPECT_EQ(dialog.m_choice, c.choice);
        EXPECT_EQ(shown.result, kIdCancel);
        EXPECT_EQ(shown.InitialControl(cd::kText).text, "Der Termin: 'X' wurde ge\xC3\xA4ndert.");
        EXPECT_EQ(shown.InitialControl(cd::kFirst).text, "\xC3\x9C" "berschreiben der DRAV-Daten.");
        EXPECT_EQ(shown.InitialControl(cd::kSecond).text, "\xC3\x9C" "berschreiben der Outlook-Daten.");
        EXPECT_EQ(shown.InitialControl(cd::kNoChanges).text, "Keine \xC3\x84nderungen vornehmen.");
    }
}

TEST(ConflictDialog, TheLastOptionClickedIsTheChoiceHoweverTheDialogEnds)
{
    struct Case {
        std::vector<CDialogAction> actions;
        int choice;
    } cases[] = {
        {{A::Click(cd::kSecond), A::Ok()}, 1},
        {{A::Click(cd::kNoChanges)}, 2},
        {{A::Click(cd::kNoChanges), A::Escape()}, 2},
        {{A::Click(cd::kSecond), A::Click(cd::kFirst), A::Close()}, 0},
        {{A::Escape()}, 1},  // the preselection by the hint
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        CConflictDialog dialog;
        dialog.m_hintGiven = true;
        dialog.m_text = "Text";
        Show(dialog, c.actions);
        EXPECT_EQ(dialog.m_choice, c.choice);
        EXPECT_EQ(dialog.m_text, "Text");
    }
}

// --- CContactConflictDialog ------------------------------------------------

namespace {

struct ContactConflictInput {
    bool pd = false;
    bool ad = false;
    bool on = false;
    bool a = false;
    bool w = false;
    const std::vector<std::string>* names = &kCompanies;
    bool showOverwrite = true;
};

void Prepare(CContactConflictDialog& dialog, const ContactConflictInput& in)
{
    dialog.m_personalDiffers = in.pd;
    dialog.m_addressDiffers = in.ad;
    dialog.m_outlookNewer = in.on;
    dialog.m_addressRight = in.a;
    dialog.m_writeRight = in.w;
    dialog.m_text = "Der Kontakt: 'Meier'";
    dialog.SetCompanyNames(in.names);
    dialog.SetShowOverwrite(in.showOverwrite);
}

} // namespace

TEST(ContactConflictDialog, EnablesCaptionsAndPreselectsByRightsAndDifferences)
{
    struct Case {
        const char* name;
        ContactConflictInput in;
        bool newAddress, overwriteServer, link;  // ccd::kNewAddress, ccd::kOverwriteServer, ccd::kLink enabled
        std::string caption;                     // of ccd::kOverwriteServer
        int preselected;
        int choice;
    } cases[] = {
        {"personal, write, Outlook newer", {.pd = true, .on = true, .w = true},
         false, true, false, kPersonalCaption, ccd::kOverwriteServer, 1},
        {"personal, write, server newer", {.pd = true, .w = true},
         false, true, false, kPersonalCaption, ccd::kOverwriteOutlook, 3},
        {"personal, both rights", {.pd = true, .on = true, .a = true, .w = true},
         false, true, false, kPersonalCaption, ccd::kOverwriteServer, 1},
        {"address, both rights", {.ad = true, .on = true, .a = true, .w = true},
         true, true, true, kOverwriteResourceText, ccd::kOverwriteServer, 1},
        {"both parts, both rights", {.pd = true, .ad = true, .on = true, .a = true, .w = true},
         true, true, true, kBothCaption, ccd::kOverwriteServer, 1},
        {"both parts, write only", {.pd = true, .ad = true, .on = true, .w = true},
         false, false, true, kBothCaption, ccd::kOverwriteOutlook, 3},
        {"both parts, no write right", {.pd = true, .ad = true, .on = true, .a = true},
         false, false, false, kBothCaption, ccd::kOverwriteOutlook, 3},
        {"personal, no write right", {.pd = true, .on = true, .a = true},
         false, false, false, kPersonalCaption, ccd::kOverwriteOutlook, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CContactConflictDialog dialog;
        Prepare(dialog, c.in);
        const CShownDialog shown = Show(dialog, {A::Escape()});

        EXPECT_EQ(shown.InitialControl(ccd::kNewAddress).enabled, c.newAddress);
        EXPECT_EQ(shown.InitialControl(ccd::kOverwriteServer).enabled, c.overwriteServer);
        EXPECT_EQ(shown.InitialControl(ccd::kLink).enabled, c.link);
        EXPECT_TRUE(shown.InitialControl(ccd::kOverwriteOutlook).enabled);
        EXPECT_TRUE(shown.InitialControl(ccd::kLeaveBoth).enabled);
        EXPECT_FALSE(shown.InitialControl(ccd::kCompanies).enabled);
        EXPECT_FALSE(shown.InitialControl(ccd::kKeepCopy).enabled);
        EXPECT_EQ(shown.InitialControl(ccd::kOverwriteServer).text, c.caption);
        EXPECT_EQ(shown.InitialControl(ccd::kText).text, "Der Kontakt: 'Meier'");
        EXPECT_EQ(Ticked(shown.initialControls), c.preselected);
        EXPECT_EQ(dialog.m_choice, c.choice);
        EXPECT_EQ(dialog.m_index, -1);
        EXPECT_FALSE(dialog.m_keepCopy);
        const CControlState& list = shown.InitialControl(ccd::kCompanies);
        EXPECT_EQ(list.entries, *c.in.names);
        EXPECT_EQ(list.selection, c.in.names->empty() ? -1 : 0);
    }
}

TEST(ContactConflictDialog, ClicksSetChoiceIndexAndKeepCopy)
{
    const ContactConflictInput all{.pd = true, .ad = true, .a = true, .w = true};
    const ContactConflictInput noWrite{.pd = true, .ad = true, .on = true, .a = true};
    struct Case {
        const char* name;
        ContactConflictInput in;
        std::vector<CDialogAction> actions;
        int choice;
        int index;
        bool keepCopy;
        bool linkControlsEnabled;  // ccd::kCompanies and ccd::kKeepCopy at the end
    } cases[] = {
        {"link takes the entry shown", all, {A::Click(ccd::kLink)}, 2, 0, false, true},
        {"link with another entry", all, {A::Click(ccd::kLink), A::Select(ccd::kCompanies, 2)}, 2, 2, false, true},
        {"link again keeps the entry picked", all,
         {A::Click(ccd::kLink), A::Select(ccd::kCompanies, 1), A::Click(ccd::kNewAddress), A::Click(ccd::kLink)}, 2, 1, false, true},
        {"leaving link disables its controls", all, {A::Click(ccd::kLink), A::Select(ccd::kCompanies, 1), A::Click(ccd::kNewAddress)},
         0, -1, false, false},
        {"keep a copy", all, {A::Click(ccd::kLink), A::Click(ccd::kKeepCopy)}, 2, 0, true, true},
        {"tick and untick: no copy", all, {A::Click(ccd::kLink), A::Click(ccd::kKeepCopy), A::Click(ccd::kKeepCopy)}, 2, 0, false, true},
        {"overwrite the server", all, {A::Click(ccd::kOverwriteServer)}, 1, -1, false, false},
        {"overwrite Outlook", all, {A::Click(ccd::kLeaveBoth), A::Click(ccd::kOverwriteOutlook)}, 3, -1, false, false},
        {"leave both, then Escape", all, {A::Click(ccd::kLeaveBoth), A::Escape()}, 4, -1, false, false},
        {"the list is off until link is chosen", all, {A::Select(ccd::kCompanies, 2)}, 3, -1, false, false},
        {"without write right only ccd::kOverwriteOutlook and ccd::kLeaveBoth", noWrite,
         {A::Click(ccd::kNewAddress), A::Click(ccd::kOverwriteServer), A::Click(ccd::kLink), A::Click(ccd::kKeepCopy)}, 3, -1, false, false},
        {"without write right, leave both", noWrite, {A::Click(ccd::kLeaveBoth)}, 4, -1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CContactConflictDialog dialog;
        Prepare(dialog, c.in);
        const CShownDialog shown = Show(dialog, c.actions);
        EXPECT_EQ(dialog.m_choice, c.choice);
        EXPECT_EQ(dialog.m_index, c.index);
        EXPECT_EQ(dialog.m_keepCopy, c.keepCopy);
        EXPECT_EQ(shown.FinalControl(ccd::kCompanies).enabled, c.linkControlsEnabled);
        EXPECT_EQ(shown.FinalControl(ccd::kKeepCopy).enabled, c.linkControlsEnabled);
    }
}

TEST(ContactConflictDialog, WithoutTheOverwriteOptionItIsHiddenAndNeverChosen)
{
    CContactConflictDialog dialog;
    Prepare(dialog, {.pd = true, .ad = true, .on = true, .a = true, .w = true, .showOverwrite = false});
    const CShownDialog shown = Show(dialog, {A::Escape()});
    EXPECT_FALSE(shown.InitialControl(ccd::kOverwriteServer).visible);
    EXPECT_FALSE(shown.InitialControl(ccd::kKeepCopy).visible);
    EXPECT_EQ(Ticked(shown.initialControls), ccd::kOverwriteOutlook);
    EXPECT_EQ(dialog.m_choice, 3);

    CContactConflictDialog clicked;
    Prepare(clicked, {.pd = true, .ad = true, .a = true, .w = true, .showOverwrite = false});
    Show(clicked, {A::Click(ccd::kOverwriteServer), A::Click(ccd::kLink), A::Click(ccd::kKeepCopy)});
    EXPECT_EQ(clicked.m_choice, 2);
    EXPECT_FALSE(clicked.m_keepCopy);
}

// --- CContactLinkDialog ----------------------------------------------------

namespace {

void Prepare(CContactLinkDialog& dialog, bool a, bool w, const std::vector<std::string>* names)
{
    dialog.m_addressRight = a;
    dialog.m_writeRight = w;
    dialog.m_newAddressCaption = "Erstelle den Outlook Kontakt mit neuer DRAV Adresse";
    dialog.m_linkCaption = "Ordne den Outlook Kontakt einer der folgenden DRAV Adressen zu:";
    dialog.m_deleteCaption = "Loesche den Outlook Kontakt";
    dialog.m_text = "Dieser Kontakt wurde niemals zuvor repliziert\r\n\r\nMeier";
    dialog.SetCompanyNames(names);
}

} // namespace

TEST(ContactLinkDialog, EnablesAndPreselectsByRightsAndCompanies)
{
    struct Case {
        const char* name;
        bool a, w;
        const std::vector<std::string>* names;
        bool newAddress, link;  // cld::kNewAddress, cld::kLink enabled
        int preselected;
        int choice;
        int index;
    } cases[] = {
        {"both rights", true, true, &kCompanies, true, true, cld::kNewAddress, 0, -1},
        {"write right only: link", false, true, &kCompanies, false, true, cld::kLink, 1, 0},
        {"address right only: delete", true, false, &kCompanies, false, false, cld::kDelete, 2, -1},
        {"no rights: delete", false, false, &kCompanies, false, false, cld::kDelete, 2, -1},
        {"write right, empty list: no link, leave", false, true, &kNoCompanies, false, false, cld::kLeave, 3, -1},
        {"write right, no list: no link, leave", false, true, nullptr, false, false, cld::kLeave, 3, -1},
        {"both rights, empty list", true, true, &kNoCompanies, true, false, cld::kNewAddress, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CContactLinkDialog dialog;
        Prepare(dialog, c.a, c.w, c.names);
        const CShownDialog shown = Show(dialog, {A::Escape()});

        EXPECT_EQ(shown.InitialControl(cld::kNewAddress).enabled, c.newAddress);
        EXPECT_EQ(shown.InitialControl(cld::kLink).enabled, c.link);
        EXPECT_TRUE(shown.InitialControl(cld::kDelete).enabled);
        EXPECT_TRUE(shown.InitialControl(cld::kLeave).enabled);
        EXPECT_EQ(shown.InitialControl(cld::kCompanies).enabled, c.preselected == cld::kLink);
        EXPECT_EQ(Ticked(shown.initialControls), c.preselected);
        EXPECT_EQ(dialog.m_choice, c.choice);
        EXPECT_EQ(dialog.m_index, c.index);
        EXPECT_EQ(shown.InitialControl(cld::kNewAddress).text, "Erstelle den Outlook Kontakt mit neuer DRAV Adresse");
        EXPECT_EQ(shown.InitialControl(cld::kLink).text, "Ordne den Outlook Kontakt einer der folgenden DRAV Adressen zu:");
        EXPECT_EQ(shown.InitialControl(cld::kDelete).text, "Loesche den Outlook Kontakt");
        EXPECT_EQ(shown.InitialControl(cld::kLeave).text, "Alles unver\xC3\xA4ndert lassen");
        EXPECT_EQ(shown.InitialControl(cld::kText).text, "Dieser Kontakt wurde niemals zuvor repliziert\r\n\r\nMeier");
    }
}

TEST(ContactLinkDialog, ClicksSetChoiceAndIndex)
{
    struct Case {
        const char* name;
        const std::vector<std::string>* names;
        std::vector<CDialogAction> actions;
        int choice;
        int index;
        bool listEnabled;
    } cases[] = {
        {"link takes the entry shown", &kCompanies, {A::Click(cld::kLink)}, 1, 0, true},
        {"link with another entry", &kCompanies, {A::Click(cld::kLink), A::Select(cld::kCompanies, 2), A::Ok()}, 1, 2, true},
        {"delete after link", &kCompanies, {A::Click(cld::kLink), A::Select(cld::kCompanies, 2), A::Click(cld::kDelete)}, 2, -1, false},
        {"leave, then Escape", &kCompanies, {A::Click(cld::kLeave), A::Escape()}, 3, -1, false},
        {"link, then the close box", &kCompanies, {A::Click(cld::kLink), A::Close()}, 1, 0, true},
        {"new address after link", &kCompanies, {A::Click(cld::kLink), A::Click(cld::kNewAddress)}, 0, -1, false},
        {"no entry to link to", &kNoCompanies, {A::Click(cld::kLink), A::Select(cld::kCompanies, 0)}, 0, -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CContactLinkDialog dialog;
        Prepare(dialog, true, true, c.names);
        const CShownDialog shown = Show(dialog, c.actions);
        EXPECT_EQ(dialog.m_choice, c.choice);
        EXPECT_EQ(dialog.m_index, c.index);
        EXPECT_EQ(shown.FinalControl(cld::kCompanies).enabled, c.listEnabled);
    }
}
