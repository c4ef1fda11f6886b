#pragma once
// The descriptions of the three kinds that CKindRun runs: everything in which
// their runs differ (records, store, server calls, no-rights policy call,
// rules, sameness test and key, status and dialog texts, how server data is
// carried into Outlook). The appointment and
// task runs are CKindRun over their description; the contact run is
// CContactRun, which overrides the steps where the company matters.

#include "engine/CItemStore.h"
#include "engine/CKindRun.h"
#include "engine/CNoRightsPolicy.h"
#include "engine/CReplicator.h"
#include "records/RecordArrays.h"
#include "resources/StringIds.h"

#include <cstddef>

namespace tarnwel {

inline constexpr const char* kRunUnknownErrorText = "Unkown error has occured (check log window for details)";

struct CAppointmentRunKind {
    using Record = CAppointmentRecord;
    using Store = CAppointmentStore;

    static constexpr const char* kName = "Appointments";
    static constexpr const char* kNamespace = kAppointmentNamespace;
    static constexpr ItemKind kKind = kAppointmentKind;
    static constexpr CRunTexts kTexts{
        .start = string_id::kAppointmentsStart,
        .fetched = string_id::kAppointmentsFetched,
        .firstServerRecord = kNoRunText,
        .serverRecord = string_id::kAppointmentsServerRecord,
        .serverRecordFromOne = false,
        .outlookFetched = string_id::kAppointmentsOutlookFetched,
        .outlookRecord = string_id::kAppointmentsOutlookRecord,
        .overwriteOnServer = string_id::kAppointmentsOverwriteOnServer,
        .deleteOnServer = string_id::kAppointmentsDeleteOnServer,
        .addToServer = string_id::kAppointmentsAddToServer,
        .addToOutlookStart = string_id::kAppointmentsAddToOutlookStart,
        .addToOutlookRecord = string_id::kAppointmentsAddToOutlookRecord,
        .overwriteInOutlookStart = string_id::kAppointmentsOverwriteInOutlookStart,
        .overwriteInOutlookRecord = string_id::kAppointmentsOverwriteInOutlookRecord,
        .countIncludesCurrent = true,
        .removeStart = string_id::kAppointmentsRemoveStart,
        .removeRecord = string_id::kAppointmentsRemoveRecord,
        .end = string_id::kAppointmentsEnd,
        .endBeforeSignOut = false};
    static constexpr CRunDialogTexts kDialog{
        .createOnServer = "Erstelle es als neuen DRAV Termin ",
        .removeInOutlook = "Loesche den Termin aus Outlook",
        .serverDeleted = "Dieser Termin wurden in DRAVS geloescht \r\n\r\n",
        .neverReplicated = "Dieser Termin wurde niemals zuvor repliziert\r\n\r\n"};
    // Participants go to Outlook only when their texts differ.
    static constexpr bool kCompareParticipantsTexts = true;
    static constexpr int kQueueCount = 6;
    static constexpr const char* kUnknownErrorText = kRunUnknownErrorText;
    static constexpr bool kTaskCarry = false;

    static constexpr auto kGet = &CServerSession::GetAppointments;
    static constexpr auto kPut = &CServerSession::PutAppointments;
    static constexpr auto kDelete = &CServerSession::DeleteAppointments;
    static constexpr auto kAdd = &CServerSession::AddAppointments;
    static constexpr auto kApply = &CNoRightsPolicy::ApplyToAppointment;
    static constexpr auto kRules = &CReplicationSettings::appointmentRules;
    static constexpr auto kIsSame = &CAppointmentRecord::IsSameAppointment;
    // Appointments that are the same have the same trimmed description.
    static constexpr auto kSamenessField = &CAppointmentRecord::description;
};

struct CTaskRunKind {
    using Record = CTaskRecord;
    using Store = CTaskStore;

