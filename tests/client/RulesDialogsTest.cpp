#include "DialogFixture.h"

#include "dialogs/CNewRulesDialog.h"
#include "dialogs/COLDeletedRulesDialog.h"
#include "dialogs/COvrRulesDialog.h"
#include "dialogs/CTWDeletedRulesDialog.h"
#include "resources/client/ClientResources.h"
#include "resources/wizard/WizardResources.h"

#include <functional>
#include <memory>
#include <string>

using namespace tarnwel;
using tarnwel::test::CDialogRun;
using A = CDialogAction;
using rules_parts::CRuleRows;

namespace {

// One of the four dialogs: how to make it and the settings fields it edits.
struct RulesDialogKind {
    const char* name;
    int templateId;
    int entryCount;  // of the action lists
    std::function<std::unique_ptr<CRulesDialog>(CReplicationSettings&, DialogVariant, const CResourceTable&)> make;
    CRuleRows (*rows)(DialogVariant);
    int CKindRules::*action;
    int CKindRules::*noRights;
    int CKindRules::*newerThan;  // null without a check row
    COleDate CKindRules::*newerThanDate;
};

template <class Dialog>
auto Maker()
{
    return [](CReplicationSettings& settings, DialogVariant variant, const CResourceTable& resources) {
        return std::unique_ptr<CRulesDialog>(std::make_unique<Dialog>(settings, variant, resources));
    };
}

const RulesDialogKind kOvr{"140", ovr_rules_dialog::kTemplateId, 4, Maker<COvrRulesDialog>(),
                           ovr_rules_dialog::Rows, &CKindRules::ovrAction, &CKindRules::ovrNoRights,
                           nullptr, nullptr};
const RulesDialogKind kNew{"146", new_rules_dialog::kTemplateId, 4, Maker<CNewRulesDialog>(),
                           new_rules_dialog::Rows, &CKindRules::newAction, &CKindRules::newNoRights,
                           nullptr, nullptr};
const RulesDialogKind kOLDeleted{"141", ol_deleted_rules_dialog::kTemplateId, 3, Maker<COLDeletedRulesDialog>(),
                                 ol_deleted_rules_dialog::Rows, &CKindRules::olDeletedAction,
                                 &CKindRules::olDeletedNoRights, &CKindRules::olDeletedNewerThan,
                                 &CKindRules::olDeletedNewerThanDate};
const RulesDialogKind kTWDeleted{"139", tw_deleted_rules_dialog::kTemplateId, 3, Maker<CTWDeletedRulesDialog>(),
                                 tw_deleted_rules_dialog::Rows, &CKindRules::twDeletedAction,
                                 &CKindRules::twDeletedNoRights, &CKindRules::twDeletedNewerThan,
                                 &CKindRules::twDeletedNewerThanDate};
const RulesDialogKind* const kKinds[] = {&kOvr, &kNew, &kOLDeleted, &kTWDeleted};

struct Program {
    const char* name;
    DialogVariant variant;
    const CResourceTable& (*resources)();
};
const Program kPrograms[] = {{"client", DialogVariant::client, ClientResources},
                             {"wizard", DialogVariant::wizard, WizardResources}};

CKindRules& Row(CReplicationSettings& settings, int row)
{
    return row == 0 ? settings.appointmentRules : row == 1 ? settings.contactRules : settings.taskRules;
}

// Runs a dialog of `kind` on `settings` with `actions` and returns what it
// showed.
CShownDialog Show(const RulesDialogKind& kind, const Program& program, CReplicationSettings& settings,
                 std::vector<CDialogAction> actions)
{
    CDialogRun run({{kind.templateId, std::move(actions)}});
    const auto dialog = kind.make(settings, program.variant, program.resources());
    dialog->DoModal();
    return run.Shown();
}

} // namespace

