#pragma once
// The classes that can be created by ProgID, as the system's registry of
// automation servers holds them. Programs register the servers they offer
// (RegisterPimStore() puts the local item store under "Outlook.Application");
// tests put a fake under a ProgID for the life of a CScopedProgIdRegistration.
// ProgIDs are matched ignoring ASCII letter case. Safe to use from any thread.

#include "platform/automation/DispatchObject.h"

#include <functional>
#include <string>
#include <string_view>

namespace tarnwel {

// Makes a new object; may raise CComError with its own code.
using DispatchFactory = std::function<DispatchPtr()>;

class CProgIdRegistry {
public:
    // Puts `factory` under `progId` and returns the factory it replaces (empty
    // when there was none). An empty factory removes the registration.
    static DispatchFactory Register(std::string_view progId, DispatchFactory factory);

    // A new object of the class registered under `progId`. Raises CComError:
    // com_codes::kInvalidClassString for an unregistered ProgID, the factory's
    // own error when it fails, and com_codes::kFail when it returns no object.
    static DispatchPtr Create(std::string_view progId);
};

// Registers a factory while the object lives and restores the former one after.
class CScopedProgIdRegistration {
public:
    explicit CScopedProgIdRegistration(DispatchFactory factory, std::string progId = "Outlook.Application");
    ~CScopedProgIdRegistration();
    CScopedProgIdRegistration(const CScopedProgIdRegistration&) = delete;
    CScopedProgIdRegistration& operator=(const CScopedProgIdRegistration&) = delete;

private:
    std::string m_progId;
    DispatchFactory m_previous;
};

} // namespace tarnwel
