#include "platform/pimstore/PimStore.h"

#include "platform/automation/ProgIdRegistry.h"
#include "platform/base/ComError.h"
#include "platform/base/FileLock.h"
#include "platform/base/Text.h"
#include "platform/pimstore/PimItem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwel {
namespace {

// The items of a default folder. Find and FindNext walk them by their order
// of creation; items created after Find are not part of that scan. Outside a
// batch the scan reads one item at a time, so items deleted or saved during
// it are handled as the file stands at each step. Inside a batch the file
// stands still for other connections, and the scan reads a few hundred items
// with their values at a time, into item objects that it fills again for
// later items once their callers have let go of them.
class CPimItems : public CDispatchBase<CPimItems>, private CPimItemReader {
public:
    CPimItems(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind)
        : m_database(std::move(database)), m_kind(kind)
    {
    }

    static const CMemberTable<CPimItems>& MemberTable()
    {
        static const auto table = CMemberTable<CPimItems>()
            .Method("Add", [](CPimItems& self, const std::vector<CVariant>& arguments) {
                const bool omitted = arguments.empty() || arguments[0].IsOmitted();
                const std::string* text = omitted ? nullptr : arguments[0].GetText();
                const std::string converted = omitted || text != nullptr ? std::string() : arguments[0].ToText();
                const std::string_view messageClass = omitted ? std::string_view(self.m_kind.baseClass)
                                                      : text != nullptr ? std::string_view(*text)
                                                                        : std::string_view(converted);
                return CVariant(DispatchPtr(self.NewItem(messageClass)));
            })
            .Method("Find", [](CPimItems& self, const std::vector<CVariant>& arguments) {
                RequireArguments("Find", arguments, 1);
                self.m_since = ParseChangedSinceFilter(arguments[0].ToText());
                self.m_lastId = self.m_database->LastItemId(self.m_kind.folder);
                self.m_position = 0;
                self.m_count = 0;
                self.m_next = 0;
                self.m_scanning = true;
                return self.Next();
            })
            .Method("FindNext", [](CPimItems& self, const std::vector<CVariant>&) { return self.Next(); });
        return table;
    }

private:
    static constexpr int kReadAhead = 256;

    // The item that the last Add made is made again as a new one when
    // nobody else holds it (nor any of its user properties) any more.
    std::shared_ptr<CPimItem> NewItem(std::string_view messageClass)
    {
        if (m_added != nullptr && m_added.use_count() == 1) {
            m_added->BeginNew(messageClass);
        } else {
            CPimItemRow row;
            row.folder = m_kind.folder;
            row.messageClass.assign(messageClass.data(), messageClass.size());
            m_added = std::make_shared<CPimItem>(m_database, m_kind, std::move(row));
        }
        return m_added;
    }

    CVariant Next()
    {
        if (!m_scanning)
            return CVariant();
        if (m_next == m_count) {
            m_count = 0;
            m_next = 0;
            m_filled = 0;
            try {
                m_count = m_database->NextItems(m_kind, m_position, m_lastId, m_since,
                                                m_database->InBatch() ? kReadAhead : 1, *this);
            } catch (...) {
                m_count = 0;  // read again from the same place at the next call
                throw;
            }
            if (m_count == 0) {
                m_scanning = false;
                m_readAhead.clear();
                return CVariant();
            }
            m_position = m_readAhead[m_count - 1]->Row().id;
        }
        return CVariant(DispatchPtr(m_readAhead[m_next++]));
    }

    // An item of the read-ahead that nobody else holds any more (nor any of
    // its user properties) is filled again; one still held is left to its
    // holders and replaced.
    CPimItemRow& NextRow() override
    {
        const std::size_t at = m_filled++;
        if (at == m_readAhead.size())
            m_readAhead.push_back(std::make_shared<CPimItem>(m_database, m_kind));
        else if (m_readAhead[at].use_count() != 1)
            m_readAhead[at] = std::make_shared<CPimItem>(m_database, m_kind);
        return m_readAhead[at]->BeginFill();
    }
    void Value(std::size_t item, std::size_t property, const CPimStoredView& value) override
    {
        m_readAhead[item]->FillValue(property, value);
    }
    void UserValue(std::size_t item, std::string_view name, const CPimStoredView& value) override
    {
        m_readAhead[item]->FillUserValue(name, value);
    }

