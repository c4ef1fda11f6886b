#pragma once
// The wizard's resource table: its own dialogs, menus and icons, then the
// shared ones.

#include "platform/ui/CResourceTable.h"

namespace tarnwel {

const CResourceTable& WizardResources();

} // namespace tarnwel
