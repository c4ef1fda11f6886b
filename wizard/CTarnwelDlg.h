#pragma once
// Page 102, "DRAV Konfiguration": how Outlook items are replicated the very
// first time. It is the application's main window for a user's start, and
// the dialog an automation client holds on to: while a proxy is attached,
// closing, OK and cancel only hide the page.

#include "wizard/CChoicePage.h"

#include <string>

namespace tarnwel {

class CTarnwelDlgAutoProxy;

class CTarnwelDlg : public CChoicePage {
public:
    CTarnwelDlg(CWizardContext& context, bool showBack);
    CTarnwelDlg(const CTarnwelDlg&) = delete;
    CTarnwelDlg& operator=(const CTarnwelDlg&) = delete;
    // Clears the attached proxy's link to this page.
    ~CTarnwelDlg() override;

    // The automation proxy that holds this page; null without one.
    CTarnwelDlgAutoProxy* m_pAutoProxy = nullptr;
    void AttachAutoProxy(CTarnwelDlgAutoProxy* proxy) { m_pAutoProxy = proxy; }
    void DetachAutoProxy() { m_pAutoProxy = nullptr; }

    // The system-menu command of the about box (commands 0x10 to 0x1F open it).
    static constexpr int kAboutCommand = 0x10;
    // A command of the page's system menu: 0x10 to 0x1F open the about box;
    // the others change nothing here.
    void OnSystemMenuCommand(int command);
    // The system menu's about entry; empty when the string table has none.
    static std::string AboutMenuText();

    bool ShowBack() const { return m_showBack; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void ApplyChoice(int id) override;
    std::unique_ptr<CDialog> NextPage() override;

private:
    // True when the page may close; with a proxy attached it hides instead.
    bool CanExit();
    // Hides the page for the automation client that holds it.
    void HidePage();

    bool m_showBack;
};

} // namespace tarnwel
