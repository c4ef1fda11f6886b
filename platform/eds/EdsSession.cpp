#include "platform/eds/EdsSession.h"

#include "platform/base/ComError.h"

#include <libebook/libebook.h>
#include <libecal/libecal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace tarnwel {
namespace {

std::size_t Index(PimKind kind)
{
    return static_cast<std::size_t>(kind);
}

const char* FolderName(PimKind kind)
{
    switch (kind) {
    case PimKind::appointment:
        return "the default calendar";
    case PimKind::task:
        return "the default task list";
    case PimKind::contact:
        break;
    }
    return "the default address book";
}

// The builtin zone of libical for a zone name, or none.
ICalTimezone* BuiltinZone(const std::string& name)
{
    return name.empty() ? nullptr : i_cal_timezone_get_builtin_timezone(name.c_str());
}

// The user's zone: TZ when it names a zone, else /etc/timezone, else the
// target of /etc/localtime.
std::string FindUserZone()
{
    std::vector<std::string> names;
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0')
        names.emplace_back(tz[0] == ':' ? tz + 1 : tz);
    if (std::ifstream file("/etc/timezone"); file) {
        std::string line;
        std::getline(file, line);
        names.push_back(line);
    }
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink("/etc/localtime", error);
    if (!error) {
        const std::string text = target.string();
        if (const std::size_t at = text.find("zoneinfo/"); at != std::string::npos)
            names.push_back(text.substr(at + 9));
    }
    for (std::string& name : names) {
        if (const std::size_t at = name.find("zoneinfo/"); at != std::string::npos)
            name.erase(0, at + 9);  // TZ as a path
        if (name == "UTC" || name == "Etc/UTC" || name == "UTC0")
            return "UTC";
        if (BuiltinZone(name) != nullptr)
            return name;
    }
    return {};
}

bool NotFound(const GError* error)
{
    return error != nullptr &&
        (g_error_matches(error, E_BOOK_CLIENT_ERROR, E_BOOK_CLIENT_ERROR_CONTACT_NOT_FOUND) ||
         g_error_matches(error, E_CAL_CLIENT_ERROR, E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND));
}

// The end of a call for many objects: true when it succeeded or failed only
// because an object is gone, which stays in `failure` for the caller to take
// item by item; any other failure moves to `error`.
bool KeepNotFound(bool finished, GError*& failure, GError** error)
{
    if (finished || NotFound(failure))
        return true;
    *error = failure;
    failure = nullptr;
    return false;
}

// The end of a call for one object: true when it succeeded or found no such
// object (the caller then sees none); any other failure moves to `error`.
// `failure` is taken by reference: the call fills it while the arguments are
// evaluated.
bool IgnoreNotFound(bool finished, GError*& failure, GError** error)
{
    if (finished)
        return true;
    if (NotFound(failure)) {
        g_error_free(failure);
        return true;
    }
    *error = failure;
    return false;
}

// Frees a list and its elements when the scope ends, however it ends; the
// list may still be filled after the guard is made (by a call's result).
class CListGuard {
public:
    CListGuard(GSList*& list, GDestroyNotify free) : m_list(list), m_free(free) {}
    ~CListGuard() { g_slist_free_full(m_list, m_free); }
    CListGuard(const CListGuard&) = delete;
    CListGuard& operator=(const CListGuard&) = delete;

private:
    GSList*& m_list;
    GDestroyNotify m_free;
};

// A reference of our own to an object of the data server's libraries.
std::shared_ptr<GObject> ParsedRef(gpointer object)
{
    return std::shared_ptr<GObject>(G_OBJECT(g_object_ref(object)), g_object_unref);
}

std::string HexId()
{
    std::random_device device;
    std::ostringstream text;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08X", static_cast<unsigned>(device()));
        text << part;
    }
    return text.str();
}

std::string DataHome()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
        return data;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        throw CComError(com_codes::kFail, "Cannot find the home directory for the data server's store identity");
    return std::string(home) + "/.local/share";
}

} // namespace

