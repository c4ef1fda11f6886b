#include "platform/automation/ProgIdRegistry.h"

#include "platform/automation/MemberName.h"
#include "platform/base/ComError.h"

#include <mutex>
#include <unordered_map>

namespace tarnwel {
namespace {

struct CRegistry {
    std::mutex mutex;
    std::unordered_map<std::string, DispatchFactory, CMemberNameHash, CMemberNameEqual> factories;
};

CRegistry& Registry()
{
    static CRegistry registry;
    return registry;
}

} // namespace

DispatchFactory CProgIdRegistry::Register(std::string_view progId, DispatchFactory factory)
{
    CRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    DispatchFactory previous;
    const auto it = registry.factories.find(progId);
    if (it != registry.factories.end()) {
        previous = std::move(it->second);
        registry.factories.erase(it);
    }
    if (factory)
        registry.factories.emplace(std::string(progId), std::move(factory));
    return previous;
}

DispatchPtr CProgIdRegistry::Create(std::string_view progId)
{
    DispatchFactory factory;
    {
        CRegistry& registry = Registry();
        std::lock_guard lock(registry.mutex);
        const auto it = registry.factories.find(progId);
        if (it == registry.factories.end())
            throw CComError(com_codes::kInvalidClassString, "Invalid class string: " + std::string(progId));
        factory = it->second;
    }
    // The factory runs unlocked: it may take its time or use the registry itself.
    DispatchPtr object = factory();
    if (!object)
        throw CComError(com_codes::kFail, "The class " + std::string(progId) + " made no object");
    return object;
}

CScopedProgIdRegistration::CScopedProgIdRegistration(DispatchFactory factory, std::string progId)
    : m_progId(std::move(progId)), m_previous(CProgIdRegistry::Register(m_progId, std::move(factory)))
{
}

CScopedProgIdRegistration::~CScopedProgIdRegistration()
{
    CProgIdRegistry::Register(m_progId, std::move(m_previous));
}

} // namespace tarnwel
