// The process-wide main window and tray service.

#include "platform/ui/MainWindow.h"
#include "platform/ui/TrayService.h"

#include <atomic>

namespace tarnwel {

namespace {

class CNoTrayService : public ITrayService {
public:
    bool IsAvailable() const override { return false; }
    std::unique_ptr<ITrayIcon> AddIcon(const CTrayIconRequest&, ITrayEventHandler&) override { return nullptr; }
};

CNoTrayService g_noTray;
std::atomic<ITrayService*> g_trayService{nullptr};
std::atomic<CDialog*> g_mainWindow{nullptr};

} // namespace

CDialog* SetMainWindow(CDialog* window)
{
    return g_mainWindow.exchange(window);
}

CDialog* MainWindow()
{
    return g_mainWindow.load();
}

ITrayService* SetTrayService(ITrayService* service)
{
    return g_trayService.exchange(service);
}

ITrayService& ActiveTrayService()
{
    ITrayService* service = g_trayService.load();
    return service ? *service : g_noTray;
}

} // namespace tarnwel
