#pragma once
// One replication run of one item kind on a replicator: log in, fetch the
// server's changes, classify each server record and each changed Outlook item
// into the work queues (asking the user where the rules say so), work the
// queues off (first the three server requests, then the Outlook changes),
// save the mapping file and log out.
//
// The appointment and task runs are this one template over a small kind
// description (see CReplicatorRun.cpp); the description names the store, the
// server calls, the sameness test, the status texts and the dialog texts, and
// says how participants and percentages are carried into Outlook.
//
// The contact run (CContactRun) shares the skeleton and replaces a few steps:
// it derives from CKindRun<Kind, CContactRun> and defines functions of the
// same names as the hooks below, which the skeleton then calls in place of
// its own (ReadRights, FetchServerRecords, DecideChangedPair,
// DecideOutlookRecord, QueuePhase, OnOverwriteNotDone).
//
// Neither side changes before the queue phase: the server pass and the
// Outlook pass only decide which queue a record goes to. The abort flag is
// read between items and once before each server request.
//
// Each of the three Outlook queues writes the local store in batches
// (CLocalBatch): a few hundred items a transaction instead of one each. Every
// pair the run makes or removes reaches the mapping file's journal before the
// run goes on, those of a batch right after its commit (see COutlookStore),
// so a run that ends at any moment, followed by one that ends normally,
// leaves each item once on each side. Two windows remain that no client can
// close: the server carried out an addItems whose reply never arrived, or the
// process ended between committing Outlook items and recording their pairs.
// Both leave a server item and an Outlook item without a partner. The server
// pass pairs them instead of adding either again, each item at most once:
// first by the client id that the server returns with its item (the entry id
// of the Outlook item it was added or last overwritten from), which pairs the
// two however either was edited since, and compares them as a pair; then, for
// servers that return none, by sameness. A client id alone never deletes
// anything: it names an Outlook item only while that item exists and has no
// pair.

#include "engine/CConflictDialog.h"
#include "engine/CIdIndex.h"
#include "engine/CNoRightsPolicyFactory.h"
#include "engine/COutlookStore.h"
#include "engine/CReplicator.h"
#include "engine/CrashPoint.h"
#include "engine/IProgressSink.h"
#include "engine/OutlookPassDecision.h"
#include "platform/base/ComError.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/UserNotices.h"
#include "protocol/ServerExceptions.h"
#include "records/RecordArrays.h"
#include "resources/StringTable.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarnwel {

// The status texts of a kind (string-table ids; 0: the kind shows none there).
struct CRunTexts {
    int start;
    int fetched;                 // (n, 0) after getItems
    int firstServerRecord;       // shown alone for the first server record, in place of serverRecord
    int serverRecord;            // (i, n), or (i + 1, n) with serverRecordFromOne
    bool serverRecordFromOne;
    int outlookFetched;          // (m, 0) after the Outlook fetch
    int outlookRecord;           // (i, m)
    int overwriteOnServer;       // (size, 0)
    int deleteOnServer;          // (size, 0)
    int addToServer;             // (size, 0)
    int addToOutlookStart;       // (size, 0)
    int addToOutlookRecord;      // (i, size)
    int overwriteInOutlookStart; // (size, 0)
    int overwriteInOutlookRecord;  // (k, size), k counts the records not marked for participants
    bool countIncludesCurrent;     // k counts the current record too (else the ones before it)
    int removeStart;             // (size, 0)
    int removeRecord;            // (i, size)
    int end;
    bool endBeforeSignOut;       // the end text comes before the logout (else after it)
};

// The texts of the Outlook pass's three-way dialog.
struct CRunDialogTexts {
    const char* createOnServer;  // first option
    const char* removeInOutlook; // second option
    const char* serverDeleted;   // text before the description of a pair whose server item was deleted
    const char* neverReplicated; // text before the description of a never-replicated item
};

// The string-table text `stringId` with `description` in place of its "%s".
inline std::string FormatWithDescription(int stringId, const std::string& description)
{
    std::string text = LoadResourceText(stringId);
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, description);
    return text;
}

template <typename Kind, typename Derived = void>
class CKindRun {
public:
    using Record = typename Kind::Record;
    using Array = CRecordArray<Record>;
    using Store = typename Kind::Store;

    explicit CKindRun(CReplicator& replicator)
        : m_replicator(replicator), m_sink(replicator.ProgressSink()), m_rules(Kind::Rules(replicator.Settings()))
    {
    }

