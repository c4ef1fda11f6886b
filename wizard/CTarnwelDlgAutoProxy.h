#pragma once
// Placeholder of the automation proxy: only the link to its dialog, which
// the dialog clears when it goes. The automation code replaces this file.

namespace tarnwel {

class CTarnwelDlg;

class CTarnwelDlgAutoProxy {
public:
    CTarnwelDlg* m_pDialog = nullptr;
};

} // namespace tarnwel
