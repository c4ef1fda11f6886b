#include "engine/CrashPoint.h"

#include <atomic>

namespace tarnwel {

namespace {

std::atomic<CrashPointHook> g_hook{nullptr};

} // namespace

void SetCrashPointHook(CrashPointHook hook)
{
    g_hook.store(hook, std::memory_order_relaxed);
}

void CrashPoint(const char* point)
{
    if (const CrashPointHook hook = g_hook.load(std::memory_order_relaxed))
        hook(point);
}

} // namespace tarnwel