    // The whole run. Lets no exception out: a failure is shown in a message
    // box and ends this kind's run; the pairs already made still reach the
    // mapping file (each stands for a change made on both sides), the logout
    // is skipped.
    void Run()
    {
        auto& run = This();
        if (!m_replicator.CheckStarted() || m_replicator.AbortRequested())
            return;
        try {
            try {
                if (!StartStep())
                    return;
                ServerPass();
                OutlookPass();
                if (m_store)
                    run.QueuePhase();
            } catch (const TWException&) {
                // A stop ends the server call under way, which then fails as
                // a lost connection does: that is the user's stop, not a
                // failure of the server. The kind ends as an abort between
                // items ends it: no message, not counted as failed; past the
                // login its pairs are saved and the session is closed.
                if (!m_replicator.AbortRequested())
                    throw;
                m_replicator.Log(std::string("Stopped during a server call of the ") + Kind::kName + " replication");
                if (!m_signedIn)
                    return;
            }
            EndStep();
        } catch (const ServerConnectException& error) {
            Fail("server connectivity", error.GetMessageText());
        } catch (const LoginFailedException& error) {
            Fail("a failed login", error.GetMessageText());
        } catch (const LogoutFailedException& error) {
            Fail("a failed logout", error.GetMessageText());
        } catch (const ServerDataReadExeception& error) {
            Fail("unreadable server data", error.GetMessageText());
        } catch (const ServerDataWriteExeception& error) {
            Fail("a failed server write", error.GetMessageText());
        } catch (const std::exception& error) {
            m_replicator.Log(std::string("--x-- ") + Kind::kName + " replication: " + error.what());
            Fail("an unknown error", Kind::kUnknownErrorText);
        } catch (...) {
            Fail("an unknown error", Kind::kUnknownErrorText);
        }
    }

protected:
    // The run whose hooks are called: the derived run, or this one.
    using Self = std::conditional_t<std::is_void_v<Derived>, CKindRun, Derived>;
    Self& This() { return static_cast<Self&>(*this); }

    // --- Hooks (a derived run defines its own of the same name) -------------

    // Reads the rights text of the login: write right first, then delete.
    void ReadRights(const std::string& rights)
    {
        m_writeRight = rights.size() > 0 && rights[0] == 'Y';
        m_deleteRight = rights.size() > 1 && rights[1] == 'Y';
        m_replicator.Log("Rights: write " + std::string(m_writeRight ? "yes" : "no") + ", delete " +
                         (m_deleteRight ? "yes" : "no"));
    }

    // getItems into m_serverRecords; returns the number the reply reports.
    // The ids are released once the request is made.
    int FetchServerRecords(CStringArray ids)
    {
        return Kind::Get(m_replicator, m_serverRecords, m_since, std::move(ids));
    }

    // A server id of OVERWRITE-IN-TARNWEL that the server did not overwrite:
    // refused for lack of rights (before its policy applies) or failed
    // (before its message).
    void OnOverwriteNotDone(const std::string& /*serverId*/, bool /*refused*/) {}

    // --- Step 1: start --------------------------------------------------------

    // False when the run ends here (abort right after the login).
    bool StartStep()
    {
        m_sink.SetStatusControl(Kind::kStatusControl);
        m_sink.ShowStatus(Kind::kTexts.start);
        m_sink.OnStepDone();

        m_replicator.LogHeading(std::string(Kind::kName) + " replication");
        This().ReadRights(m_replicator.Authenticate(Kind::kNamespace));
        m_signedIn = true;
        CrashPoint("authenticate answered");
        if (m_replicator.AbortRequested()) {
            m_replicator.Log("Aborted after the login");
            return false;
        }

        m_store = std::make_unique<Store>([this](const std::string& text) { m_replicator.Log(text); });
        if (m_store->IsOtherStore()) {
            // Every pair would point past the items of this store: the run
            // would copy the server into it, or take the missing items for
            // deletions. Neither side is touched, the mapping file neither.
            m_replicator.Log("The mapping file's pairs were made with another local store than the one opened (" +
                             (m_store->GetStoreId().empty() ? std::string("none") : m_store->GetStoreId()) +
                             "); nothing is replicated");
            m_replicator.NoteKindFailed(Kind::kName);
            ReportToUser(m_store->OtherStoreMessage(), MessageBoxIcon::stop, true);
            m_store.reset();
            return true;
        }
        if (!m_store->IsReady()) {
            // Without its mapping file the store cannot remember a single
            // pair: every run would create every item a second time.
            m_replicator.Log("The mapping file cannot be read, created or written; nothing is replicated");
            m_replicator.NoteKindFailed(Kind::kName);
            m_store.reset();
            return true;
        }
        const std::vector<std::string> ambiguous = m_store->ForgetAmbiguousPairs();
        for (const std::string& serverId : ambiguous)
            m_replicator.Log("The mapping file pairs " + serverId +
                             " with more than one Outlook item; those pairs are dropped");
        ReportDroppedPairs(ambiguous.size());
        if (m_replicator.Settings().convertBefore)
            m_store->ConvertAllItems();
        m_since = m_replicator.Settings().all ? std::string("1900-01-01")
                                              : m_replicator.Settings().since.Format("%Y-%m-%d");
        m_replicator.Log("Replicating the changes since " + m_since);
        CStringArray changedIds = NoteRequested(m_store->GetChangedServerPlaces(m_since));

        int fetched = 0;
        if (!m_replicator.AbortRequested())
            m_sink.ShowStatus(229);
        if (!m_replicator.AbortRequested()) {
            fetched = This().FetchServerRecords(std::move(changedIds));
            CrashPoint("getItems answered");
        }
        m_sink.OnServerItemsFetched(fetched);
        m_sink.OnStepDone();
        if (!m_replicator.AbortRequested())
            m_sink.ShowStatusCount(Kind::kTexts.fetched, Count(m_serverRecords), 0);
        return true;
    }

