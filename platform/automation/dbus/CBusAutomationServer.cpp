#include "platform/automation/dbus/CBusAutomationServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariantMap>

#include <exception>

namespace tarnwel {
namespace {

const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

class CEmptyObject;

} // namespace

struct CBusAutomationServer::CState {
    CBusNames names;
    std::string interfaceId;
    ObjectFactory factory;
    std::function<void()> released;
    std::unique_ptr<CEmptyObject> object;
    std::unique_ptr<QDBusServiceWatcher> watcher;
    DispatchPtr held;
    QString holder;
    bool nameClaimed = false;
    bool pathServed = false;
    bool ended = false;

    void ClientSeen(const QString& client, const QDBusConnection& connection);
    void Release();
    void GiveUpName();
    void StopServing();
};

namespace {

// The object at the path: answers introspection with its empty interface and
// every other call with an error, and tells the server who called.
class CEmptyObject : public QDBusVirtualObject {
public:
    explicit CEmptyObject(CBusAutomationServer::CState& state) : m_state(state) {}

    QString introspect(const QString& /*path*/) const override
    {
        return QString::fromStdString(InterfaceXmlOf(m_state));
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        m_state.ClientSeen(message.service(), connection);
        if (message.interface() == kIntrospectable && message.member() == QLatin1String("Introspect"))
            return false;  // the connection answers it from introspect()
        QDBusMessage reply;
        if (message.interface() == kProperties && message.member() == QLatin1String("GetAll"))
            reply = message.createReply(QVariant::fromValue(QVariantMap()));
        else if (message.interface() == kProperties)
            reply = message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
                                             QStringLiteral("The object has no properties"));
        else
            reply = message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                             QStringLiteral("Unknown name: ") + message.member());
        connection.send(reply);
        return true;
    }

    static std::string InterfaceXmlOf(const CBusAutomationServer::CState& state)
    {
        return "  <interface name=\"" + state.names.interfaceName + "\">\n"
               "    <annotation name=\"Tarnwel.Automation.DispatchInterfaceId\" value=\"" + state.interfaceId + "\"/>\n"
               "  </interface>\n";
    }

private:
    CBusAutomationServer::CState& m_state;
};

} // namespace

void CBusAutomationServer::CState::ClientSeen(const QString& client, const QDBusConnection& connection)
{
    if (ended || !holder.isEmpty() || client.isEmpty())
        return;
    holder = client;
    // One client per process: the name goes at once, so that the next
    // client's call has the bus start a process of its own. The holder goes
    // on reaching the object through this process's unique name.
    GiveUpName();
    watcher = std::make_unique<QDBusServiceWatcher>(client, connection, QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(watcher.get(), &QDBusServiceWatcher::serviceUnregistered, [this] { Release(); });
    // A client that left before the watch began is gone already.
    if (connection.interface() != nullptr && !connection.interface()->isServiceRegistered(client).value()) {
        ended = true;
        StopServing();
        if (released)
            released();
        return;
    }
    try {
        held = factory ? factory() : DispatchPtr();
    } catch (const std::exception&) {
        held.reset();  // the client finds the object, which holds nothing
    }
}

void CBusAutomationServer::CState::Release()
{
    if (ended)
        return;
    ended = true;
    StopServing();
    held.reset();
    if (released)
        released();
}

void CBusAutomationServer::CState::GiveUpName()
{
    if (!nameClaimed)
        return;
    nameClaimed = false;
    QDBusConnection::sessionBus().unregisterService(QString::fromStdString(names.busName));
}

void CBusAutomationServer::CState::StopServing()
{
    GiveUpName();
    if (!pathServed)
        return;
    pathServed = false;
    QDBusConnection::sessionBus().unregisterObject(QString::fromStdString(names.objectPath));
}

CBusAutomationServer::CBusAutomationServer(CBusNames names, std::string dispatchInterfaceId, ObjectFactory factory)
    : m_state(std::make_unique<CState>())
{
    m_state->names = std::move(names);
    m_state->interfaceId = std::move(dispatchInterfaceId);
    m_state->factory = std::move(factory);
    m_state->object = std::make_unique<CEmptyObject>(*m_state);
}

CBusAutomationServer::~CBusAutomationServer()
{
    m_state->ended = true;
    m_state->StopServing();
    m_state->watcher.reset();
    m_state->held.reset();
}

bool CBusAutomationServer::Serve(std::string* error)
{
    auto fail = [error](const std::string& reason) {
        if (error != nullptr)
            *error = reason;
        return false;
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return fail("no session bus: " + bus.lastError().message().toStdString());
    const QString path = QString::fromStdString(m_state->names.objectPath);
    // The path first: messages that made the bus start this process are
    // delivered as soon as the name is ours.
    if (!bus.registerVirtualObject(path, m_state->object.get(), QDBusConnection::SingleNode))
        return fail("cannot serve " + m_state->names.objectPath + " on the session bus");
    const auto claimed = bus.interface()->registerService(QString::fromStdString(m_state->names.busName),
                                                          QDBusConnectionInterface::DontQueueService,
                                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!claimed.isValid() || claimed.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(path);
        const std::string reason = claimed.isValid() ? "the name belongs to another process"
                                                     : claimed.error().message().toStdString();
        return fail("cannot claim " + m_state->names.busName + " on the session bus: " + reason);
    }
    m_state->nameClaimed = m_state->pathServed = true;
    return true;
}

DispatchPtr CBusAutomationServer::HeldObject() const
{
    return m_state->held;
}

void CBusAutomationServer::SetReleasedHandler(std::function<void()> handler)
{
    m_state->released = std::move(handler);
}

std::string CBusAutomationServer::InterfaceXml() const
{
    return CEmptyObject::InterfaceXmlOf(*m_state);
}

} // namespace tarnwel
