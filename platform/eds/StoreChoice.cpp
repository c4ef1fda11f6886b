#include "platform/eds/StoreChoice.h"

#include "platform/eds/DataServerStore.h"
#include "platform/eds/EdsLoop.h"
#include "platform/pimstore/PimStore.h"

#include <gio/gio.h>

#include <sys/stat.h>

#include <cstdlib>
#include <exception>

namespace tarnwel {
namespace {

constexpr const char* kSourceRegistry = "org.gnome.evolution.dataserver.Sources5";

// The session bus's address as the data server's clients find it, without
// launching a bus: the environment's, else the user's bus socket.
std::string SessionBusAddress()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0')
        return address;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
        const std::string socket = std::string(runtime) + "/bus";
        struct stat status {};
        if (::stat(socket.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
            return "unix:path=" + socket;
    }
    return {};
}

// The answer of a call to the bus itself.
GVariant* CallBus(CEdsLoop& loop, GDBusConnection* bus, const char* method, GVariant* parameters,
                  const GVariantType* replyType)
{
    GVariant* reply = nullptr;
    loop.Call(
        std::string("Asking the session bus (") + method + ")",
        [&](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
            g_dbus_connection_call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
                                   parameters, replyType, G_DBUS_CALL_FLAGS_NONE, -1, cancel, done, data);
        },
        [&](GAsyncResult* result, GError** error) {
            reply = g_dbus_connection_call_finish(bus, result, error);
            return reply != nullptr;
        });
    return reply;
}

bool OffersRegistry(CEdsLoop& loop, GDBusConnection* bus)
{
    GVariant* owned = CallBus(loop, bus, "NameHasOwner", g_variant_new("(s)", kSourceRegistry), G_VARIANT_TYPE("(b)"));
    gboolean running = FALSE;
    g_variant_get(owned, "(b)", &running);
    g_variant_unref(owned);
    if (running)
        return true;
    GVariant* names = CallBus(loop, bus, "ListActivatableNames", nullptr, G_VARIANT_TYPE("(as)"));
    const gchar** list = nullptr;
    g_variant_get(names, "(^a&s)", &list);
    bool found = false;
    for (const gchar** name = list; name != nullptr && *name != nullptr && !found; ++name)
        found = g_strcmp0(*name, kSourceRegistry) == 0;
    g_free(list);
    g_variant_unref(names);
    return found;
}

} // namespace

bool SessionBusOffersDataServer(std::chrono::milliseconds limit)
{
    const std::string address = SessionBusAddress();
    if (address.empty())
        return false;
    // A connection of the check's own, on a context of its own: the
    // process's shared one is not made to wait on a bus that hangs.
    CEdsLoop loop(limit);
    GDBusConnection* bus = nullptr;
    bool offered = false;
    try {
        loop.Call(
            "Connecting to the session bus",
            [&](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                g_dbus_connection_new_for_address(
                    address.c_str(),
                    static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                      G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                    nullptr, cancel, done, data);
            },
            [&](GAsyncResult* result, GError** error) {
                bus = g_dbus_connection_new_for_address_finish(result, error);
                return bus != nullptr;
            });
        offered = OffersRegistry(loop, bus);
    } catch (const std::exception&) {
        offered = false;  // no bus, a bus that refuses or does not answer
    }
    if (bus != nullptr) {
        g_dbus_connection_close_sync(bus, nullptr, nullptr);
        g_object_unref(bus);
    }
    return offered;
}

CStoreChoice RegisterChosenStore(std::chrono::milliseconds limit)
{
    CStoreChoice choice;
    const char* named = std::getenv("TARNWEL_PIMSTORE");
    if ((named == nullptr || *named == '\0') && SessionBusOffersDataServer(limit)) {
        RegisterDataServerStore();
        choice.store = LocalStore::dataServer;
        choice.description =
            "the desktop's data server (evolution-data-server): its default calendar, task list and address book";
        return choice;
    }
    RegisterPimStore();
    try {
        choice.description = "the file store " + PimStorePath();
    } catch (const std::exception& error) {
        choice.description = std::string("the file store (") + error.what() + ")";
    }
    return choice;
}

} // namespace tarnwel
