#include "protocol/CServerSession.h"

#include "protocol/ReplyReaders.h"
#include "protocol/ReplyStream.h"
#include "protocol/RequestBodies.h"
#include "protocol/XmlSearch.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <iterator>

namespace tarnwel {

// The three messages of a call: "text" when the transport raised a failure
// text T (textPrefix + T + textSuffix), "other" for any other failure of the
// exchange, "read" when the reply could not be read. With an elapsed-time
// tail, "other" is other + whole seconds since the call began + otherTail.
struct CServerCallTexts {
    const char* textPrefix;
    const char* textSuffix;
    const char* other;
    const char* read;
    const char* otherTail = nullptr;
};

namespace {

using Texts = CServerCallTexts;

// The texts below are shown to the user as they stand, slips included.
constexpr const char* kServerError = "Server-Fehler!\r\n";
constexpr const char* kServerErrorBlank = "Server Fehler!\r\n";
constexpr const char* kCheckToServer = "\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server";
constexpr const char* kCheckWithServer = "\r\nBitte überprüfen Sie Ihre Verbindung\r\nmit dem Server";
constexpr const char* kUnexpected =
    "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server";
constexpr const char* kUnreadable =
    "Daten konnten nicht vom Server gelesen werden\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server";

constexpr Texts kUsualTexts{kServerError, kCheckToServer, kUnexpected, kUnreadable};
constexpr Texts kGetContactsTexts{
    kServerError, kCheckToServer, "Unerwarteter Server-Fehler! \r\nEs sind ",
    "Daten konnten nicht vom Server gelesen werden\r\nBitte überprüfen Sie Ihre Verbindung\r\nmit dem Server",
    "Sekunden vergangen seitdem der Aufruf gestartet wurde\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server"};
constexpr Texts kAddAppointmentsTexts{
    kServerErrorBlank, kCheckWithServer,
    "Unerwarteter Server Fehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nmit dem Server",
    "Daten konnten nicht vom Server gelesen werdenr\nBitte überprüfen Sie IHre Verbindung\r\nzum Server"};
constexpr Texts kAddContactsTexts{
    kServerError, kCheckToServer,
    "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie Ihre Verbindung \r\nzum Server", kUnreadable};
constexpr Texts kDeleteAppointmentsTexts{
    kServerError, kCheckWithServer, "Server-Fehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server",
    kUnreadable};
constexpr Texts kAuthenticateTexts{
    kServerError, "\r\nBitte überprüfen Sie ihre Verbindung\r\nmit dem Server",
    "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie ihre Verbindung\r\nmit dem Server",
    "Authentifikation falsch!\r\nBitte überprüfen Sie Ihre Login Information"};
constexpr Texts kSignOutTexts{
    kServerErrorBlank, kCheckWithServer,
    ">Unerwarter Serverfehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nmit dem Server", ""};

constexpr const char* kErrorTraceHead = "\tFehler bei der Bearbeitung vom DRAV Element:\r\n\tElementID: ";
constexpr const char* kErrorTraceReason = "\r\n\tGrund: interner Fehler auf der Server-Seite";

std::int32_t CallTimeout(long milliseconds)
{
    if (milliseconds > INT32_MAX)
        return INT32_MAX;
    if (milliseconds < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(milliseconds);
}

// The text of the last element named `tagName`, or `none` when there is none.
std::string LastElementText(const pugi::xml_node& root, const char* tagName, std::string none)
{
    const std::vector<pugi::xml_node> found = ElementsByTagName(root, tagName);
    return found.empty() ? std::move(none) : ElementText(found.back());
}

} // namespace

void CServerSession::Log(std::string text) const
{
    if (m_traceListener)
        m_traceListener(text, false);
}

void CServerSession::LogHeading(std::string text) const
{
    if (m_traceListener)
        m_traceListener(text, true);
}

namespace {

// Runs `call` and turns its failures into the call's messages.
template <typename Call>
auto GuardExchange(const CServerCallTexts& texts, Call&& call)
{
    const auto start = std::chrono::steady_clock::now();
    try {
        return call();
    } catch (const CSoapErrorText& failure) {
        throw ServerConnectException(texts.textPrefix + failure.Text() + texts.textSuffix);
    } catch (...) {
        if (texts.otherTail == nullptr)
            throw ServerConnectException(texts.other);
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
        throw ServerConnectException(texts.other + std::to_string(seconds) + texts.otherTail);
    }
}

// The items of a getItems reply go to `read` (a generic callable taking
// either kind of element). A failure of `read` ends the reading of items
// but not of the reply, which must still prove sound before the failure
// counts; malformed XML passes, as the transport's own failure.
template <typename ReadItem>
class CGuardedItemReader : public IReplyItemReader {
public:
    // `mark` notes what the reading of an item may change, `undo` restores it.
    CGuardedItemReader(ReadItem read, std::function<void(std::size_t)> prepare, std::function<void()> mark,
                       std::function<void()> undo)
        : m_read(std::move(read)), m_prepare(std::move(prepare)), m_mark(std::move(mark)), m_undo(std::move(undo))
    {
    }
    void Prepare(std::size_t replyBytes) override
    {
        try {
            m_prepare(replyBytes);
        } catch (...) {
            // Without the reserve the arrays grow as they are filled.
        }
    }
    void Read(CStreamElement& item) override { Guard(item); }
    void Read(pugi::xml_node item) override { Guard(item); }
    bool Failed() const { return m_failed; }

private:
    template <typename Element>
    void Guard(Element& item)
    {
        if (m_failed)
            return;
        m_mark();
        try {
            m_read(item);
        } catch (const CXmlSyntaxError&) {
            throw;
        } catch (const CReplyItemCut&) {
            m_undo();
            throw;
        } catch (...) {
            m_failed = true;
        }
    }

