#pragma once
// The client's string table: German texts addressed by id. The ids have
// names in StringIds.h (namespace string_id), which callers use.

#include "resources/StringIds.h"

#include <string>

namespace tarnwel {

// The text of string-table entry `id`; the empty text for an id the table does
// not hold.
std::string LoadResourceText(int id);

} // namespace tarnwel
