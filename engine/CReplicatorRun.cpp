// The runs of the three kinds. Appointments and tasks are one design
// (CKindRun); the descriptions below hold everything in which they differ.

#include "engine/CItemStore.h"
#include "engine/CKindRun.h"
#include "engine/CReplicator.h"
#include "records/Comparison.h"

namespace tarnwel {
namespace {

constexpr const char* kRunUnknownErrorText = "Unkown error has occured (check log window for details)";

struct CAppointmentRunKind {
    using Record = CAppointmentRecord;
    using Store = CAppointmentStore;

    static constexpr const char* kName = "Appointments";
    static constexpr const char* kNamespace = kAppointmentNamespace;
    static constexpr int kStatusControl = kAppointmentStatusControl;
    static constexpr CRunTexts kTexts{
        .start = 184, .fetched = 185, .firstServerRecord = 0, .serverRecord = 186, .serverRecordFromOne = false,
        .outlookFetched = 187, .outlookRecord = 188,
        .overwriteOnServer = 189, .deleteOnServer = 190, .addToServer = 191,
        .addToOutlookStart = 192, .addToOutlookRecord = 193,
        .overwriteInOutlookStart = 194, .overwriteInOutlookRecord = 195, .countIncludesCurrent = true,
        .removeStart = 196, .removeRecord = 197,
        .end = 198, .endBeforeSignOut = false};
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
    static constexpr int kStatusControl = kTaskStatusControl;
    static constexpr CRunTexts kTexts{
        .start = 214, .fetched = 215, .firstServerRecord = 230, .serverRecord = 216, .serverRecordFromOne = false,
        .outlookFetched = 0, .outlookRecord = 218,
        .overwriteOnServer = 219, .deleteOnServer = 220, .addToServer = 221,
        .addToOutlookStart = 0, .addToOutlookRecord = 223,
        .overwriteInOutlookStart = 0, .overwriteInOutlookRecord = 225, .countIncludesCurrent = false,
        .removeStart = 0, .removeRecord = 227,
        .end = 228, .endBeforeSignOut = true};
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

} // namespace

void CReplicator::ReplicateAppointments()
{
    CKindRun<CAppointmentRunKind>(*this).Run();
}

void CReplicator::ReplicateTasks()
{
    CKindRun<CTaskRunKind>(*this).Run();
}

} // namespace tarnwel
