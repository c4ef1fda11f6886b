// The libFuzzer entry of one harness; TARNWEL_FUZZ_ENTRY names its function.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return tarnwel::fuzz::TARNWEL_FUZZ_ENTRY(data, size);
}
