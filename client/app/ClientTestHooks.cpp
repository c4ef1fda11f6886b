#include "client/app/ClientTestHooks.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tarnwel {

MessageBoxResult CClientUiBackend::ShowMessageBox(const CMessageBoxRequest& request)
{
    if (m_boxLogPath.empty())
        return m_next.ShowMessageBox(request);
    std::string text;
    for (const char c : request.text)
        text += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    {
        std::lock_guard lock(m_mutex);
        std::ofstream log(m_boxLogPath, std::ios::app | std::ios::binary);
        log << request.caption << '\t' << text << '\n';
    }
    return AnswerWithoutWindow(request);
}

void CClientUiBackend::Post(std::function<void()> call)
{
    m_next.Post(std::move(call));
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
