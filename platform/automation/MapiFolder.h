#pragma once

#include "platform/automation/Items.h"
#include "platform/base/ComError.h"

#include <string>

namespace tarnwel {

class CMapiFolder : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    CItems GetItems() const { return CItems(GetProperty("Items").ToObject()); }
    // The identity of the store that holds the folder: stable for the
    // store's life, another for another or a new store. Empty for a store
    // that offers none (no such property).
    std::string GetStoreID() const
    {
        try {
            return GetProperty("StoreID").ToText();
        } catch (const CComError& error) {
            if (error.Code() != com_codes::kUnknownName)
                throw;
            return {};
        }
    }
};

} // namespace tarnwel
