#pragma once

#include "platform/automation/MapiFolder.h"

namespace tarnwel {

// The default folders of the mail/calendar store.
namespace default_folders {
constexpr int kCalendar = 9;
constexpr int kContacts = 10;
constexpr int kTasks = 13;
} // namespace default_folders

class CNameSpace : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    // Logs on with the default profile: all four arguments omitted.
    void Logon() const
    {
        const CVariant omitted = CVariant::Omitted();
        Invoke("Logon", {omitted, omitted, omitted, omitted});
    }
    CMapiFolder GetDefaultFolder(int folder) const
    {
        return CMapiFolder(Invoke("GetDefaultFolder", {CVariant(folder)}).ToObject());
    }
    void Logoff() const { Invoke("Logoff"); }
};

} // namespace tarnwel
