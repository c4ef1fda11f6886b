#pragma once
// Hashing and comparison of member names as automation matches them: ASCII
// letters without regard to case, every other byte as it is. Both accept
// std::string_view, so a map keyed by std::string is searched without a copy.

#include "platform/base/Text.h"

#include <cstddef>
#include <string_view>

namespace tarnwel {

struct CMemberNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept
    {
        std::size_t hash = 14695981039346656037ull;
        for (char c : name) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        return hash;
    }
};

struct CMemberNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return EqualsAsciiNoCase(a, b); }
};

} // namespace tarnwel
