#include "platform/ui/UiBackend.h"

#include "platform/ui/CDialog.h"

#include <atomic>
#include <cstdio>

namespace tarnwel {

namespace {

// Without a window: everything goes to standard error and nobody answers, so
// boxes take their default answer and dialogs end as Escape would.
class CStandardErrorUiBackend : public IUiBackend {
public:
    int RunModal(CDialog& dialog) override
    {
        dialog.InitializeDialog();
        std::string shown = "[" + dialog.Template().caption + "]\n";
        for (const CControlState& control : dialog.Controls()) {
            if (!control.visible)
                continue;
            switch (control.type) {
            case ControlType::edit:
            case ControlType::staticText:
                if (!control.text.empty())
                    shown += control.text + "\n";
                break;
            case ControlType::radioButton:
                shown += std::string(control.check ? "  (*) " : "  ( ) ") + control.text
                         + (control.enabled ? "" : " [-]") + "\n";
                break;
            case ControlType::checkBox:
                shown += std::string(control.check ? "  [x] " : "  [ ] ") + control.text
                         + (control.enabled ? "" : " [-]") + "\n";
                break;
            case ControlType::dropDownList:
                for (std::size_t i = 0; i < control.entries.size(); ++i)
                    shown += std::string(static_cast<int>(i) == control.selection ? "      > " : "        ")
                             + control.entries[i] + "\n";
                break;
            default:
                break;
            }
        }
        std::fputs(shown.c_str(), stderr);
        dialog.UserEscape();
        return dialog.Result();
    }

    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override
    {
        std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
        return request.buttons == MessageBoxButtons::yesNo ? request.defaultButton : MessageBoxResult::ok;
    }
};

CStandardErrorUiBackend g_defaultBackend;
std::atomic<IUiBackend*> g_backend{nullptr};

} // namespace

IUiBackend* SetUiBackend(IUiBackend* backend)
{
    return g_backend.exchange(backend);
}

IUiBackend& ActiveUiBackend()
{
    IUiBackend* backend = g_backend.load();
    return backend ? *backend : g_defaultBackend;
}

IUiBackend& DefaultUiBackend()
{
    return g_defaultBackend;
}

} // namespace tarnwel
