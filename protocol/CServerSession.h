#pragma once
// The server side of a replication: the session that `Authenticate` opens and
// the item calls made inside it. Each call builds its own transport, makes one
// SOAP request, reads the reply and turns every failure into one of the
// server exceptions, whose message is the German text for the user.

#include "protocol/CSoapTransport.h"
#include "protocol/ServerExceptions.h"
#include "records/RecordArrays.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnwel {

// Client id -> server id.
using CStringMap = std::unordered_map<std::string, std::string>;

// What every call reads of the settings: credentials, address, time-out.
struct CServerAccount {
    std::string userName;
    std::string password;
    std::string serverUrl;
    long soapTimeout = 0;  // milliseconds
};

inline constexpr const char* kAppointmentNamespace = "urn:appointmentReplication";
inline constexpr const char* kContactNamespace = "urn:contactReplication";
inline constexpr const char* kTaskNamespace = "urn:taskReplication";

struct CServerCallTexts;
class IReplyItemReader;

class CServerSession {
public:
    explicit CServerSession(CServerAccount account) : m_account(std::move(account)) {}

    // Opens a session: stores the session id of the reply ("no_auth" when it
    // holds none) and returns the rights text, the "write" text followed by the
    // "delete" text.
    std::string Authenticate(const std::string& namespaceUri);
    // Closes the session on the server; the reply is not examined.
    void SignOut(const std::string& namespaceUri);

    // getItems: appends the items changed since `since` or listed in `ids` and
    // returns the number of item elements of the reply. The ids are released
    // once the request is made, before the reply is read.
    int GetAppointments(CAppointmentArray& appointments, const std::string& since, CStringArray ids);
    // Returns the number of "Address" elements; each appends one address and its contacts.
    int GetContacts(CContactArray& contacts, CAddressArray& addresses, const std::string& since, CStringArray ids);
    // Appends the main tasks, each with its chain of subtasks; returns the
    // number of "Task" elements, subtasks included.
    int GetTasks(CTaskArray& tasks, const std::string& since, CStringArray ids);

    // addItems: returns client id -> new server id, or -> "ERROR" for an item
    // refused for lack of rights; items that failed otherwise go to `addErrors`.
    CStringMap AddAppointments(const CAppointmentArray& records, CStringMap& addErrors);
    CStringMap AddContacts(const CContactArray& records, CStringMap& addErrors);
    CStringMap AddTasks(const CTaskArray& records, CStringMap& addErrors);

    // putItems / deleteItems: the server ids of the reply go to `done`,
    // `refused` (lack of rights) and `failed`, in reply order.
    void PutAppointments(const CAppointmentArray& records, CStringArray& done, CStringArray& refused,
                         CStringArray& failed);
    void PutContacts(const CContactArray& records, CStringArray& done, CStringArray& refused, CStringArray& failed);
    void PutTasks(const CTaskArray& records, CStringArray& done, CStringArray& refused, CStringArray& failed);
    void DeleteAppointments(const CAppointmentArray& records, CStringArray& done, CStringArray& refused,
                            CStringArray& failed);
    void DeleteContacts(const CContactArray& records, CStringArray& done, CStringArray& refused,
                        CStringArray& failed);
    void DeleteTasks(const CTaskArray& records, CStringArray& done, CStringArray& refused, CStringArray& failed);

    // Reads the "ERROR" and "OK" elements of a putItems or deleteItems reply.
    void ParseItemErrors(const CSoapReply& reply, CStringArray& done, CStringArray& refused, CStringArray& failed);

    // Trace hooks for English lines about the work; the lines are discarded
    // unless a test listens.
    void Log(std::string text) const;
    void LogHeading(std::string text) const;
    using TraceListener = std::function<void(const std::string& text, bool heading)>;
    void SetTraceListener(TraceListener listener) { m_traceListener = std::move(listener); }

    // A flag that ends the call under way once it is set (the call then fails
    // as for a lost connection). An addItems ended so may still have been
    // carried out by the server: the next run pairs those server items with
    // their unpaired Outlook items by sameness instead of adding them again.
    // sign_out is let finish: it closes the session only after the run has
    // saved its work, and stays bounded by the transport's time limits. The
    // flag must outlive the session; null: calls end only by their time limits.
    void SetAbortFlag(const std::atomic<bool>* flag) { m_abort = flag; }

    const std::string& SessionId() const { return m_sessionId; }
    const CServerAccount& Account() const { return m_account; }

private:
    CSoapReply Exchange(const char* method, const char* namespaceUri, const std::function<std::string()>& makeBody,
                        const CServerCallTexts& texts, bool stoppable = true) const;
    // A getItems call whose reply's items go to `items` as it is read.
    void ExchangeItems(const char* namespaceUri, const std::function<std::string()>& makeBody,
                       const CServerCallTexts& texts, std::string_view itemName, IReplyItemReader& items) const;
    template <typename Records>
    CStringMap AddItems(const char* namespaceUri, const Records& records, CStringMap& addErrors,
                        std::string (*makeBody)(std::string_view, const Records&), const CServerCallTexts& texts,
                        const char* tracePrefix);
    template <typename Records>
    void ChangeItems(const char* method, const char* namespaceUri, const Records& records,
                     std::string (*makeBody)(std::string_view, const Records&), const CServerCallTexts& texts,
                     CStringArray& done, CStringArray& refused, CStringArray& failed);

    CServerAccount m_account;
    std::string m_sessionId;
    // The records that GetTasks links into subtask chains: the array's main
    // tasks point into them, so they live as long as the session.
    std::vector<std::unique_ptr<CTaskRecord>> m_taskChains;
    TraceListener m_traceListener;
    const std::atomic<bool>* m_abort = nullptr;
};

} // namespace tarnwel