    // Tells the user once, in the trace and through the progress sink, what
    // the loaded mapping file lost: damaged lines (and journal records), a
    // file removed after earlier runs, pairs dropped as ambiguous. Items
    // without their pair are paired again by sameness; changed ones may end
    // up twice, so the user must hear of it.
    void ReportDroppedPairs(std::size_t ambiguousServerIds)
    {
        const CMappingFile& file = m_store->GetMappingFile();
        const std::size_t damaged = file.DamagedLines();
        if (damaged == 0 && ambiguousServerIds == 0 && !file.FileWasLost())
            return;
        std::string trace = file.Path() + ": ";
        std::string notice = "Zuordnungsdatei " + file.Path() + ": ";
        std::string separator;
        if (file.FileWasLost()) {
            trace += "missing, created empty; the pairs of the earlier runs are lost";
            notice += "fehlte und wurde leer angelegt, die Paare der früheren Abgleiche sind verloren";
            separator = "; ";
        }
        if (damaged > 0) {
            trace += separator + std::to_string(damaged) + " damaged line(s) skipped";
            notice += separator + std::to_string(damaged) +
                      (damaged == 1 ? " beschädigte Zeile übergangen" : " beschädigte Zeilen übergangen");
            separator = "; ";
        }
        if (ambiguousServerIds > 0) {
            trace += separator + "the pairs of " + std::to_string(ambiguousServerIds) +
                     " server id(s) with more than one Outlook item dropped";
            notice += separator + "die Paare von " + std::to_string(ambiguousServerIds) +
                      (ambiguousServerIds == 1 ? " Server-Eintrag" : " Server-Einträgen") +
                      " mit mehr als einem Outlook-Eintrag verworfen";
        }
        m_replicator.Log("--x-- " + trace);
        m_sink.ShowNotice(notice + ". Einträge ohne Paar werden über gleichen Inhalt neu gepaart; "
                                   "seitdem geänderte können doppelt erscheinen.");
    }

    // --- Step 2: server pass --------------------------------------------------

    void ServerPass()
    {
        if (!m_store)
            return;
        m_replicator.LogHeading("Processing the server's items...");
        const int total = Count(m_serverRecords);
        // The partner of each record is looked up in the mapping tables; the
        // look-ups of the records a few places ahead are readied meanwhile.
        constexpr int kAhead = 8;
        const CMappingTable& tables = m_store->GetMappings();
        for (int i = 0; i < kAhead && i < total; ++i)
            tables.Prefetch(m_serverRecords[static_cast<std::size_t>(i)].id_tarnwel);
        for (int i = 0; i < total && !m_replicator.AbortRequested(); ++i) {
            if (i + kAhead < total)
                tables.Prefetch(m_serverRecords[static_cast<std::size_t>(i + kAhead)].id_tarnwel);
            m_sink.OnItemTick();
            if (i == 0 && Kind::kTexts.firstServerRecord != 0)
                m_sink.ShowStatus(Kind::kTexts.firstServerRecord);
            else
                m_sink.ShowStatusCount(Kind::kTexts.serverRecord, Kind::kTexts.serverRecordFromOne ? i + 1 : i,
                                       total);
            ClassifyServerRecord(m_serverRecords[static_cast<std::size_t>(i)]);
        }
    }

    void ClassifyServerRecord(Record& server)
    {
        // The partner's entry id stays valid while the store lives.
        const auto partner = m_store->FindPartner(server.id_tarnwel);
        if (!partner || partner->entryId == kNoId) {
            PrepareUnpaired(server);
            if (Record* sent = TakeSentFrom(server)) {
                // The server item was added from this Outlook item (its
                // addItems reply was lost, or the pair was): the two are one
                // item, compared as a pair, whatever either side changed
                // since. Only the pair is made here; what changes is up to
                // the rules of a changed pair.
                m_replicator.Log("New on the server, added from the unpaired Outlook item " + sent->id_client +
                                 ": paired with it: " + server.id_tarnwel);
                m_store->AddMapping(server.id_tarnwel, sent->id_client);
                sent->id_tarnwel = server.id_tarnwel;
                m_processed.push_back(sent);
                if (Kind::IsSame(server, *sent)) {
                    CarryParticipants(server, *sent);
                    return;
                }
                m_replicator.Log("Changed: " + server.id_tarnwel);
                const std::string entryId = sent->id_client;
                This().DecideChangedPair(server, *sent, entryId);
                return;
            }
            if (Record* twin = TakeUnpairedTwin(server)) {
                m_replicator.Log("New on the server, the same as the unpaired Outlook item " + twin->id_client +
                                 ": paired with it: " + server.id_tarnwel);
                m_store->AddMapping(server.id_tarnwel, twin->id_client);
                twin->id_tarnwel = server.id_tarnwel;
                m_processed.push_back(twin);
                CarryParticipants(server, *twin);
                return;
            }
            m_replicator.Log("New on the server: " + server.id_tarnwel);
            QueueToAddToOutlook(server);
            return;
        }
        const std::string_view entryId = partner->entryId;
        Record* outlook = partner->record;
        if (!outlook) {
            m_replicator.Log("Deleted in Outlook: " + server.id_tarnwel);
            const auto [result, trace] = m_replicator.ResolveOutlookDeletion(server, m_deleteRight);
            m_replicator.Log(trace);
            if (result == ServerPassResult::serverWins) {
                QueueToAddToOutlook(server);
            } else if (result == ServerPassResult::outlookWins) {
                server.id_client = entryId;
                m_deleteOnServer.push_back(server);
            }
            return;
        }
        m_processed.push_back(outlook);
        if (Kind::IsSame(server, *outlook)) {
            CarryParticipants(server, *outlook);
            return;
        }
        m_replicator.Log("Changed: " + server.id_tarnwel);
        This().DecideChangedPair(server, *outlook, std::string(entryId));
    }

