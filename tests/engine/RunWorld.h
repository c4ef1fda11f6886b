#pragma once
// One world for a whole replication run of one kind: the reference server over
// loopback (seeded when the first run starts), a real local item store in a
// fresh working directory, the scripted ui answering questions, a recording
// progress sink and a log of the requests sent. Each side can be seeded and
// read back as one text line per item, so tests compare what each side holds.
//
// CRunWorldBase holds what every kind shares; CRunWorld seeds appointments
// and tasks, CContactWorld (ContactWorld.h) companies and their contacts.

#include "engine/CItemStore.h"
#include "engine/CMappingFile.h"
#include "engine/CReplicator.h"
#include "platform/base/ByteFile.h"
#include "platform/pimstore/PimDatabase.h"
#include "platform/pimstore/PimStore.h"
#include "platform/soap/CCurlConnector.h"
#include "platform/soap/SoapConnector.h"
#include "platform/ui/CScriptedUiBackend.h"
#include "protocol/RequestBodies.h"
#include "records/OutlookConversion.h"
#include "tests/engine/StoreFixture.h"
#include "tests/support/RecordingProgressSink.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/ScopedUserLocale.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwel::test {

// One server item of a seed.
struct CServerItem {
    CServerItem(std::string id_, std::string title_, std::string detail_ = "", std::string lastUpdated_ = "",
                std::vector<std::string> participants_ = {}, int percent_ = 0)
        : id(std::move(id_)), title(std::move(title_)), detail(std::move(detail_)),
          lastUpdated(std::move(lastUpdated_)), participants(std::move(participants_)), percent(percent_)
    {
    }

    std::string id;
    std::string title;   // appointments: description; tasks: title
    std::string detail;  // appointments: location; tasks: description
    std::string lastUpdated;  // "YYYY-MM-DD hh:mm:ss" (server time), empty: the seeding time
    std::vector<std::string> participants;
    int percent = 0;     // tasks only
    std::string idClient;  // the client id the item was added with; empty: none
};

inline std::string JsonText(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// The id and, when given, the change time of a seed entry.
inline std::string SeedIdAndTime(const std::string& id, const std::string& lastUpdated)
{
    std::string out = "\"id\": " + JsonText(id);
    if (!lastUpdated.empty())
        out += ", \"last_updated\": " + JsonText(lastUpdated);
    return out;
}

inline std::string SeedFields(const CServerItem& item)
{
    std::string out = SeedIdAndTime(item.id, item.lastUpdated);
    if (!item.idClient.empty())
        out += ", \"id_client\": " + JsonText(item.idClient);
    if (!item.participants.empty()) {
        out += ", \"participants\": [";
        for (std::size_t i = 0; i < item.participants.size(); ++i)
            out += (i ? ", " : "") + JsonText(item.participants[i]);
        out += "]";
    }
    return out;
}

// The participants text as the Outlook item holds it, on one line.
inline std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = '/';
    return text;
}

// The lines of the kinds whose items carry participants: the item's line,
// then its participants text.
template <typename Side>
struct CLinesWithParticipants {
    static std::string OutlookLine(const COutlookItem& item)
    {
        return Side::Line(Side::Read(item)) + "|" + OneLine(GetUserProperty(item.GetUserProperties(), "Participants"));
    }
    template <typename Record>
    static std::string ServerLine(const Record& record)
    {
        return Side::Line(record) + "|" + OneLine(record.GetParticipantsText());
    }
};

struct CAppointmentSide : CLinesWithParticipants<CAppointmentSide> {
    using Record = CAppointmentRecord;
    using Store = CAppointmentStore;
    static constexpr const char* kSeedKey = "appointments";
    static constexpr const char* kRightsKey = "appointment";
    static constexpr const char* kFullRights = "YY";
    static constexpr const char* kNamespace = kAppointmentNamespace;
    static constexpr int kEndText = 198;
    static constexpr int kStatusControl = 1087;

    static CKindRules& Rules(CReplicationSettings& settings) { return settings.appointmentRules; }
    static void Replicate(CReplicator& replicator) { replicator.ReplicateAppointments(); }

