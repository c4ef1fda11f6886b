#include "DialogFixture.h"

#include "client/CCategoryDialog.h"
#include "client/CScheduleDialog.h"
#include "dialogs/CConfigDialog.h"
#include "dialogs/CWizardConfigDialog.h"
#include "resources/client/ClientResources.h"
#include "resources/dialogs/NewRulesDialogIds.h"
#include "resources/dialogs/OLDeletedRulesDialogIds.h"
#include "resources/dialogs/OvrRulesDialogIds.h"
#include "resources/dialogs/TWDeletedRulesDialogIds.h"
#include "resources/wizard/WizardResources.h"

#include <climits>
#include <set>
#include <string>

using namespace tarnwel;
using tarnwel::test::CDialogRun;
using A = CDialogAction;
namespace cfg = config_dialog;
namespace sd = schedule_dialog;
namespace cat = category_dialog;

// --- Templates ---------------------------------------------------------------

// Every dialog of this folder, in each program that shows it: controls inside
// the dialog, ids unique, OK the default button beside "Abbrechen".
TEST(SettingsDialogTemplates, FitTheirDialogsWithUniqueIds)
{
    struct Case {
        const CResourceTable& table;
        std::vector<int> ids;
    } cases[] = {
        {ClientResources(),
         {cfg::kTemplateId, sd::kTemplateId, cat::kTemplateId, ovr_rules_dialog::kTemplateId,
          ol_deleted_rules_dialog::kTemplateId, tw_deleted_rules_dialog::kTemplateId, new_rules_dialog::kTemplateId}},
        {WizardResources(),
         {cfg::kTemplateId, ovr_rules_dialog::kTemplateId, ol_deleted_rules_dialog::kTemplateId,
          tw_deleted_rules_dialog::kTemplateId, new_rules_dialog::kTemplateId}},
    };
    for (const Case& c : cases) {
        for (const int id : c.ids) {
            SCOPED_TRACE(testing::Message() << c.table.Name() << " " << id);
            const CDialogTemplate& t = c.table.Dialog(id);
            EXPECT_EQ(t.id, id);
            std::set<int> seen;
            for (const CControlTemplate& control : t.controls) {
                EXPECT_GE(control.x, 0);
                EXPECT_GE(control.y, 0);
                EXPECT_LE(control.x + control.width, t.width) << control.id;
                if (control.type != ControlType::dropDownList) {  // its height includes the dropped list
                    EXPECT_LE(control.y + control.height, t.height) << control.id;
                }
                if (control.id != kIdStatic) {
                    EXPECT_TRUE(seen.insert(control.id).second) << "twice: " << control.id;
                }
            }
            EXPECT_TRUE(seen.count(kIdOk) && seen.count(kIdCancel));
            for (const CControlTemplate& control : t.controls) {
                if (control.id == kIdOk) {
                    EXPECT_TRUE(control.defaultButton);
                    EXPECT_EQ(control.text, "OK");
                }
                if (control.id == kIdCancel) {
                    EXPECT_EQ(control.text, "Abbrechen");
                }
            }
        }
    }
    // Not a shared dialog: the programs' 132 differ, the wizard has no 173.
    EXPECT_NE(ClientResources().Dialog(cfg::kTemplateId).caption, WizardResources().Dialog(cfg::kTemplateId).caption);
    EXPECT_EQ(WizardResources().FindDialog(sd::kTemplateId), nullptr);
}

// --- CConfigDialog -----------------------------------------------------------

namespace {

struct ConfigProgram {
    const char* name;
    DialogVariant variant;
    const CResourceTable& (*resources)();
    cfg::CConfigIds ids;
};
const ConfigProgram kClient{"client", DialogVariant::client, ClientResources, cfg::Ids(DialogVariant::client)};
const ConfigProgram kWizard{"wizard", DialogVariant::wizard, WizardResources, cfg::Ids(DialogVariant::wizard)};

} // namespace

