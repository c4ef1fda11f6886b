#pragma once
// The client's dialog templates, addressed by numeric id.

#include "platform/ui/DialogTemplate.h"

namespace tarnwel {

// The template of dialog `id`; throws std::out_of_range for an id that the
// resources do not hold.
const CDialogTemplate& LoadDialogTemplate(int id);

} // namespace tarnwel
