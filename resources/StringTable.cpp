#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace tarnwel {

namespace {

struct Entry {
    int id;
    std::string_view text;
};

// Sorted by id. Texts are UTF-8 and stand exactly as the program shows them,
// line breaks ("\r\n") and trailing blanks included.
constexpr Entry kEntries[] = {
    // Appointment descriptions and differences
    {274, "Termin:\r\n"},
    {275, "Ganztagstermin\r\n"},
    {276, "Beschreibung:"},
    {277, "Ort:"},
    {278, "\r\nZeitraum:\r\n\tvon\t"},
    {279, "\r\n\tbis\t"},
    {280, "\r\nTeilnehmer:\r\n"},
    {281, "Beschreibung:\r\n"},
    {282, "Ganztagsereignis:"},
    {283, "Beginnt am:"},
    {284, "Endet am:"},
    {285, "Datum:"},
    {286, "Der Termin: '"},
    {287, "' wurde geändert.\r\n\r\nUnterschiedliche Felder:\r\n"},
};

static_assert(std::adjacent_find(std::begin(kEntries), std::end(kEntries),
                                 [](const Entry& a, const Entry& b) { return a.id >= b.id; }) == std::end(kEntries),
              "string table ids must be unique and in rising order");

} // namespace

std::string LoadResourceText(int id)
{
    const auto found = std::lower_bound(std::begin(kEntries), std::end(kEntries), id,
                                        [](const Entry& entry, int key) { return entry.id < key; });
    if (found == std::end(kEntries) || found->id != id)
        return {};
    return std::string(found->text);
}

} // namespace tarnwel
