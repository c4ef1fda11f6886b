#pragma once

#include "platform/automation/MapiFolder.h"

namespace tarnwel {

// The default folders of the mail/calendar store.
namespace default_folders {
constexpr int kCalendar = 9;
constexpr int kContacts = 10;
constexpr int kTasks = 13;
} // namespace default_folders

class CNameSpace : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    // Logs on with the default profile: all four arguments omitted.
    void Logon() const
    {
        const CVariant omitted = CVariant::Omitted();
        Invoke("Logon", {omitted, omitted, omitted, omitted});
    }
    CMapiFolder GetDefaultFolder(int folder) const
    {
        return CMapiFolder(Invoke("GetDefaultFolder", {CVariant(folder)}).ToObject());
    }
    void Logoff() const { Invoke("Logoff"); }
    // The saved item of that entry id, of any folder; raises CComError when
    // there is none.
    COutlookItem GetItemFromID(std::string_view entryId) const
    {
        return COutlookItem(Invoke("GetItemFromID", {CVariant(entryId)}).ToObject());
    }

    // The local store's own batches: the saves and deletes between BeginBatch
    // and CommitBatch reach the store together or not at all (a read batch,
    // `write` false, reads one state of the store). A store without batches
    // raises CComError with com_codes::kUnknownName.
    void BeginBatch(bool write = true) const { Invoke("BeginBatch", {CVariant(write)}); }
    void CommitBatch() const { Invoke("CommitBatch"); }
    void RollbackBatch() const { Invoke("RollbackBatch"); }
};

} // namespace tarnwel
