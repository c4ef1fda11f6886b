#pragma once
// Hands the messages that other processes send to the running client
// (CSingleInstance) to a handler on the user-interface thread, as the event
// loop finds the socket readable; also while a modal dialog's loop runs.

#include "platform/ui/CSingleInstance.h"

#include <functional>
#include <string>

class QSocketNotifier;

namespace tarnwel {

class CQtInstanceListener {
public:
    using Handler = std::function<void(const std::string& message)>;

    // `instance` (not owned) must be claimed and outlive the listener.
    // Create on the user-interface thread.
    CQtInstanceListener(CSingleInstance& instance, Handler handler);
    ~CQtInstanceListener();
    CQtInstanceListener(const CQtInstanceListener&) = delete;
    CQtInstanceListener& operator=(const CQtInstanceListener&) = delete;

private:
    void Readable();

    CSingleInstance& m_instance;
    Handler m_handler;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tarnwel
