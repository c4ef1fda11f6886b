#include "engine/CKindRun.h"

#include "engine/CConflictDialog.h"
#include "engine/CrashPoint.h"
#include "engine/OutlookPassDecision.h"
#include "engine/RunKinds.h"
#include "platform/base/ComError.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/UserNotices.h"
#include "protocol/ServerExceptions.h"
#include "records/Comparison.h"
#include "resources/StringTable.h"

#include <exception>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tarnwel {
namespace {

// The kind's sameness test.
template <typename Kind, typename Record>
bool IsSame(const Record& server, const Record& outlook)
{
    return (server.*Kind::kIsSame)(outlook);
}

// A key that the same records share: their trimmed sameness field.
template <typename Kind, typename Record>
std::string SamenessKey(const Record& record)
{
    return TrimText(record.*Kind::kSamenessField);
}

} // namespace

std::string FormatWithDescription(int stringId, const std::string& description)
{
    std::string text = LoadResourceText(stringId);
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, description);
    return text;
}

template <typename Kind>
CKindRun<Kind>::CKindRun(CReplicator& replicator)
    : m_replicator(replicator), m_sink(replicator.ProgressSink()), m_rules(replicator.Settings().*Kind::kRules)
{
}

template <typename Kind>
CKindRun<Kind>::~CKindRun() = default;

template <typename Kind>
void CKindRun<Kind>::Run()
{
    if (!m_replicator.CheckStarted() || m_replicator.AbortRequested())
        return;
    try {
        try {
            if (!LogIn())
                return;
            if (OpenStore()) {
                Fetch();
                ServerPass();
                OutlookPass();
                WorkServerQueues();
                WorkLocalQueues();
            }
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
        SaveMappingFile();
        LogOut();
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

// --- Steps a kind's run may override ---------------------------------------------

template <typename Kind>
void CKindRun<Kind>::ReadRights(const std::string& rights)
{
    m_writeRight = rights.size() > 0 && rights[0] == 'Y';
    m_deleteRight = rights.size() > 1 && rights[1] == 'Y';
    m_replicator.Log("Rights: write " + std::string(m_writeRight ? "yes" : "no") + ", delete " +
                     (m_deleteRight ? "yes" : "no"));
}

template <typename Kind>
int CKindRun<Kind>::FetchServerRecords(CStringArray ids)
{
    if constexpr (std::is_null_pointer_v<std::remove_cv_t<decltype(Kind::kGet)>>)
        return 0;  // the kind's run fetches with its own step
    else
        return (m_replicator.*Kind::kGet)(m_serverRecords, m_since, std::move(ids));
}

template <typename Kind>
void CKindRun<Kind>::DecideChangedPair(Record& server, Record& outlook, const std::string& entryId)
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

template <typename Kind>
void CKindRun<Kind>::DecideOutlookRecord(const Record& outlook, bool newItem)
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
        if (dialog.m_choice == CConflictDialog::kFirstChoice)
            m_addToServer.push_back(outlook);
        else if (dialog.m_choice == CConflictDialog::kSecondChoice)
            m_removeFromOutlook.push_back(outlook);
        break;
    }
    case OutlookPassAction::askToRemove:
        AskToRemove(outlook);
        break;
    }
}

template <typename Kind>
void CKindRun<Kind>::WorkServerQueues()
{
    OverwriteOnServer();
    DeleteOnServer();
    AddToServer();
}

template <typename Kind>
void CKindRun<Kind>::WorkLocalQueues()
{
    AddToOutlook();
    OverwriteInOutlook();
    RemoveFromOutlook();
}

template <typename Kind>
void CKindRun<Kind>::OnOverwriteNotDone(const std::string& /*serverId*/, bool /*refused*/)
{
}

// --- Log in, open the store, fetch ---------------------------------------------

template <typename Kind>
bool CKindRun<Kind>::LogIn()
{
    m_sink.SetStatusControl(Kind::kKind);
    m_sink.ShowStatus(Kind::kTexts.start);
    m_sink.OnStepDone();

    m_replicator.LogHeading(std::string(Kind::kName) + " replication");
    ReadRights(m_replicator.Authenticate(Kind::kNamespace));
    m_signedIn = true;
    CrashPoint("authenticate answered");
    if (m_replicator.AbortRequested()) {
        m_replicator.Log("Aborted after the login");
        return false;
    }
    return true;
}