    static std::string Seed(const CServerItem& item)
    {
        return "{" + SeedFields(item) + ", \"description\": " + JsonText(item.title) +
               ", \"location\": " + JsonText(item.detail) +
               ", \"start\": \"2026-12-01 10:00:00\", \"end\": \"2026-12-01 11:00:00\"}";
    }
    static Record Make(const std::string& title, const std::string& detail, int /*percent*/)
    {
        Record record;
        record.description = title;
        record.location = detail;
        record.start = COleDate::FromFields(2026, 12, 1, 10, 0, 0);
        record.end = COleDate::FromFields(2026, 12, 1, 11, 0, 0);
        return record;
    }
    static std::string Title(const Record& record) { return record.description; }
    static void Write(Record& record, const COutlookItem& item) { record.WriteAppointmentItem(CAppointmentItem(item)); }
    static Record Read(const COutlookItem& item)
    {
        Record record;
        record.ReadAppointmentItem(CAppointmentItem(item));
        return record;
    }
    static CAppointmentArray Fetch(CServerSession& session)
    {
        CAppointmentArray records;
        session.Authenticate(kNamespace);
        session.GetAppointments(records, "1900-01-01", {});
        session.SignOut(kNamespace);
        return records;
    }
    static std::string Line(const Record& record)
    {
        return record.description + "|" + record.location + "|" + record.start.Format("%Y-%m-%d %H:%M") + "|" +
               record.end.Format("%Y-%m-%d %H:%M") + "|" + record.comment + "|" +
               std::to_string(record.wholeDayEvent);
    }
};

struct CTaskSide : CLinesWithParticipants<CTaskSide> {
    using Record = CTaskRecord;
    using Store = CTaskStore;
    static constexpr const char* kSeedKey = "tasks";
    static constexpr const char* kRightsKey = "task";
    static constexpr const char* kFullRights = "YY";
    static constexpr const char* kNamespace = kTaskNamespace;
    static constexpr int kEndText = 228;
    static constexpr int kStatusControl = 1089;

    static CKindRules& Rules(CReplicationSettings& settings) { return settings.taskRules; }
    static void Replicate(CReplicator& replicator) { replicator.ReplicateTasks(); }

    static std::string Seed(const CServerItem& item)
    {
        return "{" + SeedFields(item) + ", \"title\": " + JsonText(item.title) +
               ", \"description\": " + JsonText(item.detail) + ", \"priority\": \"2.gif\", \"status\": \"" +
               std::to_string(item.percent) + "%\", \"deadline\": \"2026-12-24 00:00:00\"}";
    }
    static Record Make(const std::string& title, const std::string& detail, int percent)
    {
        Record record;
        record.title = title;
        record.description = detail;
        record.percentComplete = percent;
        record.deadline = COleDate::FromFields(2026, 12, 24);
        record.startDate = COleDate::FromFields(4501, 1, 1);
        return record;
    }
    static std::string Title(const Record& record) { return record.title; }
    static void Write(Record& record, const COutlookItem& item) { record.WriteTaskItem(CTaskItem(item)); }
    static Record Read(const COutlookItem& item)
    {
        Record record;
        record.ReadTaskItem(CTaskItem(item));
        return record;
    }
    static CTaskArray Fetch(CServerSession& session)
    {
        CTaskArray records;
        session.Authenticate(kNamespace);
        session.GetTasks(records, "1900-01-01", {});
        session.SignOut(kNamespace);
        return records;
    }
    static std::string Line(const Record& record)
    {
        return record.title + "|" + record.description + "|" + std::to_string(record.priority) + "|" +
               std::to_string(record.percentComplete) + "%|" + record.deadline.Format("%Y-%m-%d") + "|" +
               record.startDate.Format("%Y-%m-%d");
    }
};

// The libcurl connector, keeping a copy of every envelope it sends while
// `requests` is given.
class CRecordingConnector : public CCurlConnector {
public:
    explicit CRecordingConnector(std::vector<std::string>* requests) : m_requests(requests) {}

    CHttpResponse Send(const std::string& envelope) override
    {
        if (m_requests)
            m_requests->push_back(envelope);
        return CCurlConnector::Send(envelope);
    }
    long Send(const std::string& envelope, IHttpBodySink& sink) override
    {
        if (m_requests)
            m_requests->push_back(envelope);
        return CCurlConnector::Send(envelope, sink);
    }

private:
    std::vector<std::string>* m_requests;
};