TEST(ConfigDialog, ShowsTheRecordAndTheVariantsIdsAndTexts)
{
    struct Case {
        const ConfigProgram* program;
        int all;
        std::string caption;
        std::string sinceText;
        std::vector<std::string> buttons;
    } cases[] = {
        {&kClient, 0, "Replikatoreigenschaften konfigurieren",
         "Repliziere nur Elemente die ab folgendem Datum erstellt/verändert wurden:",
         {"Konfigurieren ", "Konfigurieren ", "Konfigurieren", "Konfigurieren"}},
        {&kClient, 1, "Replikatoreigenschaften konfigurieren",
         "Repliziere nur Elemente die ab folgendem Datum erstellt/verändert wurden:",
         {"Konfigurieren ", "Konfigurieren ", "Konfigurieren", "Konfigurieren"}},
        {&kWizard, 0, "Konfiguration der Replikator Einstellungen",
         "Repliziere nur Elemente die erstellt/verändert wurden, nach:",
         {"Konfigurieren", "Konfigurieren", "Konfigurieren", "Konfigurieren"}},
        {&kWizard, 1, "Konfiguration der Replikator Einstellungen",
         "Repliziere nur Elemente die erstellt/verändert wurden, nach:",
         {"Konfigurieren", "Konfigurieren", "Konfigurieren", "Konfigurieren"}},
    };
    EXPECT_EQ(kWizard.ids.url, 1110);
    EXPECT_EQ(kWizard.ids.all, 1003);
    EXPECT_EQ(kWizard.ids.since, 1004);
    EXPECT_EQ(kWizard.ids.ovrRules, 1102);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.program->name << " all " << c.all);
        const cfg::CConfigIds& ids = c.program->ids;
        CReplicationSettings settings = SampleSettings();
        settings.all = c.all;
        const CReplicationSettings before = settings;
        CDialogRun run({{cfg::kTemplateId, {A::Escape()}}});
        CConfigDialog dialog(settings, c.program->variant, c.program->resources());
        EXPECT_EQ(dialog.DoModal(), kIdCancel);
        EXPECT_EQ(settings, before);

        const CShownDialog shown = run.Shown();
        EXPECT_EQ(dialog.Template().caption, c.caption);
        EXPECT_EQ(shown.InitialControl(ids.url).text, "https://groupware.example.org:8443/tarnwelreplication");
        EXPECT_EQ(shown.InitialControl(ids.userName).text, "anna");
        EXPECT_EQ(shown.InitialControl(ids.password).text, "geheim");
        EXPECT_EQ(shown.InitialControl(ids.all).check, c.all);
        EXPECT_EQ(shown.InitialControl(ids.all).text, "Repliziere alle Elemente");
        EXPECT_EQ(shown.InitialControl(ids.since).check, 1 - c.all);
        EXPECT_EQ(shown.InitialControl(ids.since).text, c.sinceText);
        EXPECT_EQ(shown.InitialControl(ids.sinceDate).date, COleDate::FromFields(2026, 3, 1));
        EXPECT_EQ(shown.InitialControl(ids.sinceDate).enabled, c.all == 0);
        const int buttons[] = {ids.ovrRules, ids.olDeletedRules, ids.twDeletedRules, ids.newRules};
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(shown.InitialControl(buttons[i]).text, c.buttons[i]);
    }
}

