#pragma once
// The descriptions of the three kinds that CKindRun runs: everything in which
// their runs differ (records, store, server calls, sameness, status and
// dialog texts, how server data is carried into Outlook). The appointment and
// task runs are CKindRun over their description; the contact run is
// CContactRun, which overrides the steps where the company matters.

#include "engine/CItemStore.h"
#include "engine/CKindRun.h"
#include "engine/CNoRightsPolicy.h"
#include "engine/CReplicator.h"
#include "records/Comparison.h"
#include "records/RecordArrays.h"
#include "resources/StringIds.h"

#include <string>
#include <utility>

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
    // getItems of the kind gives its records only (Get).
    static constexpr bool kFetchesAlone = true;

    static CKindRules Rules(const CReplicationSettings& settings) { return settings.appointmentRules; }
    static bool IsSame(const Record& server, const Record& outlook) { return server.IsSameAppointment(outlook); }
    // Appointments that are the same have the same trimmed description.
    static std::string SamenessKey(const Record& record) { return TrimText(record.description); }
    static void Apply(CNoRightsPolicy& policy, CAppointmentArray& queue, const Record& record)
    {
        policy.ApplyToAppointment(queue, record);
    }

    static int Get(CReplicator& replicator, CAppointmentArray& records, const std::string& since,
                   CStringArray ids)
    {
        return replicator.GetAppointments(records, since, std::move(ids));
    }
    static void Put(CReplicator& replicator, const CAppointmentArray& records, CStringArray& done,
                    CStringArray& refused, CStringArray& failed)
    {
        replicator.PutAppointments(records, done, refused, failed);
    }
    static void Delete(CReplicator& replicator, const CAppointmentArray& records, CStringArray& done,
                       CStringArray& refused, CStringArray& failed)
    {
        replicator.DeleteAppointments(records, done, refused, failed);
    }
    static CStringMap Add(CReplicator& replicator, const CAppointmentArray& records, CStringMap& addErrors)
    {
        return replicator.AddAppointments(records, addErrors);
    }
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
    static constexpr bool kFetchesAlone = true;

    static CKindRules Rules(const CReplicationSettings& settings) { return settings.taskRules; }
    static bool IsSame(const Record& server, const Record& outlook) { return server.IsSameTask(outlook); }
    // Tasks that are the same have the same trimmed title.
    static std::string SamenessKey(const Record& record) { return TrimText(record.title); }
    static void Apply(CNoRightsPolicy& policy, CTaskArray& queue, const Record& record)
    {
        policy.ApplyToTask(queue, record);
    }

    static int Get(CReplicator& replicator, CTaskArray& records, const std::string& since, CStringArray ids)
    {
        return replicator.GetTasks(records, since, std::move(ids));
    }
    static void Put(CReplicator& replicator, const CTaskArray& records, CStringArray& done, CStringArray& refused,
                    CStringArray& failed)
    {
        replicator.PutTasks(records, done, refused, failed);
    }
    static void Delete(CReplicator& replicator, const CTaskArray& records, CStringArray& done,
                       CStringArray& refused, CStringArray& failed)
    {
        replicator.DeleteTasks(records, done, refused, failed);
    }
    static CStringMap Add(CReplicator& replicator, const CTaskArray& records, CStringMap& addErrors)
    {
        return replicator.AddTasks(records, addErrors);
    }
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
    static constexpr bool kFetchesAlone = false;

    static CKindRules Rules(const CReplicationSettings& settings) { return settings.contactRules; }
    static bool IsSame(const Record& server, const Record& outlook) { return server.IsSameContact(outlook); }
    // Contacts that are the same have the same trimmed last name.
    static std::string SamenessKey(const Record& record) { return TrimText(record.lastName); }
    static void Apply(CNoRightsPolicy& policy, CContactArray& queue, const Record& record)
    {
        policy.ApplyToContact(queue, record);
    }
    static void Put(CReplicator& replicator, const CContactArray& records, CStringArray& done,
                    CStringArray& refused, CStringArray& failed)
    {
        replicator.PutContacts(records, done, refused, failed);
    }
    static void Delete(CReplicator& replicator, const CContactArray& records, CStringArray& done,
                       CStringArray& refused, CStringArray& failed)
    {
        replicator.DeleteContacts(records, done, refused, failed);
    }
    static CStringMap Add(CReplicator& replicator, const CContactArray& records, CStringMap& addErrors)
    {
        return replicator.AddContacts(records, addErrors);
    }
};

} // namespace tarnwel
