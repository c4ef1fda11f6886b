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
    // Run-time questions
    {169, "Keine Änderungen vornehmen."},
    // Contact descriptions and differences
    {241, "\r\n--------------Persönlich---------------"},
    {242, "Anrede:"},
    {243, "Vorname:"},
    {244, "Nachname:"},
    {245, "Titel:"},
    {246, "Abteilung:"},
    {247, "Position:"},
    {248, "Fax:"},
    {249, "Mobil:"},
    {250, "eMail:"},
    {251, "Beschreibung:"},
    {252, "Telefon:"},
    {253, "Addresse (privat):"},
    {254, "Telefon (privat):"},
    {255, "Fax (privat):"},
    {256, "Mobil (privat):"},
    {257, "eMail (privat)"},
    {258, "Ansprechpartner:\r\n------------Geschäftlich-----------------"},
    {259, "Status: "},
    {260, "Anzahl Mitarbeiter: "},
    {261, "Firma: "},
    {262, "Zusatz: "},
    {263, "Straße: "},
    {264, "PLZ: "},
    {265, "Ort:"},
    {266, "Land:"},
    {267, "Bundesland:"},
    {268, "Telefon:"},
    {269, "Fax: "},
    {270, "eMail:"},
    {271, "URL:"},
    {272, "Sonstiges:"},
    {273, "Beschreibung:"},
    // Appointment descriptions and differences (287 ends every difference heading)
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
    // Task descriptions and differences
    {288, "Aufgabe:"},
    {289, "Titel: "},
    {290, "Beschreibung:"},
    {291, "Zuordnung:"},
    {292, "Priorität: "},
    {293, "Status: "},
    {294, "Enddatum: "},
    {295, "Startdatum:"},
    {296, "\r\nTeilnehmer:\r\n"},
    // Starts of the task and contact difference headings
    {303, "Die Aufgabe: '"},
    {304, "Der Kontakt: '"},
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