// OK takes the texts and, with the second radio, the picker's date and "all"
// 0; with "all" the old "since" date stays. The radios switch the picker.
TEST(ConfigDialog, OkStoresConnectionAndPeriodAndCancelNothing)
{
    struct Case {
        const char* name;
        int all;
        bool chooseAll;  // else choose "since"
        bool pickDate;
        int storedAll;
        COleDate storedSince;
    } cases[] = {
        {"all chosen: since stays", 0, true, true, 1, COleDate::FromFields(2026, 3, 1)},
        {"all kept", 1, true, false, 1, COleDate::FromFields(2026, 3, 1)},
        {"since chosen with a new date", 1, false, true, 0, COleDate::FromFields(2026, 5, 17)},
        {"since kept, date as shown", 0, false, false, 0, COleDate::FromFields(2026, 3, 1)},
    };
    for (const ConfigProgram* program : {&kClient, &kWizard}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << program->name << ": " << c.name);
            const cfg::CConfigIds& ids = program->ids;
            const auto edit = [&](CDialog& d) {
                d.UserSetText(ids.url, "http://127.0.0.1:8080/tarnwelreplication");
                d.UserSetText(ids.userName, "bernd");
                d.UserSetText(ids.password, "pass wort");
                // Picking needs the "since" radio: choose it first, then the
                // radio of the case.
                d.UserClick(ids.since);
                EXPECT_TRUE(d.IsItemEnabled(ids.sinceDate));
                if (c.pickDate)
                    d.UserSetDate(ids.sinceDate, COleDate::FromFields(2026, 5, 17));
                if (c.chooseAll) {
                    d.UserClick(ids.all);
                    EXPECT_FALSE(d.IsItemEnabled(ids.sinceDate));
                }
            };
            CReplicationSettings settings = SampleSettings();
            settings.all = c.all;
            const CReplicationSettings before = settings;
            {
                test::CUserFunctions user({edit});
                EXPECT_EQ(CConfigDialog(settings, program->variant, program->resources()).DoModal(), kIdOk);
            }
            CReplicationSettings expected = before;
            expected.serverUrl = "http://127.0.0.1:8080/tarnwelreplication";
            expected.userName = "bernd";
            expected.password = "pass wort";
            expected.all = c.storedAll;
            expected.since = c.storedSince;
            EXPECT_EQ(settings, expected);

            CReplicationSettings cancelled = before;
            test::CUserFunctions user({[&](CDialog& d) {
                edit(d);
                d.UserEscape();
            }});
            EXPECT_EQ(CConfigDialog(cancelled, program->variant, program->resources()).DoModal(), kIdCancel);
            EXPECT_EQ(cancelled, before);
        }
    }
}

// A "since" date that is not valid shows today and is stored as today.
TEST(ConfigDialog, AnInvalidSinceDateShowsAndStoresToday)
{
    for (const COleDate& since : {COleDate::Invalid(), COleDate::Null()}) {
        CReplicationSettings settings = SampleSettings();
        settings.since = since;
        CDialogRun run({{cfg::kTemplateId, {A::Ok()}}});
        CConfigDialog(settings, DialogVariant::client, ClientResources()).DoModal();
        EXPECT_EQ(run.Shown().InitialControl(cfg::kSinceDate).date, test::Today());
        EXPECT_EQ(settings.since, test::Today());
        EXPECT_EQ(settings.all, 0);
    }
}