    // Moves a server record of the server pass into ADD-TO-OUTLOOK instead of
    // copying it (a first run adds every server item); the refusals of
    // OVERWRITE-IN-TARNWEL find it there (ServerRecordsById).
    void QueueToAddToOutlook(Record& server)
    {
        const Record* first = m_serverRecords.data();
        if (&server < first || &server >= first + m_serverRecords.size()) {
            m_addToOutlook.push_back(server);
            return;
        }
        if (m_movedToOutlook.empty()) {
            m_movedToOutlook.assign(m_serverRecords.size(), CIdIndex::kNone);
            ReserveAddToOutlook(static_cast<std::size_t>(&server - first));
        }
        m_movedToOutlook[static_cast<std::size_t>(&server - first)] = static_cast<std::uint32_t>(m_addToOutlook.size());
        m_addToOutlook.push_back(std::move(server));
    }

    // Room in ADD-TO-OUTLOOK for every server record from `from` on that has
    // no partner, reserved once when the first record moves there: a first
    // run moves every server record, and a queue that grew by doubling would
    // hold its old and its new storage at once, nearly twice the records.
    // Runs that add nothing never count.
    void ReserveAddToOutlook(std::size_t from)
    {
        std::size_t unpaired = 0;
        for (std::size_t i = from; i < m_serverRecords.size(); ++i) {
            const std::optional<std::string_view> entryId =
                m_store->GetMappings().FindEntryId(m_serverRecords[i].id_tarnwel);
            if (!entryId || *entryId == kNoId)
                ++unpaired;
        }
        m_addToOutlook.reserve(m_addToOutlook.size() + unpaired);
    }

    // At the first server record without a partner: the own-class Outlook
    // items without a pair, by sameness key, and which of them the server
    // records from this one on name by the client id they were sent with.
    // Each Outlook item goes to the first server record without a partner
    // that names it (a second one, an item the server was sent twice, is
    // new); an item named so is no longer a candidate for sameness, so the
    // id decides wherever a server record names it, whatever the order of
    // the reply. Nothing is looked up when Outlook holds no unpaired item.
    void PrepareUnpaired(const Record& first)
    {
        if (m_unpairedBuilt)
            return;
        m_unpairedBuilt = true;
        m_store->ForEachUnpairedRecord(
            [this](Record& record) { m_unpaired[Kind::SamenessKey(record)].push_back(&record); });
        if (m_unpaired.empty())
            return;
        const Record* records = m_serverRecords.data();
        if (&first < records || &first >= records + m_serverRecords.size())
            return;
        const CMappingTable& tables = m_store->GetMappings();
        for (std::size_t i = static_cast<std::size_t>(&first - records); i < m_serverRecords.size(); ++i) {
            const Record& server = m_serverRecords[i];
            if (server.id_client.empty() || server.id_client == kNoId)
                continue;
            Record* named = m_store->FindByEntryId(server.id_client);
            if (!named || named->id_tarnwel != kNoId || m_sentFrom.contains(named))
                continue;
            const std::optional<std::string_view> entryId = tables.FindEntryId(server.id_tarnwel);
            if (entryId && *entryId != kNoId)
                continue;
            m_sentFrom.emplace(named, i);
            std::vector<Record*>& candidates = m_unpaired[Kind::SamenessKey(*named)];
            std::erase(candidates, named);
        }
    }

    // The Outlook item without a pair from which the server record was
    // added (the server returned its entry id as the client id); null when
    // there is none or it belongs to an earlier server record.
    Record* TakeSentFrom(const Record& server)
    {
        if (m_sentFrom.empty() || server.id_client.empty() || server.id_client == kNoId)
            return nullptr;
        Record* named = m_store->FindByEntryId(server.id_client);
        if (!named || named->id_tarnwel != kNoId)
            return nullptr;
        const auto found = m_sentFrom.find(named);
        if (found == m_sentFrom.end() || &m_serverRecords[found->second] != &server)
            return nullptr;
        m_sentFrom.erase(found);
        return named;
    }