// Each action code with the row's box ticked and not: which of the row's
// other controls take input, right after the initialisation and after the
// user chose that action in the list.
TEST(RulesDialogs, EnableTheRowsControlsByActionAndBox)
{
    struct Case {
        const RulesDialogKind* kind;
        int action;
        int box;
        bool noRights;
        bool check;
        bool picker;
    } cases[] = {
        {&kOvr, 0, 0, false, false, false},  {&kOvr, 1, 0, true, false, false},
        {&kOvr, 2, 0, true, false, false},   {&kOvr, 3, 0, true, false, false},
        {&kNew, 0, 0, true, false, false},   {&kNew, 1, 0, false, false, false},
        {&kNew, 2, 0, true, false, false},   {&kNew, 3, 0, true, false, false},
        // Re-creating the Outlook item needs no right, unless the date
        // condition may delete the server item instead.
        {&kOLDeleted, 0, 0, false, true, false}, {&kOLDeleted, 0, 1, true, true, true},
        {&kOLDeleted, 1, 0, true, false, false}, {&kOLDeleted, 1, 1, true, false, false},
        {&kOLDeleted, 2, 0, true, false, false}, {&kOLDeleted, 2, 1, true, false, false},
        {&kTWDeleted, 0, 0, false, false, false}, {&kTWDeleted, 0, 1, false, false, false},
        {&kTWDeleted, 1, 0, true, true, false},   {&kTWDeleted, 1, 1, true, true, true},
        {&kTWDeleted, 2, 0, true, false, false},  {&kTWDeleted, 2, 1, true, false, false},
    };
    for (const Program& program : kPrograms) {
        for (const Case& c : cases) {
            const RulesDialogKind& kind = *c.kind;
            for (int row = 0; row < 3; ++row) {
                SCOPED_TRACE(testing::Message() << program.name << " " << kind.name << " row " << row << " action "
                                                << c.action << " box " << c.box);
                const rules_parts::CRuleRowIds ids = kind.rows(program.variant)[static_cast<std::size_t>(row)];
                const auto expect = [&](const std::vector<CControlState>& controls) {
                    const auto enabled = [&](int id) {
                        return std::find_if(controls.begin(), controls.end(),
                                            [id](const CControlState& s) { return s.id == id; })->enabled;
                    };
                    EXPECT_TRUE(enabled(ids.action));
                    EXPECT_EQ(enabled(ids.noRights), c.noRights);
                    if (kind.newerThan) {
                        EXPECT_EQ(enabled(ids.newerThan), c.check);
                        EXPECT_EQ(enabled(ids.newerThanDate), c.picker);
                    }
                };
                // From the settings.
                CReplicationSettings settings = SampleSettings();
                Row(settings, row).*kind.action = c.action;
                if (kind.newerThan)
                    Row(settings, row).*kind.newerThan = c.box;
                CShownDialog shown = Show(kind, program, settings, {A::Escape()});
                expect(shown.initialControls);
                if (kind.newerThan) {
                    EXPECT_EQ(shown.InitialControl(ids.newerThan).check, c.box);
                }

                // From another action, by the user's choice in the list.
                Row(settings, row).*kind.action = (c.action + 1) % kind.entryCount;
                shown = Show(kind, program, settings, {A::Select(ids.action, c.action), A::Escape()});
                expect(shown.finalControls);
            }
        }
    }
}

// A click on a row's box re-applies its rule: in 141 the box turns the
// no-rights list and the picker on and off together, in 139 the picker.
TEST(RulesDialogs, TheNewerThanBoxSwitchesItsRow)
{
    struct Case {
        const RulesDialogKind* kind;
        std::vector<int> actions;  // chosen in turn after the box was ticked
        bool noRights;
        bool check;
        bool picker;
    } cases[] = {
        {&kOLDeleted, {}, true, true, true},
        {&kOLDeleted, {1}, true, false, false},
        {&kOLDeleted, {2, 0}, true, true, true},  // the box kept its tick while disabled
        {&kTWDeleted, {}, true, true, true},
        {&kTWDeleted, {0}, false, false, false},
        {&kTWDeleted, {2, 1}, true, true, true},
    };
    for (const Program& program : kPrograms) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << program.name << " " << c.kind->name << " " << c.actions.size());
            const rules_parts::CRuleRowIds ids = c.kind->rows(program.variant)[1];
            CReplicationSettings settings = SampleSettings();
            // The box can be clicked only with the action it belongs to.
            Row(settings, 1).*c.kind->action = c.kind == &kOLDeleted ? 0 : 1;
            Row(settings, 1).*c.kind->newerThan = 0;
            std::vector<CDialogAction> actions = {A::Click(ids.newerThan)};
            for (const int action : c.actions)
                actions.push_back(A::Select(ids.action, action));
            actions.push_back(A::Escape());
            const CShownDialog shown = Show(*c.kind, program, settings, actions);
            EXPECT_EQ(shown.FinalControl(ids.newerThan).check, 1);
            EXPECT_EQ(shown.FinalControl(ids.noRights).enabled, c.noRights);
            EXPECT_EQ(shown.FinalControl(ids.newerThan).enabled, c.check);
            EXPECT_EQ(shown.FinalControl(ids.newerThanDate).enabled, c.picker);

            // Unticking switches the picker off again.
            const CShownDialog unticked =
                Show(*c.kind, program, settings, {A::Click(ids.newerThan), A::Click(ids.newerThan), A::Escape()});
            EXPECT_FALSE(unticked.FinalControl(ids.newerThanDate).enabled);
            EXPECT_EQ(unticked.FinalControl(ids.noRights).enabled, c.kind == &kTWDeleted);
        }
    }
}

