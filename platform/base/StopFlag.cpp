#include "platform/base/StopFlag.h"

namespace tarnwel {
namespace {

thread_local const std::atomic<bool>* t_stopFlag = nullptr;

} // namespace

void SetThreadStopFlag(const std::atomic<bool>* flag)
{
    t_stopFlag = flag;
}

const std::atomic<bool>* ThreadStopFlag()
{
    return t_stopFlag;
}

} // namespace tarnwel