    // An own-class Outlook item without a pair that is the same as the
    // server record, taken out of the candidates; null when there is none.
    // The candidates are looked up by a key that the same records share
    // (Kind::SamenessKey), then by the kind's sameness test.
    Record* TakeUnpairedTwin(const Record& server)
    {
        if (m_unpaired.empty())
            return nullptr;
        const auto found = m_unpaired.find(Kind::SamenessKey(server));
        if (found == m_unpaired.end())
            return nullptr;
        std::vector<Record*>& candidates = found->second;
        for (auto candidate = candidates.begin(); candidate != candidates.end(); ++candidate) {
            if (Kind::IsSame(server, **candidate)) {
                Record* twin = *candidate;
                candidates.erase(candidate);
                return twin;
            }
        }
        return nullptr;
    }

    // A pair that differs, its Outlook partner found.
    void DecideChangedPair(Record& server, Record& outlook, const std::string& entryId)
    {
        const auto [result, trace] = m_replicator.ResolveChangedPair(server, outlook, m_writeRight);
        m_replicator.Log(trace);
        if (result == ServerPassResult::serverWins) {
            server.id_client = entryId;
            m_overwriteInOutlook.push_back(server);
        } else if (result == ServerPassResult::outlookWins) {
            OutlookWins(server, outlook);
        }
    }

    // The server's participants reach the Outlook item only when it is
    // written; the marked copy is written but not counted.
    void CarryParticipants(const Record& server, Record& outlook)
    {
        if (!server.HasParticipants())
            return;
        if (Kind::kCompareParticipantsTexts && server.GetParticipantsText() == outlook.GetParticipantsText())
            return;
        outlook.participants = server.participants;
        QueueMarked(outlook);
    }

    void OutlookWins(const Record& server, Record& outlook)
    {
        if constexpr (Kind::kTaskCarry) {
            bool carried = false;
            if (server.HasParticipants()) {
                outlook.participants = server.participants;
                carried = true;
            }
            if (server.percentComplete != outlook.percentComplete) {
                // The server receives the rounded value too.
                outlook.percentComplete = outlook.percentComplete / 10 * 10;
                carried = true;
            }
            m_overwriteOnServer.push_back(outlook);
            if (carried)
                QueueMarked(outlook);
        } else {
            m_overwriteOnServer.push_back(outlook);
            CarryParticipants(server, outlook);
        }
    }

    void QueueMarked(Record& outlook)
    {
        outlook.id_tarnwel = kOverwriteForParticipants;
        m_overwriteInOutlook.push_back(outlook);
    }

    // --- Step 3: Outlook pass -------------------------------------------------

    void OutlookPass()
    {
        if (!m_store)
            return;
        m_sink.OnStepDone();
        m_replicator.LogHeading("Processing the changed Outlook items...");
        Array changed = m_store->GetChangedItems(m_since, m_processed);
        const int total = Count(changed);
        m_sink.OnServerItemsFetched(total);
        m_sink.OnStepDone();
        if (Kind::kTexts.outlookFetched != 0)
            m_sink.ShowStatusCount(Kind::kTexts.outlookFetched, total, 0);
        for (int i = 0; i < total && !m_replicator.AbortRequested(); ++i) {
            m_sink.OnItemTick();
            m_sink.ShowStatusCount(Kind::kTexts.outlookRecord, i, total);
            ClassifyOutlookRecord(changed[static_cast<std::size_t>(i)]);
        }
        m_sink.OnStepDone();
        m_sink.OnServerItemsFetched(Kind::kQueueCount);
    }

    void ClassifyOutlookRecord(const Record& outlook)
    {
        const bool newItem = outlook.id_tarnwel == kNoId;
        if (!newItem && !WasRequested(outlook.id_tarnwel)) {
            // Changed in Outlook after the scan whose ids went with getItems:
            // the server was never asked for its partner, so its absence from
            // the reply says nothing about a deletion. The next run asks.
            m_replicator.Log("Changed in Outlook during the run, its server item was not asked for; left for the "
                             "next run: " + outlook.id_client + " " + outlook.id_tarnwel);
            return;
        }
        m_replicator.Log((newItem ? "Never replicated: " : "Deleted on the server: ") + outlook.id_client);
        This().DecideOutlookRecord(outlook, newItem);
    }

    // The server ids at the places of the store's tables, for getItems; each
    // is noted as requested by its place.
    CStringArray NoteRequested(const std::vector<std::uint32_t>& serverPlaces)
    {
        const CMappingTable& tables = m_store->GetMappings();
        m_requested.assign(tables.IdCount(), false);
        m_requestedEra = tables.Era();
        CStringArray ids;
        ids.reserve(serverPlaces.size());
        for (const std::uint32_t place : serverPlaces) {
            m_requested[place] = true;
            ids.emplace_back(tables.IdAt(place));
        }
        return ids;
    }

    // True when the server id went with getItems. (A run never empties its
    // tables; if they had been, nothing counts as requested, and an item is
    // left for the next run rather than taken for a deletion.)
    bool WasRequested(std::string_view serverId) const
    {
        const CMappingTable& tables = m_store->GetMappings();
        if (tables.Era() != m_requestedEra)
            return false;
        const std::uint32_t place = tables.PlaceOf(serverId);
        return place < m_requested.size() && m_requested[place];
    }

