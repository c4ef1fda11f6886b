#pragma once
// The wizard's automation class "Tarnwel.Application": an object with no
// methods and no properties that keeps the wizard alive while a client holds
// it. At construction it locks the application and, when the application's
// main window is the first-replication page, stores itself in that page's
// proxy pointer (so that closing, OK and cancel only hide the page); during
// an installer start the main window is the connection page and the proxy
// links to no page at all. Destruction unlocks the application and clears
// the page's pointer, and a page that hid itself on a close, OK or cancel
// meanwhile closes then; the last reference's release deletes the object.
// At most one proxy lives in a process: the class factory hands the living
// one to every further client in the process.

#include "platform/automation/DispatchBase.h"

#include <string_view>

namespace tarnwel {

class CTarnwelDlg;
class CWizardApp;

class CTarnwelDlgAutoProxy : public CDispatchBase<CTarnwelDlgAutoProxy> {
public:
    static constexpr std::string_view kProgId = "Tarnwel.Application";
    static constexpr std::string_view kClassId = "{34A59456-785D-4D96-8E3B-772C70CA901B}";
    static constexpr std::string_view kDispatchInterfaceId = "{C1B8747F-8CC2-41E3-970E-4FC41F4E7022}";

    // Locks and links to CWizardApp::Current(); without an application it
    // locks nothing and links to nothing.
    CTarnwelDlgAutoProxy();
    ~CTarnwelDlgAutoProxy() override;

    // The class factory: the living proxy, or a new one.
    static DispatchPtr Create();
    // Puts the class factory into the ProgID registry of this process.
    static void Register();

    // Empty: every member name is unknown.
    static const CMemberTable<CTarnwelDlgAutoProxy>& MemberTable();

    // The page this proxy holds; the page clears it when it goes.
    CTarnwelDlg* m_pDialog = nullptr;

private:
    CWizardApp* m_app = nullptr;
};

} // namespace tarnwel
