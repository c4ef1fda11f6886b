// The wizard's page chain through the scripted backend: click sequences and
// the settings they leave in the file.

#include "platform/base/Text.h"
#include "platform/ui/CScriptedUiBackend.h"
#include "platform/ui/MainWindow.h"
#include "resources/wizard/WizardPageIds.h"
#include "resources/wizard/WizardResources.h"
#include "resources/dialogs/ConfigDialogIds.h"
#include "resources/dialogs/OvrRulesDialogIds.h"
#include "tests/support/FileSizeLimit.h"
#include "tools/screenshots/SampleSettings.h"
#include "tests/support/TemporaryDirectory.h"
#include "wizard/CSummaryPage.h"
#include "wizard/CTarnwelDlg.h"
#include "wizard/CTarnwelDlgAutoProxy.h"
#include "wizard/CWizardApp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tarnwel::test {
namespace {

using namespace wizard_pages;
using A = CDialogAction;

const char* const kDefaultsNote = "Wenn Sie keine Rechte haben, macht der Replikator nichts (Standardwert).";

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The rule codes the pages set: "New Action" of the three kinds, then "Ovr
// Action", "TWDeleted Action" and "OLDeleted Action", equal for all kinds.
struct CPageRules {
    int newAppointments, newContacts, newTasks, ovr, twDeleted, olDeleted;
};

CPageRules RulesOf(const CReplicationSettings& s)
{
    EXPECT_EQ(s.contactRules.ovrAction, s.appointmentRules.ovrAction);
    EXPECT_EQ(s.taskRules.ovrAction, s.appointmentRules.ovrAction);
    EXPECT_EQ(s.contactRules.twDeletedAction, s.appointmentRules.twDeletedAction);
    EXPECT_EQ(s.taskRules.twDeletedAction, s.appointmentRules.twDeletedAction);
    EXPECT_EQ(s.contactRules.olDeletedAction, s.appointmentRules.olDeletedAction);
    EXPECT_EQ(s.taskRules.olDeletedAction, s.appointmentRules.olDeletedAction);
    return {s.appointmentRules.newAction, s.contactRules.newAction, s.taskRules.newAction,
            s.appointmentRules.ovrAction, s.appointmentRules.twDeletedAction, s.appointmentRules.olDeletedAction};
}

// One start of the wizard in a fresh working directory, optionally with a
// settings file there, answered by `scripts` in the order the dialogs show.
class CWizardStart {
public:
    explicit CWizardStart(bool existingFile)
    {
        if (existingFile)
            SampleSettings().Save(Path());
        m_before = ReadAll(Path());
        m_oldDirectory = std::filesystem::current_path();
        std::filesystem::current_path(m_dir.Path());
    }
    ~CWizardStart() { std::filesystem::current_path(m_oldDirectory); }

    int Run(std::vector<CDialogScript> scripts, std::vector<std::string> arguments = {})
    {
        for (CDialogScript& script : scripts)
            m_backend.AnswerDialog(std::move(script));
        CScopedUiBackend scope(m_backend);
        const int exitCode = m_app.InitInstance(std::move(arguments));
        EXPECT_THAT(m_backend.Unexpected(), testing::IsEmpty());
        EXPECT_EQ(m_backend.PendingAnswers(), 0);
        EXPECT_EQ(MainWindow(), nullptr);
        return exitCode;
    }

