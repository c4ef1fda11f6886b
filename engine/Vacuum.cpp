#include "engine/Vacuum.h"

#include "engine/CItemStore.h"

namespace tarnwel {

namespace {

template <typename Store>
void Vacuum(bool onlyOwnClass)
{
    Store store;
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
