#include "platform/ui/qt/CQtTrayService.h"

#include "platform/ui/qt/CQtMenuView.h"

#include <QCursor>
#include <QMenu>
#include <QPixmap>
#include <QTimer>

namespace tarnwel {

namespace {

TrayMouseEvent EventOf(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        return TrayMouseEvent::rightButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return TrayMouseEvent::leftButtonDoubleClick;
    case QSystemTrayIcon::MiddleClick:
        return TrayMouseEvent::middleButtonUp;
    default:
        return TrayMouseEvent::leftButtonUp;
    }
}

} // namespace

CQtTrayIcon::CQtTrayIcon(const CTrayIconRequest& request, const QIcon& image, ITrayEventHandler& handler)
    : m_iconId(request.iconId), m_handler(handler), m_icon(new QSystemTrayIcon(image)),
      m_self(std::make_shared<CQtTrayIcon*>(this))
{
    m_icon->setToolTip(QString::fromUtf8(request.tooltip.data(), static_cast<qsizetype>(request.tooltip.size())));
    std::weak_ptr<CQtTrayIcon*> self = m_self;
    // Queued: the handler runs from the event loop, not inside the icon's
    // own signal, so that it may remove the icon.
    QObject::connect(
        m_icon, &QSystemTrayIcon::activated, m_icon,
        [self](QSystemTrayIcon::ActivationReason reason) {
            if (const auto alive = self.lock(); alive && *alive)
                (*alive)->Activate(reason);
        },
        Qt::QueuedConnection);
    // The timer belongs to the Qt icon, which goes later than this object:
    // a tick may delete this object.
    auto* hostCheck = new QTimer(m_icon);
    QObject::connect(hostCheck, &QTimer::timeout, m_icon, [self] {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            return;
        if (const auto alive = self.lock(); alive && *alive)
            (*alive)->HostLost();
    });
    hostCheck->start(kHostCheckMs);
}

void CQtTrayIcon::HostLost()
{
    if (m_hostLost)
        return;
    m_hostLost = true;
    m_icon->hide();
    m_handler.OnTrayHostLost(m_iconId);
}

CQtTrayIcon::~CQtTrayIcon()
{
    *m_self = nullptr;
    m_icon->hide();
    QObject::disconnect(m_icon, nullptr, nullptr, nullptr);
    // The destruction may come from an activation of this icon.
    m_icon->deleteLater();
}

void CQtTrayIcon::Show()
{
    m_icon->show();
}

bool CQtTrayIcon::Activate(QSystemTrayIcon::ActivationReason reason)
{
    return m_handler.HandleTrayEvent(m_iconId, EventOf(reason));
}

std::unique_ptr<CQtMenuView> CQtTrayIcon::BuildPopup(CMenu& popup, int& chosen)
{
    chosen = 0;
    return CQtMenuView::Popup(popup, nullptr, [&chosen](int id) { chosen = id; });
}

int CQtTrayIcon::TrackPopupMenu(CMenu& popup)
{
    int chosen = 0;
    const std::unique_ptr<CQtMenuView> view = BuildPopup(popup, chosen);
    view->Menu()->exec(QCursor::pos());
    return chosen;
}

bool CQtTrayService::IsAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon CQtTrayService::LoadIcon(int imageId) const
{
    const CIconResource* resource = m_resources.FindIcon(imageId);
    if (!resource)
        return {};
    const QPixmap image(QString::fromStdString(resource->file));
    return image.isNull() ? QIcon() : QIcon(image);
}

std::unique_ptr<ITrayIcon> CQtTrayService::AddIcon(const CTrayIconRequest& request, ITrayEventHandler& handler)
{
    if (!IsAvailable())
        return nullptr;
    // An icon without a picture would be an empty spot nobody finds.
    const QIcon image = LoadIcon(request.imageId);
    if (image.isNull())
        return nullptr;
    auto icon = std::make_unique<CQtTrayIcon>(request, image, handler);
    icon->Show();
    return icon;
}

} // namespace tarnwel