namespace {

// The user's edits in a rules dialog: in each row the last action (the
// no-rights list takes input with it) and no-rights entry `row`; in the rows
// with a box, a date picked in each and the box of row 1 unticked; then
// action `row`, which in some rows disables the no-rights list or the box and
// picker without changing their values.
void EditEveryRow(CDialog& dialog, const RulesDialogKind& kind, const CRuleRows& rows, const COleDate& picked)
{
    for (int row = 0; row < 3; ++row) {
        const auto& ids = rows[static_cast<std::size_t>(row)];
        dialog.UserSelect(ids.action, kind.entryCount - 1);
        dialog.UserSelect(ids.noRights, row);
        if (kind.newerThan) {
            dialog.UserSelect(ids.action, &kind == &kOLDeleted ? 0 : 1);
            if (!dialog.GetCheck(ids.newerThan))
                dialog.UserClick(ids.newerThan);
            dialog.UserSetDate(ids.newerThanDate, picked.AddDays(row));
            if (row == 1)
                dialog.UserClick(ids.newerThan);  // the picked date must not count
        }
        dialog.UserSelect(ids.action, row);
    }
}

// The record without the fields that dialog `kind` edits, for comparing the
// rest.
CReplicationSettings WithoutFieldsOf(const RulesDialogKind& kind, CReplicationSettings settings)
{
    for (int row = 0; row < 3; ++row) {
        CKindRules& rules = Row(settings, row);
        rules.*kind.action = 0;
        rules.*kind.noRights = 0;
        if (kind.newerThan) {
            rules.*kind.newerThan = 0;
            rules.*kind.newerThanDate = COleDate();
        }
    }
    return settings;
}

} // namespace

// OK stores every list's entry index, the boxes and, for ticked rows only, the
// pickers' dates; controls that were disabled meanwhile are stored like the
// others. Cancel, Escape and the close box store nothing.
TEST(RulesDialogs, OkStoresEveryRowAndCancelNothing)
{
    const COleDate picked = COleDate::FromFields(2026, 4, 20);
    for (const Program& program : kPrograms) {
        for (const RulesDialogKind* kind : kKinds) {
            SCOPED_TRACE(testing::Message() << program.name << " " << kind->name);
            const CRuleRows rows = kind->rows(program.variant);
            const CReplicationSettings before = SampleSettings();
            CReplicationSettings settings = before;
            {
                test::CUserFunctions user({[&](CDialog& d) { EditEveryRow(d, *kind, rows, picked); }});
                EXPECT_EQ(kind->make(settings, program.variant, program.resources())->DoModal(), kIdOk);
            }
            for (int row = 0; row < 3; ++row) {
                SCOPED_TRACE(row);
                const CKindRules& rules = Row(settings, row);
                EXPECT_EQ(rules.*kind->action, row);
                EXPECT_EQ(rules.*kind->noRights, row);
                if (kind->newerThan) {
                    EXPECT_EQ(rules.*kind->newerThan, row != 1 ? 1 : 0);
                    CReplicationSettings old = before;
                    EXPECT_EQ(rules.*kind->newerThanDate,
                              row != 1 ? picked.AddDays(row) : Row(old, row).*kind->newerThanDate);
                }
            }
            EXPECT_EQ(WithoutFieldsOf(*kind, settings), WithoutFieldsOf(*kind, before));

            for (const CDialogAction& end : {A::Click(kIdCancel), A::Escape(), A::Close()}) {
                CReplicationSettings cancelled = before;
                test::CUserFunctions user({[&](CDialog& d) {
                    EditEveryRow(d, *kind, rows, picked);
                    ApplyDialogAction(d, end);
                }});
                EXPECT_EQ(kind->make(cancelled, program.variant, program.resources())->DoModal(), kIdCancel);
                EXPECT_EQ(cancelled, before);
            }
        }
    }
}

