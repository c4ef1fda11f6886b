#include "client/CCategoryDialog.h"

#include "resources/client/ClientResources.h"

namespace tarnwel {

using namespace category_dialog;

namespace {

constexpr int kBoxes[] = {kAppointments, kContacts, kTasks};

} // namespace

CCategoryDialog::CCategoryDialog(CReplicationSettings& settings, Mode mode)
    : CDialog(ClientResources().Dialog(kTemplateId)), m_settings(settings), m_mode(mode)
{
}

int* CCategoryDialog::Flag(int box)
{
    const bool vacuum = m_mode == Mode::vacuum;
    switch (box) {
    case kAppointments:
        return vacuum ? &m_settings.vacuumAppointments : &m_settings.replicateAppointments;
    case kContacts:
        return vacuum ? &m_settings.vacuumContacts : &m_settings.replicateContacts;
    default:
        return vacuum ? &m_settings.vacuumTasks : &m_settings.replicateTasks;
    }
}

bool CCategoryDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (const int box : kBoxes)
        SetCheck(box, *Flag(box) != 0 ? 1 : 0);
    if (m_mode == Mode::vacuum)
        SetItemText(kPrompt, "Wählen Sie die zu löschenden Elemente:");
    return true;
}

void CCategoryDialog::OnOK()
{
    for (const int box : kBoxes)
        *Flag(box) = GetCheck(box) != 0 ? 1 : 0;
    EndDialog(kIdOk);
}

} // namespace tarnwel