template <typename Kind>
bool CKindRun<Kind>::OpenStore()
{
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
        return false;
    }
    if (!m_store->IsReady()) {
        // Without its mapping file the store cannot remember a single
        // pair: every run would create every item a second time.
        m_replicator.Log("The mapping file cannot be read, created or written; nothing is replicated");
        m_replicator.NoteKindFailed(Kind::kName);
        m_store.reset();
        return false;
    }
    const std::vector<std::string> ambiguous = m_store->ForgetAmbiguousPairs();
    for (const std::string& serverId : ambiguous)
        m_replicator.Log("The mapping file pairs " + serverId +
                         " with more than one Outlook item; those pairs are dropped");
    ReportDroppedPairs(ambiguous.size());
    if (m_replicator.Settings().convertBefore)
        m_store->ConvertAllItems();
    return true;
}

template <typename Kind>
void CKindRun<Kind>::Fetch()
{
    m_since = m_replicator.Settings().all ? std::string("1900-01-01")
                                          : m_replicator.Settings().since.Format("%Y-%m-%d");
    m_replicator.Log("Replicating the changes since " + m_since);
    CStringArray changedIds = m_requested.Note(m_store->GetMappings(), m_store->GetChangedServerPlaces(m_since));

    int fetched = 0;
    if (!m_replicator.AbortRequested())
        m_sink.ShowStatus(string_id::kFetchingServerData);
    if (!m_replicator.AbortRequested()) {
        fetched = FetchServerRecords(std::move(changedIds));
        CrashPoint("getItems answered");
    }
    m_sink.OnServerItemsFetched(fetched);
    m_sink.OnStepDone();
    if (!m_replicator.AbortRequested())
        m_sink.ShowStatusCount(Kind::kTexts.fetched, Count(m_serverRecords), 0);
}

template <typename Kind>
void CKindRun<Kind>::ReportDroppedPairs(std::size_t ambiguousServerIds)
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

// --- Server pass -------------------------------------------------------------------

template <typename Kind>
void CKindRun<Kind>::ServerPass()
{
    m_replicator.LogHeading("Processing the server's items...");
    const int total = Count(m_serverRecords);
    const CPartnerPrefetch<Record> prefetch(m_store->GetMappings(), m_serverRecords);
    for (int i = 0; i < total && !m_replicator.AbortRequested(); ++i) {
        prefetch.Before(static_cast<std::size_t>(i));
        m_sink.OnItemTick();
        ShowServerRecordProgress(i, total);
        ClassifyServerRecord(m_serverRecords[static_cast<std::size_t>(i)]);
    }
}

template <typename Kind>
void CKindRun<Kind>::ShowServerRecordProgress(int i, int total)
{
    if (i == 0 && Kind::kTexts.firstServerRecord != kNoRunText)
        m_sink.ShowStatus(Kind::kTexts.firstServerRecord);
    else
        m_sink.ShowStatusCount(Kind::kTexts.serverRecord, Kind::kTexts.serverRecordFromOne ? i + 1 : i, total);
}

template <typename Kind>
void CKindRun<Kind>::ClassifyServerRecord(Record& server)
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
            PairWithUnpaired(server, *sent, "added from");
            ComparePair(server, *sent, std::string(sent->id_client));
            return;
        }
        if (Record* twin = TakeUnpairedTwin(server)) {
            PairWithUnpaired(server, *twin, "the same as");
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
    ComparePair(server, *outlook, std::string(entryId));
}

template <typename Kind>
void CKindRun<Kind>::PairWithUnpaired(const Record& server, Record& outlook, const char* how)
{
    m_replicator.Log("New on the server, " + std::string(how) + " the unpaired Outlook item " + outlook.id_client +
                     ": paired with it: " + server.id_tarnwel);
    m_store->AddMapping(server.id_tarnwel, outlook.id_client);
    outlook.id_tarnwel = server.id_tarnwel;
    m_processed.push_back(&outlook);
}

template <typename Kind>
void CKindRun<Kind>::ComparePair(Record& server, Record& outlook, const std::string& entryId)
{
    if (IsSame<Kind>(server, outlook)) {
        CarryParticipants(server, outlook);
        return;
    }
    m_replicator.Log("Changed: " + server.id_tarnwel);
    DecideChangedPair(server, outlook, entryId);
}

