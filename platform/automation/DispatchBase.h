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
// objects differ in the members they offer. Either way the table it returns
// lives, unchanged, as long as the program: callers keep member ids by it.

#include "platform/automation/DispatchObject.h"
#include "platform/automation/MemberName.h"
#include "platform/base/ComError.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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

    CMemberTable() = default;
    CMemberTable(const CMemberTable&) = default;
    CMemberTable(CMemberTable&&) noexcept = default;
    CMemberTable& operator=(const CMemberTable&) = default;
    // Safe for `table = std::move(table).Property(...)`, which moves a table
    // onto itself.
    CMemberTable& operator=(CMemberTable&& other) noexcept
    {
        if (this != &other) {
            m_members = std::move(other.m_members);
            m_slots = std::move(other.m_slots);
        }
        return *this;
    }

    // A property; without a putter it is read-only.
    CMemberTable&& Property(std::string name, GetterFn get, PutterFn put = {}) &&
    {
        Member& member = Entry(std::move(name));
        member.get = std::move(get);
        member.put = std::move(put);
        return std::move(*this);
    }
    CMemberTable&& Method(std::string name, MethodFn call) &&
    {
        Entry(std::move(name)).call = std::move(call);
        return std::move(*this);
    }

    // The member of that name, or none.
    const Member* Find(std::string_view name) const
    {
        const int id = IdOf(name);
        return id < 0 ? nullptr : &m_members[static_cast<std::size_t>(id)].member;
    }
    // The id of the member of that name (its place in the table), or -1.
    int IdOf(std::string_view name) const
    {
        const std::size_t index = Slot(name, QuickHash(name));
        return m_slots.empty() || m_slots[index].member == 0 ? -1 : static_cast<int>(m_slots[index].member - 1);
    }
    // The member of an id that IdOf gave.
    const Member& ById(int id) const { return m_members.at(static_cast<std::size_t>(id)).member; }

private:
    struct CNamedMember {
        std::string name;
        Member member;
    };

    // A hash of the length and three letters, which tells the members of an
    // object apart well enough for the slot table below and costs a few
    // instructions instead of a pass over the name, whose use at every call
    // of a member would cost more than the call itself.
    static std::uint32_t QuickHash(std::string_view name) noexcept
    {
        if (name.empty())
            return 0;
        const auto lower = [](char c) {
            return static_cast<std::size_t>(static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
        };
        const std::size_t mixed = name.size() ^ (lower(name.front()) << 8) ^ (lower(name[name.size() / 2]) << 16) ^
            (lower(name.back()) << 24);
        return static_cast<std::uint32_t>((mixed * 0x9E3779B97F4A7C15ull) >> 32);
    }

    // A place in m_members plus one (0: an empty slot) and the QuickHash of
    // its name, compared before the name.
    struct CSlot {
        std::uint32_t member = 0;
        std::uint32_t hash = 0;
    };

    // The slot that holds the member of that name, or the empty slot where it
    // would go. At most half of the slots are used, so a probe ends soon.
    std::size_t Slot(std::string_view name, std::uint32_t hash) const
    {
        if (m_slots.empty())
            return 0;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            const CSlot& slot = m_slots[index];
            if (slot.member == 0 ||
                (slot.hash == hash && CMemberNameEqual()(m_members[slot.member - 1].name, name)))
                return index;
        }
    }

    Member& Entry(std::string name)
    {
        if (m_members.size() + 1 > m_slots.size() / 2) {
            m_slots.assign(m_slots.empty() ? 16 : m_slots.size() * 2, CSlot{});
            for (std::size_t position = 0; position < m_members.size(); ++position) {
                const std::uint32_t hash = QuickHash(m_members[position].name);
                m_slots[Slot(m_members[position].name, hash)] = {static_cast<std::uint32_t>(position + 1), hash};
            }
        }
        const std::uint32_t hash = QuickHash(name);
        const std::size_t index = Slot(name, hash);
        if (m_slots[index].member == 0) {
            m_members.push_back({std::move(name), {}});
            m_slots[index] = {static_cast<std::uint32_t>(m_members.size()), hash};
        }
        return m_members[m_slots[index].member - 1].member;
    }

    std::vector<CNamedMember> m_members;
    std::vector<CSlot> m_slots;
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

    // The ids are places in the class's member table. A class that overrides
    // GetProperty, PutProperty or Invoke overrides GetPropertyById,
    // PeekPropertyById, PutPropertyById or InvokeById the same way.
    const void* MemberClass() const override { return &Self().MemberTable(); }
    int MemberId(std::string_view name) override { return Self().MemberTable().IdOf(name); }
    CVariant GetPropertyById(int id, std::string_view name) override
    {
        const auto& member = Self().MemberTable().ById(id);
        if (!member.get)
            ThrowNotFound(name, "is no readable property");
        return member.get(Self());
    }
    void PutPropertyById(int id, std::string_view name, const CVariant& value) override
    {
        const auto& member = Self().MemberTable().ById(id);
        if (!member.put)
            ThrowNotFound(name, "is no writable property");
        member.put(Self(), value);
    }
    CVariant InvokeById(int id, std::string_view name, const std::vector<CVariant>& arguments) override
    {
        const auto& member = Self().MemberTable().ById(id);
        if (!member.call)
            ThrowNotFound(name, "is no method");
        return member.call(Self(), arguments);
    }

private:
    T& Self() { return static_cast<T&>(*this); }
    const T& Self() const { return static_cast<const T&>(*this); }

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
