#include "engine/Vacuum.h"

#include "engine/CItemStore.h"

namespace tarnwel {

namespace {

template <typename Store>
void Vacuum(bool onlyOwnClass)
{
    // Whichever local store is open: vacuum is how the user starts afresh
    // with another one, whose identity the purge records.
    Store store({}, StoreChoice::any);
    store.PurgeFolder(onlyOwnClass);
    store.SaveMappingFile();
}

} // namespace

void VacuumKind(ItemKind kind, bool onlyOwnClass)
{
    switch (kind) {
    case kAppointmentKind:
        Vacuum<CAppointmentStore>(onlyOwnClass);
        break;
    case kContactKind:
        Vacuum<CContactStore>(onlyOwnClass);
        break;
    case kTaskKind:
        Vacuum<CTaskStore>(onlyOwnClass);
        break;
    }
}

} // namespace tarnwel