template <typename Kind>
void CKindRun<Kind>::QueueToAddToOutlook(Record& server)
{
    const Record* first = m_serverRecords.data();
    if (&server < first || &server >= first + m_serverRecords.size()) {
        m_addToOutlook.push_back(server);
        return;
    }
    const CMappingTable& tables = m_store->GetMappings();
    m_moved.Move(m_serverRecords, static_cast<std::size_t>(&server - first), m_addToOutlook,
                 [&tables](const Record& record) {
                     const std::optional<std::string_view> entryId = tables.FindEntryId(record.id_tarnwel);
                     return !entryId || *entryId == kNoId;
                 });
}

template <typename Kind>
void CKindRun<Kind>::PrepareUnpaired(const Record& first)
{
    if (m_unpairedBuilt)
        return;
    m_unpairedBuilt = true;
    m_store->ForEachUnpairedRecord(
        [this](Record& record) { m_unpaired[SamenessKey<Kind>(record)].push_back(&record); });
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
        std::vector<Record*>& candidates = m_unpaired[SamenessKey<Kind>(*named)];
        std::erase(candidates, named);
    }
}

template <typename Kind>
auto CKindRun<Kind>::TakeSentFrom(const Record& server) -> Record*
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

template <typename Kind>
auto CKindRun<Kind>::TakeUnpairedTwin(const Record& server) -> Record*
{
    if (m_unpaired.empty())
        return nullptr;
    const auto found = m_unpaired.find(SamenessKey<Kind>(server));
    if (found == m_unpaired.end())
        return nullptr;
    std::vector<Record*>& candidates = found->second;
    for (auto candidate = candidates.begin(); candidate != candidates.end(); ++candidate) {
        if (IsSame<Kind>(server, **candidate)) {
            Record* twin = *candidate;
            candidates.erase(candidate);
            return twin;
        }
    }
    return nullptr;
}

template <typename Kind>
void CKindRun<Kind>::CarryParticipants(const Record& server, Record& outlook)
{
    if (!server.HasParticipants())
        return;
    if (Kind::kCompareParticipantsTexts && server.GetParticipantsText() == outlook.GetParticipantsText())
        return;
    outlook.participants = server.participants;
    QueueMarked(outlook);
}

template <typename Kind>
void CKindRun<Kind>::OutlookWins(const Record& server, Record& outlook)
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

template <typename Kind>
void CKindRun<Kind>::QueueMarked(Record& outlook)
{
    outlook.id_tarnwel = kOverwriteForParticipants;
    m_overwriteInOutlook.push_back(outlook);
}

// --- Outlook pass ------------------------------------------------------------------

template <typename Kind>
void CKindRun<Kind>::OutlookPass()
{
    m_sink.OnStepDone();
    m_replicator.LogHeading("Processing the changed Outlook items...");
    Array changed = m_store->GetChangedItems(m_since, m_processed);
    const int total = Count(changed);
    m_sink.OnServerItemsFetched(total);
    m_sink.OnStepDone();
    if (Kind::kTexts.outlookFetched != kNoRunText)
        m_sink.ShowStatusCount(Kind::kTexts.outlookFetched, total, 0);
    for (int i = 0; i < total && !m_replicator.AbortRequested(); ++i) {
        m_sink.OnItemTick();
        m_sink.ShowStatusCount(Kind::kTexts.outlookRecord, i, total);
        ClassifyOutlookRecord(changed[static_cast<std::size_t>(i)]);
    }
    m_sink.OnStepDone();
    m_sink.OnServerItemsFetched(Kind::kQueueCount);
}

template <typename Kind>
void CKindRun<Kind>::ClassifyOutlookRecord(const Record& outlook)
{
    const bool newItem = outlook.id_tarnwel == kNoId;
    if (!newItem && !m_requested.Contains(m_store->GetMappings(), outlook.id_tarnwel)) {
        // Changed in Outlook after the scan whose ids went with getItems:
        // the server was never asked for its partner, so its absence from
        // the reply says nothing about a deletion. The next run asks.
        m_replicator.Log("Changed in Outlook during the run, its server item was not asked for; left for the "
                         "next run: " + outlook.id_client + " " + outlook.id_tarnwel);
        return;
    }
    m_replicator.Log((newItem ? "Never replicated: " : "Deleted on the server: ") + outlook.id_client);
    DecideOutlookRecord(outlook, newItem);
}

template <typename Kind>
void CKindRun<Kind>::AskToRemove(const Record& outlook)
{
    if (ShowMessageBox(FormatWithDescription(string_id::kNoRightsToCreateQuestion, outlook.GetDescription()),
                       MessageBoxButtons::yesNo) == MessageBoxResult::yes)
        m_removeFromOutlook.push_back(outlook);
}

