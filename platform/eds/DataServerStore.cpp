#include "platform/eds/DataServerStore.h"

#include "platform/automation/DispatchBase.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/base/ComError.h"
#include "platform/base/FileLock.h"
#include "platform/base/Text.h"
#include "platform/eds/EdsItem.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>

namespace tarnwel {
namespace {

// The items of a default folder. Find reads the folder once and orders its
// items by their creation; FindNext hands them out. Outside a batch each
// item is read again as it is handed out, so one deleted or changed since
// Find is passed over or read as it stands; inside a batch the read of Find
// stands for the folder.
class CEdsItems : public CDispatchBase<CEdsItems> {
public:
    CEdsItems(std::shared_ptr<CEdsSession> session, const CPimKindInfo& kind) : m_session(std::move(session)), m_kind(kind)
    {
    }

    static const CMemberTable<CEdsItems>& MemberTable()
    {
        static const auto table = CMemberTable<CEdsItems>()
            .Method("Add", [](CEdsItems& self, const std::vector<CVariant>& arguments) {
                const bool omitted = arguments.empty() || arguments[0].IsOmitted();
                const std::string messageClass = omitted ? self.m_kind.baseClass : arguments[0].ToText();
                return CVariant(DispatchPtr(std::make_shared<CEdsItem>(self.m_session, self.m_kind, messageClass)));
            })
            .Method("Find", [](CEdsItems& self, const std::vector<CVariant>& arguments) {
                RequireArguments("Find", arguments, 1);
                const COleDate since = ParseChangedSinceFilter(arguments[0].ToText());
                self.m_found.clear();
                self.m_next = 0;
                for (std::shared_ptr<CEdsItem>& item : self.ReadAll()) {
                    const COleDate changed = item->Data().lastModificationTime;
                    if (changed.IsValid() && !since.IsBefore(changed))
                        continue;
                    self.m_found.push_back(std::move(item));
                }
                std::stable_sort(self.m_found.begin(), self.m_found.end(), [](const auto& a, const auto& b) {
                    if (a->Data().order != b->Data().order)
                        return a->Data().order < b->Data().order;
                    return a->Data().uid < b->Data().uid;
                });
                return self.Next();
            })
            .Method("FindNext", [](CEdsItems& self, const std::vector<CVariant>&) { return self.Next(); });
        return table;
    }

private:
    // Every item of the folder, read on a few threads when there are many
    // (EdsForEachInParallel); the first that cannot be read raises its
    // error, as when they are read one by one.
    std::vector<std::shared_ptr<CEdsItem>> ReadAll()
    {
        const std::vector<CEdsObject> objects = m_session->ListAll(m_kind.kind);
        std::vector<std::shared_ptr<CEdsItem>> items(objects.size());
        std::vector<std::exception_ptr> failures(objects.size());
        EdsForEachInParallel(objects.size(), [&](std::size_t index) {
            try {
                items[index] = std::make_shared<CEdsItem>(m_session, m_kind, objects[index]);
            } catch (...) {
                failures[index] = std::current_exception();
            }
        });
        for (const std::exception_ptr& failure : failures)
            if (failure != nullptr)
                std::rethrow_exception(failure);
        return items;
    }

    CVariant Next()
    {
        while (m_next < m_found.size()) {
            std::shared_ptr<CEdsItem> item = std::move(m_found[m_next++]);
            if (m_session->InBatch())
                return CVariant(DispatchPtr(item));
            const std::optional<CEdsObject> now = m_session->Get(m_kind.kind, item->Data().uid, item->Data().rid);
            if (now)
                return CVariant(DispatchPtr(std::make_shared<CEdsItem>(m_session, m_kind, *now)));
        }
        m_found.clear();
        return CVariant();
    }

    std::shared_ptr<CEdsSession> m_session;
    const CPimKindInfo& m_kind;
    std::vector<std::shared_ptr<CEdsItem>> m_found;
    std::size_t m_next = 0;
};

class CEdsFolder : public CDispatchBase<CEdsFolder> {
public:
    CEdsFolder(std::shared_ptr<CEdsSession> session, const CPimKindInfo& kind) : m_session(std::move(session)), m_kind(kind)
    {
    }

    static const CMemberTable<CEdsFolder>& MemberTable()
    {
        static const auto table = CMemberTable<CEdsFolder>()
            .Property("Items", [](CEdsFolder& self) {
                return CVariant(DispatchPtr(std::make_shared<CEdsItems>(self.m_session, self.m_kind)));
            })
            .Property("StoreID", [](CEdsFolder& self) { return CVariant(self.m_session->StoreId(self.m_kind.kind)); });
        return table;
    }

private:
    std::shared_ptr<CEdsSession> m_session;
    const CPimKindInfo& m_kind;
};

// The namespace "MAPI". Logon and Logoff have nothing to ask: the data
// server belongs to the user's session. BeginBatch (a flag: true, the
// default, for writing), CommitBatch and RollbackBatch gather the writes of
// many items into a few calls (CEdsSession).
class CEdsNameSpace : public CDispatchBase<CEdsNameSpace> {
public:
    explicit CEdsNameSpace(std::shared_ptr<CEdsSession> session) : m_session(std::move(session)) {}