    // A changed Outlook item that the server pass did not meet.
    void DecideOutlookRecord(const Record& outlook, bool newItem)
    {
        switch (DecideOutlookPass(newItem, m_rules, m_writeRight, outlook.last_updated)) {
        case OutlookPassAction::leave:
            break;
        case OutlookPassAction::removeFromOutlook:
            m_removeFromOutlook.push_back(outlook);
            break;
        case OutlookPassAction::addToServer:
            m_addToServer.push_back(outlook);
            break;
        case OutlookPassAction::askWhatToDo: {
            CConflictDialog dialog;
            dialog.m_text = std::string(newItem ? Kind::kDialog.neverReplicated : Kind::kDialog.serverDeleted) +
                            outlook.GetDescription();
            dialog.m_firstCaption = Kind::kDialog.createOnServer;
            dialog.m_secondCaption = Kind::kDialog.removeInOutlook;
            dialog.DoModal();
            if (dialog.m_choice == 0)
                m_addToServer.push_back(outlook);
            else if (dialog.m_choice == 1)
                m_removeFromOutlook.push_back(outlook);
            break;
        }
        case OutlookPassAction::askToRemove:
            AskToRemove(outlook);
            break;
        }
    }

    // The Yes/No question whether to delete an Outlook item that may not go
    // to the server.
    void AskToRemove(const Record& outlook)
    {
        if (ShowMessageBox(FormatWithDescription(233, outlook.GetDescription()), MessageBoxButtons::yesNo) ==
            MessageBoxResult::yes)
            m_removeFromOutlook.push_back(outlook);
    }

    // --- Step 4: queue phase --------------------------------------------------

    void QueuePhase()
    {
        OverwriteOnServer();
        DeleteOnServer();
        AddToServer();
        AddToOutlook();
        OverwriteInOutlook();
        RemoveFromOutlook();
    }

    // The policy for the refusals of one list, made from a copy of the kind's
    // rules; null (a NoRights code the factory does not know) leaves them.
    using MakePolicy = std::unique_ptr<CNoRightsPolicy> (CNoRightsPolicyFactory::*)(CKindRules);
    std::unique_ptr<CNoRightsPolicy> Policy(MakePolicy make) const
    {
        return (m_replicator.PolicyFactory().*make)(m_rules);
    }

    void Apply(CNoRightsPolicy* policy, const char* rule, Array& queue, const Record& record)
    {
        if (policy)
            Kind::Apply(*policy, queue, record);
        else
            m_replicator.Log(std::string("\tNo policy for the ") + rule + " NoRights code " +
                             "; the refused item " + record.id_tarnwel + " is left as it is");
    }

    // The first record of `records` for each server id.
    static std::unordered_map<std::string, Record*> FirstByServerId(Array& records)
    {
        std::unordered_map<std::string, Record*> index;
        index.reserve(records.size());
        for (Record& record : records)
            index.emplace(record.id_tarnwel, &record);
        return index;
    }
    // The first server record of getItems for each server id, wherever it is
    // now (a record moved to ADD-TO-OUTLOOK is found in the queue).
    std::unordered_map<std::string, Record*> ServerRecordsById()
    {
        std::unordered_map<std::string, Record*> index;
        index.reserve(m_serverRecords.size());
        for (std::size_t i = 0; i < m_serverRecords.size(); ++i) {
            const bool moved = !m_movedToOutlook.empty() && m_movedToOutlook[i] != CIdIndex::kNone;
            Record& record = moved ? m_addToOutlook[m_movedToOutlook[i]] : m_serverRecords[i];
            index.emplace(record.id_tarnwel, &record);
        }
        return index;
    }
    static Record* Find(const std::unordered_map<std::string, Record*>& index, const std::string& serverId)
    {
        const auto found = index.find(serverId);
        return found == index.end() ? nullptr : found->second;
    }

    void ShowItemError(int stringId, const std::string& description)
    {
        ShowMessageBox(FormatWithDescription(stringId, description), MessageBoxButtons::ok, MessageBoxIcon::stop);
    }

    void OverwriteOnServer()
    {
        if (m_replicator.AbortRequested())
            return;
        m_replicator.LogHeading("Processing OVERWRITE-IN-TARNWEL queue...");
        m_sink.ShowStatusCount(Kind::kTexts.overwriteOnServer, Count(m_overwriteOnServer), 0);
        CStringArray done, refused, failed;
        Kind::Put(m_replicator, m_overwriteOnServer, done, refused, failed);
        CrashPoint("putItems answered");
        if (!refused.empty()) {
            const std::unique_ptr<CNoRightsPolicy> policy = Policy(&CNoRightsPolicyFactory::MakeOvrPolicy);
            const auto serverRecords = ServerRecordsById();
            for (const std::string& id : refused) {
                This().OnOverwriteNotDone(id, true);
                const Record* found = Find(serverRecords, id);
                if (!found) {
                    m_replicator.Log("\tRefused id " + id + " was not sent; skipped");
                    continue;
                }
                Record server = *found;
                server.id_client = m_store->GetEntryId(id);
                Apply(policy.get(), "Ovr", m_overwriteInOutlook, server);
            }
        }
        for (const std::string& id : failed) {
            This().OnOverwriteNotDone(id, false);
            if (const Record* outlook = m_store->FindByServerId(id))
                ShowItemError(234, outlook->GetDescription());
            else
                m_replicator.Log("\tFailed id " + id + " was not sent; skipped");
        }
        m_sink.OnItemTick();
    }

