#pragma once
// A dialog that behaves like a program living in the tray: minimising hides
// the window instead, and the close box only minimises. It records every
// system command that reaches it.

#include "platform/ui/CDialog.h"

#include <utility>
#include <vector>

namespace tarnwel::test {

template <typename Base>
class CTrayLikeDialog : public Base {
public:
    template <typename... Arguments>
    explicit CTrayLikeDialog(Arguments&&... arguments) : Base(std::forward<Arguments>(arguments)...)
    {
    }

    std::vector<SysCommand> m_commands;

protected:
    void OnSysCommand(SysCommand command) override
    {
        m_commands.push_back(command);
        CDialog::OnSysCommand(command);
        if (command == SysCommand::minimize)
            this->ShowWindow(ShowCommand::hide);
    }
    void OnClose() override { this->PostSysCommand(SysCommand::minimize); }
};

} // namespace tarnwel::test