    std::string Path() const { return m_dir.Path("TarnwelClient.ini"); }
    const std::string& Before() const { return m_before; }
    CReplicationSettings Saved() const
    {
        CReplicationSettings settings;
        settings.ReadFileText(ReadAll(Path()));
        return settings;
    }
    std::vector<CShownDialog> Shown() const { return m_backend.Dialogs(); }
    // The last showing of dialog `id`.
    CShownDialog Last(int id) const
    {
        const std::vector<CShownDialog> shown = Shown();
        for (auto it = shown.rbegin(); it != shown.rend(); ++it)
            if (it->dialogId == id)
                return *it;
        ADD_FAILURE() << "dialog " << id << " not shown";
        return {};
    }
    CWizardApp& App() { return m_app; }
    CScriptedUiBackend& Backend() { return m_backend; }
    const CTemporaryDirectory& Dir() const { return m_dir; }

private:
    CTemporaryDirectory m_dir;
    std::filesystem::path m_oldDirectory;
    std::string m_before;
    CScriptedUiBackend m_backend;
    CWizardApp m_app{WizardResources()};
};

const CDialogScript kNext102{kFirstPage, {A::Click(kNext)}};
const CDialogScript kNext129{kChangedPage, {A::Click(kNext)}};
const CDialogScript kNext131{kDeletedPage, {A::Click(kNext)}};
const CDialogScript kFinish{kSummaryPage, {A::Click(kIdOk)}};

TEST(WizardPageChain, NextThreeTimesStoresTheDefaultRadiosAndListsTheirCaptions)
{
    CWizardStart start(false);
    EXPECT_EQ(start.Run({kNext102, kNext129, kNext131, kFinish}), 0);

    const CPageRules rules = RulesOf(start.Saved());
    EXPECT_EQ(rules.newAppointments, 0);
    EXPECT_EQ(rules.newContacts, 2);
    EXPECT_EQ(rules.newTasks, 0);
    EXPECT_EQ(rules.ovr, 2);
    EXPECT_EQ(rules.twDeleted, 0);
    EXPECT_EQ(rules.olDeleted, 1);

    const CShownDialog summary = start.Last(kSummaryPage);
    EXPECT_EQ(summary.InitialControl(kSummaryText).text,
              "Wenn ein Outlook Element zum ersten Mal repliziert wird:\n\t"
              "Automatisch, nur die Adressen werden manuell zugeordnet\n"
              "Wenn ein Element des replizierten Paares geändert wurde:\n\t"
              "Überschreibe das ältere Element\n"
              "Wenn ein Element des replizierten Paares gelöscht wurde:\n\t"
              "Lösche auch das andere Element");
    // The file was created at this start.
    EXPECT_EQ(summary.InitialControl(kNoRightsNote).text, kDefaultsNote);
    // The first page of a user's start has no back button.
    EXPECT_FALSE(start.Last(kFirstPage).InitialControl(kBack).visible);
}

struct CChainCase {
    const char* name;
    std::vector<CDialogScript> scripts;
    CPageRules rules;
    std::array<std::string, 3> choices;
};

// The sample file's rules differ from every page's codes, so each field shows
// who set it last.
TEST(WizardPageChain, LaterClicksWinInTheFieldsTheySet)
{
    const std::vector<CChainCase> cases = {
        {"last radio of each page",
         {{kFirstPage, {A::Click(kRadio4), A::Click(kNext)}},
          {kChangedPage, {A::Click(kRadio4), A::Click(kNext)}},
          {kDeletedPage, {A::Click(kRadio3), A::Click(kNext)}},
          kFinish},
         {3, 3, 3, 3, 2, 2},
         {"Outlook-Elemente nicht replizieren", "Frage für jedes geänderte Element",
          "Frage für jedes zu löschende Element"}},
        {"a choice, back, another choice",
         {{kFirstPage, {A::Click(kRadio3), A::Click(kNext)}},
          {kChangedPage, {A::Click(kRadio4), A::Click(kNext), A::Click(kRadio3), A::Click(kNext)}},
          {kDeletedPage, {A::Click(kRadio2), A::Click(kBack)}},
          {kDeletedPage, {A::Click(kRadio3), A::Click(kNext)}},
          kFinish},
         {2, 2, 2, 1, 2, 2},
         {"Bei jedem neuen Element fragen", "Outlook erhält Priorität", "Frage für jedes zu löschende Element"}},
        {"back to a page opened anew applies its default again",
         {{kFirstPage, {A::Click(kRadio1), A::Click(kNext), A::Click(kRadio2), A::Click(kNext)}},
          {kChangedPage, {A::Click(kRadio1), A::Click(kBack)}},
          kNext129,
          kNext131,
          kFinish},
         {0, 0, 0, 2, 0, 1},
         {"Automatisch, für jeden Kontakt wird eine neue Adresse erstellt", "Überschreibe das ältere Element",
          "Lösche auch das andere Element"}},
    };
    for (const CChainCase& c : cases) {
        SCOPED_TRACE(c.name);
        CWizardStart start(true);
        EXPECT_EQ(start.Run(c.scripts), 0);
        const CReplicationSettings saved = start.Saved();
        const CPageRules rules = RulesOf(saved);
        EXPECT_EQ(rules.newAppointments, c.rules.newAppointments);
        EXPECT_EQ(rules.newContacts, c.rules.newContacts);
        EXPECT_EQ(rules.newTasks, c.rules.newTasks);
        EXPECT_EQ(rules.ovr, c.rules.ovr);
        EXPECT_EQ(rules.twDeleted, c.rules.twDeleted);
        EXPECT_EQ(rules.olDeleted, c.rules.olDeleted);
        // Nothing but the action fields changed.
        const CReplicationSettings sample = SampleSettings();
        EXPECT_EQ(saved.contactRules.newNoRights, sample.contactRules.newNoRights);
        EXPECT_EQ(saved.taskRules.olDeletedNewerThanDate, sample.taskRules.olDeletedNewerThanDate);
        EXPECT_EQ(saved.serverUrl, sample.serverUrl);
        EXPECT_EQ(start.App().ChoiceTexts(), c.choices);
        // An existing file: the summary's note says so.
        EXPECT_EQ(start.Last(kSummaryPage).InitialControl(kNoRightsNote).text, CSummaryPage::kExistingFileNote);
    }
}

TEST(WizardPageChain, EveryOtherWayOutSavesNothing)
{
    const std::vector<std::pair<const char*, std::vector<CDialogScript>>> cases = {
        {"Abbrechen on 102", {{kFirstPage, {A::Click(kIdCancel)}}}},
        {"Enter on 102, the main window", {{kFirstPage, {A::Click(kRadio4), A::Enter()}}}},
        {"close box on 102", {{kFirstPage, {A::Close()}}}},
        {"Abbrechen on 129", {kNext102, {kChangedPage, {A::Click(kRadio1), A::Click(kIdCancel)}}}},
        {"Escape on 131", {kNext102, kNext129, {kDeletedPage, {A::Click(kRadio2), A::Escape()}}}},
        {"Abbrechen on 130", {kNext102, kNext129, kNext131, {kSummaryPage, {A::Click(kIdCancel)}}}},
        {"close box on 130", {kNext102, kNext129, kNext131, {kSummaryPage, {A::Close()}}}},
        {"Enter on 129 goes back, then Escape",
         {{kFirstPage, {A::Click(kNext), A::Escape()}}, {kChangedPage, {A::Click(kRadio1), A::Enter()}}}},
    };
    for (const auto& [name, scripts] : cases) {
        SCOPED_TRACE(name);
        CWizardStart start(true);
        EXPECT_EQ(start.Run(scripts), 0);
        EXPECT_EQ(ReadAll(start.Path()), start.Before());
    }
}

TEST(WizardPageChain, EnterActsAsThePagesSay)
{
    CWizardStart start(true);
    // Enter on 131 goes back to 129, Enter on 130 finishes.
    EXPECT_EQ(start.Run({kNext102,
                         {kChangedPage, {A::Click(kRadio4), A::Click(kNext), A::Click(kNext)}},
                         {kDeletedPage, {A::Click(kRadio3), A::Enter()}},
                         {kDeletedPage, {A::Click(kRadio2), A::Click(kNext)}},
                         {kSummaryPage, {A::Enter()}}}),
              0);
    const std::vector<CShownDialog> shown = start.Shown();
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[2].dialogId, kDeletedPage);
    EXPECT_EQ(shown[2].result, kIdOk);
    const CPageRules rules = RulesOf(start.Saved());
    EXPECT_EQ(rules.ovr, 3);
    EXPECT_EQ(rules.twDeleted, 1);
    EXPECT_EQ(rules.olDeleted, 0);
}

