#pragma once
// The ui backend of the programs: dialogs from their templates as Qt widgets,
// message boxes as QMessageBox. Create it on the user-interface thread after
// the QApplication; modal calls from other threads are carried to that
// thread while the caller waits.

#include "platform/ui/CResourceTable.h"
#include "platform/ui/UiBackend.h"

namespace tarnwel {

class CQtUiBackend : public IUiBackend {
public:
    // `resources` (not owned) names the icons of buttons and pictures.
    explicit CQtUiBackend(const CResourceTable* resources = nullptr);
    ~CQtUiBackend() override;

    int RunModal(CDialog& dialog) override;
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override;
    void EndProgram(int exitCode) override;

private:
    const CResourceTable* m_resources;
};

} // namespace tarnwel