void EdsForEachInParallel(std::size_t count, const std::function<void(std::size_t)>& work)
{
    constexpr std::size_t kPerThread = 1000;  // fewer are not worth a thread
    const std::size_t threads =
        std::min<std::size_t>({count / kPerThread, std::max(1u, std::thread::hardware_concurrency()), 4});
    std::vector<std::thread> helpers;
    const auto share = [&](std::size_t part, std::size_t parts) {
        for (std::size_t index = count * part / parts; index < count * (part + 1) / parts; ++index)
            work(index);
    };
    const std::size_t parts = std::max<std::size_t>(threads, 1);
    try {
        for (std::size_t part = 1; part < parts; ++part)
            helpers.emplace_back(share, part, parts);
    } catch (const std::system_error&) {
        // No more threads: the shares of those not started are done here.
        for (std::size_t part = helpers.size() + 1; part < parts; ++part)
            share(part, parts);
    }
    share(0, parts);
    for (std::thread& helper : helpers)
        helper.join();
}

std::string EdsObjectText(const CEdsObject& object)
{
    if (!object.text.empty() || object.parsed == nullptr)
        return object.text;
    gchar* text = I_CAL_IS_COMPONENT(object.parsed.get())
        ? i_cal_component_as_ical_string(I_CAL_COMPONENT(object.parsed.get()))
        : e_vcard_to_string(E_VCARD(object.parsed.get()), EVC_FORMAT_VCARD_30);
    std::string result = text != nullptr ? text : "";
    g_free(text);
    return result;
}

CEdsSession::CEdsSession(std::chrono::milliseconds limit) : m_loop(limit), m_zone(FindUserZone()) {}

CEdsSession::~CEdsSession()
{
    RollbackBatch();
    for (CFolder& folder : m_folders) {
        if (folder.client != nullptr)
            g_object_unref(folder.client);
        if (folder.source != nullptr)
            g_object_unref(folder.source);
    }
    if (m_registry != nullptr)
        g_object_unref(m_registry);
}

const std::string& CEdsSession::UserZone() const
{
    return m_zone;
}

void CEdsSession::Open(PimKind kind)
{
    CFolder& folder = m_folders[Index(kind)];
    if (folder.client != nullptr)
        return;
    if (m_registry == nullptr) {
        // The bus connection of the process outlives a data server that
        // ends; it must not end the program with it.
        if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
            g_dbus_connection_set_exit_on_close(bus, FALSE);
            g_object_unref(bus);
        }
        m_loop.Call(
            "Connecting to the data server's sources",
            [](GCancellable* cancel, GAsyncReadyCallback done, void* data) { e_source_registry_new(cancel, done, data); },
            [this](GAsyncResult* result, GError** error) {
                m_registry = e_source_registry_new_finish(result, error);
                return m_registry != nullptr;
            });
    }
    if (folder.source == nullptr) {
        switch (kind) {
        case PimKind::appointment:
            folder.source = e_source_registry_ref_default_calendar(m_registry);
            break;
        case PimKind::task:
            folder.source = e_source_registry_ref_default_task_list(m_registry);
            break;
        case PimKind::contact:
            folder.source = e_source_registry_ref_default_address_book(m_registry);
            break;
        }
        if (folder.source == nullptr)
            throw CComError(com_codes::kFail, std::string("The data server has no ") + (FolderName(kind) + 4));
    }
    ESource* source = folder.source;
    const std::string what = std::string("Opening ") + FolderName(kind) + " of the data server";
    EClient* client = nullptr;
    if (kind == PimKind::contact) {
        m_loop.Call(
            what,
            // Not waiting for the connected state: local sources never
            // report one, and a remote one opens offline when it is late.
            [source](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                e_book_client_connect(source, static_cast<guint32>(-1), cancel, done, data);
            },
            [&client](GAsyncResult* result, GError** error) {
                client = e_book_client_connect_finish(result, error);
                return client != nullptr;
            });
    } else {
        const ECalClientSourceType type =
            kind == PimKind::task ? E_CAL_CLIENT_SOURCE_TYPE_TASKS : E_CAL_CLIENT_SOURCE_TYPE_EVENTS;
        m_loop.Call(
            what,
            [source, type](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                e_cal_client_connect(source, type, static_cast<guint32>(-1), cancel, done, data);
            },
            [&client](GAsyncResult* result, GError** error) {
                client = e_cal_client_connect_finish(result, error);
                return client != nullptr;
            });
        // Times are written in the user's zone: the calendar learns it once.
        if (ICalTimezone* zone = BuiltinZone(m_zone); zone != nullptr && m_zone != "UTC") {
            try {
                m_loop.Call(
                    what,
                    [client, zone](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                        e_cal_client_add_timezone(E_CAL_CLIENT(client), zone, cancel, done, data);
                    },
                    [client](GAsyncResult* result, GError** error) {
                        return e_cal_client_add_timezone_finish(E_CAL_CLIENT(client), result, error) != FALSE;
                    });
            } catch (...) {
                g_object_unref(client);
                throw;
            }
        }
    }
    folder.client = client;
}