// Each button opens its rule dialog, in the program's variant, on the same
// record; what a rule dialog's OK stored stays when the configuration dialog
// is cancelled.
TEST(ConfigDialog, ButtonsOpenTheRuleDialogsWhoseOkOutlastsCancel)
{
    struct Case {
        const ConfigProgram* program;
        int button;
        int rulesId;
        int list;  // a list of the rule dialog that the user changes to entry 1
        int CKindRules::*field;
        int firstBox;  // the rule dialog's first check box, 0 none
    } cases[] = {
        {&kClient, cfg::kOvrRules, ovr_rules_dialog::kTemplateId, ovr_rules_dialog::kTaskAction,
         &CKindRules::ovrAction, 0},
        {&kClient, cfg::kOLDeletedRules, ol_deleted_rules_dialog::kTemplateId,
         ol_deleted_rules_dialog::kTaskAction, &CKindRules::olDeletedAction,
         ol_deleted_rules_dialog::kAppointmentNewerThan},
        {&kClient, cfg::kTWDeletedRules, tw_deleted_rules_dialog::kTemplateId,
         tw_deleted_rules_dialog::kTaskAction, &CKindRules::twDeletedAction,
         tw_deleted_rules_dialog::kAppointmentNewerThan},
        {&kClient, cfg::kNewRules, new_rules_dialog::kTemplateId, new_rules_dialog::kTaskAction,
         &CKindRules::newAction, 0},
        {&kWizard, cfg::kWizardOvrRules, ovr_rules_dialog::kTemplateId, ovr_rules_dialog::kTaskAction,
         &CKindRules::ovrAction, 0},
        {&kWizard, cfg::kWizardOLDeletedRules, ol_deleted_rules_dialog::kTemplateId,
         ol_deleted_rules_dialog::kTaskAction, &CKindRules::olDeletedAction,
         ol_deleted_rules_dialog::kWizardAppointmentNewerThan},
        {&kWizard, cfg::kWizardTWDeletedRules, tw_deleted_rules_dialog::kTemplateId,
         tw_deleted_rules_dialog::kTaskAction, &CKindRules::twDeletedAction,
         tw_deleted_rules_dialog::kWizardAppointmentNewerThan},
        {&kWizard, cfg::kWizardNewRules, new_rules_dialog::kTemplateId, new_rules_dialog::kTaskAction,
         &CKindRules::newAction, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.program->name << " " << c.rulesId);
        for (const bool rulesOk : {true, false}) {
            CReplicationSettings settings = SampleSettings();
            settings.taskRules.*c.field = 0;
            const CReplicationSettings before = settings;
            CDialogRun run({{cfg::kTemplateId, {A::SetText(c.program->ids.userName, "bernd"), A::Click(c.button),
                                                A::Escape()}},
                            {c.rulesId, {A::Select(c.list, 1), rulesOk ? A::Ok() : A::Escape()}}});
            CConfigDialog(settings, c.program->variant, c.program->resources()).DoModal();
            ASSERT_EQ(run.Count(), 2u);
            // The rule dialog is the program's variant.
            const CShownDialog rules = run.Shown(1);
            const CDialogTemplate& own = c.program->resources().Dialog(c.rulesId);
            const auto list = std::find_if(own.controls.begin(), own.controls.end(),
                                           [&](const CControlTemplate& control) { return control.id == c.list; });
            EXPECT_EQ(rules.InitialControl(c.list).entries, list->entries);
            if (c.firstBox) {
                EXPECT_EQ(rules.InitialControl(c.firstBox).type, ControlType::checkBox);
            }
            CReplicationSettings expected = before;
            if (rulesOk)
                expected.taskRules.*c.field = 1;
            EXPECT_EQ(settings, expected);
        }
    }

    // The wizard's own class is the same dialog in the wizard's variant.
    CReplicationSettings settings = SampleSettings();
    CDialogRun run({{cfg::kTemplateId, {A::Click(cfg::kWizardAll), A::Ok()}}});
    CWizardConfigDialog(settings, WizardResources()).DoModal();
    EXPECT_EQ(run.Shown().InitialControl(cfg::kWizardUrl).text, SampleSettings().serverUrl);
    EXPECT_EQ(settings.all, 1);
}

// --- CScheduleDialog ---------------------------------------------------------

// The radio and edit the schedule opens with (integer divisions), and what OK
// stores without a change.
TEST(ScheduleDialog, OpensWithTheLargestWholeUnitAndOkStoresWhatItShows)
{
    struct Case {
        int minutes;
        int radio;
        int edit;  // 0 for manual
        std::string text;
        int stored;
    } cases[] = {
        {-1, sd::kManual, 0, "", -1},
        {0, sd::kManual, 0, "", -1},
        {-30, sd::kManual, 0, "", -1},
        {1, sd::kMinutes, sd::kMinutesValue, "1", 1},
        {59, sd::kMinutes, sd::kMinutesValue, "59", 59},
        {60, sd::kHours, sd::kHoursValue, "1", 60},
        {90, sd::kHours, sd::kHoursValue, "1", 60},
        {100, sd::kHours, sd::kHoursValue, "1", 60},
        {1439, sd::kHours, sd::kHoursValue, "23", 1380},
        {1440, sd::kDays, sd::kDaysValue, "1", 1440},
        {2880, sd::kDays, sd::kDaysValue, "2", 2880},
        {4000, sd::kDays, sd::kDaysValue, "2", 2880},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minutes);
        CReplicationSettings settings = SampleSettings();
        settings.scheduleMinutes = c.minutes;
        CDialogRun run({{sd::kTemplateId, {A::Ok()}}});
        EXPECT_EQ(CScheduleDialog(settings).DoModal(), kIdOk);
        EXPECT_EQ(settings.scheduleMinutes, c.stored);

        const CShownDialog shown = run.Shown();
        for (const int radio : {sd::kMinutes, sd::kHours, sd::kDays, sd::kManual})
            EXPECT_EQ(shown.InitialControl(radio).check, radio == c.radio ? 1 : 0) << radio;
        for (const int edit : {sd::kMinutesValue, sd::kHoursValue, sd::kDaysValue}) {
            EXPECT_EQ(shown.InitialControl(edit).enabled, edit == c.edit) << edit;
            EXPECT_EQ(shown.InitialControl(edit).text, edit == c.edit ? c.text : "") << edit;
        }
    }
}