// What every run world shares. `Side` names the kind: its records, store,
// rights, run and the line that stands for an item on either side.
template <typename Side>
class CRunWorldBase {
public:
    using Record = typename Side::Record;
    using Lines = std::map<std::string, std::string>;  // id -> line

    CRunWorldBase()
    {
        settings.SetDefaults();
        settings.all = 1;
        settings.userName = "user";
        settings.password = "vezi";
        settings.soapTimeout = 20000;
    }
    virtual ~CRunWorldBase() = default;
    CRunWorldBase(const CRunWorldBase&) = delete;
    CRunWorldBase& operator=(const CRunWorldBase&) = delete;

    // --- Before the first run ------------------------------------------------

    // The user's rights text for this kind (all rights by default).
    void Rights(std::string rights) { m_rights = std::move(rights); }
    // Fault switches of the reference server ("--drop", "putItems", ...).
    void Switches(std::vector<std::string> switches) { m_switches = std::move(switches); }
    // Adds raw text to the mapping file written before the first run.
    void MappingText(const std::string& text) { m_mappingText += text; }
    // A pair of the mapping file written before the first run.
    void MapPair(const std::string& entryId, const std::string& serverId)
    {
        m_mappingText += entryId + " " + serverId + "\r\n";
    }

    // The record as a new own-class item in the local store; its entry id.
    std::string AddOutlookRecord(Record record)
    {
        Side::Write(record, Folder().Add(OwnClass()));
        return record.id_client;
    }

    // Writes the record over the Outlook item, as the user would; it counts
    // as changed from now on. Also from a sink callback during a run.
    void OverwriteOutlookRecord(const std::string& entryId, Record record)
    {
        if (const std::optional<COutlookItem> item = FindOutlookItem(entryId))
            Side::Write(record, *item);
    }

    // The Outlook item of the entry id; none (and a failure) when there is none.
    std::optional<COutlookItem> FindOutlookItem(const std::string& entryId) const
    {
        const CItems items = Folder();
        for (COutlookItem item = items.Find(COutlookStore::kWholeFolderFilter); !item.IsNull();
             item = items.FindNext())
            if (item.GetEntryID() == entryId)
                return item;
        ADD_FAILURE() << "no Outlook item " << entryId;
        return std::nullopt;
    }

    // Gives the Outlook item an older last modification time, as if nobody
    // had touched it since then.
    void BackDateOutlookItem(const std::string& entryId, const COleDate& when)
    {
        const auto database = CPimDatabase::Open(m_dir.Path("store.db"));
        std::optional<CPimItemRow> row = database->ItemByEntryId(entryId);
        ASSERT_TRUE(row) << entryId;
        ASSERT_TRUE(database->SaveItem(*row, {}, when));
    }

    // Starts the server with the seed; the first run does it when needed.
    void StartServer()
    {
        if (m_server)
            return;
        std::string seed = "{\"users\": [{\"name\": \"user\", \"password\": \"vezi\", \"rights\": {";
        seed += JsonText(Side::kRightsKey) + ": " + JsonText(m_rights) + "}}], " + SeedItems() + "}";
        std::ofstream(m_dir.Path("seed.json")) << seed;
        std::vector<std::string> arguments{"--seed", m_dir.Path("seed.json")};
        arguments.insert(arguments.end(), m_switches.begin(), m_switches.end());
        m_server = std::make_unique<CReferenceServer>(arguments);
        settings.serverUrl = m_server->Url();
        if (!m_mappingText.empty()) {
            // Pairs are made with a store: it exists, also when it holds no
            // item (a run does not create a missing store for pairs).
            CPimDatabase::Open(m_dir.Path("store.db"));
            EXPECT_TRUE(WriteFileAtomically(MappingFileName(), m_mappingText));
        }
    }

    // --- Runs ----------------------------------------------------------------

    // One run of the kind on a started replicator; `prepare` may set up the
    // replicator before the run (a trace listener, an abort).
    void Run(const std::function<void(CReplicator&)>& prepare = {})
    {
        StartServer();
        sink.Clear();
        m_requests.clear();
        CReplicator replicator(sink, settings);
        replicator.SetTraceListener([this](const std::string& text, bool) { trace.push_back(text); });
        if (prepare)
            prepare(replicator);
        m_replicator = &replicator;
        m_recording = true;
        replicator.Start();
        Side::Replicate(replicator);
        replicator.Stop();
        m_recording = false;
        m_replicator = nullptr;
        m_sessionId = replicator.SessionId();
        lastRunFailed = replicator.KindFailed();
    }

