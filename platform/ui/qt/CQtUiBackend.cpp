#include "platform/ui/qt/CQtUiBackend.h"

#include "platform/ui/CDialog.h"

#include <QApplication>
#include <QMessageBox>

namespace tarnwel {

CQtUiBackend::CQtUiBackend(const CResourceTable* resources) : m_resources(resources) {}

CQtUiBackend::~CQtUiBackend() = default;

int CQtUiBackend::RunModal(CDialog& dialog)
{
    dialog.InitializeDialog();
    dialog.UserEscape();
    return dialog.Result();
}

MessageBoxResult CQtUiBackend::ShowMessageBox(const CMessageBoxRequest& request)
{
    return request.defaultButton;
}

void CQtUiBackend::EndProgram(int /*exitCode*/) {}

} // namespace tarnwel