CEdsSession::CFolder& CEdsSession::Folder(PimKind kind)
{
    Open(kind);
    return m_folders[Index(kind)];
}

std::string CEdsSession::StoreId(PimKind kind)
{
    // The marker of each source lies in the user's data folder, a line
    // "<source uid> <id>" for each: a new home (or profile) has none and
    // gives new identities, even for the built-in sources whose UIDs are
    // always the same ("system-calendar").
    const std::string sourceUid = e_source_get_uid(Folder(kind).source);
    const std::filesystem::path folder = std::filesystem::path(DataHome()) / "tarnwel";
    const std::filesystem::path path = folder / "datastore-ids";
    std::string text;
    if (std::ifstream in(path, std::ios::binary); in) {
        std::ostringstream all;
        all << in.rdbuf();
        text = all.str();
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            const std::size_t blank = line.find(' ');
            if (blank != std::string::npos && line.compare(0, blank, sourceUid) == 0 && blank == sourceUid.size())
                return "eds:" + sourceUid + ":" + line.substr(blank + 1);
        }
    }
    const std::string id = HexId();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path temporary = folder / ("datastore-ids." + std::to_string(::getpid()) + ".tmp");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text << sourceUid << ' ' << id << '\n';
        out.flush();
        if (!out)
            throw CComError(com_codes::kFail, "Cannot write " + temporary.string());
    }
    std::filesystem::rename(temporary, path, error);
    if (error)
        throw CComError(com_codes::kFail, "Cannot write " + path.string() + ": " + error.message());
    return "eds:" + sourceUid + ":" + id;
}

