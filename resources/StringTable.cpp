#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace tarnwel {

namespace {

using namespace string_id;

struct Entry {
    int id;
    std::string_view text;
};

// Sorted by id. Texts are UTF-8 and stand exactly as the program shows them,
// line breaks ("\r\n") and trailing blanks included.
constexpr Entry kEntries[] = {
    // Conflict decisions: trace texts, questions ("DESCR" takes the item's
    // description), dialog captions
    {kTraceRecreatedInOutlook, "\t\t-- Der Datensatz wird wieder erstellt in Outlook."},
    {kTraceDeletedOnServer, "\t\t-- Der Datensatz wird von der DRAV gelöscht."},
    {kTraceBothUnchanged, "\t\t-- Beide Seiten bleiben unverändert."},
    {kDeletedInOutlookText, "Der DESCR\r\nwurde vom Server repliziert, aber zwischenzeitlich aus Outlook gelöscht."},
    {kTraceOutlookOverwritten, "\t\t-- Die Outlook-Daten werden überschrieben."},
    {kTraceServerOverwritten, "\t\t-- Die DRAV-Daten werden überschrieben."},
    {kDiffersFromOutlookText, "Der DESCR\r\nstimmt nicht mit dem Datensatz auf der Outlook-Seite überein."},
    {kOverwriteNoRightsQuestion, "Sie haben nicht genügend Rechte auf dem Server,\num die folgenden Daten zu ändern:\nDESCR\n\nMöchten Sie die Outlook-Daten überschreiben?\n(Wählen Sie 'Nein' um alles unverändert zu lassen.)"},
    {kOverwriteServerCaption, "Überschreiben der DRAV-Daten."},
    {kOverwriteOutlookCaption, "Überschreiben der Outlook-Daten."},
    {kLeaveUnchangedCaption, "Keine Änderungen vornehmen."},
    {kDeleteOnServerCaption, "Löschen der DRAV-Daten."},
    {kRecreateInOutlookCaption, "Wiederherstellen der Daten in Outlook."},
    {kDeleteNoRightsQuestion, "Sie haben nicht genügend Rechte auf dem Server,\num folgende Daten zu löschen: DESCR\n\nSollen die Daten wieder hergestellt werden in Outlook?\n(Wählen Sie 'Nein'. um alles unverändert zu lassen.)"},
    // Progress of the appointment run
    {kAppointmentsStart, "Termine werden repliziert."},
    {kAppointmentsFetched, " %d Termine werden vom Server repliziert."},
    {kAppointmentsServerRecord, "%d von  %d Terminen auf der Serverseite bearbeitet."},
    {kAppointmentsOutlookFetched, "%d Termine von Outlook bearbeitet."},
    {kAppointmentsOutlookRecord, "%d of %d Termine auf Änderungen geprüft."},
    {kAppointmentsOverwriteOnServer, "%d Termine auf den Server übertragen."},
    {kAppointmentsDeleteOnServer, "%d Termine vom Server löschen."},
    {kAppointmentsAddToServer, "%d Termine auf dem Server einfügen."},
    {kAppointmentsAddToOutlookStart, "%d Termine in Outlook einfügen."},
    {kAppointmentsAddToOutlookRecord, "%d von %d neuen Terminen in Outlook eingefügt."},
    {kAppointmentsOverwriteInOutlookStart, "%d Termine werden in Outlook überschrieben."},
    {kAppointmentsOverwriteInOutlookRecord, "%d von %d Termine in Outlook geändert. "},
    {kAppointmentsRemoveStart, "%d Termine werden aus Outlook gelöscht."},
    {kAppointmentsRemoveRecord, "%d von %d Terminen aus Outlook gelöscht."},
    {kAppointmentsEnd, "Replikation der Termine beendet."},
    // Progress of the contact run
    {kContactsStart, "Kontakte werden repliziert."},
    {kContactsFetched, "%d Kontakte werden vom Server repliziert."},
    {kContactsServerRecord, "%d von %d Kontakten auf der Serverseite bearbeitet."},
    {kContactsOutlookRecord, "%d von %d Kontakte auf Änderungen geprüft."},
    {kContactsOverwriteOnServer, "%d Kontakte auf den Server übertragen."},
    {kContactsDeleteOnServer, "%d Kontakte vom Server löschen."},
    {kContactsAddToServer, "%d Kontakte auf dem Server einfügen."},
    {kContactsAddToOutlookRecord, "%d von %d neuen Kontakten in Outlook eingefügt."},
    {kContactsOverwriteInOutlookRecord, "%d von %d Kontakten in Outlook geändert. "},
    {kContactsRemoveRecord, "%d von %d Kontakten aus Outlook gelöscht. "},
    {kContactsEnd, "Replikation der Kontakte beendet."},
    // Progress of the task run
    {kTasksStart, "Aufgaben werden repliziert. "},
    {kTasksFetched, "%d Aufgaben werden vom Server repliziert. "},
    {kTasksServerRecord, "%d von %d Aufgaben auf der Serverseite bearbeitet."},
    {kTasksOutlookRecord, "%d von %d Aufgaben auf Änderungen geprüft."},
    {kTasksOverwriteOnServer, "%d Aufgaben auf den Server übertragen."},
    {kTasksDeleteOnServer, "%d Aufgaben vom Server löschen."},
    {kTasksAddToServer, "%d Aufgaben auf dem Server einfügen. "},
    {kTasksAddToOutlookRecord, "%d von %d neuen Aufgaben in Outlook eingefügt."},
    {kTasksOverwriteInOutlookRecord, "%d von %d Kontakten in Outlook geändert. "},
    {kTasksRemoveRecord, "%d von %d Aufgaben wurden aus Outlook gelöscht."},
    {kTasksEnd, "Replikation der Aufgaben beendet."},
    // Progress texts shared by the runs, then the contact run's copies and
    // changed-address pass
    {kFetchingServerData, "Daten vom Server werden übertragen."},
    {kPreparingOutlookData, "Daten aus Outlook werden vorbereitet."},
    {kContactsCopiedToOutlook, "%d Kontakte werden in Outlook kopiert."},
    {kContactsWithChangedAddressesRecord, "%d von %d Kontakten mit geänderten Adressen werden in Outlook geschrieben."},
    // Questions and error messages of the runs ("%s" takes the item's description)
    {kNoRightsToCreateQuestion, "Sie haben nicht genügend Rechte auf dem Server\num folgende Daten zu erstellen: %s \n\nMöchten Sie die Daten aus Outlook löschen?\n(Wählen Sie 'Nein' um alles unverändert zu lassen)."},
    {kOverwriteOnServerFailed, "Die folgenden Outlook-Daten  %s \r\nsollten die DRAV-Daten überschreiben,\r\naber die Operation konnte aufgrund \r\neines internen Serverfehlers nicht durchgeführt werden.\r\n\nBitte beachten Sie:\r\nDer Datensatz bleibt auf beiden Seiten (DRAV und Outlook) unverändert."},
    {kDeleteOnServerFailed, "Die folgenden Outlook-Daten %s \r\nsollten vom DRAV-Server gelöscht werden, \r\naber die Operation konnte aufgrund\r\neines internen Serverfehlers nicht durchgeführt werden.\r\n\nBitte beachten Sie:\r\nDie Daten bleiben auf beiden Seiten (DRAV und Outlook) unverändert."},
    {kAddToServerFailed, "Die folgenden Outlook-Daten %s \r\nsollten auf dem Server eingefügt werden,\r\naber die Operation konnte aufgrund\r\neines Serverfehlers nicht durchgeführt werden.\n\nBitte beachten Sie:\r\nDer Datensatz bleibt auf beiden Seiten (DRAV und Outlook) unverändert."},
    // Questions of the no-rights policies ("%s" takes the item's description)
    {kNewNoRightsQuestion, "Die folgenden Daten %s \nsollten auf der Serverseite eingefügt werden,\naber die Operation konnte nicht durchgeführt werden, \nweil der Benutzer nicht die erforderlichen Server-Rechte besitzt.\n\nSoll der Datensatz aus Outlook gelöscht werden?\n (Wenn Sie 'Nein' wählen, bleiben die Daten in Outlook gespeichert.)"},
    {kTWDeletedNoRightsQuestion, "Die folgenden Daten %s \nsollten auf der Serverseite eingefügt werden,\naber die Operation konnte nicht durchgeführt werden, \nweil der Benutzer nicht die erforderlichen Server-Rechte besitzt.\n\nSoll der Datensatz aus Outlook gelöscht werden?\n (Wenn Sie 'Nein' wählen, bleiben die Daten in Outlook gespeichert.)"},
    {kOvrNoRightsQuestion, "Die folgenden Daten %s \nsollten auf dem Server geändert werden,\naber die Operation konnte aufgrund \nfehlender Zugriffsrechte auf dem Server\nnicht durchgeführt werden.\n\nSoll stattdessen der Outlook Datensatz mit dem DRAV-Wert überschrieben werden?\nWenn Sie 'Nein' wählen, bleiben beide Seiten (DRAV und Outlook) unverändert."},
    {kOLDeletedNoRightsQuestion, "Die folgenden Daten%s\nsollten auf dem Server gelöscht weden,\naber die Operation konnte aufgrund\nfehlender Zugriffsrechte auf dem Server nicht durchgeführt werden.\n\nSoll der Datensatz wieder in Outlook eingefügt werden?\nWenn Sie 'Nein' wählen, bleiben die Daten in Outlook unwiderruflich gelöscht."},
    // Contact descriptions and differences
    {kPersonalHeading, "\r\n--------------Persönlich---------------"},
    {kSalutationLabel, "Anrede:"},
    {kFirstNameLabel, "Vorname:"},
    {kLastNameLabel, "Nachname:"},
    {kTitleLabel, "Titel:"},
    {kDepartmentLabel, "Abteilung:"},
    {kPositionLabel, "Position:"},
    {kFaxLabel, "Fax:"},
    {kMobileLabel, "Mobil:"},
    {kEmailLabel, "eMail:"},
    {kContactCommentLabel, "Beschreibung:"},
    {kPhoneLabel, "Telefon:"},
    {kPrivateAddressLabel, "Addresse (privat):"},
    {kPrivatePhoneLabel, "Telefon (privat):"},
    {kPrivateFaxLabel, "Fax (privat):"},
    {kPrivateMobileLabel, "Mobil (privat):"},
    {kPrivateEmailLabel, "eMail (privat)"},
    {kCompanyHeading, "Ansprechpartner:\r\n------------Geschäftlich-----------------"},
    {kCompanyStatusLabel, "Status: "},
    {kEmployeesLabel, "Anzahl Mitarbeiter: "},
    {kCompanyLabel, "Firma: "},
    {kCompanySuffixLabel, "Zusatz: "},
    {kStreetLabel, "Straße: "},
    {kPostcodeLabel, "PLZ: "},
    {kCityLabel, "Ort:"},
    {kCountryLabel, "Land:"},
    {kStateLabel, "Bundesland:"},
    {kCompanyPhoneLabel, "Telefon:"},
    {kCompanyFaxLabel, "Fax: "},
    {kCompanyEmailLabel, "eMail:"},
    {kUrlLabel, "URL:"},
    {kMiscellaneousLabel, "Sonstiges:"},
    {kCompanyDescriptionLabel, "Beschreibung:"},
    // Appointment descriptions and differences (kDifferencesHeadingEnd ends every
    // difference heading)
    {kAppointmentHeading, "Termin:\r\n"},
    {kAllDayAppointmentHeading, "Ganztagstermin\r\n"},
    {kAppointmentDescriptionLabel, "Beschreibung:"},
    {kLocationLabel, "Ort:"},
    {kPeriodFrom, "\r\nZeitraum:\r\n\tvon\t"},
    {kPeriodTo, "\r\n\tbis\t"},
    {kAppointmentParticipantsHeading, "\r\nTeilnehmer:\r\n"},
    {kAppointmentCommentLabel, "Beschreibung:\r\n"},
    {kAllDayEventLabel, "Ganztagsereignis:"},
    {kStartsOnLabel, "Beginnt am:"},
    {kEndsOnLabel, "Endet am:"},
    {kDateLabel, "Datum:"},
    {kAppointmentDifferencesStart, "Der Termin: '"},
    {kDifferencesHeadingEnd, "' wurde geändert.\r\n\r\nUnterschiedliche Felder:\r\n"},
    // Task descriptions and differences
    {kTaskHeading, "Aufgabe:"},
    {kTaskTitleLabel, "Titel: "},
    {kTaskDescriptionLabel, "Beschreibung:"},
    {kAssignmentLabel, "Zuordnung:"},
    {kPriorityLabel, "Priorität: "},
    {kTaskStatusLabel, "Status: "},
    {kDeadlineLabel, "Enddatum: "},
    {kStartDateLabel, "Startdatum:"},
    {kTaskParticipantsHeading, "\r\nTeilnehmer:\r\n"},
    // Starts of the task and contact difference headings
    {kTaskDifferencesStart, "Die Aufgabe: '"},
    {kContactDifferencesStart, "Der Kontakt: '"},
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