    void DeleteOnServer()
    {
        if (m_replicator.AbortRequested())
            return;
        m_replicator.LogHeading("Processing DELETE-FROM-TARNWEL queue...");
        m_sink.ShowStatusCount(Kind::kTexts.deleteOnServer, Count(m_deleteOnServer), 0);
        CStringArray done, refused, failed;
        Kind::Delete(m_replicator, m_deleteOnServer, done, refused, failed);
        CrashPoint("deleteItems answered");
        for (const std::string& id : done)
            m_store->RemoveMapping(id);
        const auto queued = FirstByServerId(m_deleteOnServer);
        if (!refused.empty()) {
            const std::unique_ptr<CNoRightsPolicy> policy = Policy(&CNoRightsPolicyFactory::MakeOLDeletedPolicy);
            for (const std::string& id : refused) {
                if (const Record* record = Find(queued, id))
                    Apply(policy.get(), "OLDeleted", m_addToOutlook, *record);
                else
                    m_replicator.Log("\tRefused id " + id + " was not sent; skipped");
            }
        }
        for (const std::string& id : failed) {
            if (const Record* record = Find(queued, id))
                ShowItemError(235, record->GetDescription());
            else
                m_replicator.Log("\tFailed id " + id + " was not sent; skipped");
        }
        m_sink.OnItemTick();
    }

    void AddToServer()
    {
        if (m_replicator.AbortRequested())
            return;
        m_replicator.LogHeading("Processing ADD-TO-TARNWEL queue...");
        m_sink.ShowStatusCount(Kind::kTexts.addToServer, Count(m_addToServer), 0);
        CStringMap addErrors;
        const CStringMap added = Kind::Add(m_replicator, m_addToServer, addErrors);
        CrashPoint("addItems answered");
        const std::unique_ptr<CNoRightsPolicy> newPolicy = Policy(&CNoRightsPolicyFactory::MakeNewPolicy);
        const std::unique_ptr<CNoRightsPolicy> deletedPolicy = Policy(&CNoRightsPolicyFactory::MakeTWDeletedPolicy);
        for (const auto& [entryId, serverId] : added) {
            if (serverId != "ERROR") {
                m_store->AddMapping(serverId, entryId);
                continue;
            }
            const Record* outlook = m_store->FindByEntryId(entryId);
            if (!outlook) {
                m_replicator.Log("\tRefused entry " + entryId + " was not sent; skipped");
                continue;
            }
            if (outlook->id_tarnwel == kNoId)
                Apply(newPolicy.get(), "New", m_removeFromOutlook, *outlook);
            else
                Apply(deletedPolicy.get(), "TWDeleted", m_removeFromOutlook, *outlook);
        }
        for (const auto& [entryId, error] : addErrors) {
            if (const Record* outlook = m_store->FindByEntryId(entryId))
                ShowItemError(236, outlook->GetDescription());
            else
                m_replicator.Log("\tFailed entry " + entryId + " was not sent; skipped");
        }
        m_sink.OnItemTick();
    }

    // Works the records 0 to total - 1 of an Outlook queue off, in batches
    // of the local store, while the abort flag is clear: `show(i)` shows the
    // progress of record i, `write(i)` writes it. A batch whose commit fails
    // has written nothing (and made no pair): its records are written once
    // more, each on its own, so that each one that cannot be written gives
    // its own message and the others are kept.
    template <typename Show, typename Write>
    void WriteInBatches(int total, Show&& show, Write&& write)
    {
        for (int first = 0; first < total && !m_replicator.AbortRequested();) {
            int end = first;
            CLocalBatch batch(*m_store);
            for (; end < total && end - first < COutlookStore::kBatchWrites && !m_replicator.AbortRequested();
                 ++end) {
                show(end);
                write(end);
                m_sink.OnItemTick();
            }
            try {
                batch.Commit();
            } catch (const CComError& error) {
                m_replicator.Log(std::string("--x-- The local store did not take a batch of ") +
                                 std::to_string(end - first) + " items (" + error.what() +
                                 "); they are written one by one");
                for (int i = first; i < end; ++i)
                    write(i);
            }
            first = end;
        }
    }

    void AddToOutlook()
    {
        m_replicator.LogHeading("Processing ADD-TO-OUTLOOK queue...");
        const int total = Count(m_addToOutlook);
        if (Kind::kTexts.addToOutlookStart != 0)
            m_sink.ShowStatusCount(Kind::kTexts.addToOutlookStart, total, 0);
        WriteInBatches(
            total, [&](int i) { m_sink.ShowStatusCount(Kind::kTexts.addToOutlookRecord, i, total); },
            [&](int i) { m_store->AddItem(m_addToOutlook[static_cast<std::size_t>(i)]); });
    }