    static constexpr const char* kName = "Tasks";
    static constexpr const char* kNamespace = kTaskNamespace;
    static constexpr ItemKind kKind = kTaskKind;
    static constexpr CRunTexts kTexts{
        .start = string_id::kTasksStart,
        .fetched = string_id::kTasksFetched,
        .firstServerRecord = string_id::kPreparingOutlookData,
        .serverRecord = string_id::kTasksServerRecord,
        .serverRecordFromOne = false,
        .outlookFetched = kNoRunText,
        .outlookRecord = string_id::kTasksOutlookRecord,
        .overwriteOnServer = string_id::kTasksOverwriteOnServer,
        .deleteOnServer = string_id::kTasksDeleteOnServer,
        .addToServer = string_id::kTasksAddToServer,
        .addToOutlookStart = kNoRunText,
        .addToOutlookRecord = string_id::kTasksAddToOutlookRecord,
        .overwriteInOutlookStart = kNoRunText,
        .overwriteInOutlookRecord = string_id::kTasksOverwriteInOutlookRecord,
        .countIncludesCurrent = false,
        .removeStart = kNoRunText,
        .removeRecord = string_id::kTasksRemoveRecord,
        .end = string_id::kTasksEnd,
        .endBeforeSignOut = true};
    static constexpr CRunDialogTexts kDialog{
        .createOnServer = "Erstelle eine neue DRAV Aufgabe ",
        .removeInOutlook = "Loesche die Outlook Aufgabe ",
        .serverDeleted = "Diese Aufgabe wurde aus DRAV geloescht\r\n\r\n",
        .neverReplicated = "Diese Aufgabe wurde niemals zuvor repliziert\r\n\r\n"};
    // Participants go to Outlook whenever the server has some; when Outlook
    // wins, the percentage is rounded down to a multiple of ten as well.
    static constexpr bool kCompareParticipantsTexts = false;
    static constexpr int kQueueCount = 6;
    static constexpr const char* kUnknownErrorText = kRunUnknownErrorText;
    static constexpr bool kTaskCarry = true;

    static constexpr auto kGet = &CServerSession::GetTasks;
    static constexpr auto kPut = &CServerSession::PutTasks;
    static constexpr auto kDelete = &CServerSession::DeleteTasks;
    static constexpr auto kAdd = &CServerSession::AddTasks;
    static constexpr auto kApply = &CNoRightsPolicy::ApplyToTask;
    static constexpr auto kRules = &CReplicationSettings::taskRules;
    static constexpr auto kIsSame = &CTaskRecord::IsSameTask;
    // Tasks that are the same have the same trimmed title.
    static constexpr auto kSamenessField = &CTaskRecord::title;
};

struct CContactRunKind {
    using Record = CContactRecord;
    using Store = CContactStore;

    static constexpr const char* kName = "Contacts";
    static constexpr const char* kNamespace = kContactNamespace;
    static constexpr ItemKind kKind = kContactKind;
    static constexpr CRunTexts kTexts{
        .start = string_id::kContactsStart,
        .fetched = string_id::kContactsFetched,
        .firstServerRecord = string_id::kPreparingOutlookData,
        .serverRecord = string_id::kContactsServerRecord,
        .serverRecordFromOne = true,
        .outlookFetched = kNoRunText,
        .outlookRecord = string_id::kContactsOutlookRecord,
        .overwriteOnServer = string_id::kContactsOverwriteOnServer,
        .deleteOnServer = string_id::kContactsDeleteOnServer,
        .addToServer = string_id::kContactsAddToServer,
        .addToOutlookStart = kNoRunText,
        .addToOutlookRecord = string_id::kContactsAddToOutlookRecord,
        .overwriteInOutlookStart = kNoRunText,
        .overwriteInOutlookRecord = string_id::kContactsOverwriteInOutlookRecord,
        .countIncludesCurrent = false,
        .removeStart = kNoRunText,
        .removeRecord = string_id::kContactsRemoveRecord,
        .end = string_id::kContactsEnd,
        .endBeforeSignOut = true};
    // The texts of the link dialog: new address, delete, and the text before
    // the description; the link option's caption follows.
    static constexpr CRunDialogTexts kDialog{
        .createOnServer = "Erstelle den Outlook Kontakt mit neuer DRAV Adresse",
        .removeInOutlook = "Loesche den Outlook Kontakt",
        .serverDeleted = "Dieser Kontakt wurde aus DRAV geloescht\r\n\r\n",
        .neverReplicated = "Dieser Kontakt wurde niemals zuvor repliziert\r\n\r\n"};
    static constexpr const char* kLinkCaption = "Ordne den Outlook Kontakt einer der folgenden DRAV Adressen zu:";
    static constexpr bool kCompareParticipantsTexts = false;
    static constexpr int kQueueCount = 7;
    static constexpr const char* kUnknownErrorText =
        "Unbekannter Fehler aufgetreten(für Details testen sie das Log-Fenster";
    // The contact run decides its changed pairs itself (CContactRun).
    static constexpr bool kTaskCarry = false;

    // getItems of contacts gives the server's addresses as well: the contact
    // run fetches them itself (CContactRun::FetchServerRecords).
    static constexpr std::nullptr_t kGet = nullptr;
    static constexpr auto kPut = &CServerSession::PutContacts;
    static constexpr auto kDelete = &CServerSession::DeleteContacts;
    static constexpr auto kAdd = &CServerSession::AddContacts;
    static constexpr auto kApply = &CNoRightsPolicy::ApplyToContact;
    static constexpr auto kRules = &CReplicationSettings::contactRules;
    static constexpr auto kIsSame = &CContactRecord::IsSameContact;
    // Contacts that are the same have the same trimmed last name.
    static constexpr auto kSamenessField = &CContactRecord::lastName;
};

} // namespace tarnwel