TEST(WizardPageChain, AdvancedDialogChangesWinButTheSummaryKeepsThePagesTexts)
{
    CWizardStart start(true);
    const auto ids = config_dialog::Ids(DialogVariant::wizard);
    EXPECT_EQ(start.Run({{kFirstPage, {A::Click(kRadio3), A::Click(kNext)}},
                         {kChangedPage, {A::Click(kRadio4), A::Click(kNext)}},
                         kNext131,
                         {kSummaryPage, {A::Click(kAdvanced), A::Click(kIdOk)}},
                         {config_dialog::kTemplateId,
                          {A::SetText(ids.url, "https://drav.example.net/repl"), A::Click(ids.ovrRules), A::Ok()}},
                         {ovr_rules_dialog::kTemplateId, {A::Select(ovr_rules_dialog::kContactAction, 1), A::Ok()}}}),
              0);
    const CReplicationSettings saved = start.Saved();
    EXPECT_EQ(saved.serverUrl, "https://drav.example.net/repl");
    EXPECT_EQ(saved.contactRules.ovrAction, 1);
    EXPECT_EQ(saved.appointmentRules.ovrAction, 3);
    EXPECT_EQ(saved.taskRules.newAction, 2);
    EXPECT_THAT(start.Last(kSummaryPage).FinalControl(kSummaryText).text,
                testing::HasSubstr("\tFrage für jedes geänderte Element\n"));
}

