#pragma once
// The calls of one thread to the data server. Every call goes out on a main
// context of the caller's own (never the program's default one, which the
// user-interface thread runs) and is waited for with a limit: a data server
// that does not answer in time gives CComError (com_codes::kTimeout), one
// that ends or refuses gives CComError (com_codes::kFail) with its message,
// and a raised stop flag (SetDataServerStopFlag) ends the wait at once with
// com_codes::kAbort. Only the thread that made the loop may use it.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

typedef struct _GMainContext GMainContext;
typedef struct _GCancellable GCancellable;
typedef struct _GAsyncResult GAsyncResult;
typedef struct _GObject GObject;
typedef struct _GError GError;
typedef void (*GAsyncReadyCallback)(GObject*, GAsyncResult*, void*);

namespace tarnwel {

// The stop flag that the waits of this thread watch (none: null): the
// thread's stop flag of platform/base/StopFlag.h, which a replication sets to
// its abort flag for its length, so that Stop ends a wait at once.
void SetDataServerStopFlag(const std::atomic<bool>* flag);
const std::atomic<bool>* DataServerStopFlag();

class CEdsLoop {
public:
    explicit CEdsLoop(std::chrono::milliseconds limit);
    ~CEdsLoop();
    CEdsLoop(const CEdsLoop&) = delete;
    CEdsLoop& operator=(const CEdsLoop&) = delete;

    GMainContext* Context() const { return m_context; }

    // Starts an asynchronous call with `start(cancellable, callback, data)`
    // and waits for its result, which `finish(result, &error)` takes; raises
    // the call's error, described as `what`.
    using StartFn = std::function<void(GCancellable*, GAsyncReadyCallback, void*)>;
    using FinishFn = std::function<bool(GAsyncResult*, GError**)>;
    void Call(const std::string& what, const StartFn& start, const FinishFn& finish);

    // The CComError of a failed call: kFail with the server's message.
    [[noreturn]] static void Fail(const std::string& what, GError* error);

private:
    GMainContext* m_context;
    std::chrono::milliseconds m_limit;
};

} // namespace tarnwel