std::vector<CEdsObject> CEdsSession::ListAll(PimKind kind)
{
    EClient* client = Folder(kind).client;
    std::vector<CEdsObject> objects;
    const std::string what = std::string("Reading ") + FolderName(kind) + " of the data server";
    if (kind == PimKind::contact) {
        EBookQuery* query = e_book_query_any_field_contains("");
        gchar* sexp = e_book_query_to_string(query);
        e_book_query_unref(query);
        const std::unique_ptr<gchar, decltype(&g_free)> sexpGuard(sexp, &g_free);
        GSList* contacts = nullptr;
        const CListGuard contactsGuard(contacts, g_object_unref);
        m_loop.Call(
            what,
            [client, sexp](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                e_book_client_get_contacts(E_BOOK_CLIENT(client), sexp, cancel, done, data);
            },
            [client, &contacts](GAsyncResult* result, GError** error) {
                return e_book_client_get_contacts_finish(E_BOOK_CLIENT(client), result, &contacts, error) != FALSE;
            });
        std::vector<EContact*> cards;
        for (GSList* at = contacts; at != nullptr; at = at->next)
            cards.push_back(E_CONTACT(at->data));
        objects.resize(cards.size());
        EdsForEachInParallel(cards.size(), [&cards, &objects](std::size_t index) {
            EContact* contact = cards[index];
            // The text first: a card not parsed yet gives the text it came
            // as, cheaply; reading the UID parses the card, which the item
            // then reads from (EdsReadParsedItem) instead of parsing the
            // text once more.
            gchar* vcard = e_vcard_to_string(E_VCARD(contact), EVC_FORMAT_VCARD_30);
            const char* uid = static_cast<const char*>(e_contact_get_const(contact, E_CONTACT_UID));
            objects[index] = {uid != nullptr ? uid : "", "", vcard, ParsedRef(contact)};
            g_free(vcard);
        });
        return objects;
    }
    GSList* components = nullptr;
    const CListGuard componentsGuard(components, g_object_unref);
    m_loop.Call(
        what,
        [client](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
            e_cal_client_get_object_list(E_CAL_CLIENT(client), "#t", cancel, done, data);
        },
        [client, &components](GAsyncResult* result, GError** error) {
            return e_cal_client_get_object_list_finish(E_CAL_CLIENT(client), result, &components, error) != FALSE;
        });
    objects.reserve(g_slist_length(components));
    const ICalComponentKind wanted = kind == PimKind::task ? I_CAL_VTODO_COMPONENT : I_CAL_VEVENT_COMPONENT;
    for (GSList* at = components; at != nullptr; at = at->next) {
        ICalComponent* component = I_CAL_COMPONENT(at->data);
        CEdsObject object;
        if (const char* uid = i_cal_component_get_uid(component))
            object.uid = uid;
        if (ICalProperty* rid = i_cal_component_get_first_property(component, I_CAL_RECURRENCEID_PROPERTY)) {
            gchar* value = i_cal_property_get_value_as_string(rid);
            object.rid = value != nullptr ? value : "";
            g_free(value);
            g_object_unref(rid);
        }
        // A component of the folder's kind is read as it is and its text
        // made only when the item is saved (most of a list is only read);
        // anything else goes as text, as EdsParseItem takes it.
        if (i_cal_component_isa(component) == wanted) {
            object.parsed = ParsedRef(component);
        } else {
            gchar* text = i_cal_component_as_ical_string(component);
            object.text = text;
            g_free(text);
        }
        objects.push_back(std::move(object));
    }
    return objects;
}

std::optional<CEdsObject> CEdsSession::Get(PimKind kind, const std::string& uid, const std::string& rid)
{
    if (m_inBatch) {
        CPending& pending = m_pending[Index(kind)];
        const std::string key = EdsObjectKey(uid, rid);
        if (pending.removes.count(key) != 0)
            return std::nullopt;
        if (auto found = pending.creates.find(key); found != pending.creates.end())
            return found->second;
        if (auto found = pending.modifies.find(key); found != pending.modifies.end())
            return found->second;
    }
    EClient* client = Folder(kind).client;
    const std::string what = std::string("Reading an item of ") + FolderName(kind) + " of the data server";
    std::optional<CEdsObject> object;
    if (kind == PimKind::contact) {
        EContact* contact = nullptr;
        m_loop.Call(
            what,
            [client, &uid](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                e_book_client_get_contact(E_BOOK_CLIENT(client), uid.c_str(), cancel, done, data);
            },
            [&](GAsyncResult* result, GError** error) {
                GError* own = nullptr;
                return IgnoreNotFound(e_book_client_get_contact_finish(E_BOOK_CLIENT(client), result, &contact, &own),
                                      own, error);
            });
        if (contact == nullptr)
            return std::nullopt;
        gchar* vcard = e_vcard_to_string(E_VCARD(contact), EVC_FORMAT_VCARD_30);
        object = CEdsObject{uid, "", vcard, {}};
        g_free(vcard);
        g_object_unref(contact);
        return object;
    }
    ICalComponent* component = nullptr;
    m_loop.Call(
        what,
        [client, &uid, &rid](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
            e_cal_client_get_object(E_CAL_CLIENT(client), uid.c_str(), rid.empty() ? nullptr : rid.c_str(), cancel,
                                    done, data);
        },
        [&](GAsyncResult* result, GError** error) {
            GError* own = nullptr;
            return IgnoreNotFound(e_cal_client_get_object_finish(E_CAL_CLIENT(client), result, &component, &own), own,
                                  error);
        });
    if (component == nullptr)
        return std::nullopt;
    // A series with detached instances comes as a VCALENDAR of them all:
    // the series itself stands for them.
    ICalComponent* chosen = component;
    ICalComponent* inner = nullptr;
    if (i_cal_component_isa(component) == I_CAL_VCALENDAR_COMPONENT) {
        const ICalComponentKind wanted = kind == PimKind::task ? I_CAL_VTODO_COMPONENT : I_CAL_VEVENT_COMPONENT;
        for (ICalComponent* at = i_cal_component_get_first_component(component, wanted); at != nullptr;
             at = i_cal_component_get_next_component(component, wanted)) {
            ICalProperty* recurrence = i_cal_component_get_first_property(at, I_CAL_RECURRENCEID_PROPERTY);
            const bool detached = recurrence != nullptr;
            if (recurrence != nullptr)
                g_object_unref(recurrence);
            if (inner == nullptr || !detached) {
                if (inner != nullptr)
                    g_object_unref(inner);
                inner = at;
                if (!detached)
                    break;
            } else {
                g_object_unref(at);
            }
        }
        chosen = inner;
    }
    if (chosen != nullptr) {
        gchar* text = i_cal_component_as_ical_string(chosen);
        object = CEdsObject{uid, rid, text, {}};
        g_free(text);
    }
    if (inner != nullptr)
        g_object_unref(inner);
    g_object_unref(component);
    return object;
}

