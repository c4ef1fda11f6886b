#include "platform/eds/EdsLoop.h"

#include "platform/base/ComError.h"
#include "platform/base/StopFlag.h"

#include <gio/gio.h>

namespace tarnwel {
namespace {

// What a waiting call shares with its callback. A call that is given up
// (stopped, timed out) may still be answered later: then the callback frees
// the record, which nobody else holds any more.
struct CPendingCall {
    GAsyncResult* result = nullptr;
    bool abandoned = false;
};

void OnReady(GObject*, GAsyncResult* result, void* data)
{
    auto* pending = static_cast<CPendingCall*>(data);
    if (pending->abandoned) {
        delete pending;
        return;
    }
    pending->result = static_cast<GAsyncResult*>(g_object_ref(result));
}

gboolean KeepWaking(void*)
{
    return G_SOURCE_CONTINUE;
}

// How long a cancelled call may take to say so before it is given up.
constexpr std::chrono::milliseconds kCancelGrace{2000};

} // namespace

void SetDataServerStopFlag(const std::atomic<bool>* flag)
{
    SetThreadStopFlag(flag);
}

const std::atomic<bool>* DataServerStopFlag()
{
    return ThreadStopFlag();
}

CEdsLoop::CEdsLoop(std::chrono::milliseconds limit) : m_context(g_main_context_new()), m_limit(limit) {}

CEdsLoop::~CEdsLoop()
{
    // Answers still under way are dispatched (and their records freed) as
    // far as they have come; the context lives on while sources hold it.
    while (g_main_context_iteration(m_context, FALSE)) {
    }
    g_main_context_unref(m_context);
}

void CEdsLoop::Fail(const std::string& what, GError* error)
{
    std::string message = what + " failed";
    if (error != nullptr) {
        message += ": ";
        message += error->message;
        g_error_free(error);
    }
    throw CComError(com_codes::kFail, message);
}

void CEdsLoop::Call(const std::string& what, const StartFn& start, const FinishFn& finish)
{
    if (const std::atomic<bool>* stop = ThreadStopFlag(); stop != nullptr && stop->load())
        throw CComError(com_codes::kAbort, what + " was stopped");
    GCancellable* cancellable = g_cancellable_new();
    auto* pending = new CPendingCall;
    // A timer of the context wakes the wait often enough to see the stop
    // flag and the limit.
    GSource* timer = g_timeout_source_new(50);
    g_source_set_callback(timer, KeepWaking, nullptr, nullptr);
    g_source_attach(timer, m_context);
    g_main_context_push_thread_default(m_context);
    start(cancellable, OnReady, pending);
    const auto began = std::chrono::steady_clock::now();
    std::int32_t givenUp = 0;
    auto cancelledAt = began;
    while (pending->result == nullptr) {
        const auto now = std::chrono::steady_clock::now();
        if (givenUp == 0) {
            const std::atomic<bool>* stop = ThreadStopFlag();
            if (stop != nullptr && stop->load())
                givenUp = com_codes::kAbort;
            else if (now - began > m_limit)
                givenUp = com_codes::kTimeout;
            if (givenUp != 0) {
                g_cancellable_cancel(cancellable);
                cancelledAt = now;
            }
        } else if (now - cancelledAt > kCancelGrace) {
            break;
        }
        g_main_context_iteration(m_context, TRUE);
    }
    g_main_context_pop_thread_default(m_context);
    g_source_destroy(timer);
    g_source_unref(timer);
    g_object_unref(cancellable);
    GAsyncResult* result = pending->result;
    if (result == nullptr)
        pending->abandoned = true;  // the callback frees it, if it ever comes
    else
        delete pending;
    if (givenUp != 0) {
        if (result != nullptr)
            g_object_unref(result);  // with it, what the call made
        if (givenUp == com_codes::kAbort)
            throw CComError(com_codes::kAbort, what + " was stopped");
        throw CComError(com_codes::kTimeout, what + " failed: the data server did not answer within " +
                                                 std::to_string(m_limit.count() / 1000) + " seconds");
    }
    GError* error = nullptr;
    const bool done = finish(result, &error);
    g_object_unref(result);
    if (!done)
        Fail(what, error);
    if (error != nullptr)
        g_error_free(error);
}

} // namespace tarnwel