// What OK stores for a text typed into the chosen radio's edit.
TEST(ScheduleDialog, ReadsTheTypedNumberTimesItsUnit)
{
    struct Case {
        int radio;
        int edit;
        std::string text;
        int stored;
    } cases[] = {
        {sd::kMinutes, sd::kMinutesValue, "0", 0},  // no timer; the next opening shows manual
        {sd::kMinutes, sd::kMinutesValue, "45", 45},
        {sd::kHours, sd::kHoursValue, "3", 180},
        {sd::kDays, sd::kDaysValue, "2", 2880},
        {sd::kMinutes, sd::kMinutesValue, "abc", 0},
        {sd::kHours, sd::kHoursValue, "", 0},
        {sd::kMinutes, sd::kMinutesValue, "-5", -5},
        {sd::kHours, sd::kHoursValue, "-2", -120},
        {sd::kMinutes, sd::kMinutesValue, "  +7 Minuten", 7},
        {sd::kHours, sd::kHoursValue, "\t12,5", 720},
        {sd::kMinutes, sd::kMinutesValue, "1 2", 1},
        {sd::kMinutes, sd::kMinutesValue, "+-3", 0},
        {sd::kMinutes, sd::kMinutesValue, "- 3", 0},
        // Only the first 19 characters count.
        {sd::kMinutes, sd::kMinutesValue, "0000000000000000012", 12},
        {sd::kMinutes, sd::kMinutesValue, "00000000000000000123", 12},
        {sd::kMinutes, sd::kMinutesValue, "                   5", 0},
        // A schedule beyond the 32-bit range stays at its end, never wraps.
        {sd::kMinutes, sd::kMinutesValue, "2147483647", INT_MAX},
        {sd::kMinutes, sd::kMinutesValue, "2147483648", INT_MAX},
        {sd::kMinutes, sd::kMinutesValue, "9999999999999999999", INT_MAX},
        {sd::kMinutes, sd::kMinutesValue, "-999999999999999999", INT_MIN},
        {sd::kDays, sd::kDaysValue, "1491309", INT_MAX},  // 1491309 days overflow 32 bits
        {sd::kDays, sd::kDaysValue, "1491308", 1491308 * 1440},
        {sd::kHours, sd::kHoursValue, "-35791394", -35791394 * 60},
        {sd::kHours, sd::kHoursValue, "-35791395", INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.radio << " '" << c.text << "'");
        CReplicationSettings settings = SampleSettings();
        settings.scheduleMinutes = -1;
        CDialogRun run({{sd::kTemplateId, {A::Click(c.radio), A::SetText(c.edit, c.text), A::Ok()}}});
        CScheduleDialog(settings).DoModal();
        EXPECT_EQ(settings.scheduleMinutes, c.stored);
    }
}

// The radios are groups of their own: the dialog keeps them exclusive and
// enables only the chosen radio's edit. Cancel stores nothing; manual -1.
TEST(ScheduleDialog, KeepsTheRadiosExclusiveAndCancelStoresNothing)
{
    CReplicationSettings settings = SampleSettings();  // 90 minutes: hours
    CDialogRun run({{sd::kTemplateId, {A::Click(sd::kMinutes), A::SetText(sd::kMinutesValue, "15"),
                                       A::Click(sd::kDays), A::SetText(sd::kMinutesValue, "20"), A::Escape()}},
                    {sd::kTemplateId, {A::Click(sd::kManual), A::Ok()}}});
    CScheduleDialog(settings).DoModal();
    const CShownDialog shown = run.Shown();
    EXPECT_EQ(shown.FinalControl(sd::kMinutes).check, 0);
    EXPECT_EQ(shown.FinalControl(sd::kHours).check, 0);
    EXPECT_EQ(shown.FinalControl(sd::kDays).check, 1);
    EXPECT_EQ(shown.FinalControl(sd::kManual).check, 0);
    EXPECT_FALSE(shown.FinalControl(sd::kMinutesValue).enabled);
    EXPECT_FALSE(shown.FinalControl(sd::kHoursValue).enabled);
    EXPECT_TRUE(shown.FinalControl(sd::kDaysValue).enabled);
    EXPECT_EQ(shown.FinalControl(sd::kMinutesValue).text, "15");  // typed while enabled only
    EXPECT_EQ(settings.scheduleMinutes, 90);

    CScheduleDialog(settings).DoModal();
    EXPECT_FALSE(run.Shown(1).FinalControl(sd::kHoursValue).enabled);
    EXPECT_EQ(settings.scheduleMinutes, -1);
}

