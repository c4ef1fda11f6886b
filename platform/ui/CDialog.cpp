#include "platform/ui/CDialog.h"

#include "platform/ui/UiBackend.h"

#include <algorithm>
#include <stdexcept>

namespace tarnwel {

namespace {

// Today at midnight: what a date picker shows for a date that is not valid.
COleDate Today()
{
    COleDate::Fields now;
    COleDate::Now().GetFields(now);
    return COleDate::FromFields(now.year, now.month, now.day);
}

COleDate ShownDate(const COleDate& date)
{
    return date.IsValid() ? date : Today();
}

CControlState StateFromTemplate(const CControlTemplate& control)
{
    CControlState state;
    state.id = control.id;
    state.type = control.type;
    state.text = control.text;
    state.enabled = !control.disabled;
    state.visible = !control.hidden;
    if (control.type == ControlType::dropDownList)
        state.entries = control.entries;
    if (control.type == ControlType::datePicker)
        state.date = ShownDate(control.date);
    return state;
}

bool TakesUserInput(const CControlState& control)
{
    return control.enabled && control.visible;
}

} // namespace

CDialog::CDialog(CDialogTemplate dialogTemplate)
    : m_template(std::move(dialogTemplate)), m_self(std::make_shared<CDialog*>(this))
{
    for (const CControlTemplate& control : m_template.controls)
        m_controls.push_back(StateFromTemplate(control));
}

CDialog::~CDialog()
{
    m_self.reset();
}

int CDialog::DoModal()
{
    return ActiveUiBackend().RunModal(*this);
}

void CDialog::InitializeDialog()
{
    // A dialog object may be shown more than once: every showing starts from
    // the template again.
    m_controls.clear();
    for (const CControlTemplate& control : m_template.controls)
        m_controls.push_back(StateFromTemplate(control));
    m_ended = false;
    m_result = 0;
    m_visible = true;
    m_iconic = false;
    m_windowEnabled = true;
    m_windowWidth = 0;
    m_windowHeight = 0;
    m_frontCount = 0;
    StartMenuAndTimers();
    OnInitDialog();
}

void CDialog::UserClick(int id)
{
    const CControlState& control = Control(id);
    if (m_ended || !TakesUserInput(control))
        return;
    switch (control.type) {
    case ControlType::radioButton: {
        // The group runs from the nearest control at or before the button
        // that starts a group up to the next control that starts one.
        const auto index = static_cast<std::size_t>(&control - m_controls.data());
        std::size_t first = index;
        while (first > 0 && !m_template.controls[first].groupStart)
            --first;
        std::size_t last = index + 1;
        while (last < m_controls.size() && !m_template.controls[last].groupStart)
            ++last;
        for (std::size_t i = first; i < last; ++i) {
            CControlState& other = m_controls[i];
            if (other.type != ControlType::radioButton)
                continue;
            const int check = i == index ? 1 : 0;
            if (other.check != check) {
                other.check = check;
                Changed(other);
            }
        }
        break;
    }
    case ControlType::checkBox: {
        CControlState& box = MutableControl(id);
        box.check = box.check ? 0 : 1;
        Changed(box);
        break;
    }
    case ControlType::pushButton:
        if (id == kIdOk) {
            OnOK();
            return;
        }
        if (id == kIdCancel) {
            OnCancel();
            return;
        }
        break;
    default:
        // Edits, texts, lists, pictures and group boxes are not clicked.
        return;
    }
    OnClicked(id);
}

void CDialog::UserSelect(int id, int index)
{
    const CControlState& control = Control(id);
    if (m_ended || !TakesUserInput(control) || control.type != ControlType::dropDownList)
        return;
    if (index < 0 || index >= static_cast<int>(control.entries.size()))
        return;
    if (control.selection != index) {
        CControlState& list = MutableControl(id);
        list.selection = index;
        Changed(list);
    }
    OnSelectionChange(id);
}

void CDialog::UserSetText(int id, const std::string& text)
{
    const CControlState& control = Control(id);
    if (m_ended || !TakesUserInput(control) || control.type != ControlType::edit)
        return;
    const auto found = std::find_if(m_template.controls.begin(), m_template.controls.end(),
                                    [id](const CControlTemplate& c) { return c.id == id; });
    if (found != m_template.controls.end() && found->readOnly)
        return;
    SetItemText(id, text);
    OnEditChange(id);
}

void CDialog::UserSetDate(int id, const COleDate& date)
{
    const CControlState& control = Control(id);
    if (m_ended || !TakesUserInput(control) || control.type != ControlType::datePicker || !date.IsValid())
        return;
    SetDate(id, date);
    OnDateChange(id);
}

void CDialog::UserEnter()
{
    if (m_ended)
        return;
    const auto found = std::find_if(m_template.controls.begin(), m_template.controls.end(),
                                    [](const CControlTemplate& c) { return c.type == ControlType::pushButton && c.defaultButton; });
    if (found != m_template.controls.end()) {
        UserClick(found->id);
        return;
    }
    const bool hasOk = std::any_of(m_controls.begin(), m_controls.end(),
                                   [](const CControlState& c) { return c.id == kIdOk; });
    if (hasOk)
        UserClick(kIdOk);
    else
        OnOK();
}

void CDialog::UserEscape()
{
    if (!m_ended)
        OnCancel();
}

void CDialog::UserClose()
{
    if (!m_ended)
        OnClose();
}

void CDialog::UserSysCommand(SysCommand command)
{
    if (!m_ended)
        OnSysCommand(command);
}

const CControlState& CDialog::Control(int id) const
{
    const auto found = std::find_if(m_controls.begin(), m_controls.end(),
                                    [id](const CControlState& control) { return control.id == id; });
    if (found == m_controls.end())
        throw std::out_of_range("dialog " + std::to_string(m_template.id) + " has no control " + std::to_string(id));
    return *found;
}

CControlState& CDialog::MutableControl(int id)
{
    return const_cast<CControlState&>(Control(id));
}

void CDialog::Changed(const CControlState& control)
{
    if (m_observer)
        m_observer(control);
}

std::string CDialog::GetItemText(int id) const
{
    return Control(id).text;
}

void CDialog::SetItemText(int id, const std::string& text)
{
    CControlState& control = MutableControl(id);
    if (control.text == text)
        return;
    control.text = text;
    Changed(control);
}

void CDialog::EnableItem(int id, bool enable)
{
    CControlState& control = MutableControl(id);
    if (control.enabled == enable)
        return;
    control.enabled = enable;
    Changed(control);
}

bool CDialog::IsItemEnabled(int id) const
{
    return Control(id).enabled;
}

void CDialog::ShowItem(int id, bool show)
{
    CControlState& control = MutableControl(id);
    if (control.visible == show)
        return;
    control.visible = show;
    Changed(control);
}

bool CDialog::IsItemVisible(int id) const
{
    return Control(id).visible;
}

int CDialog::GetCheck(int id) const
{
    return Control(id).check;
}

void CDialog::SetCheck(int id, int check)
{
    CControlState& control = MutableControl(id);
    if (control.check == check)
        return;
    control.check = check;
    Changed(control);
}

void CDialog::CheckRadioButton(int first, int last, int id)
{
    for (CControlState& control : m_controls) {
        if (control.type != ControlType::radioButton || control.id < first || control.id > last)
            continue;
        const int check = control.id == id ? 1 : 0;
        if (control.check != check) {
            control.check = check;
            Changed(control);
        }
    }
}

int CDialog::GetCheckedRadioButton(int first, int last) const
{
    for (const CControlState& control : m_controls) {
        if (control.type == ControlType::radioButton && control.id >= first && control.id <= last && control.check)
            return control.id;
    }
    return 0;
}

void CDialog::SetDate(int id, const COleDate& date)
{
    CControlState& control = MutableControl(id);
    const COleDate shown = ShownDate(date);
    if (control.date == shown)
        return;
    control.date = shown;
    Changed(control);
}

COleDate CDialog::GetDate(int id) const
{
    return Control(id).date;
}

void CDialog::AddComboEntry(int id, const std::string& text)
{
    CControlState& control = MutableControl(id);
    control.entries.push_back(text);
    Changed(control);
}

int CDialog::GetComboCount(int id) const
{
    return static_cast<int>(Control(id).entries.size());
}

int CDialog::GetComboSelection(int id) const
{
    return Control(id).selection;
}

void CDialog::SetComboSelection(int id, int index)
{
    CControlState& control = MutableControl(id);
    // An index outside the entries leaves the list without a selection.
    if (index < 0 || index >= static_cast<int>(control.entries.size()))
        index = -1;
    if (control.selection == index)
        return;
    control.selection = index;
    Changed(control);
}

bool CDialog::OnInitDialog()
{
    DoDataExchange(false);
    return true;
}

void CDialog::OnOK()
{
    DoDataExchange(true);
    EndDialog(kIdOk);
}

void CDialog::OnCancel()
{
    EndDialog(kIdCancel);
}

void CDialog::EndDialog(int result)
{
    m_ended = true;
    m_result = result;
}

} // namespace tarnwel