// A code that a hand-edited file put outside a list's entries selects none;
// OK then stores -1. A newer-than date that is not valid shows today, and OK
// stores today, never the invalid date.
TEST(RulesDialogs, CodesOutsideTheListsAndInvalidDates)
{
    for (const Program& program : kPrograms) {
        for (const RulesDialogKind* kind : kKinds) {
            SCOPED_TRACE(testing::Message() << program.name << " " << kind->name);
            const CRuleRows rows = kind->rows(program.variant);
            CReplicationSettings settings = SampleSettings();
            const int codes[3][2] = {{kind->entryCount, 5}, {-3, 3}, {1, 2}};
            const COleDate dates[3] = {COleDate::Invalid(), COleDate::Null(), COleDate::FromFields(2026, 1, 1)};
            for (int row = 0; row < 3; ++row) {
                CKindRules& rules = Row(settings, row);
                rules.*kind->action = codes[row][0];
                rules.*kind->noRights = codes[row][1];
                if (kind->newerThan) {
                    rules.*kind->newerThan = 7;  // any value but 0 ticks the box
                    rules.*kind->newerThanDate = dates[row];
                }
            }
            const CShownDialog shown = Show(*kind, program, settings, {A::Ok()});
            // What the lists select and OK stores: rows 0 and 1 hold codes
            // outside the entries.
            const int expected[3][2] = {{-1, -1}, {-1, -1}, {1, 2}};
            for (int row = 0; row < 3; ++row) {
                SCOPED_TRACE(row);
                const auto& ids = rows[static_cast<std::size_t>(row)];
                const CKindRules& rules = Row(settings, row);
                EXPECT_EQ(shown.InitialControl(ids.action).selection, expected[row][0]);
                EXPECT_EQ(shown.InitialControl(ids.noRights).selection, expected[row][1]);
                EXPECT_EQ(rules.*kind->action, expected[row][0]);
                EXPECT_EQ(rules.*kind->noRights, expected[row][1]);
                if (kind->newerThan) {
                    EXPECT_EQ(shown.InitialControl(ids.newerThan).check, 1);
                    EXPECT_EQ(rules.*kind->newerThan, 1);
                    const COleDate expected = row < 2 ? test::Today() : dates[row];
                    EXPECT_EQ(shown.InitialControl(ids.newerThanDate).date, expected);
                    EXPECT_EQ(rules.*kind->newerThanDate, expected);
                }
            }
        }
    }
}

namespace {

const CControlTemplate& Find(const CDialogTemplate& t, int id)
{
    const auto found = std::find_if(t.controls.begin(), t.controls.end(),
                                    [id](const CControlTemplate& control) { return control.id == id; });
    if (found == t.controls.end())
        throw std::out_of_range("no control " + std::to_string(id));
    return *found;
}

// The text of the static that starts with `start`, empty when none does.
std::string StaticStartingWith(const CDialogTemplate& t, const std::string& start)
{
    for (const CControlTemplate& control : t.controls) {
        if (control.type == ControlType::staticText && control.text.starts_with(start))
            return control.text;
    }
    return {};
}

} // namespace