    ReadItem m_read;
    std::function<void(std::size_t)> m_prepare;
    std::function<void()> m_mark;
    std::function<void()> m_undo;
    bool m_failed = false;
};

template <typename ReadItem>
CGuardedItemReader<ReadItem> MakeItemReader(ReadItem read, std::function<void(std::size_t)> prepare,
                                            std::function<void()> mark, std::function<void()> undo)
{
    return CGuardedItemReader<ReadItem>(std::move(read), std::move(prepare), std::move(mark), std::move(undo));
}

// Takes the records after the first `size` out again.
template <typename Records>
void CutBack(Records& records, std::size_t size)
{
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(size), records.end());
}

// Room for the records of a reply of `replyBytes`, assuming that an item takes
// at least `itemBytes` of it: the records are filled in place as the reply
// arrives, and room that stays unused is never touched, so it costs address
// space only. A reply of smaller items grows the array as usual.
template <typename Records>
void MakeRoom(Records& records, std::size_t replyBytes, std::size_t itemBytes)
{
    records.reserve(replyBytes / itemBytes);
}

// The least a reply's item takes on the wire, as the server writes them: an
// id, a date and a field or two.
constexpr std::size_t kAppointmentBytes = 96;
constexpr std::size_t kContactBytes = 128;
constexpr std::size_t kAddressBytes = 256;
constexpr std::size_t kTaskBytes = 96;

// Appends the records of `from` to `to`, moving them.
template <typename Records>
void AppendAll(Records& to, Records& from)
{
    if (to.empty()) {
        to.swap(from);
        return;
    }
    to.reserve(to.size() + from.size());
    std::move(from.begin(), from.end(), std::back_inserter(to));
}

// The getItems request; the ids are released once it is made (the reply
// may be read for a while, and a long list costs as much as many records).
std::string MakeGetItemsBody(std::string_view sessionId, std::string_view since, CStringArray& ids)
{
    std::string body = MakeGetItemsXml(sessionId, since, ids);
    CStringArray().swap(ids);
    return body;
}

} // namespace

CSoapReply CServerSession::Exchange(const char* method, const char* namespaceUri,
                                    const std::function<std::string()>& makeBody, const CServerCallTexts& texts,
                                    bool stoppable) const
{
    return GuardExchange(texts, [&] {
        std::string body = makeBody();
        CSoapTransport transport(m_account.serverUrl, stoppable ? m_abort : nullptr);
        return transport.Call(method, namespaceUri, body, CallTimeout(m_account.soapTimeout));
    });
}

void CServerSession::ExchangeItems(const char* namespaceUri, const std::function<std::string()>& makeBody,
                                   const CServerCallTexts& texts, std::string_view itemName,
                                   IReplyItemReader& items) const
{
    GuardExchange(texts, [&] {
        std::string body = makeBody();
        CSoapTransport transport(m_account.serverUrl, m_abort);
        transport.CallForItems("getItems", namespaceUri, std::move(body), CallTimeout(m_account.soapTimeout), itemName,
                               items);
    });
}

std::string CServerSession::Authenticate(const std::string& namespaceUri)
{
    InitializeCom();
    const CSoapReply reply = Exchange(
        "authenticate", namespaceUri.c_str(),
        [this] { return MakeCredentialsXml(m_account.userName, m_account.password); }, kAuthenticateTexts);
    const pugi::xml_document& document = reply.Dom();
    std::string sessionId;
    std::string rights;
    try {
        sessionId = LastElementText(document, "session-id", "no_auth");
        const std::string remove = LastElementText(document, "delete", "");
        // Without a "write" element the delete rights must still stand at
        // their positions, so refused write rights fill the gap: one for
        // appointments and tasks, two (write, address) for contacts.
        const std::string refusedWrite(namespaceUri == kContactNamespace ? 2 : 1, 'N');
        rights = LastElementText(document, "write", refusedWrite) + remove;
    } catch (...) {
        throw LoginFailedException(kAuthenticateTexts.read);
    }
    m_sessionId = std::move(sessionId);
    return rights;
}

void CServerSession::SignOut(const std::string& namespaceUri)
{
    Exchange(
        "sign_out", namespaceUri.c_str(), [this] { return MakeSignOutXml(m_sessionId); },
        kSignOutTexts, false);
}

int CServerSession::GetAppointments(CAppointmentArray& appointments, const std::string& since, CStringArray ids)
{
    // The records wait here until the reply has proved sound.
    CAppointmentArray read;
    int count = 0;
    std::pair<std::size_t, int> marked;
    auto items = MakeItemReader(
        [&](auto& element) {
            ++count;
            ReadAppointment(read, element);
        },
        [&](std::size_t replyBytes) { MakeRoom(read, replyBytes, kAppointmentBytes); },
        [&] { marked = {read.size(), count}; },
        [&] {
            CutBack(read, marked.first);
            count = marked.second;
        });
    ExchangeItems(
        kAppointmentNamespace, [&] { return MakeGetItemsBody(m_sessionId, since, ids); }, kUsualTexts,
        "Appointment", items);
    AppendAll(appointments, read);
    if (items.Failed())
        throw ServerDataReadExeception(kUsualTexts.read);
    return count;
}

int CServerSession::GetContacts(CContactArray& contacts, CAddressArray& addresses, const std::string& since,
                                CStringArray ids)
{
    CContactArray readContacts;
    CAddressArray readAddresses;
    int count = 0;
    std::tuple<std::size_t, std::size_t, int> marked;
    auto items = MakeItemReader(
        [&](auto& element) {
            ++count;
            ReadAddress(readContacts, readAddresses, element);
        },
        [&](std::size_t replyBytes) {
            MakeRoom(readAddresses, replyBytes, kAddressBytes);
            MakeRoom(readContacts, replyBytes, kContactBytes);
        },
        [&] { marked = {readContacts.size(), readAddresses.size(), count}; },
        [&] {
            CutBack(readContacts, std::get<0>(marked));
            CutBack(readAddresses, std::get<1>(marked));
            count = std::get<2>(marked);
        });
    ExchangeItems(
        kContactNamespace, [&] { return MakeGetItemsBody(m_sessionId, since, ids); }, kGetContactsTexts, "Address",
        items);
    AppendAll(contacts, readContacts);
    AppendAll(addresses, readAddresses);
    if (items.Failed())
        throw ServerDataReadExeception(kGetContactsTexts.read);
    return count;
}

int CServerSession::GetTasks(CTaskArray& tasks, const std::string& since, CStringArray ids)
{
    std::vector<std::unique_ptr<CTaskRecord>> read;
    std::size_t marked = 0;
    auto items = MakeItemReader(
        [&](auto& element) { read.push_back(ReadTask(element)); },
        [&](std::size_t replyBytes) { MakeRoom(read, replyBytes, kTaskBytes); }, [&] { marked = read.size(); },
        [&] { CutBack(read, marked); });
    ExchangeItems(
        kTaskNamespace, [&] { return MakeGetItemsBody(m_sessionId, since, ids); }, kUsualTexts, "Task", items);
    const int count = static_cast<int>(read.size());
    // After a task that could not be read, the main task before it is left
    // out with it, its chain being unfinished.
    bool linked = false;
    try {
        linked = LinkTaskChains(read, m_taskChains, tasks, !items.Failed());
    } catch (...) {
    }
    if (!linked || items.Failed())
        throw ServerDataReadExeception(kUsualTexts.read);
    return count;
}

template <typename Records>
CStringMap CServerSession::AddItems(const char* namespaceUri, const Records& records, CStringMap& addErrors,
                                    std::string (*makeBody)(std::string_view, const Records&),
                                    const CServerCallTexts& texts, const char* tracePrefix)
{
    CStringMap added;
    std::string body = makeBody(m_sessionId, records);
    const CSoapReply reply = Exchange("addItems", namespaceUri, [&] { return std::move(body); }, texts);
    for (const auto& record : records)
        Log(tracePrefix + record.GetShortDescription());
    const pugi::xml_document& document = reply.Dom();
    try {
        for (const pugi::xml_node& mapping : ElementsByTagName(document, "mapping")) {
            std::string reason = ElementText(mapping);
            std::string serverId;
            std::string clientId;
            if (const pugi::xml_attribute attribute = mapping.attribute("id_tarnwel"))
                serverId = attribute.value();
            if (const pugi::xml_attribute attribute = mapping.attribute("id_client"))
                clientId = attribute.value();
            if (serverId == "ERROR" && reason.find("not allowed") == std::string::npos)
                addErrors[clientId] = serverId;
            else
                added[clientId] = serverId;
        }
    } catch (...) {
        throw ServerDataReadExeception(texts.read);
    }
    return added;
}

CStringMap CServerSession::AddAppointments(const CAppointmentArray& records, CStringMap& addErrors)
{
    return AddItems(kAppointmentNamespace, records, addErrors, &MakeAppointmentListXml, kAddAppointmentsTexts,
                    "\tAdding to DRAV:");
}

CStringMap CServerSession::AddContacts(const CContactArray& records, CStringMap& addErrors)
{
    return AddItems(kContactNamespace, records, addErrors, &MakeContactListXml, kAddContactsTexts,
                    "\tAdding to Tarnwel:");
}

CStringMap CServerSession::AddTasks(const CTaskArray& records, CStringMap& addErrors)
{
    return AddItems(kTaskNamespace, records, addErrors, &MakeTaskListXml, kUsualTexts, "\tAdding to Tarnwel:");
}

template <typename Records>
void CServerSession::ChangeItems(const char* method, const char* namespaceUri, const Records& records,
                                 std::string (*makeBody)(std::string_view, const Records&), const CServerCallTexts& texts,
                                 CStringArray& done, CStringArray& refused, CStringArray& failed)
{
    std::string body = makeBody(m_sessionId, records);
    const CSoapReply reply = Exchange(method, namespaceUri, [&] { return std::move(body); }, texts);
    ParseItemErrors(reply, done, refused, failed);
}

void CServerSession::PutAppointments(const CAppointmentArray& records, CStringArray& done, CStringArray& refused,
                                     CStringArray& failed)
{
    ChangeItems("putItems", kAppointmentNamespace, records, &MakeAppointmentListXml, kUsualTexts, done, refused,
                failed);
}

void CServerSession::PutContacts(const CContactArray& records, CStringArray& done, CStringArray& refused,
                                 CStringArray& failed)
{
    ChangeItems("putItems", kContactNamespace, records, &MakeContactListXml, kUsualTexts, done, refused, failed);
}

void CServerSession::PutTasks(const CTaskArray& records, CStringArray& done, CStringArray& refused,
                              CStringArray& failed)
{
    ChangeItems("putItems", kTaskNamespace, records, &MakeTaskListXml, kUsualTexts, done, refused, failed);
}

void CServerSession::DeleteAppointments(const CAppointmentArray& records, CStringArray& done,
                                        CStringArray& refused, CStringArray& failed)
{
    ChangeItems("deleteItems", kAppointmentNamespace, records, &MakeAppointmentDeleteXml, kDeleteAppointmentsTexts,
                done, refused, failed);
}

void CServerSession::DeleteContacts(const CContactArray& records, CStringArray& done, CStringArray& refused,
                                    CStringArray& failed)
{
    ChangeItems("deleteItems", kContactNamespace, records, &MakeContactDeleteXml, kUsualTexts, done, refused,
                failed);
}

void CServerSession::DeleteTasks(const CTaskArray& records, CStringArray& done, CStringArray& refused,
                                 CStringArray& failed)
{
    ChangeItems("deleteItems", kTaskNamespace, records, &MakeTaskDeleteXml, kUsualTexts, done, refused, failed);
}

void CServerSession::ParseItemErrors(const CSoapReply& reply, CStringArray& done, CStringArray& refused,
                                     CStringArray& failed)
{
    const pugi::xml_document& document = reply.Dom();
    try {
        // An element without an "ID" names no item and is passed over.
        for (const pugi::xml_node& error : ElementsByTagName(document, "ERROR")) {
            if (!error.attribute("ID"))
                continue;
            const std::string reason = ElementText(error);
            std::string id = error.attribute("ID").value();
            Log(kErrorTraceHead + id + kErrorTraceReason);
            (reason.find("not allowed") != std::string::npos ? refused : failed).push_back(std::move(id));
        }
        for (const pugi::xml_node& ok : ElementsByTagName(document, "OK")) {
            if (!ok.attribute("ID"))
                continue;
            std::string id = ok.attribute("ID").value();
            Log("\tDRAV Element ID: " + id + " fertig bearbeitet");
            done.push_back(std::move(id));
        }
    } catch (...) {
        throw ServerDataReadExeception(kUnreadable);
    }
}

} // namespace tarnwel
