#include "client/app/ClientTestHooks.h"

#include "platform/ui/qt/CQtUiBackend.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tarnwel {

MessageBoxResult CBoxLogBackend::ShowMessageBox(const CMessageBoxRequest& request)
{
    std::string text;
    for (const char c : request.text)
        text += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    {
        std::lock_guard lock(m_mutex);
        std::ofstream log(m_logPath, std::ios::app | std::ios::binary);
        log << request.caption << '\t' << text << '\n';
    }
    return AnswerWithoutWindow(request);
}

std::vector<int> ClientTestCommands()
{
    std::vector<int> commands;
    const char* value = std::getenv("TARNWEL_CLIENT_TEST_COMMANDS");
    if (value == nullptr)
        return commands;
    std::stringstream list(value);
    std::string item;
    while (std::getline(list, item, ','))
        if (const int id = std::atoi(item.c_str()); id > 0)
            commands.push_back(id);
    return commands;
}

} // namespace tarnwel