// Writes. Outside a batch each goes out at once; inside one it waits. An
// object created and changed in the same batch goes out once, as created; one
// created and removed does not go out at all.

void CEdsSession::Create(PimKind kind, const CEdsObject& object)
{
    if (!m_inBatch) {
        SendCreates(kind, {object});
        return;
    }
    m_pending[Index(kind)].creates[EdsObjectKey(object.uid, object.rid)] = object;
}

void CEdsSession::Modify(PimKind kind, const CEdsObject& object)
{
    if (!m_inBatch) {
        SendModifies(kind, {object});
        return;
    }
    CPending& pending = m_pending[Index(kind)];
    const std::string key = EdsObjectKey(object.uid, object.rid);
    if (auto created = pending.creates.find(key); created != pending.creates.end())
        created->second = object;
    else
        pending.modifies[key] = object;
}

void CEdsSession::Remove(PimKind kind, const std::string& uid, const std::string& rid)
{
    if (!m_inBatch) {
        SendRemoves(kind, {CEdsObject{uid, rid, {}, {}}});
        return;
    }
    CPending& pending = m_pending[Index(kind)];
    const std::string key = EdsObjectKey(uid, rid);
    if (pending.creates.erase(key) != 0)
        return;
    pending.modifies.erase(key);
    pending.removes[key] = CEdsObject{uid, rid, {}, {}};
}

bool CEdsSession::RemovedInBatch(PimKind kind, const std::string& uid, const std::string& rid) const
{
    return m_inBatch && m_pending[Index(kind)].removes.count(EdsObjectKey(uid, rid)) != 0;
}

void CEdsSession::BeginBatch(bool /*write*/)
{
    if (m_inBatch)
        throw CComError(com_codes::kFail, "A batch is already open");
    // A read batch and a write batch are alike here: scans inside either
    // answer from their one read, and writes wait for the commit.
    m_inBatch = true;
}

void CEdsSession::CommitBatch()
{
    if (!m_inBatch)
        return;
    m_inBatch = false;
    std::array<CPending, 3> pending;
    pending.swap(m_pending);
    for (const PimKind kind : {PimKind::appointment, PimKind::task, PimKind::contact})
        CommitFolder(kind, pending[Index(kind)]);
}

void CEdsSession::RollbackBatch() noexcept
{
    m_inBatch = false;
    for (CPending& pending : m_pending)
        pending = CPending();
}

void CEdsSession::CommitFolder(PimKind kind, CPending& pending)
{
    if (pending.Empty())
        return;
    const auto values = [](std::map<std::string, CEdsObject>& objects) {
        std::vector<CEdsObject> list;
        list.reserve(objects.size());
        for (auto& entry : objects)
            list.push_back(std::move(entry.second));
        return list;
    };
    if (!pending.creates.empty())
        SendCreates(kind, values(pending.creates));
    if (!pending.modifies.empty())
        SendModifies(kind, values(pending.modifies));
    if (!pending.removes.empty())
        SendRemoves(kind, values(pending.removes));
}

