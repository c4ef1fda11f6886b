#include "engine/COutlookStore.h"

#include "platform/base/ComError.h"
#include "platform/ui/UserNotices.h"
#include "records/CItemRecord.h"

#include <unordered_map>
#include <unordered_set>

namespace tarnwel {

namespace {

CApplication CreateOutlook()
{
    try {
        return CApplication::Create("Outlook.Application");
    } catch (const CComError& error) {
        ReportToUser("CreateDispatch() failed w/error " + error.CodeText(), MessageBoxIcon::none, true);
        throw;
    }
}

// A session that ends with its store: a failing Logoff has nobody left to tell.
void LogoffQuietly(const CNameSpace& nameSpace) noexcept
{
    try {
        nameSpace.Logoff();
    } catch (...) {
    }
}

} // namespace

COutlookStore::COutlookStore(const CStoreKind& kind, CMappingFile::LogFunction log)
    : m_application(CreateOutlook()),
      m_ownClass(std::string("IPM") + kind.messageClassSuffix),
      m_mappingFile(kind.mappingFileName, std::move(log))
{
    const CNameSpace nameSpace = m_application.GetNamespace("MAPI");
    nameSpace.Logon();
    m_nameSpace = nameSpace;  // from here on the destructor logs off
    try {
        m_items = m_nameSpace.GetDefaultFolder(kind.defaultFolderId).GetItems();
    } catch (...) {
        // The destructor does not run for a store that was never made.
        LogoffQuietly(m_nameSpace);
        throw;
    }
    m_ready = m_mappingFile.Load(m_mappings);
}

COutlookStore::~COutlookStore()
{
    m_items = CItems();
    LogoffQuietly(m_nameSpace);
}

std::string COutlookStore::GetEntryId(const std::string& serverId) const
{
    const std::string* entryId = m_mappings.FindEntryId(serverId);
    return entryId ? *entryId : std::string(kNoId);
}

void COutlookStore::AddMapping(const std::string& serverId, const std::string& entryId)
{
    m_mappings.AddMapping(serverId, entryId);
    m_mappingFile.JournalAdd(serverId, entryId, m_mappings);
}

void COutlookStore::RemoveMapping(const std::string& serverId)
{
    if (!m_mappings.FindEntryId(serverId))
        return;
    m_mappings.RemoveMapping(serverId);
    m_mappingFile.JournalRemove(serverId, m_mappings);
}

void COutlookStore::ForgetEntry(const std::string& entryId)
{
    if (!m_mappings.FindServerId(entryId))
        return;
    m_mappings.RemoveEntry(entryId);
    m_mappingFile.JournalForget(entryId, m_mappings);
}

std::vector<std::string> COutlookStore::ForgetAmbiguousPairs()
{
    std::unordered_map<std::string_view, int> entriesOf;
    entriesOf.reserve(m_mappings.EntryToServer().size());
    bool ambiguous = false;
    for (const auto& [entryId, serverId] : m_mappings.EntryToServer())
        ambiguous = ++entriesOf[serverId] > 1 || ambiguous;
    if (!ambiguous)
        return {};
    std::unordered_set<std::string> serverIds;
    std::vector<std::string> entryIds;
    for (const auto& [entryId, serverId] : m_mappings.EntryToServer()) {
        if (entriesOf[serverId] > 1) {
            serverIds.insert(serverId);
            entryIds.push_back(entryId);
        }
    }
    for (const std::string& entryId : entryIds)
        ForgetEntry(entryId);
    return {serverIds.begin(), serverIds.end()};
}

void COutlookStore::SaveMappingFile()
{
    m_mappingFile.Save(m_mappings);
}

void COutlookStore::ConvertAllItems()
{
    Scan(kWholeFolderFilter, [this](const COutlookItem& item) {
        if (IsOwnClass(item))
            return;
        item.SetMessageClass(m_ownClass);
        item.Save();
    });
}

void COutlookStore::PurgeFolder(bool onlyOwnClass)
{
    Scan(kWholeFolderFilter, [&](const COutlookItem& item) {
        if (onlyOwnClass && !IsOwnClass(item))
            return;
        // Forgotten as soon as it is gone: a pair kept for a deleted item
        // would make the next run take the purge for a deletion by the user.
        const std::string entryId = item.GetEntryID();
        item.Delete();
        ForgetEntry(entryId);
    });
    if (!m_mappings.EntryToServer().empty()) {
        m_mappings.Clear();
        m_mappingFile.JournalClear(m_mappings);
    }
}

std::string COutlookStore::ChangedSinceFilter(std::string_view since)
{
    const COleDate date = COleDate::Parse(since);
    if (!date.IsValid())
        throw CComError(com_codes::kTypeMismatch, "Not a date: " + std::string(since));
    return "[LastModificationTime] > '" + date.FormatLocaleDate() + "'";
}

} // namespace tarnwel
