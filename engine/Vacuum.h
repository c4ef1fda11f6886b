#pragma once
// Vacuum: removes the replicated items of one kind from Outlook and forgets
// every earlier replication of that kind.

#include "records/CItemRecord.h"

namespace tarnwel {

// Opens the kind's store, deletes the items of the own message class from its
// default folder (every item when `onlyOwnClass` is false, which is the
// setting "Vacuum all"), saves the emptied mapping file and closes the store.
// It works on whichever local store is open (created when missing), also one
// that the mapping file's pairs were not made with: vacuum is how the user
// starts afresh there, and the purge records that store beside the mapping
// file once the pairs are gone.
// A failing Outlook call raises its CComError; the mapping file is then left
// as it was.
void VacuumKind(ItemKind kind, bool onlyOwnClass);

} // namespace tarnwel