namespace {

// The components of objects' texts, for a call; freed with the list. An
// object parsed already (a saved item's, EdsParseItem) goes as it is.
GSList* ComponentList(const std::vector<CEdsObject>& objects)
{
    GSList* list = nullptr;
    for (const CEdsObject& object : objects) {
        ICalComponent* component = object.parsed != nullptr && I_CAL_IS_COMPONENT(object.parsed.get())
            ? I_CAL_COMPONENT(g_object_ref(object.parsed.get()))
            : i_cal_component_new_from_string(object.text.c_str());
        if (component == nullptr) {
            g_slist_free_full(list, g_object_unref);
            throw CComError(com_codes::kFail, "The item " + object.uid + " could not be written as iCalendar text");
        }
        list = g_slist_prepend(list, component);
    }
    return g_slist_reverse(list);
}

GSList* ContactList(const std::vector<CEdsObject>& objects)
{
    GSList* list = nullptr;
    for (const CEdsObject& object : objects)
        list = g_slist_prepend(list, e_contact_new_from_vcard(object.text.c_str()));
    return g_slist_reverse(list);
}

} // namespace

void CEdsSession::SendCreates(PimKind kind, const std::vector<CEdsObject>& objects)
{
    EClient* client = Folder(kind).client;
    const std::string what = std::string("Adding items to ") + FolderName(kind) + " of the data server";
    if (kind == PimKind::contact) {
        GSList* contacts = ContactList(objects);
        const CListGuard contactsGuard(contacts, g_object_unref);
        GSList* uids = nullptr;
        const CListGuard uidsGuard(uids, g_free);
        m_loop.Call(
            what,
            [client, contacts](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                e_book_client_add_contacts(E_BOOK_CLIENT(client), contacts, E_BOOK_OPERATION_FLAG_NONE, cancel, done,
                                           data);
            },
            [client, &uids](GAsyncResult* result, GError** error) {
                return e_book_client_add_contacts_finish(E_BOOK_CLIENT(client), result, &uids, error) != FALSE;
            });
        // The address book keeps the UIDs it is given; one that made its own
        // would break the entry ids already handed out.
        std::size_t at = 0;
        bool same = true;
        for (GSList* uid = uids; uid != nullptr; uid = uid->next, ++at)
            same = same && at < objects.size() && objects[at].uid == static_cast<const char*>(uid->data);
        if (!same)
            throw CComError(com_codes::kFail, "The address book of the data server changed the UIDs of new contacts");
        return;
    }
    GSList* components = ComponentList(objects);
    const CListGuard componentsGuard(components, g_object_unref);
    GSList* uids = nullptr;
    const CListGuard uidsGuard(uids, g_free);
    m_loop.Call(
        what,
        [client, components](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
            e_cal_client_create_objects(E_CAL_CLIENT(client), components, E_CAL_OPERATION_FLAG_NONE, cancel, done,
                                        data);
        },
        [client, &uids](GAsyncResult* result, GError** error) {
            return e_cal_client_create_objects_finish(E_CAL_CLIENT(client), result, &uids, error) != FALSE;
        });
}

