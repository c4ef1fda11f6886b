#pragma once
// One world for a whole replication run of appointments or tasks: the
// reference server over loopback (seeded when the first run starts), a real
// local item store in a fresh working directory, the scripted ui answering
// questions, and a recording progress sink. Each side can be seeded and read
// back as one text line per item, so tests compare what each side holds.

#include "engine/CItemStore.h"
#include "engine/CMappingFile.h"
#include "engine/CReplicator.h"
#include "platform/base/ByteFile.h"
#include "platform/pimstore/PimDatabase.h"
#include "platform/pimstore/PimStore.h"
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

inline std::string SeedFields(const CServerItem& item)
{
    std::string out = "\"id\": " + JsonText(item.id);
    if (!item.lastUpdated.empty())
        out += ", \"last_updated\": " + JsonText(item.lastUpdated);
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

struct CAppointmentSide {
    using Record = CAppointmentRecord;
    using Store = CAppointmentStore;
    static constexpr const char* kSeedKey = "appointments";
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

struct CTaskSide {
    using Record = CTaskRecord;
    using Store = CTaskStore;
    static constexpr const char* kSeedKey = "tasks";
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

template <typename Side>
class CRunWorld {
public:
    using Record = typename Side::Record;
    using Lines = std::map<std::string, std::string>;  // id -> line

    CRunWorld()
    {
        settings.SetDefaults();
        settings.all = 1;
        settings.userName = "user";
        settings.password = "vezi";
        settings.soapTimeout = 20000;
    }

    // --- Before the first run ------------------------------------------------

    void ServerItem(CServerItem item) { m_seed.push_back(std::move(item)); }
    // The user's rights text for this kind ("YY" by default).
    void Rights(std::string rights) { m_rights = std::move(rights); }
    // Fault switches of the reference server ("--drop", "putItems", ...).
    void Switches(std::vector<std::string> switches) { m_switches = std::move(switches); }

    // A new own-class item in the local store; its entry id.
    std::string OutlookItem(const std::string& title, const std::string& detail = "", int percent = 0)
    {
        Record record = Side::Make(title, detail, percent);
        Side::Write(record, Folder().Add(OwnClass()));
        return record.id_client;
    }

    // A replicated pair: the server item and its Outlook partner with its
    // own title and detail; the pair is written to the mapping file.
    std::string Pair(const CServerItem& server, const std::string& outlookDetail, int outlookPercent = 0)
    {
        ServerItem(server);
        const std::string entryId = OutlookItem(server.title, outlookDetail, outlookPercent);
        m_mappingText += entryId + " " + server.id + "\r\n";
        return entryId;
    }
    // A pair whose Outlook item no longer exists.
    void PairWithDeletedOutlookItem(const CServerItem& server)
    {
        ServerItem(server);
        m_mappingText += "gone-" + server.id + " " + server.id + "\r\n";
    }
    // A pair whose server item no longer exists.
    std::string PairWithDeletedServerItem(const std::string& serverId, const std::string& title,
                                          const std::string& detail = "")
    {
        const std::string entryId = OutlookItem(title, detail);
        m_mappingText += entryId + " " + serverId + "\r\n";
        return entryId;
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

    // Writes new content over the Outlook item, as the user would; it counts
    // as changed from now on. Also from a sink callback during a run.
    void EditOutlookItem(const std::string& entryId, const std::string& title, const std::string& detail,
                         int percent = 0)
    {
        const CItems items = Folder();
        for (COutlookItem item = items.Find(COutlookStore::kWholeFolderFilter); !item.IsNull();
             item = items.FindNext()) {
            if (item.GetEntryID() == entryId) {
                Record record = Side::Make(title, detail, percent);
                Side::Write(record, item);
                return;
            }
        }
        ADD_FAILURE() << "no Outlook item " << entryId;
    }

    // Adds raw text to the mapping file written before the first run.
    void MappingText(const std::string& text) { m_mappingText += text; }

    // --- Runs ----------------------------------------------------------------

    // One run of the kind on a started replicator; `prepare` may set up the
    // replicator before the run (a trace listener, an abort).
    void Run(const std::function<void(CReplicator&)>& prepare = {})
    {
        StartServer();
        sink.Clear();
        CReplicator replicator(sink, settings);
        replicator.SetTraceListener([this](const std::string& text, bool) { trace.push_back(text); });
        if (prepare)
            prepare(replicator);
        m_replicator = &replicator;
        replicator.Start();
        Side::Replicate(replicator);
        replicator.Stop();
        m_replicator = nullptr;
        m_sessionId = replicator.SessionId();
    }

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

    // --- Reading both sides -------------------------------------------------

    // Outlook: entry id -> line of the item, then its participants text.
    Lines OutlookLines() const
    {
        Lines lines;
        const CItems items = Folder();
        for (COutlookItem item = items.Find(COutlookStore::kWholeFolderFilter); !item.IsNull();
             item = items.FindNext()) {
            if (item.GetMessageClass() != OwnClass())
                continue;
            lines[item.GetEntryID()] =
                Side::Line(Side::Read(item)) + "|" + OneLine(GetUserProperty(item.GetUserProperties(), "Participants"));
        }
        return lines;
    }

    // Server: server id -> line of the item, then its participants text.
    Lines ServerLines() const
    {
        CServerSession session(CServerAccount{"user", "vezi", m_server->Url(), 20000});
        Lines lines;
        for (const Record& record : Side::Fetch(session))
            lines[record.id_tarnwel] = Side::Line(record) + "|" + OneLine(record.GetParticipantsText());
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

private:
    static CItems Folder()
    {
        const CNameSpace nameSpace = CApplication::Create().GetNamespace("MAPI");
        nameSpace.Logon();
        return nameSpace.GetDefaultFolder(Side::Store::GetDefaultFolderId()).GetItems();
    }

    void StartServer()
    {
        if (m_server)
            return;
        std::string seed = "{\"users\": [{\"name\": \"user\", \"password\": \"vezi\", \"rights\": {\"";
        seed += std::string(Side::kSeedKey).substr(0, std::string(Side::kSeedKey).size() - 1);
        seed += "\": " + JsonText(m_rights) + "}}], \"" + Side::kSeedKey + "\": [";
        for (std::size_t i = 0; i < m_seed.size(); ++i)
            seed += (i ? ", " : "") + Side::Seed(m_seed[i]);
        seed += "]}";
        std::ofstream(m_dir.Path("seed.json")) << seed;
        std::vector<std::string> arguments{"--seed", m_dir.Path("seed.json")};
        arguments.insert(arguments.end(), m_switches.begin(), m_switches.end());
        m_server = std::make_unique<CReferenceServer>(arguments);
        settings.serverUrl = m_server->Url();
        if (!m_mappingText.empty()) {
            EXPECT_TRUE(WriteFileAtomically(MappingFileName(), m_mappingText));
        }
    }

    CTemporaryDirectory m_dir;
    CScopedWorkingDirectory m_workingDirectory{m_dir.Path()};
    CScopedUserLocale m_locale;
    CScopedProgIdRegistration m_registration{[path = m_dir.Path("store.db")] { return OpenPimStore(path); }};
    CScopedUiBackend m_uiScope{ui};

    std::vector<CServerItem> m_seed;
    std::string m_rights = "YY";
    std::vector<std::string> m_switches;
    std::string m_mappingText;
    std::unique_ptr<CReferenceServer> m_server;
    CReplicator* m_replicator = nullptr;
    std::string m_sessionId;
};

} // namespace tarnwel::test