    std::shared_ptr<CPimDatabase> m_database;
    const CPimKindInfo& m_kind;
    bool m_scanning = false;
    COleDate m_since;
    std::int64_t m_lastId = 0;
    std::int64_t m_position = 0;  // the last id read
    // The items of the last read, the first m_count of them filled by it.
    std::vector<std::shared_ptr<CPimItem>> m_readAhead;
    std::size_t m_count = 0;
    std::size_t m_filled = 0;
    std::size_t m_next = 0;
    std::shared_ptr<CPimItem> m_added;
};

class CPimFolder : public CDispatchBase<CPimFolder> {
public:
    CPimFolder(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind)
        : m_database(std::move(database)), m_kind(kind)
    {
    }

    static const CMemberTable<CPimFolder>& MemberTable()
    {
        static const auto table =
            CMemberTable<CPimFolder>()
                .Property("Items",
                          [](CPimFolder& self) {
                              return CVariant(DispatchPtr(std::make_shared<CPimItems>(self.m_database, self.m_kind)));
                          })
                // The identity of the store that holds the folder: the same
                // for every folder of the file, for the file's life.
                .Property("StoreID", [](CPimFolder& self) { return CVariant(self.m_database->StoreId()); });
        return table;
    }

private:
    std::shared_ptr<CPimDatabase> m_database;
    const CPimKindInfo& m_kind;
};

// The namespace "MAPI". Logon and Logoff have nothing to do: the file is open.
// GetItemFromID finds a saved item of any folder by its entry id. BeginBatch
// (a flag: true, the default, for writing), CommitBatch and RollbackBatch
// are this store's own: they put many saves and deletes into one transaction
// (CPimDatabase::BeginBatch).
class CPimNameSpace : public CDispatchBase<CPimNameSpace> {
public:
    explicit CPimNameSpace(std::shared_ptr<CPimDatabase> database) : m_database(std::move(database)) {}

    static const CMemberTable<CPimNameSpace>& MemberTable()
    {
        static const auto table = CMemberTable<CPimNameSpace>()
            .Method("Logon", [](CPimNameSpace&, const std::vector<CVariant>&) { return CVariant(); })
            .Method("Logoff", [](CPimNameSpace& self, const std::vector<CVariant>&) {
                self.m_database->RollbackBatch();
                return CVariant();
            })
            .Method("GetItemFromID", [](CPimNameSpace& self, const std::vector<CVariant>& arguments) {
                RequireArguments("GetItemFromID", arguments, 1);
                const std::string entryId = arguments[0].ToText();
                std::optional<CPimItemRow> row = self.m_database->ItemByEntryId(entryId);
                const CPimKindInfo* kind = row ? PimKindOfFolder(row->folder) : nullptr;
                if (kind == nullptr)
                    throw CComError(com_codes::kFail, "The local item store holds no item " + entryId);
                return CVariant(DispatchPtr(std::make_shared<CPimItem>(self.m_database, *kind, std::move(*row))));
            })
            .Method("BeginBatch", [](CPimNameSpace& self, const std::vector<CVariant>& arguments) {
                self.m_database->BeginBatch(arguments.empty() || arguments[0].IsOmitted() || arguments[0].ToBool());
                return CVariant();
            })
            .Method("CommitBatch", [](CPimNameSpace& self, const std::vector<CVariant>&) {
                self.m_database->CommitBatch();
                return CVariant();
            })
            .Method("RollbackBatch", [](CPimNameSpace& self, const std::vector<CVariant>&) {
                self.m_database->RollbackBatch();
                return CVariant();
            })
            .Method("GetDefaultFolder", [](CPimNameSpace& self, const std::vector<CVariant>& arguments) {
                RequireArguments("GetDefaultFolder", arguments, 1);
                const int folder = arguments[0].ToInt();
                const CPimKindInfo* kind = PimKindOfFolder(folder);
                if (kind == nullptr)
                    throw CComError(com_codes::kInvalidArgument, "The store has no default folder " + std::to_string(folder));
                return CVariant(DispatchPtr(std::make_shared<CPimFolder>(self.m_database, *kind)));
            });
        return table;
    }

private:
    std::shared_ptr<CPimDatabase> m_database;
};

// The application. A file that exists is opened when the object is made; a
// missing one at the first GetNamespace, where it is created unless the
// property CreateMissingStore (true at first) was set to false: then
// GetNamespace raises com_codes::kFileNotFound and nothing is created.
class CPimApplication : public CDispatchBase<CPimApplication> {
public:
    explicit CPimApplication(std::string path) : m_path(std::move(path))
    {
        struct stat info {};
        if (::stat(m_path.c_str(), &info) == 0 || errno != ENOENT)
            m_database = CPimDatabase::Open(m_path);
    }

