#pragma once

#include "platform/automation/UserProperty.h"

namespace tarnwel {

// The user properties of an item, as its form defines them.
class CUserProperties : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    // The property of that name; a null wrapper when the item's form has none.
    CUserProperty Item(std::string_view name) const
    {
        CKept& kept = Kept();
        if (kept.inUse)
            return CUserProperty(Invoke("Item", {CVariant(name)}).ToObject());
        struct CRelease {
            bool& inUse;
            ~CRelease() { inUse = false; }
        } release{kept.inUse};
        kept.inUse = true;
        kept.arguments[0].AssignText(name);
        return CUserProperty(Invoke("Item", kept.arguments, kept.memberIdCache).ToObject());
    }

    // The value of the property of that name as text (CVariant::ToText), ""
    // when the item's form has none; where the object holds the value, read
    // at once without the property object.
    std::string ValueText(std::string_view name) const
    {
        static thread_local CMemberIdCache valueCache;
        const CVariant* value = nullptr;
        if (!IsNull() && Object()->PeekCachedItemProperty(Kept().memberIdCache, name, valueCache, value)) {
            if (value == nullptr)
                return {};
            if (const std::string* text = value->GetText())
                return *text;
            return value->ToText();
        }
        const CUserProperty property = Item(name);
        return property.IsNull() ? std::string() : property.GetTextProperty("Value", valueCache);
    }

private:
    // Items are read by name many times in a row (a contact has six): the
    // argument list is kept for the thread instead of being built at every
    // call. A call made while one runs builds its own.
    struct CKept {
        std::vector<CVariant> arguments = std::vector<CVariant>(1);
        bool inUse = false;
        CMemberIdCache memberIdCache;
    };
    static CKept& Kept()
    {
        static thread_local CKept kept;
        return kept;
    }
};

} // namespace tarnwel