    // Whether the last run ended as a failure of its kind.
    bool lastRunFailed = false;

    // True while the session of the last run is still open on the server
    // (the run did not log out).
    bool SessionOpen() const
    {
        try {
            CSoapTransport(m_server->Url()).Call("getItems", Side::kNamespace,
                                                 MakeGetItemsXml(m_sessionId, "2999-01-01", {}), 20000);
            return true;
        } catch (const CSoapErrorText&) {
            return false;
        }
    }

    // Requests the abort of the running run (from a sink callback).
    void RequestAbort() { m_replicator->RequestAbort(); }

    // The envelopes of the last run's calls of `method` ("putItems", ...), in
    // the order sent.
    std::vector<std::string> Requests(const std::string& method) const
    {
        std::vector<std::string> found;
        for (const std::string& envelope : m_requests)
            if (envelope.find("<replicate:" + method + " ") != std::string::npos)
                found.push_back(envelope);
        return found;
    }

    // --- Reading both sides -------------------------------------------------

    // Outlook: entry id -> line of the item.
    Lines OutlookLines() const
    {
        Lines lines;
        const CItems items = Folder();
        for (COutlookItem item = items.Find(COutlookStore::kWholeFolderFilter); !item.IsNull();
             item = items.FindNext()) {
            if (item.GetMessageClass() == OwnClass())
                lines[item.GetEntryID()] = Side::OutlookLine(item);
        }
        return lines;
    }

    // Server: server id -> line of the item.
    Lines ServerLines() const
    {
        CServerSession session = Session();
        Lines lines;
        for (const Record& record : Side::Fetch(session))
            lines[record.id_tarnwel] = Side::ServerLine(record);
        return lines;
    }

    // The mapping file: entry id -> server id.
    std::map<std::string, std::string> Mapping() const
    {
        std::string bytes;
        if (ReadFileBytes(MappingFileName(), bytes) != FileReadResult::ok)
            return {};
        CMappingTable table;
        CMappingFile::ReadPairs(bytes, table);
        // What a run that ended early left in the journal belongs to it.
        if (ReadFileBytes(std::string(MappingFileName()) + ".journal", bytes) == FileReadResult::ok)
            CMappingFile::ReplayJournal(bytes, table);
        return {table.EntryToServer().begin(), table.EntryToServer().end()};
    }
    // The file's bytes; "<missing>" when there is none.
    std::string MappingFileBytes() const
    {
        std::string bytes;
        return ReadFileBytes(MappingFileName(), bytes) == FileReadResult::ok ? bytes : "<missing>";
    }

    // The lines of one side without their ids, sorted.
    static std::vector<std::string> Contents(const Lines& lines)
    {
        std::vector<std::string> contents;
        for (const auto& [id, line] : lines)
            contents.push_back(line);
        std::sort(contents.begin(), contents.end());
        return contents;
    }

    // Every item on each side is mapped to exactly one item of the other side
    // with the same content.
    void ExpectInStep() const
    {
        const Lines outlook = OutlookLines();
        const Lines server = ServerLines();
        const auto mapping = Mapping();
        EXPECT_EQ(mapping.size(), outlook.size());
        EXPECT_EQ(mapping.size(), server.size());
        for (const auto& [entryId, serverId] : mapping) {
            const auto o = outlook.find(entryId);
            const auto s = server.find(serverId);
            if (o == outlook.end() || s == server.end()) {
                ADD_FAILURE() << "the pair " << entryId << " " << serverId << " names a missing item";
                continue;
            }
            EXPECT_EQ(o->second, s->second) << "pair " << entryId << " " << serverId;
        }
    }

    // Runs once more: nothing is asked, and neither side nor the mapping
    // changes.
    void ExpectNextRunChangesNothing()
    {
        const Lines outlook = OutlookLines();
        const Lines server = ServerLines();
        const auto mapping = Mapping();
        const std::size_t boxes = ui.MessageBoxes().size();
        const std::size_t dialogs = ui.Dialogs().size();
        Run();
        EXPECT_EQ(ui.MessageBoxes().size(), boxes) << "a box was shown: " << ui.MessageBoxes().back().text;
        EXPECT_EQ(ui.Dialogs().size(), dialogs);
        EXPECT_EQ(OutlookLines(), outlook);
        EXPECT_EQ(ServerLines(), server);
        EXPECT_EQ(Mapping(), mapping);
    }

