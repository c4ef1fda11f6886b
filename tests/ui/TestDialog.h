#pragma once
// A small dialog with every kind of control the framework handles: an edit
// bound to a field, two radio groups (a check box inside the first), a
// disabled radio button, a drop-down list filled by the logic and one with the
// entries of its template, a hidden check box, a date picker, OK and Cancel.

#include "platform/ui/CDialog.h"

#include <string>
#include <vector>

namespace tarnwel::test {

inline CDialogTemplate TestDialogTemplate()
{
    CDialogTemplate t;
    t.id = 900;
    t.caption = "Test";
    t.width = 200;
    t.height = 150;
    auto add = [&t](int id, ControlType type, const std::string& text, bool groupStart = false) -> CControlTemplate& {
        CControlTemplate control;
        control.id = id;
        control.type = type;
        control.text = text;
        control.groupStart = groupStart;
        t.controls.push_back(control);
        return t.controls.back();
    };
    add(100, ControlType::edit, "", true);
    add(101, ControlType::radioButton, "A1", true);
    add(102, ControlType::radioButton, "A2");
    add(103, ControlType::checkBox, "C");
    add(104, ControlType::radioButton, "A3");
    add(111, ControlType::radioButton, "B1", true);
    add(112, ControlType::radioButton, "B2");
    add(113, ControlType::radioButton, "B3").disabled = true;
    add(120, ControlType::dropDownList, "", true);
    add(121, ControlType::checkBox, "hidden").hidden = true;
    add(122, ControlType::dropDownList, "", true).entries = {"rot", "gr\xC3\xBCn"};
    add(130, ControlType::datePicker, "", true).date = COleDate::FromFields(2004, 3, 5);
    add(kIdOk, ControlType::pushButton, "OK", true).defaultButton = true;
    add(kIdCancel, ControlType::pushButton, "Abbrechen");
    return t;
}

class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(TestDialogTemplate()) {}

    std::string m_value = "shown";
    std::vector<int> m_clicked;
    std::vector<int> m_selectionChanges;
    std::vector<int> m_dateChanges;

protected:
    bool OnInitDialog() override
    {
        CDialog::OnInitDialog();
        AddComboEntry(120, "eins");
        AddComboEntry(120, "zwei");
        return true;
    }
    void OnClicked(int id) override { m_clicked.push_back(id); }
    void OnSelectionChange(int id) override { m_selectionChanges.push_back(id); }
    void OnDateChange(int id) override { m_dateChanges.push_back(id); }
    void DoDataExchange(bool save) override
    {
        if (save)
            m_value = GetItemText(100);
        else
            SetItemText(100, m_value);
    }
};

} // namespace tarnwel::test
