#pragma once
// Dialog 132: the connection (server URL, user name, password), the
// replication period ("all" or changes since a date) and the four buttons
// that open the rule dialogs. It writes into the settings record only at its
// OK; a rule dialog opened from it writes at its own OK, so Cancel here keeps
// what a rule dialog has already stored.
//
// Both programs show it: the client as "Replikatoreigenschaften
// konfigurieren", the wizard (CWizardConfigDialog) with ids and texts of its
// own. The variant and the program's resource table given at construction
// choose them; the rule dialogs it opens get the same two.

#include "platform/ui/CDialog.h"
#include "platform/ui/CResourceTable.h"
#include "resources/dialogs/ConfigDialogIds.h"
#include "settings/CReplicationSettings.h"

#include <string>

namespace tarnwel {

class CConfigDialog : public CDialog {
public:
    static constexpr int kTemplateId = config_dialog::kTemplateId;

    CConfigDialog(CReplicationSettings& settings, DialogVariant variant, const CResourceTable& resources);

    // Exchanged with the three edits.
    std::string m_url;
    std::string m_userName;
    std::string m_password;

protected:
    bool OnInitDialog() override;
    void OnClicked(int id) override;
    void OnOK() override;
    void DoDataExchange(bool save) override;

private:
    // Runs the rule dialog of `Dialog` on the same record, modally.
    template <class Dialog>
    void RunRulesDialog();

    CReplicationSettings& m_settings;
    DialogVariant m_variant;
    const CResourceTable& m_resources;
    config_dialog::CConfigIds m_ids;
};

} // namespace tarnwel
