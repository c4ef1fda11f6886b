#pragma once
// One connection to the data server for the automation objects of one
// application, on one thread: the source registry, the clients of the default
// calendar, task list and address book (opened at their first use), and the
// batch of writes that waits for CommitBatch.
//
// Items travel as text: iCalendar components (VEVENT, VTODO) for the two
// calendars, vCards for the address book. A write outside a batch is one call
// of its own; inside a batch the creations, changes and removals of each
// folder wait and go out at the commit as one call for each folder and sort
// (e_cal_client_create_objects, ..._modify_objects, ..._remove_objects,
// e_book_client_add_contacts, ...), so that many items are a few calls.

#include "platform/eds/EdsLoop.h"
#include "platform/pimstore/PimSchema.h"

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

typedef struct _ESourceRegistry ESourceRegistry;
typedef struct _EClient EClient;
typedef struct _ESource ESource;

namespace tarnwel {

// An item as the data server holds it: its UID, the RECURRENCE-ID of a
// detached instance ("" for the rest), and its text. `parsed`, when set,
// holds the same item parsed (EdsParseItem: an ICalComponent or an
// EContact), so that reading or sending it does not parse the text again;
// a calendar's list leaves `text` empty then, as most listed items are only
// read (EdsObjectText makes it when it is needed).
struct CEdsObject {
    std::string uid;
    std::string rid;
    std::string text;
    std::shared_ptr<GObject> parsed;
};

// The text of an object: its own, or that of its parsed item.
std::string EdsObjectText(const CEdsObject& object);

// Calls `work` for each index below `count`, on a few threads when there
// are many: parsing and reading the items of a large folder is most of the
// work of a scan, and each item is parsed and read on its own. `work` must
// touch nothing that another index touches, and must not throw.
void EdsForEachInParallel(std::size_t count, const std::function<void(std::size_t)>& work);

class CEdsSession {
public:
    explicit CEdsSession(std::chrono::milliseconds limit);
    ~CEdsSession();
    CEdsSession(const CEdsSession&) = delete;
    CEdsSession& operator=(const CEdsSession&) = delete;

    // Connects to the registry and the default source of the kind, once.
    void Open(PimKind kind);
    // The identity of the kind's default source as this system knows it:
    // "eds:<source uid>:<32 hexadecimal digits>", the digits made at random
    // the first time and kept in the user's data folder.
    std::string StoreId(PimKind kind);
    // The name of the user's time zone for calendar times ("" when unknown).
    const std::string& UserZone() const;

    // Every object of the kind's folder, as the data server holds it now.
    std::vector<CEdsObject> ListAll(PimKind kind);
    // The object of that UID (and RECURRENCE-ID), or none; inside a batch
    // the batch's own writes count.
    std::optional<CEdsObject> Get(PimKind kind, const std::string& uid, const std::string& rid = {});

    void Create(PimKind kind, const CEdsObject& object);
    void Modify(PimKind kind, const CEdsObject& object);
    void Remove(PimKind kind, const std::string& uid, const std::string& rid);
    // True when the open batch removes that object.
    bool RemovedInBatch(PimKind kind, const std::string& uid, const std::string& rid) const;

    void BeginBatch(bool write);
    // Sends the batch's writes; raises the first failing call's error, the
    // batch then ended (what went out before it stays).
    void CommitBatch();
    void RollbackBatch() noexcept;
    bool InBatch() const { return m_inBatch; }

private:
    struct CFolder {
        ESource* source = nullptr;
        EClient* client = nullptr;
    };
    // The writes of one folder waiting for the commit, by "uid\nrid".
    struct CPending {
        std::map<std::string, CEdsObject> creates;
        std::map<std::string, CEdsObject> modifies;
        std::map<std::string, CEdsObject> removes;
        bool Empty() const { return creates.empty() && modifies.empty() && removes.empty(); }
    };

    CFolder& Folder(PimKind kind);
    void SendCreates(PimKind kind, const std::vector<CEdsObject>& objects);
    void SendModifies(PimKind kind, const std::vector<CEdsObject>& objects);
    void SendRemoves(PimKind kind, const std::vector<CEdsObject>& objects);
    void CommitFolder(PimKind kind, CPending& pending);

    CEdsLoop m_loop;
    ESourceRegistry* m_registry = nullptr;
    std::array<CFolder, 3> m_folders;
    bool m_inBatch = false;
    std::array<CPending, 3> m_pending;
    std::string m_zone;
};

// The key of an object in the pending writes.
inline std::string EdsObjectKey(const std::string& uid, const std::string& rid)
{
    return uid + '\n' + rid;
}

} // namespace tarnwel
