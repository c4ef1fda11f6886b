#pragma once
// Empties the default calendar, address book and task list of the data server
// that the process's session bus reaches, in one batch: a test starts from the
// folders of a new profile.

#include "platform/automation/Application.h"
#include "platform/automation/Items.h"
#include "platform/automation/MapiFolder.h"
#include "platform/automation/NameSpace.h"
#include "platform/automation/OutlookItem.h"
#include "platform/eds/DataServerStore.h"

#include <chrono>

namespace tarnwel::test {

inline void EmptyDataServer(std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const CNameSpace nameSpace = CApplication(OpenDataServerStore(limit)).GetNamespace("MAPI");
    nameSpace.BeginBatch();
    for (const int folder : {default_folders::kCalendar, default_folders::kContacts, default_folders::kTasks}) {
        const CItems items = nameSpace.GetDefaultFolder(folder).GetItems();
        for (COutlookItem item = items.Find("[LastModificationTime] > '1900-01-01'"); !item.IsNull();
             item = items.FindNext())
            item.Delete();
    }
    nameSpace.CommitBatch();
}

} // namespace tarnwel::test
