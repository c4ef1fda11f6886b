#include "tests/ui/TestDialog.h"

#include "platform/ui/CScriptedUiBackend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

using namespace tarnwel;
using tarnwel::test::CTestDialog;
using testing::ElementsAreArray;

namespace {

struct ClickCase {
    const char* name;
    std::vector<int> clicks;
    std::map<int, int> checks;     // id -> expected check afterwards
    std::vector<int> clicked;      // ids that reached OnClicked
};

} // namespace

TEST(Dialog, ClicksFollowTheControlTypeAndItsState)
{
    const ClickCase cases[] = {
        {"a radio button clears the others of its group", {101, 104}, {{101, 0}, {102, 0}, {104, 1}}, {101, 104}},
        {"groups are independent", {101, 111}, {{101, 1}, {111, 1}}, {101, 111}},
        {"a radio click leaves a check box in its group", {103, 101, 102}, {{103, 1}, {101, 0}, {102, 1}}, {103, 101, 102}},
        {"a check box toggles", {103, 103}, {{103, 0}}, {103, 103}},
        {"a disabled radio button ignores the click", {111, 113}, {{111, 1}, {113, 0}}, {111}},
        {"a hidden check box ignores the click", {121}, {{121, 0}}, {}},
        {"clicks on an edit or a list do nothing", {100, 120}, {}, {}},
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.name);
        CTestDialog dialog;
        dialog.InitializeDialog();
        for (int id : c.clicks)
            dialog.UserClick(id);
        for (const auto& [id, check] : c.checks)
            EXPECT_EQ(dialog.GetCheck(id), check) << "control " << id;
        EXPECT_THAT(dialog.m_clicked, ElementsAreArray(c.clicked));
        EXPECT_FALSE(dialog.HasEnded());
    }
}

TEST(Dialog, ControlsDisabledByTheLogicIgnoreUserActions)
{
    CTestDialog dialog;
    dialog.InitializeDialog();
    dialog.EnableItem(101, false);
    dialog.EnableItem(120, false);
    dialog.EnableItem(100, false);
    dialog.UserClick(101);
    dialog.UserSelect(120, 1);
    dialog.UserSetText(100, "typed");
    EXPECT_EQ(dialog.GetCheck(101), 0);
    EXPECT_EQ(dialog.GetComboSelection(120), -1);
    EXPECT_EQ(dialog.GetItemText(100), "shown");
    EXPECT_TRUE(dialog.m_clicked.empty());
    EXPECT_TRUE(dialog.m_selectionChanges.empty());

    dialog.EnableItem(kIdOk, false);
    dialog.UserClick(kIdOk);
    EXPECT_FALSE(dialog.HasEnded());
}

TEST(Dialog, SelectTakesOnlyAValidEntryOfADropDownList)
{
    struct Case {
        int id;
        int index;
        int selection;
        bool notified;
    } cases[] = {
        {120, 1, 1, true},
        {120, 0, 0, true},
        {120, 2, -1, false},
        {120, -1, -1, false},
        {101, 0, -1, false},  // a radio button is no list
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "select " << c.index << " of " << c.id);
        CTestDialog dialog;
        dialog.InitializeDialog();
        dialog.UserSelect(c.id, c.index);
        EXPECT_EQ(dialog.GetComboSelection(120), c.selection);
        EXPECT_EQ(dialog.m_selectionChanges.size(), c.notified ? 1u : 0u);
    }
}

TEST(Dialog, OkExchangesTheDataBackEscapeCloseAndCancelDoNot)
{
    using A = CDialogAction;
    struct Case {
        const char* name;
        std::vector<CDialogAction> actions;
        int result;
        std::string value;
    } cases[] = {
        {"OK", {A::SetText(100, "typed"), A::Ok()}, kIdOk, "typed"},
        {"a script without an end", {A::SetText(100, "typed")}, kIdOk, "typed"},
        {"Escape", {A::SetText(100, "typed"), A::Escape()}, kIdCancel, "shown"},
        {"close box", {A::SetText(100, "typed"), A::Close()}, kIdCancel, "shown"},
        {"Cancel button", {A::SetText(100, "typed"), A::Click(kIdCancel)}, kIdCancel, "shown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedUiBackend backend;
        CScopedUiBackend scope(backend);
        backend.AnswerDialog({900, c.actions});
        CTestDialog dialog;
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(dialog.m_value, c.value);
        EXPECT_TRUE(backend.Unexpected().empty());
    }
}

TEST(Dialog, ActionsAfterTheEndChangeNothing)
{
    CTestDialog dialog;
    dialog.InitializeDialog();
    dialog.UserClick(kIdOk);
    dialog.UserEscape();
    dialog.UserClick(101);
    EXPECT_EQ(dialog.Result(), kIdOk);
    EXPECT_EQ(dialog.GetCheck(101), 0);
}

TEST(Dialog, EveryChangeOfTheLogicReachesTheObserver)
{
    CTestDialog dialog;
    dialog.InitializeDialog();
    std::vector<CControlState> seen;
    dialog.SetControlObserver([&](const CControlState& control) { seen.push_back(control); });

    dialog.SetItemText(101, "neu");
    dialog.EnableItem(102, false);
    dialog.ShowItem(103, false);
    dialog.CheckRadioButton(101, 104, 104);
    dialog.AddComboEntry(120, "drei");
    dialog.SetComboSelection(120, 2);
    dialog.UserClick(111);
    dialog.EnableItem(102, false);  // no change, no notice

    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[0].text, "neu");
    EXPECT_FALSE(seen[1].enabled);
    EXPECT_FALSE(seen[2].visible);
    EXPECT_EQ(seen[3].id, 104);
    EXPECT_EQ(seen[3].check, 1);
    EXPECT_THAT(seen[4].entries, ElementsAreArray({"eins", "zwei", "drei"}));
    EXPECT_EQ(seen[5].selection, 2);
    EXPECT_EQ(seen[6].id, 111);
}

