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
    // Conflict decisions: trace texts, questions ("DESCR" takes the item's
    // description), dialog captions
    {159, "\t\t-- Der Datensatz wird wieder erstellt in Outlook."},
    {160, "\t\t-- Der Datensatz wird von der DRAV gelöscht."},
    {161, "\t\t-- Beide Seiten bleiben unverändert."},
    {162, "Der DESCR\r\nwurde vom Server repliziert, aber zwischenzeitlich aus Outlook gelöscht."},
    {163, "\t\t-- Die Outlook-Daten werden überschrieben."},
    {164, "\t\t-- Die DRAV-Daten werden überschrieben."},
    {165, "Der DESCR\r\nstimmt nicht mit dem Datensatz auf der Outlook-Seite überein."},
    {166, "Sie haben nicht genügend Rechte auf dem Server,\num die folgenden Daten zu ändern:\nDESCR\n\nMöchten Sie die Outlook-Daten überschreiben?\n(Wählen Sie 'Nein' um alles unverändert zu lassen.)"},
    {167, "Überschreiben der DRAV-Daten."},
    {168, "Überschreiben der Outlook-Daten."},
    {169, "Keine Änderungen vornehmen."},
    {170, "Löschen der DRAV-Daten."},
    {171, "Wiederherstellen der Daten in Outlook."},
    {172, "Sie haben nicht genügend Rechte auf dem Server,\num folgende Daten zu löschen: DESCR\n\nSollen die Daten wieder hergestellt werden in Outlook?\n(Wählen Sie 'Nein'. um alles unverändert zu lassen.)"},
    // Progress of the appointment run
    {184, "Termine werden repliziert."},
    {185, " %d Termine werden vom Server repliziert."},
    {186, "%d von  %d Terminen auf der Serverseite bearbeitet."},
    {187, "%d Termine von Outlook bearbeitet."},
    {188, "%d of %d Termine auf Änderungen geprüft."},
    {189, "%d Termine auf den Server übertragen."},
    {190, "%d Termine vom Server löschen."},
    {191, "%d Termine auf dem Server einfügen."},
    {192, "%d Termine in Outlook einfügen."},
    {193, "%d von %d neuen Terminen in Outlook eingefügt."},
    {194, "%d Termine werden in Outlook überschrieben."},
    {195, "%d von %d Termine in Outlook geändert. "},
    {196, "%d Termine werden aus Outlook gelöscht."},
    {197, "%d von %d Terminen aus Outlook gelöscht."},
    {198, "Replikation der Termine beendet."},
    // Progress of the contact run
    {199, "Kontakte werden repliziert."},
    {200, "%d Kontakte werden vom Server repliziert."},
    {201, "%d von %d Kontakten auf der Serverseite bearbeitet."},
    {203, "%d von %d Kontakte auf Änderungen geprüft."},
    {204, "%d Kontakte auf den Server übertragen."},
    {205, "%d Kontakte vom Server löschen."},
    {206, "%d Kontakte auf dem Server einfügen."},
    {208, "%d von %d neuen Kontakten in Outlook eingefügt."},
    {210, "%d von %d Kontakten in Outlook geändert. "},
    {212, "%d von %d Kontakten aus Outlook gelöscht. "},
    {213, "Replikation der Kontakte beendet."},
    // Progress of the task run
    {214, "Aufgaben werden repliziert. "},
    {215, "%d Aufgaben werden vom Server repliziert. "},
    {216, "%d von %d Aufgaben auf der Serverseite bearbeitet."},
    {218, "%d von %d Aufgaben auf Änderungen geprüft."},
    {219, "%d Aufgaben auf den Server übertragen."},
    {220, "%d Aufgaben vom Server löschen."},
    {221, "%d Aufgaben auf dem Server einfügen. "},
    {223, "%d von %d neuen Aufgaben in Outlook eingefügt."},
    {225, "%d von %d Kontakten in Outlook geändert. "},
    {227, "%d von %d Aufgaben wurden aus Outlook gelöscht."},
    {228, "Replikation der Aufgaben beendet."},
    // Progress texts shared by the runs, then the contact run's copies and
    // changed-address pass
    {229, "Daten vom Server werden übertragen."},
    {230, "Daten aus Outlook werden vorbereitet."},
    {231, "%d Kontakte werden in Outlook kopiert."},
    {232, "%d von %d Kontakten mit geänderten Adressen werden in Outlook geschrieben."},
    // Questions and error messages of the runs ("%s" takes the item's description)
    {233, "Sie haben nicht genügend Rechte auf dem Server\num folgende Daten zu erstellen: %s \n\nMöchten Sie die Daten aus Outlook löschen?\n(Wählen Sie 'Nein' um alles unverändert zu lassen)."},
    {234, "Die folgenden Outlook-Daten  %s \r\nsollten die DRAV-Daten überschreiben,\r\naber die Operation konnte aufgrund \r\neines internen Serverfehlers nicht durchgeführt werden.\r\n\nBitte beachten Sie:\r\nDer Datensatz bleibt auf beiden Seiten (DRAV und Outlook) unverändert."},
    {235, "Die folgenden Outlook-Daten %s \r\nsollten vom DRAV-Server gelöscht werden, \r\naber die Operation konnte aufgrund\r\neines internen Serverfehlers nicht durchgeführt werden.\r\n\nBitte beachten Sie:\r\nDie Daten bleiben auf beiden Seiten (DRAV und Outlook) unverändert."},
    {236, "Die folgenden Outlook-Daten %s \r\nsollten auf dem Server eingefügt werden,\r\naber die Operation konnte aufgrund\r\neines Serverfehlers nicht durchgeführt werden.\n\nBitte beachten Sie:\r\nDer Datensatz bleibt auf beiden Seiten (DRAV und Outlook) unverändert."},
    // Questions of the no-rights policies ("%s" takes the item's description)
    {237, "Die folgenden Daten %s \nsollten auf der Serverseite eingefügt werden,\naber die Operation konnte nicht durchgeführt werden, \nweil der Benutzer nicht die erforderlichen Server-Rechte besitzt.\n\nSoll der Datensatz aus Outlook gelöscht werden?\n (Wenn Sie 'Nein' wählen, bleiben die Daten in Outlook gespeichert.)"},
    {238, "Die folgenden Daten %s \nsollten auf der Serverseite eingefügt werden,\naber die Operation konnte nicht durchgeführt werden, \nweil der Benutzer nicht die erforderlichen Server-Rechte besitzt.\n\nSoll der Datensatz aus Outlook gelöscht werden?\n (Wenn Sie 'Nein' wählen, bleiben die Daten in Outlook gespeichert.)"},
    {239, "Die folgenden Daten %s \nsollten auf dem Server geändert werden,\naber die Operation konnte aufgrund \nfehlender Zugriffsrechte auf dem Server\nnicht durchgeführt werden.\n\nSoll stattdessen der Outlook Datensatz mit dem DRAV-Wert überschrieben werden?\nWenn Sie 'Nein' wählen, bleiben beide Seiten (DRAV und Outlook) unverändert."},
    {240, "Die folgenden Daten%s\nsollten auf dem Server gelöscht weden,\naber die Operation konnte aufgrund\nfehlender Zugriffsrechte auf dem Server nicht durchgeführt werden.\n\nSoll der Datensatz wieder in Outlook eingefügt werden?\nWenn Sie 'Nein' wählen, bleiben die Daten in Outlook unwiderruflich gelöscht."},
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