    static const CMemberTable<CPimApplication>& MemberTable()
    {
        static const auto table =
            CMemberTable<CPimApplication>()
                .Method("GetNamespace",
                        [](CPimApplication& self, const std::vector<CVariant>& arguments) {
                            RequireArguments("GetNamespace", arguments, 1);
                            if (!EqualsAsciiNoCase(arguments[0].ToText(), "MAPI"))
                                throw CComError(com_codes::kInvalidArgument,
                                                "Unknown namespace " + arguments[0].ToText());
                            if (self.m_database == nullptr)
                                self.m_database = CPimDatabase::Open(self.m_path, self.m_createMissing);
                            return CVariant(DispatchPtr(std::make_shared<CPimNameSpace>(self.m_database)));
                        })
                .Property(
                    "CreateMissingStore", [](CPimApplication& self) { return CVariant(self.m_createMissing); },
                    [](CPimApplication& self, const CVariant& value) { self.m_createMissing = value.ToBool(); });
        return table;
    }

private:
    std::string m_path;
    bool m_createMissing = true;
    std::shared_ptr<CPimDatabase> m_database;
};

std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    throw CComError(com_codes::kFail, "Cannot find the home directory for the local item store");
}

// The store holds every contact and appointment of the user: its folder and
// files are the user's alone.
constexpr mode_t kPrivateFolderMode = 0700;

// Creates `folder` and every missing folder above it for the user alone
// (0700 whatever the umask); folders that exist are left as they are.
void CreatePrivateFolders(const std::filesystem::path& folder)
{
    std::filesystem::path partial;
    for (const std::filesystem::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), kPrivateFolderMode) == 0) {
            ::chmod(partial.c_str(), kPrivateFolderMode);
            continue;
        }
        const int reason = errno;
        struct stat info {};
        if (::stat(partial.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            continue;
        throw CComError(com_codes::kFail,
                        "Cannot create the folder " + folder.string() + ": " + std::strerror(reason));
    }
}

// Takes the rights of others from a folder or file of the default store that
// an earlier version made readable by them: only a real folder or file (no
// link followed) that belongs to the user. Failures change nothing.
void TakeAwayOthersRights(const std::filesystem::path& path, bool folder)
{
    const int fd = ::open(path.c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (folder ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode)) &&
        (info.st_mode & 077) != 0)
        ::fchmod(fd, info.st_mode & 07700);
    ::close(fd);
}

} // namespace

std::string PimStorePath()
{
    if (const char* path = std::getenv("TARNWEL_PIMSTORE"); path != nullptr && *path != '\0')
        return path;
    std::filesystem::path folder;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
        folder = data;
    else
        folder = std::filesystem::path(HomeDirectory()) / ".local" / "share";
    folder /= "tarnwel";
    CreatePrivateFolders(folder);
    // The default folder and its files are the program's own: a store that
    // an earlier version made in a folder others may enter is closed to them
    // (a file named through TARNWEL_PIMSTORE keeps its mode).
    const std::filesystem::path file = folder / "pimstore.db";
    TakeAwayOthersRights(folder, true);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        TakeAwayOthersRights(file.string() + suffix, false);
    return file.string();
}

DispatchPtr OpenPimStore(const std::string& path)
{
    return std::make_shared<CPimApplication>(path);
}

void RegisterPimStore()
{
    CProgIdRegistry::Register("Outlook.Application", [] { return OpenPimStore(PimStorePath()); });
    // A file beside the store's, not the store's own: SQLite takes its own
    // locks on that file, which a lock of ours must leave alone.
    SetStoreLockPathSource([] { return PimStorePath() + ".lock"; });
}

} // namespace tarnwel
