#include "engine/COutlookStore.h"

#include "platform/base/ComError.h"
#include "platform/ui/UserNotices.h"
#include "records/CItemRecord.h"

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

COutlookStore::COutlookStore(const CStoreKind& kind)
    : m_application(CreateOutlook()),
      m_ownClass(std::string("IPM") + kind.messageClassSuffix),
      m_mappingFile(kind.mappingFileName)
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
}

void COutlookStore::RemoveMapping(const std::string& serverId)
{
    m_mappings.RemoveMapping(serverId);
}

void COutlookStore::SaveMappingFile() const
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
        if (!onlyOwnClass || IsOwnClass(item))
            item.Delete();
    });
    m_mappings.Clear();
}

std::string COutlookStore::ChangedSinceFilter(std::string_view since)
{
    const COleDate date = COleDate::Parse(since);
    if (!date.IsValid())
        throw CComError(com_codes::kTypeMismatch, "Not a date: " + std::string(since));
    return "[LastModificationTime] > '" + date.FormatLocaleDate() + "'";
}

} // namespace tarnwel
