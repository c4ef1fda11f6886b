#pragma once

#include "platform/automation/NameSpace.h"
#include "platform/automation/ProgIdRegistry.h"

namespace tarnwel {

class CApplication : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    // The object registered under the ProgID; raises the CComError of a failed
    // creation (CProgIdRegistry::Create).
    static CApplication Create(std::string_view progId = "Outlook.Application")
    {
        return CApplication(CProgIdRegistry::Create(progId));
    }

    CNameSpace GetNamespace(std::string_view type = "MAPI") const
    {
        return CNameSpace(Invoke("GetNamespace", {CVariant(type)}).ToObject());
    }
};

} // namespace tarnwel