void CEdsSession::SendModifies(PimKind kind, const std::vector<CEdsObject>& objects)
{
    EClient* client = Folder(kind).client;
    const std::string what = std::string("Saving items of ") + FolderName(kind) + " of the data server";
    GError* failure = nullptr;
    if (kind == PimKind::contact) {
        GSList* contacts = ContactList(objects);
        const CListGuard contactsGuard(contacts, g_object_unref);
        m_loop.Call(
            what,
            [client, contacts](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                e_book_client_modify_contacts(E_BOOK_CLIENT(client), contacts, E_BOOK_OPERATION_FLAG_NONE, cancel,
                                              done, data);
            },
            [client, &failure](GAsyncResult* result, GError** error) {
                return KeepNotFound(e_book_client_modify_contacts_finish(E_BOOK_CLIENT(client), result, &failure),
                                    failure, error);
            });
    } else {
        // Detached instances change alone, everything else as a whole series.
        std::vector<CEdsObject> series, instances;
        for (const CEdsObject& object : objects)
            (object.rid.empty() ? series : instances).push_back(object);
        for (const auto* group : {&series, &instances}) {
            if (group->empty() || failure != nullptr)
                continue;
            const ECalObjModType mod = group == &series ? E_CAL_OBJ_MOD_ALL : E_CAL_OBJ_MOD_THIS;
            GSList* components = ComponentList(*group);
            const CListGuard componentsGuard(components, g_object_unref);
            m_loop.Call(
                what,
                [client, components, mod](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                    e_cal_client_modify_objects(E_CAL_CLIENT(client), components, mod, E_CAL_OPERATION_FLAG_NONE,
                                                cancel, done, data);
                },
                [client, &failure](GAsyncResult* result, GError** error) {
                    return KeepNotFound(e_cal_client_modify_objects_finish(E_CAL_CLIENT(client), result, &failure),
                                        failure, error);
                });
        }
    }
    if (failure == nullptr)
        return;
    // An item that another program removed meanwhile: alone, its save fails;
    // in a batch it costs its own save only, the others go out one by one.
    if (objects.size() == 1)
        throw CComError(com_codes::kFail, "The item " + objects.front().uid +
                                              " was deleted elsewhere and cannot be saved (" + failure->message + ")");
    g_error_free(failure);
    for (const CEdsObject& object : objects) {
        try {
            SendModifies(kind, {object});
        } catch (const CComError& error) {
            if (error.Code() == com_codes::kFail && !Get(kind, object.uid, object.rid).has_value())
                continue;  // gone: nothing left to save
            throw;
        }
    }
}

void CEdsSession::SendRemoves(PimKind kind, const std::vector<CEdsObject>& objects)
{
    EClient* client = Folder(kind).client;
    const std::string what = std::string("Deleting items of ") + FolderName(kind) + " of the data server";
    GError* failure = nullptr;
    if (kind == PimKind::contact) {
        GSList* uids = nullptr;
        const CListGuard uidsGuard(uids, g_free);
        for (const CEdsObject& object : objects)
            uids = g_slist_prepend(uids, g_strdup(object.uid.c_str()));
        m_loop.Call(
            what,
            [client, uids](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                e_book_client_remove_contacts(E_BOOK_CLIENT(client), uids, E_BOOK_OPERATION_FLAG_NONE, cancel, done,
                                              data);
            },
            [client, &failure](GAsyncResult* result, GError** error) {
                return KeepNotFound(e_book_client_remove_contacts_finish(E_BOOK_CLIENT(client), result, &failure),
                                    failure, error);
            });
    } else {
        std::vector<CEdsObject> series, instances;
        for (const CEdsObject& object : objects)
            (object.rid.empty() ? series : instances).push_back(object);
        for (const auto* group : {&series, &instances}) {
            if (group->empty() || failure != nullptr)
                continue;
            const ECalObjModType mod = group == &series ? E_CAL_OBJ_MOD_ALL : E_CAL_OBJ_MOD_THIS;
            GSList* ids = nullptr;
            const CListGuard idsGuard(ids, reinterpret_cast<GDestroyNotify>(e_cal_component_id_free));
            for (const CEdsObject& object : *group)
                ids = g_slist_prepend(ids, e_cal_component_id_new(object.uid.c_str(),
                                                                   object.rid.empty() ? nullptr : object.rid.c_str()));
            m_loop.Call(
                what,
                [client, ids, mod](GCancellable* cancel, GAsyncReadyCallback done, void* data) {
                    e_cal_client_remove_objects(E_CAL_CLIENT(client), ids, mod, E_CAL_OPERATION_FLAG_NONE, cancel,
                                                done, data);
                },
                [client, &failure](GAsyncResult* result, GError** error) {
                    return KeepNotFound(e_cal_client_remove_objects_finish(E_CAL_CLIENT(client), result, &failure),
                                        failure, error);
                });
        }
    }
    if (failure == nullptr)
        return;
    g_error_free(failure);
    // Some were gone already: the others are removed one by one.
    if (objects.size() == 1)
        return;
    for (const CEdsObject& object : objects)
        SendRemoves(kind, {object});
}

} // namespace tarnwel