// Each program's table holds its own variant of the four dialogs: the wizard's
// check boxes, no-rights label, descriptions, English entries and widths.
TEST(RulesDialogs, EachProgramShowsItsVariant)
{
    const std::string intro =
        "Hier können Sie das Verhalten des Replikators bestimmen, wann immer folgende Situation auftritt:";
    const std::string comma = "und falls der Benutzer, die Rechte auf dem Server nicht hat:";
    const std::string noComma = "und falls der Benutzer die Rechte auf dem Server nicht hat:";
    struct Case {
        const RulesDialogKind* kind;
        const Program* program;
        int width;
        std::string situation;  // the description after the introduction
        std::string label;
        std::vector<int> boxes;
        int entryRow;  // a row whose action entries are shown
        std::vector<std::string> entries;
    } cases[] = {
        {&kTWDeleted, &kPrograms[0], 312, " \n Von einem zuvor repliziertem Datenpaar wurde das DRAV Element gelöscht.",
         comma, {1007, 1008, 1009}, 0,
         {"das Outlook Element löschen", "das DRAV Element wiederherstellen", "den Benutzer fragen, was zu tun ist."}},
        {&kTWDeleted, &kPrograms[1], 262, " \n Von einem zuvor repliziertem Datenpaar wurde das DRAV Element gelöscht.",
         comma, {1107, 1108, 1109}, 2,
         {"das Outlook Element löschen", "das DRAV Element wiederherstellen", "den Benutzer fragen, was zu tun ist."}},
        {&kOvr, &kPrograms[0], 295,
         " \nVon einem zuvor repliziertem Datenpaar wurde mindestens eins nach der letzten Replikation verändert",
         noComma, {}, 2,
         {"das Outlook Element überschreiben", "das DRAV Element überschreiben", "das ältere Element überschreiben",
          "den Benutzer fragen, was zu tun ist"}},
        {&kOvr, &kPrograms[1], 267,
         " \n Von einem zuvor repliziertem Datenpaar wurde mindestens eins nach der letzten Replikation verändert",
         comma, {}, 2,
         {"overwrite the Outlook item", "overwrite the DRAV item", "overwrite the older item", "ask user what to do"}},
        {&kOLDeleted, &kPrograms[0], 312,
         " \nVon einem zuvor repliziertem Datenpaar wurde das Outlook Element gelöscht.", noComma,
         {1007, 1008, 1009}, 1,
         {"das Outlook Element wiederherstellen", "das DRAV Element löschen", "den Benutzer fragen, was zu tun ist."}},
        {&kOLDeleted, &kPrograms[1], 262,
         " \n Von einem zuvor repliziertem Datenpaar wurde das Outlook Element gelöscht.", comma,
         {1107, 1108, 1109}, 1,
         {"das Outlook Element wiederherstellen", "das DRAV Element löschen", "den Benutzer fragen, was zu tun ist."}},
        {&kNew, &kPrograms[0], 486, "\nEin Outlook Element wurde niemals zuvor repliziert.", noComma, {}, 1,
         {"einen neuen Kontakt in DRAV erstellen", "den Outlook Kontakt löschen", "den Benutzer fragen, was zu tun ist",
          "alles unverändert lassen (keinen Kontakt in DRAV erstellen)"}},
        {&kNew, &kPrograms[1], 277, "\n Ein Outlook Element wurde niemals zuvor repliziert.", comma, {}, 1,
         {"create new Adress-Contact in DRAV", "delete the Outlook Contact", "ask user what to do",
          "leave everything unchanged (don't create Contact in DRAV)"}},
        {&kNew, &kPrograms[1], 277, "\n Ein Outlook Element wurde niemals zuvor repliziert.", comma, {}, 0,
         {"einen neuen Termin in DRAV erstellen", "den Outlook Termin loeschen", "den Benutzer fragen, was zu tun ist",
          "alles unverändert lassen (keinen Termin in DRAV erstellen)"}},
        {&kNew, &kPrograms[1], 277, "\n Ein Outlook Element wurde niemals zuvor repliziert.", comma, {}, 2,
         {"create new main Task in DRAV", "delete the Outlook Task", "ask user what to do",
          "leave everything unchanged (don't create Task in DRAV)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.program->name << " " << c.kind->name << " row " << c.entryRow);
        const CDialogTemplate& t = c.program->resources().Dialog(c.kind->templateId);
        EXPECT_EQ(t.caption, "Optionen");
        EXPECT_EQ(t.width, c.width);
        EXPECT_EQ(StaticStartingWith(t, intro), intro + c.situation);
        EXPECT_EQ(StaticStartingWith(t, "und falls"), c.label);
        const CRuleRows rows = c.kind->rows(c.program->variant);
        std::vector<int> boxes;
        for (const auto& ids : rows) {
            if (ids.newerThan) {
                boxes.push_back(ids.newerThan);
                EXPECT_EQ(Find(t, ids.newerThan).type, ControlType::checkBox);
            }
        }
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(Find(t, rows[static_cast<std::size_t>(c.entryRow)].action).entries, c.entries);
    }

    // The wizard's variant runs with its own ids: its box switches its picker.
    CReplicationSettings settings = SampleSettings();
    settings.contactRules.olDeletedAction = 0;
    settings.contactRules.olDeletedNewerThan = 0;
    const CShownDialog shown = Show(kOLDeleted, kPrograms[1], settings,
                                    {A::Click(ol_deleted_rules_dialog::kWizardContactNewerThan), A::Ok()});
    EXPECT_TRUE(shown.FinalControl(ol_deleted_rules_dialog::kContactNewerThanDate).enabled);
    EXPECT_EQ(settings.contactRules.olDeletedNewerThan, 1);
}
