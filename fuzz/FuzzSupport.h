#pragma once
// Helpers the harnesses share.

#include "fuzz/FuzzTargets.h"

#include <string_view>

namespace tarnwel::fuzz {

// Once per process: boxes are answered silently, the locale is German.
void QuietProcess();

std::string_view Bytes(const std::uint8_t* data, std::size_t size);

// Aborts with the input when `condition` does not hold.
inline void Check(bool condition, const char* what, const std::uint8_t* data, std::size_t size)
{
    if (!condition)
        Disagreement(what, data, size);
}

} // namespace tarnwel::fuzz