// --- Server queues -----------------------------------------------------------------

template <typename Kind>
void CKindRun<Kind>::OverwriteOnServer()
{
    if (m_replicator.AbortRequested())
        return;
    m_replicator.LogHeading("Processing OVERWRITE-IN-TARNWEL queue...");
    m_sink.ShowStatusCount(Kind::kTexts.overwriteOnServer, Count(m_overwriteOnServer), 0);
    CStringArray done, refused, failed;
    (m_replicator.*Kind::kPut)(m_overwriteOnServer, done, refused, failed);
    CrashPoint("putItems answered");
    if (!refused.empty()) {
        const std::unique_ptr<CNoRightsPolicy> policy = Policy(&CNoRightsPolicyFactory::MakeOvrPolicy);
        const auto serverRecords = ServerRecordsById();
        for (const std::string& id : refused) {
            OnOverwriteNotDone(id, true);
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
        OnOverwriteNotDone(id, false);
        ShowItemError(string_id::kOverwriteOnServerFailed, m_store->FindByServerId(id), "id", id);
    }
    m_sink.OnItemTick();
}

template <typename Kind>
void CKindRun<Kind>::DeleteOnServer()
{
    if (m_replicator.AbortRequested())
        return;
    m_replicator.LogHeading("Processing DELETE-FROM-TARNWEL queue...");
    m_sink.ShowStatusCount(Kind::kTexts.deleteOnServer, Count(m_deleteOnServer), 0);
    CStringArray done, refused, failed;
    (m_replicator.*Kind::kDelete)(m_deleteOnServer, done, refused, failed);
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
    for (const std::string& id : failed)
        ShowItemError(string_id::kDeleteOnServerFailed, Find(queued, id), "id", id);
    m_sink.OnItemTick();
}

template <typename Kind>
void CKindRun<Kind>::AddToServer()
{
    if (m_replicator.AbortRequested())
        return;
    m_replicator.LogHeading("Processing ADD-TO-TARNWEL queue...");
    m_sink.ShowStatusCount(Kind::kTexts.addToServer, Count(m_addToServer), 0);
    CStringMap addErrors;
    const CStringMap added = (m_replicator.*Kind::kAdd)(m_addToServer, addErrors);
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
    ShowAddErrors(addErrors);
    m_sink.OnItemTick();
}

// --- Local queues ------------------------------------------------------------------

template <typename Kind>
void CKindRun<Kind>::WriteInBatches(int total, const std::function<void(int)>& show,
                                    const std::function<void(int)>& write)
{
    for (int first = 0; first < total && !m_replicator.AbortRequested();) {
        int end = first;
        CLocalBatch batch(*m_store);
        for (; end < total && end - first < COutlookStore::kBatchWrites && !m_replicator.AbortRequested(); ++end) {
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

template <typename Kind>
void CKindRun<Kind>::WriteQueue(const char* heading, int startText, Array& queue,
                                const std::function<void(int, int)>& show, const std::function<void(Record&)>& write)
{
    m_replicator.LogHeading(heading);
    const int total = Count(queue);
    if (startText != kNoRunText)
        m_sink.ShowStatusCount(startText, total, 0);
    WriteInBatches(
        total, [&](int i) { show(i, total); }, [&](int i) { write(queue[static_cast<std::size_t>(i)]); });
}

template <typename Kind>
void CKindRun<Kind>::AddToOutlook()
{
    WriteQueue(
        "Processing ADD-TO-OUTLOOK queue...", Kind::kTexts.addToOutlookStart, m_addToOutlook,
        [this](int i, int total) { m_sink.ShowStatusCount(Kind::kTexts.addToOutlookRecord, i, total); },
        [this](Record& record) { m_store->AddItem(record); });
}

template <typename Kind>
void CKindRun<Kind>::OverwriteInOutlook()
{
    int counted = 0;
    WriteQueue(
        "Processing OVERWRITE-IN-OUTLOOK queue...", Kind::kTexts.overwriteInOutlookStart, m_overwriteInOutlook,
        [this, &counted](int i, int total) {
            const bool marked =
                m_overwriteInOutlook[static_cast<std::size_t>(i)].id_tarnwel == kOverwriteForParticipants;
            if (!marked && Kind::kTexts.countIncludesCurrent)
                ++counted;
            m_sink.ShowStatusCount(Kind::kTexts.overwriteInOutlookRecord, counted, total);
            if (!marked && !Kind::kTexts.countIncludesCurrent)
                ++counted;
        },
        [this](Record& record) { m_store->UpdateItem(record); });
}

template <typename Kind>
void CKindRun<Kind>::RemoveFromOutlook()
{
    WriteQueue(
        "Processing REMOVE-FROM-OUTLOOK queue...", Kind::kTexts.removeStart, m_removeFromOutlook,
        [this](int i, int total) { m_sink.ShowStatusCount(Kind::kTexts.removeRecord, i, total); },
        [this](Record& record) { m_store->DeleteItem(record); });
}

// --- Save, log out -------------------------------------------------------------------

template <typename Kind>
void CKindRun<Kind>::SaveMappingFile()
{
    if (!m_store)
        return;
    const std::unique_ptr<Store> store = std::move(m_store);
    store->SaveMappingFile();
}

template <typename Kind>
void CKindRun<Kind>::LogOut()
{
    if (Kind::kTexts.endBeforeSignOut)
        m_sink.ShowStatus(Kind::kTexts.end);
    m_replicator.SignOut(Kind::kNamespace);
    CrashPoint("sign_out answered");
    if (!Kind::kTexts.endBeforeSignOut)
        m_sink.ShowStatus(Kind::kTexts.end);
    m_sink.OnStepDone();
    m_replicator.Log(std::string(Kind::kName) + " replication finished");
}

// --- Helpers of the steps ------------------------------------------------------------

template <typename Kind>
std::unique_ptr<CNoRightsPolicy> CKindRun<Kind>::Policy(MakePolicy make) const
{
    return (m_replicator.PolicyFactory().*make)(m_rules);
}

template <typename Kind>
void CKindRun<Kind>::Apply(CNoRightsPolicy* policy, const char* rule, Array& queue, const Record& record)
{
    if (policy)
        (policy->*Kind::kApply)(queue, record);
    else
        m_replicator.Log(std::string("\tNo policy for the ") + rule + " NoRights code " +
                         "; the refused item " + record.id_tarnwel + " is left as it is");
}

template <typename Kind>
auto CKindRun<Kind>::FirstByServerId(Array& records) -> std::unordered_map<std::string, Record*>
{
    std::unordered_map<std::string, Record*> index;
    index.reserve(records.size());
    for (Record& record : records)
        index.emplace(record.id_tarnwel, &record);
    return index;
}

template <typename Kind>
auto CKindRun<Kind>::ServerRecordsById() -> std::unordered_map<std::string, Record*>
{
    std::unordered_map<std::string, Record*> index;
    index.reserve(m_serverRecords.size());
    for (std::size_t i = 0; i < m_serverRecords.size(); ++i) {
        Record& record = m_moved.At(m_serverRecords, i, m_addToOutlook);
        index.emplace(record.id_tarnwel, &record);
    }
    return index;
}

template <typename Kind>
auto CKindRun<Kind>::Find(const std::unordered_map<std::string, Record*>& index, const std::string& serverId)
    -> Record*
{
    const auto found = index.find(serverId);
    return found == index.end() ? nullptr : found->second;
}

template <typename Kind>
void CKindRun<Kind>::ShowItemError(int stringId, const Record* record, const char* idName, const std::string& id)
{
    if (record)
        ReportToUser(FormatWithDescription(stringId, record->GetDescription()), MessageBoxIcon::stop);
    else
        m_replicator.Log(std::string("\tFailed ") + idName + " " + id + " was not sent; skipped");
}

template <typename Kind>
void CKindRun<Kind>::ShowAddErrors(const CStringMap& addErrors)
{
    for (const auto& [entryId, error] : addErrors)
        ShowItemError(string_id::kAddToServerFailed, m_store->FindByEntryId(entryId), "entry", entryId);
}

template <typename Kind>
void CKindRun<Kind>::Fail(const char* cause, const std::string& message)
{
    m_replicator.Log(std::string("--x-- ") + Kind::kName + " replication aborted due to " + cause);
    m_replicator.NoteKindFailed(Kind::kName);
    ReportToUser(message, MessageBoxIcon::stop);
    try {
        SaveMappingFile();
    } catch (...) {
        m_replicator.Log("--x-- The mapping file could not be saved after the failure");
    }
}

template class CKindRun<CAppointmentRunKind>;
template class CKindRun<CContactRunKind>;
template class CKindRun<CTaskRunKind>;

} // namespace tarnwel
