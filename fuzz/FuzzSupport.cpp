#include "fuzz/FuzzSupport.h"

#include "platform/base/UserLocale.h"
#include "platform/ui/MessageBox.h"

#include <cstdio>
#include <cstdlib>

namespace tarnwel::fuzz {

void Disagreement(const char* what, const std::uint8_t* data, std::size_t size)
{
    std::fprintf(stderr, "fuzz disagreement: %s\ninput (%zu bytes): ", what, size);
    std::fwrite(data, 1, size, stderr);
    std::fputc('\n', stderr);
    std::abort();
}

void QuietProcess()
{
    static const bool once = [] {
        // Boxes would write to standard error for every input.
        SetMessageBoxHandler([](const CMessageBoxRequest&) { return MessageBoxResult::ok; });
        CUserLocale::Use("de_DE.UTF-8");
        return true;
    }();
    (void)once;
}

std::string_view Bytes(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace tarnwel::fuzz