TEST(Dialog, RadioButtonHelpersWorkOnIdRanges)
{
    CTestDialog dialog;
    dialog.InitializeDialog();
    EXPECT_EQ(dialog.GetCheckedRadioButton(101, 104), 0);
    dialog.CheckRadioButton(101, 104, 102);
    dialog.CheckRadioButton(111, 113, 112);
    EXPECT_EQ(dialog.GetCheckedRadioButton(101, 104), 102);
    EXPECT_EQ(dialog.GetCheckedRadioButton(111, 113), 112);
    dialog.CheckRadioButton(101, 104, 101);
    EXPECT_EQ(dialog.GetCheck(102), 0);
    EXPECT_EQ(dialog.GetCheck(112), 1);
}

TEST(Dialog, AnUnknownControlIdThrows)
{
    CTestDialog dialog;
    EXPECT_THROW(dialog.Control(999), std::out_of_range);
    EXPECT_THROW(dialog.SetItemText(999, "x"), std::out_of_range);
    EXPECT_THROW(dialog.UserClick(999), std::out_of_range);
}

TEST(Dialog, ShowingAgainStartsFromTheTemplate)
{
    CTestDialog dialog;
    dialog.InitializeDialog();
    dialog.UserClick(101);
    dialog.UserClick(kIdOk);
    dialog.InitializeDialog();
    EXPECT_FALSE(dialog.HasEnded());
    EXPECT_EQ(dialog.GetCheck(101), 0);
    EXPECT_EQ(dialog.GetComboCount(120), 2);
}

TEST(Dialog, ListsStartWithTheirTemplateEntriesAndPickersWithAValidDate)
{
    CTestDialog dialog;
    dialog.InitializeDialog();
    EXPECT_THAT(dialog.Control(122).entries, ElementsAreArray({"rot", "gr\xC3\xBCn"}));
    EXPECT_EQ(dialog.GetComboSelection(122), -1);
    EXPECT_EQ(dialog.GetDate(130), COleDate::FromFields(2004, 3, 5));

    // A date that is not valid shows today, and the picker then holds it.
    COleDate::Fields now;
    ASSERT_TRUE(COleDate::Now().GetFields(now));
    const COleDate today = COleDate::FromFields(now.year, now.month, now.day);
    for (const COleDate& notValid : {COleDate::Invalid(), COleDate::Null()}) {
        dialog.SetDate(130, COleDate::FromFields(2004, 3, 5));
        dialog.SetDate(130, notValid);
        EXPECT_EQ(dialog.GetDate(130), today);
    }
    CDialogTemplate t = test::TestDialogTemplate();
    t.controls.back().id = 131;
    std::find_if(t.controls.begin(), t.controls.end(), [](const CControlTemplate& c) { return c.id == 130; })->date =
        COleDate::Null();
    CDialog fromTemplate(t);
    fromTemplate.InitializeDialog();
    EXPECT_EQ(fromTemplate.GetDate(130), today);

    // A picked date reaches the logic; one that is not valid changes nothing.
    dialog.UserSetDate(130, COleDate::FromFields(2026, 12, 24));
    dialog.UserSetDate(130, COleDate::Invalid());
    dialog.UserSetDate(100, COleDate::FromFields(2026, 12, 25));  // an edit is no picker
    EXPECT_EQ(dialog.GetDate(130), COleDate::FromFields(2026, 12, 24));
    EXPECT_THAT(dialog.m_dateChanges, ElementsAreArray({130}));
}

TEST(Dialog, EnterClicksTheDefaultButtonElseOk)
{
    // OK and Cancel of the test dialog: which of them is the default, and
    // whether OK is there at all.
    const auto buttons = [](int defaultId, bool withOk) {
        CDialogTemplate t = test::TestDialogTemplate();
        std::erase_if(t.controls, [withOk](const CControlTemplate& c) { return c.id == kIdOk && !withOk; });
        for (CControlTemplate& c : t.controls) {
            if (c.type == ControlType::pushButton)
                c.defaultButton = c.id == defaultId;
        }
        return t;
    };
    struct Case {
        const char* name;
        CDialogTemplate t;
        bool disableOk;
        bool ended;
        int result;
    } cases[] = {
        {"OK is the default", buttons(kIdOk, true), false, true, kIdOk},
        {"Cancel is the default", buttons(kIdCancel, true), false, true, kIdCancel},
        {"the default button is disabled", buttons(kIdOk, true), true, false, 0},
        {"no default button: OK", buttons(0, true), false, true, kIdOk},
        {"no default button, OK disabled", buttons(0, true), true, false, 0},
        {"no button: the OK handling", buttons(0, false), false, true, kIdOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDialog dialog(c.t);
        dialog.InitializeDialog();
        if (c.disableOk)
            dialog.EnableItem(kIdOk, false);
        dialog.UserEnter();
        EXPECT_EQ(dialog.HasEnded(), c.ended);
        EXPECT_EQ(dialog.Result(), c.result);
    }
}
