#pragma once
// A base for automation objects written in C++: the concrete class T lists its
// members once, in a table shared by all its objects, and the base answers the
// by-name calls from that table.
//
//   class CThing : public CDispatchBase<CThing> {
//   public:
//       static const CMemberTable<CThing>& MemberTable()
//       {
//           static const auto table = CMemberTable<CThing>()
//               .Property("Name", &CThing::GetName, &CThing::PutName)
//               .Method("Save", &CThing::Save);
//           return table;
//       }
//   };
//
// MemberTable() may also be a non-static member function, for a class whose
// objects differ in the members they offer.

#include "platform/automation/DispatchObject.h"
#include "platform/automation/MemberName.h"
#include "platform/base/ComError.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <utility>

namespace tarnwel {

template <class T>
class CMemberTable {
public:
    using GetterFn = std::function<CVariant(T&)>;
    using PutterFn = std::function<void(T&, const CVariant&)>;
    using MethodFn = std::function<CVariant(T&, const std::vector<CVariant>&)>;

    struct Member {
        GetterFn get;
        PutterFn put;
        MethodFn call;
    };

    // A property; without a putter it is read-only.
    CMemberTable&& Property(std::string name, GetterFn get, PutterFn put = {}) &&
    {
        Member& member = m_members[std::move(name)];
        member.get = std::move(get);
        member.put = std::move(put);
        return std::move(*this);
    }
    CMemberTable&& Method(std::string name, MethodFn call) &&
    {
        m_members[std::move(name)].call = std::move(call);
        return std::move(*this);
    }

    // The member of that name, or none.
    const Member* Find(std::string_view name) const
    {
        const auto it = m_members.find(name);
        return it == m_members.end() ? nullptr : &it->second;
    }

private:
    std::unordered_map<std::string, Member, CMemberNameHash, CMemberNameEqual> m_members;
};

// Raises com_codes::kBadParamCount when `arguments` has fewer than `count` values.
void RequireArguments(std::string_view member, const std::vector<CVariant>& arguments, std::size_t count);

template <class T>
class CDispatchBase : public CDispatchObject {
public:
    CVariant GetProperty(std::string_view name) override
    {
        const auto& member = Lookup(name);
        if (!member.get)
            ThrowNotFound(name, "is no readable property");
        return member.get(Self());
    }
    void PutProperty(std::string_view name, const CVariant& value) override
    {
        const auto& member = Lookup(name);
        if (!member.put)
            ThrowNotFound(name, "is no writable property");
        member.put(Self(), value);
    }
    CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments) override
    {
        const auto& member = Lookup(name);
        if (!member.call)
            ThrowNotFound(name, "is no method");
        return member.call(Self(), arguments);
    }

private:
    T& Self() { return static_cast<T&>(*this); }

    const typename CMemberTable<T>::Member& Lookup(std::string_view name)
    {
        const auto* member = Self().MemberTable().Find(name);
        if (member == nullptr)
            throw CComError(com_codes::kUnknownName, "Unknown name: " + std::string(name));
        return *member;
    }
    [[noreturn]] static void ThrowNotFound(std::string_view name, const char* what)
    {
        throw CComError(com_codes::kMemberNotFound, std::string(name) + " " + what);
    }
};

} // namespace tarnwel
