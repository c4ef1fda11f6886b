#pragma once
// Offers one automation object on the session bus: claims the bus name and
// serves an object at the path whose interface has no methods and no
// properties (its introspection carries the dispatch interface id as an
// annotation). A bus client holds the object: the first client whose message
// reaches the path makes the object (through the factory) and holds it until
// it leaves the bus. The name is given up as soon as that client holds the
// object, so that the next client has the bus start a process of its own (one
// client and one object per process); the holding client reaches the object
// through the process's unique name (the sender of its replies). When the
// holder leaves, the object is released and the path is given up too. Every
// call of a member fails as unknown.
//
// Runs on the thread with the Qt event loop that created it.

#include "platform/automation/DispatchObject.h"
#include "platform/automation/Variant.h"
#include "platform/automation/dbus/BusNames.h"

#include <functional>
#include <memory>
#include <string>

namespace tarnwel {

class CBusAutomationServer {
public:
    using ObjectFactory = std::function<DispatchPtr()>;

    CBusAutomationServer(CBusNames names, std::string dispatchInterfaceId, ObjectFactory factory);
    ~CBusAutomationServer();
    CBusAutomationServer(const CBusAutomationServer&) = delete;
    CBusAutomationServer& operator=(const CBusAutomationServer&) = delete;

    // Connects to the session bus, serves the path and claims the name.
    // False with the reason in `error` when no session bus is reachable or
    // the name belongs to another process.
    bool Serve(std::string* error = nullptr);

    // The object that a client holds now; null before a client came and
    // after it left.
    DispatchPtr HeldObject() const;
    // Called once the holding client left and the object was released.
    void SetReleasedHandler(std::function<void()> handler);

    // The introspection of the object's own interface.
    std::string InterfaceXml() const;

    struct CState;

private:
    std::unique_ptr<CState> m_state;
};

} // namespace tarnwel
