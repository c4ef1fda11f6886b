#pragma once
// The client's string table: German texts addressed by numeric id.

#include <string>

namespace tarnwel {

// The text of string-table entry `id`; the empty text for an id the table does
// not hold.
std::string LoadResourceText(int id);

} // namespace tarnwel
