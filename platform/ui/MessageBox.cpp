#include "platform/ui/MessageBox.h"

#include "platform/ui/UiBackend.h"

#include <cerrno>
#include <mutex>

namespace tarnwel {

namespace {

std::mutex g_mutex;
std::string g_title;
bool g_titleSet = false;

} // namespace

MessageBoxResult ShowMessageBox(const std::string& text, MessageBoxButtons buttons, MessageBoxIcon icon)
{
    CMessageBoxRequest request;
    request.text = text;
    request.buttons = buttons;
    request.icon = icon;
    request.defaultButton = buttons == MessageBoxButtons::yesNo ? MessageBoxResult::yes : MessageBoxResult::ok;
    return ShowMessageBox(std::move(request));
}

MessageBoxResult ShowMessageBox(CMessageBoxRequest request)
{
    if (request.caption.empty())
        request.caption = ApplicationTitle();
    return ActiveUiBackend().ShowMessageBox(request);
}

void SetApplicationTitle(const std::string& title)
{
    std::lock_guard lock(g_mutex);
    g_title = title;
    g_titleSet = true;
}

std::string ApplicationTitle()
{
    std::lock_guard lock(g_mutex);
    return g_titleSet ? g_title : std::string(program_invocation_short_name);
}

} // namespace tarnwel
