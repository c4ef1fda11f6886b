#include "platform/ui/UserNotices.h"

#include "platform/ui/UiBackend.h"

#include <cstdio>
#include <cstdlib>

namespace tarnwel {

void ReportToUser(const std::string& text, MessageBoxIcon icon, bool foreground)
{
    CMessageBoxRequest request;
    request.text = text;
    request.icon = icon;
    request.foreground = foreground;
    ShowMessageBox(std::move(request));
}

void EndProgramAfterMessage(const std::string& text, int exitCode)
{
    ReportToUser(text, MessageBoxIcon::stop, true);
    ActiveUiBackend().EndProgram(exitCode);
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace tarnwel