    static const CMemberTable<CEdsNameSpace>& MemberTable()
    {
        static const auto table = CMemberTable<CEdsNameSpace>()
            .Method("Logon", [](CEdsNameSpace&, const std::vector<CVariant>&) { return CVariant(); })
            .Method("Logoff", [](CEdsNameSpace& self, const std::vector<CVariant>&) {
                self.m_session->RollbackBatch();
                return CVariant();
            })
            .Method("GetItemFromID", [](CEdsNameSpace& self, const std::vector<CVariant>& arguments) {
                RequireArguments("GetItemFromID", arguments, 1);
                const std::string entryId = arguments[0].ToText();
                const std::string uid = EdsUidOfEntryId(entryId);
                for (const PimKind kind : {PimKind::appointment, PimKind::task, PimKind::contact}) {
                    if (const std::optional<CEdsObject> object = self.m_session->Get(kind, uid))
                        return CVariant(
                            DispatchPtr(std::make_shared<CEdsItem>(self.m_session, PimKindInfo(kind), *object)));
                }
                throw CComError(com_codes::kFail, "The data server holds no item " + entryId);
            })
            .Method("BeginBatch", [](CEdsNameSpace& self, const std::vector<CVariant>& arguments) {
                self.m_session->BeginBatch(arguments.empty() || arguments[0].IsOmitted() || arguments[0].ToBool());
                return CVariant();
            })
            .Method("CommitBatch", [](CEdsNameSpace& self, const std::vector<CVariant>&) {
                self.m_session->CommitBatch();
                return CVariant();
            })
            .Method("RollbackBatch", [](CEdsNameSpace& self, const std::vector<CVariant>&) {
                self.m_session->RollbackBatch();
                return CVariant();
            })
            .Method("GetDefaultFolder", [](CEdsNameSpace& self, const std::vector<CVariant>& arguments) {
                RequireArguments("GetDefaultFolder", arguments, 1);
                const int folder = arguments[0].ToInt();
                const CPimKindInfo* kind = PimKindOfFolder(folder);
                if (kind == nullptr)
                    throw CComError(com_codes::kInvalidArgument,
                                    "The store has no default folder " + std::to_string(folder));
                self.m_session->Open(kind->kind);
                return CVariant(DispatchPtr(std::make_shared<CEdsFolder>(self.m_session, *kind)));
            });
        return table;
    }

private:
    std::shared_ptr<CEdsSession> m_session;
};

class CEdsApplication : public CDispatchBase<CEdsApplication> {
public:
    explicit CEdsApplication(std::chrono::milliseconds limit) : m_limit(limit) {}

    static const CMemberTable<CEdsApplication>& MemberTable()
    {
        static const auto table = CMemberTable<CEdsApplication>().Method(
            "GetNamespace", [](CEdsApplication& self, const std::vector<CVariant>& arguments) {
                RequireArguments("GetNamespace", arguments, 1);
                if (!EqualsAsciiNoCase(arguments[0].ToText(), "MAPI"))
                    throw CComError(com_codes::kInvalidArgument, "Unknown namespace " + arguments[0].ToText());
                if (self.m_session == nullptr)
                    self.m_session = std::make_shared<CEdsSession>(self.m_limit);
                return CVariant(DispatchPtr(std::make_shared<CEdsNameSpace>(self.m_session)));
            });
        return table;
    }

private:
    std::chrono::milliseconds m_limit;
    std::shared_ptr<CEdsSession> m_session;
};

} // namespace

DispatchPtr OpenDataServerStore(std::chrono::milliseconds limit)
{
    return std::make_shared<CEdsApplication>(limit);
}

std::string DataServerLockPath()
{
    std::string dataHome;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
        dataHome = data;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        dataHome = std::string(home) + "/.local/share";
    else
        return {};
    const std::filesystem::path folder = std::filesystem::path(dataHome) / "tarnwel";
    std::error_code error;
    if (std::filesystem::create_directories(folder, error))
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    return (folder / "dataserver.lock").string();
}

void RegisterDataServerStore()
{
    CProgIdRegistry::Register("Outlook.Application", [] { return OpenDataServerStore(); });
    SetStoreLockPathSource(DataServerLockPath);
}

} // namespace tarnwel
