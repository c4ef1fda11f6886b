#include "fuzz/FuzzSupport.h"

#include "platform/base/UserLocale.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/UiBackend.h"

#include <cstdio>
#include <cstdlib>

namespace tarnwel::fuzz {

namespace {

// Answers every box with OK and ends every dialog as Escape would, silently:
// the default backend would write to standard error for every input.
class CQuietBackend : public IUiBackend {
public:
    int RunModal(CDialog& dialog) override
    {
        dialog.InitializeDialog();
        return kIdCancel;
    }
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest&) override { return MessageBoxResult::ok; }
};

} // namespace

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
        static CQuietBackend quiet;
        SetUiBackend(&quiet);
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