TEST(WizardPageChain, LongestChoiceTextsMakeAWholeSummaryOfMoreThan300Characters)
{
    CWizardStart start(true);
    EXPECT_EQ(start.Run({{kFirstPage, {A::Click(kRadio2), A::Click(kNext)}},
                         {kChangedPage, {A::Click(kRadio4), A::Click(kNext)}},
                         {kDeletedPage, {A::Click(kRadio2), A::Click(kNext)}},
                         {kSummaryPage, {A::Click(kIdCancel)}}}),
              0);
    const std::string text = start.Last(kSummaryPage).InitialControl(kSummaryText).text;
    EXPECT_GT(CodePointCount(text), 300u);
    EXPECT_THAT(text, testing::EndsWith("\tStelle das gelöschte Element wieder her"));
    EXPECT_THAT(text, testing::HasSubstr("\tAutomatisch, für jeden Kontakt wird eine neue Adresse erstellt\n"));
}

TEST(WizardPageChain, InstallerStartBeginsWithTheConnectionPage)
{
    CWizardStart start(true);
    const std::string dir = start.Dir().Path().string();
    // Enter on the connection page is its "Weiter"; 102 then shows its back
    // button, and "Zurück" there returns to the connection page.
    EXPECT_EQ(start.Run({{kConnectionPage,
                          {A::SetText(kUrl, "https://drav.example.net/x"), A::SetText(kUserName, "bert"),
                           A::Enter(), A::Enter()}},
                         {kFirstPage, {A::Click(kBack)}},
                         {kFirstPage, {A::Click(kNext)}},
                         kNext129,
                         kNext131,
                         kFinish},
                        {dir}),
              0);
    EXPECT_EQ(start.Last(kConnectionPage).InitialControl(kUserName).text, "anna");
    EXPECT_TRUE(start.Last(kFirstPage).InitialControl(kBack).visible);
    const CReplicationSettings saved = start.Saved();
    EXPECT_EQ(saved.serverUrl, "https://drav.example.net/x");
    EXPECT_EQ(saved.userName, "bert");
    EXPECT_EQ(saved.password, "geheim");

    // "Zurück" on the connection page ends the wizard without saving.
    CWizardStart back(true);
    EXPECT_EQ(back.Run({{kConnectionPage, {A::SetText(kUrl, "x"), A::Click(kIdCancel)}}},
                       {back.Dir().Path().string() + "/"}),
              0);
    EXPECT_EQ(ReadAll(back.Path()), back.Before());
}

TEST(WizardSettingsPath, DirectoriesGetTheFileInsideThemOtherTextsAreGlued)
{
    CTemporaryDirectory dir;
    const std::string d = dir.Path().string();
    EXPECT_EQ(CWizardApp::SettingsPath(""), "TarnwelClient.ini");
    EXPECT_EQ(CWizardApp::SettingsPath(d), d + "/TarnwelClient.ini");
    EXPECT_EQ(CWizardApp::SettingsPath(d + "/"), d + "/TarnwelClient.ini");
    EXPECT_EQ(CWizardApp::SettingsPath(d + "/missing"), d + "/missingTarnwelClient.ini");
    EXPECT_EQ(CWizardApp::SettingsPath(d + "/my-"), d + "/my-TarnwelClient.ini");
}