    void OverwriteInOutlook()
    {
        m_replicator.LogHeading("Processing OVERWRITE-IN-OUTLOOK queue...");
        const int total = Count(m_overwriteInOutlook);
        if (Kind::kTexts.overwriteInOutlookStart != 0)
            m_sink.ShowStatusCount(Kind::kTexts.overwriteInOutlookStart, total, 0);
        int counted = 0;
        WriteInBatches(
            total,
            [&](int i) {
                const bool marked =
                    m_overwriteInOutlook[static_cast<std::size_t>(i)].id_tarnwel == kOverwriteForParticipants;
                if (!marked && Kind::kTexts.countIncludesCurrent)
                    ++counted;
                m_sink.ShowStatusCount(Kind::kTexts.overwriteInOutlookRecord, counted, total);
                if (!marked && !Kind::kTexts.countIncludesCurrent)
                    ++counted;
            },
            [&](int i) { m_store->UpdateItem(m_overwriteInOutlook[static_cast<std::size_t>(i)]); });
    }

    void RemoveFromOutlook()
    {
        m_replicator.LogHeading("Processing REMOVE-FROM-OUTLOOK queue...");
        const int total = Count(m_removeFromOutlook);
        if (Kind::kTexts.removeStart != 0)
            m_sink.ShowStatusCount(Kind::kTexts.removeStart, total, 0);
        WriteInBatches(
            total, [&](int i) { m_sink.ShowStatusCount(Kind::kTexts.removeRecord, i, total); },
            [&](int i) { m_store->DeleteItem(m_removeFromOutlook[static_cast<std::size_t>(i)]); });
    }

    // --- Step 5: end ----------------------------------------------------------

    void EndStep()
    {
        SaveAndRelease();
        if (Kind::kTexts.endBeforeSignOut)
            m_sink.ShowStatus(Kind::kTexts.end);
        m_replicator.SignOut(Kind::kNamespace);
        CrashPoint("sign_out answered");
        if (!Kind::kTexts.endBeforeSignOut)
            m_sink.ShowStatus(Kind::kTexts.end);
        m_sink.OnStepDone();
        m_replicator.Log(std::string(Kind::kName) + " replication finished");
    }

    void SaveAndRelease()
    {
        if (!m_store)
            return;
        // Released whatever happens: a failed save must not leave it for a
        // second attempt in the failure handling.
        const std::unique_ptr<Store> store = std::move(m_store);
        store->SaveMappingFile();
    }

    // --- Failure handling -----------------------------------------------------

    void Fail(const char* cause, const std::string& message)
    {
        m_replicator.Log(std::string("--x-- ") + Kind::kName + " replication aborted due to " + cause);
        m_replicator.NoteKindFailed(Kind::kName);
        ShowMessageBox(message, MessageBoxButtons::ok, MessageBoxIcon::stop);
        try {
            SaveAndRelease();
        } catch (...) {
            m_replicator.Log("--x-- The mapping file could not be saved after the failure");
        }
    }

    template <typename Records>
    static int Count(const Records& records)
    {
        return static_cast<int>(records.size());
    }

    CReplicator& m_replicator;
    IProgressSink& m_sink;
    const CKindRules m_rules;

    bool m_signedIn = false;  // the login has answered: the session is open
    bool m_writeRight = false;
    bool m_deleteRight = false;
    std::unique_ptr<Store> m_store;
    std::string m_since;
    Array m_serverRecords;
    // Per server record: its place in m_addToOutlook when it was moved there
    // (empty while none was).
    std::vector<std::uint32_t> m_movedToOutlook;
    std::vector<const Record*> m_processed;  // the store's records of the Outlook partners met in the server pass
    // The server ids sent with getItems (the partners of the mapped Outlook
    // items changed since the date, as the start step found them), marked
    // at their places in the store's tables of the era m_requestedEra.
    std::vector<bool> m_requested;
    std::uint64_t m_requestedEra = 0;

    // The own-class Outlook items without a pair, by sameness key, that a new
    // server record may still be paired with; filled at the first new one.
    std::unordered_map<std::string, std::vector<Record*>> m_unpaired;
    bool m_unpairedBuilt = false;
    // Those the server records name by their client id: each with the place
    // of the first server record without a partner that names it.
    std::unordered_map<const Record*, std::size_t> m_sentFrom;

    // The six work queues, in the order in which they are worked off.
    Array m_overwriteOnServer;   // OVERWRITE-IN-TARNWEL
    Array m_deleteOnServer;      // DELETE-FROM-TARNWEL
    Array m_addToServer;         // ADD-TO-TARNWEL
    Array m_addToOutlook;        // ADD-TO-OUTLOOK
    Array m_overwriteInOutlook;  // OVERWRITE-IN-OUTLOOK
    Array m_removeFromOutlook;   // REMOVE-FROM-OUTLOOK
};

} // namespace tarnwel