    // The texts of the message boxes shown so far.
    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const CMessageBoxRequest& box : ui.MessageBoxes())
            texts.push_back(box.text);
        return texts;
    }

    static const char* MappingFileName() { return Side::Store::GetMappingFileName(); }
    static std::string OwnClass() { return std::string("IPM") + Side::Store::GetMessageClassSuffix(); }
    const CTemporaryDirectory& Directory() const { return m_dir; }

    CReplicationSettings settings;
    CScriptedUiBackend ui;
    CRecordingProgressSink sink;
    std::vector<std::string> trace;

protected:
    // The item lists of the seed, e.g. "\"appointments\": [...]".
    virtual std::string SeedItems() const = 0;

    // A session of the seeded user, for reading the server between runs.
    CServerSession Session() const { return CServerSession(CServerAccount{"user", "vezi", m_server->Url(), 20000}); }

    static CItems Folder()
    {
        const CNameSpace nameSpace = CApplication::Create().GetNamespace("MAPI");
        nameSpace.Logon();
        return nameSpace.GetDefaultFolder(Side::Store::GetDefaultFolderId()).GetItems();
    }

private:
    CTemporaryDirectory m_dir;
    CScopedWorkingDirectory m_workingDirectory{m_dir.Path()};
    CScopedUserLocale m_locale;
    CScopedProgIdRegistration m_registration{[path = m_dir.Path("store.db")] { return OpenPimStore(path); }};
    CScopedUiBackend m_uiScope{ui};
    CScopedSoapConnectorFactory m_connectors{
        [this] { return std::make_unique<CRecordingConnector>(m_recording ? &m_requests : nullptr); }};

    std::string m_rights = Side::kFullRights;
    std::vector<std::string> m_switches;
    std::string m_mappingText;
    std::vector<std::string> m_requests;
    bool m_recording = false;
    std::unique_ptr<CReferenceServer> m_server;
    CReplicator* m_replicator = nullptr;
    std::string m_sessionId;
};

// The world of appointment and task runs: server items with a title and a
// detail text, Outlook items made from the same.
template <typename Side>
class CRunWorld : public CRunWorldBase<Side> {
public:
    // --- Before the first run ------------------------------------------------

    void ServerItem(CServerItem item) { m_seed.push_back(std::move(item)); }

    // A new own-class item in the local store; its entry id.
    std::string OutlookItem(const std::string& title, const std::string& detail = "", int percent = 0)
    {
        return this->AddOutlookRecord(Side::Make(title, detail, percent));
    }

    // A replicated pair: the server item and its Outlook partner with its
    // own title and detail; the pair is written to the mapping file.
    std::string Pair(const CServerItem& server, const std::string& outlookDetail, int outlookPercent = 0)
    {
        ServerItem(server);
        const std::string entryId = OutlookItem(server.title, outlookDetail, outlookPercent);
        this->MapPair(entryId, server.id);
        return entryId;
    }
    // A pair whose Outlook item no longer exists.
    void PairWithDeletedOutlookItem(const CServerItem& server)
    {
        ServerItem(server);
        this->MapPair("gone-" + server.id, server.id);
    }
    // A pair whose server item no longer exists.
    std::string PairWithDeletedServerItem(const std::string& serverId, const std::string& title,
                                          const std::string& detail = "")
    {
        const std::string entryId = OutlookItem(title, detail);
        this->MapPair(entryId, serverId);
        return entryId;
    }

    // Writes new content over the Outlook item (see OverwriteOutlookRecord).
    void EditOutlookItem(const std::string& entryId, const std::string& title, const std::string& detail,
                         int percent = 0)
    {
        this->OverwriteOutlookRecord(entryId, Side::Make(title, detail, percent));
    }

protected:
    std::string SeedItems() const override
    {
        std::string items = JsonText(Side::kSeedKey) + ": [";
        for (std::size_t i = 0; i < m_seed.size(); ++i)
            items += (i ? ", " : "") + Side::Seed(m_seed[i]);
        return items + "]";
    }

private:
    std::vector<CServerItem> m_seed;
};

} // namespace tarnwel::test
