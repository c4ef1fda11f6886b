#pragma once
// Watches the running client's socket (CSingleInstance) on a thread of its
// own and hands every message that another process sends to a handler on that
// thread; the program carries it to its user-interface thread (the ui
// backend's Post). Reading on a thread of its own keeps a sender that is slow
// to write from holding up the windows.

#include "platform/ui/CSingleInstance.h"

#include <functional>
#include <string>
#include <thread>

namespace tarnwel {

class CInstanceListener {
public:
    using Handler = std::function<void(const std::string& message)>;

    // `instance` (not owned) must be claimed and outlive the listener.
    CInstanceListener(CSingleInstance& instance, Handler handler);
    // Ends the thread; no handler call runs after it returns.
    ~CInstanceListener();
    CInstanceListener(const CInstanceListener&) = delete;
    CInstanceListener& operator=(const CInstanceListener&) = delete;

private:
    void Listen();

    CSingleInstance& m_instance;
    Handler m_handler;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace tarnwel