TEST(WizardSettings, LoadRemembersThePathAndWhetherItCreatedTheFile)
{
    CTemporaryDirectory dir;
    CWizardSettings settings;
    EXPECT_EQ(settings.settingsPath, "TarnwelClient.ini");
    settings.Load(dir.Path("TarnwelClient.ini"));
    EXPECT_EQ(settings.createdWithDefaults, 1);
    EXPECT_EQ(settings.settingsPath, dir.Path("TarnwelClient.ini"));
    settings.SetNewActionForAll(0);
    settings.contactRules.newAction = 2;
    settings.SaveToStoredPath();

    CWizardSettings again;
    again.Load(dir.Path("TarnwelClient.ini"));
    EXPECT_EQ(again.createdWithDefaults, 0);
    EXPECT_EQ(again.appointmentRules.newAction, 0);
    EXPECT_EQ(again.contactRules.newAction, 2);
    EXPECT_EQ(again.taskRules.newAction, 0);
}

TEST(WizardFinish, AFileThatCannotBeSavedShowsTheBoxAndStaysWhole)
{
    CWizardStart start(true);
    start.Backend().AnswerMessageBox(MessageBoxResult::ok);
    {
        // The disk is full: the new file cannot be written.
        CFileSizeLimit full(64);
        EXPECT_EQ(start.Run({{kFirstPage, {A::Click(kRadio4), A::Click(kNext)}}, kNext129, kNext131, kFinish}), 0);
    }
    const std::vector<CMessageBoxRequest> boxes = start.Backend().MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "cannot create file <TarnwelClient.ini>");
    EXPECT_EQ(boxes[0].icon, MessageBoxIcon::stop);
    EXPECT_EQ(ReadAll(start.Path()), start.Before());
}

TEST(WizardFirstPage, AnAttachedProxyOnlyHidesThePageAndIsUnlinkedByIt)
{
    CWizardStart start(true);
    CTarnwelDlgAutoProxy proxy;
    CScriptedUiBackend& backend = start.Backend();
    backend.AnswerDialog({kAboutDialog, {A::Ok()}});
    {
        std::array<std::string, 3> texts;
        CWizardContext context{start.App().Settings(), texts, WizardResources()};
        CScopedUiBackend scope(backend);
        CTarnwelDlg page(context, false);
        page.AttachAutoProxy(&proxy);
        proxy.m_pDialog = &page;
        // The backend runs the script; none of its actions ends the page.
        struct CAfter : IUiBackend {
            CScriptedUiBackend& inner;
            CTarnwelDlg& page;
            CAfter(CScriptedUiBackend& i, CTarnwelDlg& p) : inner(i), page(p) {}
            int RunModal(CDialog& dialog) override
            {
                if (&dialog != &page)
                    return inner.RunModal(dialog);
                dialog.InitializeDialog();
                ApplyDialogAction(dialog, A::Click(kIdCancel));
                ApplyDialogAction(dialog, A::Close());
                ApplyDialogAction(dialog, A::Enter());
                EXPECT_FALSE(dialog.HasEnded());
                EXPECT_FALSE(page.IsWindowVisible());
                page.OnSystemMenuCommand(0x1F);
                page.DetachAutoProxy();
                ApplyDialogAction(dialog, A::Escape());
                return dialog.Result();
            }
            MessageBoxResult ShowMessageBox(const CMessageBoxRequest& r) override { return inner.ShowMessageBox(r); }
        } after(backend, page);
        CScopedUiBackend outer(after);
        EXPECT_EQ(page.DoModal(), kIdCancel);
        page.AttachAutoProxy(&proxy);
    }
    EXPECT_EQ(proxy.m_pDialog, nullptr);
    ASSERT_EQ(backend.Dialogs().size(), 1u);
    EXPECT_EQ(backend.Dialogs()[0].dialogId, kAboutDialog);
    EXPECT_EQ(backend.Dialogs()[0].InitialControl(kIdOk).text, "OK");
}

TEST(WizardAutomationSwitches, AreTakenOffTheCommandLine)
{
    std::vector<std::string> args = {"-Embedding", "/tmp/dir/", "/AUTOMATION"};
    EXPECT_TRUE(ConsumeAutomationSwitches(args));
    EXPECT_EQ(args, std::vector<std::string>{"/tmp/dir/"});
    EXPECT_FALSE(ConsumeAutomationSwitches(args));
}

} // namespace
} // namespace tarnwel::test
