#pragma once
// The resources both programs share: the run's question dialogs and the
// rule and configuration dialogs. Each program's own table
// (resources/client, resources/wizard) takes this one in.

#include "platform/ui/CResourceTable.h"

namespace tarnwel {

const CResourceTable& SharedResources();

// The template of shared dialog `id`; throws std::out_of_range for an id that
// the shared table does not hold.
const CDialogTemplate& LoadDialogTemplate(int id);

} // namespace tarnwel