// --- CCategoryDialog ---------------------------------------------------------

// Mode 0 edits the replicate flags, mode 1 the vacuum flags with its own
// prompt; each leaves the other mode's flags alone. Cancel stores nothing.
TEST(CategoryDialog, EditsTheFlagsOfItsMode)
{
    struct Case {
        CCategoryDialog::Mode mode;
        std::vector<int> clicks;
        std::string prompt;
        std::array<int, 3> shown;   // appointments, contacts, tasks
        std::array<int, 3> stored;
    } cases[] = {
        {CCategoryDialog::Mode::replicate, {cat::kContacts}, "Wählen Sie die zu replizierenden Elemente:",
         {1, 0, 1}, {1, 1, 1}},
        {CCategoryDialog::Mode::replicate, {cat::kAppointments, cat::kTasks},
         "Wählen Sie die zu replizierenden Elemente:",
         {1, 0, 1}, {0, 0, 0}},
        {CCategoryDialog::Mode::vacuum, {cat::kAppointments}, "Wählen Sie die zu löschenden Elemente:",
         {0, 1, 1}, {1, 1, 1}},
        {CCategoryDialog::Mode::vacuum, {cat::kTasks, cat::kContacts}, "Wählen Sie die zu löschenden Elemente:",
         {0, 1, 1}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        const bool vacuum = c.mode == CCategoryDialog::Mode::vacuum;
        SCOPED_TRACE(testing::Message() << "vacuum " << vacuum << ", " << c.clicks.size() << " clicks");
        CReplicationSettings settings = SampleSettings();
        settings.replicateAppointments = 1;
        settings.replicateContacts = 0;
        settings.replicateTasks = 5;  // a hand-edited file: any value but 0 ticks
        settings.vacuumAppointments = 0;
        settings.vacuumContacts = 1;
        settings.vacuumTasks = 1;
        const CReplicationSettings before = settings;
        std::vector<CDialogAction> actions;
        for (const int box : c.clicks)
            actions.push_back(A::Click(box));

        for (const bool ok : {false, true}) {
            std::vector<CDialogAction> script = actions;
            script.push_back(ok ? A::Ok() : A::Click(kIdCancel));
            CDialogRun run({{cat::kTemplateId, script}});
            CCategoryDialog(settings, c.mode).DoModal();
            const CShownDialog shown = run.Shown();
            EXPECT_EQ(shown.InitialControl(cat::kPrompt).text, c.prompt);
            EXPECT_EQ(shown.InitialControl(cat::kAppointments).check, c.shown[0]);
            EXPECT_EQ(shown.InitialControl(cat::kContacts).check, c.shown[1]);
            EXPECT_EQ(shown.InitialControl(cat::kTasks).check, c.shown[2]);
            CReplicationSettings expected = before;
            if (ok) {
                int* flags[] = {&expected.replicateAppointments, &expected.replicateContacts,
                                &expected.replicateTasks};
                if (vacuum) {
                    flags[0] = &expected.vacuumAppointments;
                    flags[1] = &expected.vacuumContacts;
                    flags[2] = &expected.vacuumTasks;
                }
                for (std::size_t i = 0; i < 3; ++i)
                    *flags[i] = c.stored[i];
            }
            EXPECT_EQ(settings, expected);
        }
    }
}
