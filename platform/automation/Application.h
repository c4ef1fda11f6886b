#pragma once

#include "platform/automation/NameSpace.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/base/ComError.h"

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

    // Asks the local store not to create its file when it is missing (the
    // first GetNamespace then raises CComError com_codes::kFileNotFound).
    // A store that always exists has no such property; that is no error.
    void RefuseToCreateMissingStore() const
    {
        try {
            PutProperty("CreateMissingStore", CVariant(false));
        } catch (const CComError& error) {
            if (error.Code() != com_codes::kUnknownName)
                throw;
        }
    }
};

} // namespace tarnwel
