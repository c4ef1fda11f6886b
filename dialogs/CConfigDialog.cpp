#include "dialogs/CConfigDialog.h"

#include "dialogs/CNewRulesDialog.h"
#include "dialogs/COLDeletedRulesDialog.h"
#include "dialogs/COvrRulesDialog.h"
#include "dialogs/CTWDeletedRulesDialog.h"

namespace tarnwel {

CConfigDialog::CConfigDialog(CReplicationSettings& settings, DialogVariant variant, const CResourceTable& resources)
    : CDialog(resources.Dialog(kTemplateId)),
      m_settings(settings),
      m_variant(variant),
      m_resources(resources),
      m_ids(config_dialog::Ids(variant))
{
}

bool CConfigDialog::OnInitDialog()
{
    m_url = m_settings.serverUrl;
    m_userName = m_settings.userName;
    m_password = m_settings.password;
    CDialog::OnInitDialog();
    // A "since" date that is not valid shows, and is then stored as, today.
    SetDate(m_ids.sinceDate, m_settings.since);
    const bool all = m_settings.all != 0;
    SetCheck(m_ids.all, all ? 1 : 0);
    SetCheck(m_ids.since, all ? 0 : 1);
    EnableItem(m_ids.sinceDate, !all);
    return true;
}

void CConfigDialog::DoDataExchange(bool save)
{
    if (save) {
        m_url = GetItemText(m_ids.url);
        m_userName = GetItemText(m_ids.userName);
        m_password = GetItemText(m_ids.password);
    } else {
        SetItemText(m_ids.url, m_url);
        SetItemText(m_ids.userName, m_userName);
        SetItemText(m_ids.password, m_password);
    }
}

template <class Dialog>
void CConfigDialog::RunRulesDialog()
{
    Dialog dialog(m_settings, m_variant, m_resources);
    dialog.DoModal();
}

void CConfigDialog::OnClicked(int id)
{
    if (id == m_ids.since)
        EnableItem(m_ids.sinceDate, true);
    else if (id == m_ids.all)
        EnableItem(m_ids.sinceDate, false);
    else if (id == m_ids.ovrRules)
        RunRulesDialog<COvrRulesDialog>();
    else if (id == m_ids.olDeletedRules)
        RunRulesDialog<COLDeletedRulesDialog>();
    else if (id == m_ids.twDeletedRules)
        RunRulesDialog<CTWDeletedRulesDialog>();
    else if (id == m_ids.newRules)
        RunRulesDialog<CNewRulesDialog>();
}

void CConfigDialog::OnOK()
{
    DoDataExchange(true);
    m_settings.serverUrl = m_url;
    m_settings.userName = m_userName;
    m_settings.password = m_password;
    if (GetCheck(m_ids.since)) {
        m_settings.since = GetDate(m_ids.sinceDate);
        m_settings.all = 0;
    } else {
        // The "since" date stays as it was.
        m_settings.all = 1;
    }
    EndDialog(kIdOk);
}

} // namespace tarnwel
