// The store over the data server as the desktop's programs see it: each
// value in the field that a calendar or address book shows, items of other
// programs read and kept, odd UIDs, identity, and a data server that does
// not answer or ends.

#include "platform/automation/Application.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/automation/ContactItem.h"
#include "platform/automation/TaskItem.h"
#include "platform/base/ComError.h"
#include "platform/eds/DataServerStore.h"
#include "platform/eds/EdsLoop.h"
#include "tests/eds/DesktopProgram.h"
#include "tests/eds/EmptyDataServer.h"
#include "tests/support/PrivateDataServer.h"
#include "tests/support/ComErrorCode.h"
#include "tests/support/ScopedUserLocale.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <thread>

namespace tarnwel {
namespace {

using testing::HasSubstr;
using testing::Not;

constexpr const char* kWholeFolder = "[LastModificationTime] > '1900-01-01'";

class DataServerStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::CPrivateDataServer::Get();
        // Calendar times in a zone with summer time.
        ::setenv("TZ", "Europe/Berlin", 1);
        ::tzset();
        test::EmptyDataServer();
    }
    void TearDown() override
    {
        ::unsetenv("TZ");
        ::tzset();
    }

    static CNameSpace OpenNameSpace(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        const CNameSpace nameSpace = CApplication(OpenDataServerStore(limit)).GetNamespace("MAPI");
        nameSpace.Logon();
        return nameSpace;
    }
    static CItems OpenFolder(int folder) { return OpenNameSpace().GetDefaultFolder(folder).GetItems(); }

    test::CScopedUserLocale m_locale;
};

TEST_F(DataServerStoreTest, EachValueLandsInTheFieldThatCalendarsAndAddressBooksShow)
{
    const CItems calendar = OpenFolder(default_folders::kCalendar);
    const CAppointmentItem meeting(calendar.Add("IPM.Appointment.DRAVAppointment"));
    meeting.SetSubject("Planung");
    meeting.SetLocation("Raum 1");
    meeting.SetStart(COleDate::FromFields(2024, 5, 1, 10, 15));
    meeting.SetEnd(COleDate::FromFields(2024, 5, 1, 11, 0));
    meeting.SetBody("Zeile 1\r\nZeile 2");
    meeting.GetUserProperties().Item("Participants").SetValue(CVariant("Anna"));
    meeting.Save();
    const CAppointmentItem holiday(calendar.Add("IPM.Appointment.DRAVAppointment"));
    holiday.SetSubject("Urlaub");
    holiday.SetStart(COleDate::FromFields(2024, 7, 1));
    holiday.SetEnd(COleDate::FromFields(2024, 7, 15));
    holiday.SetAllDayEvent(true);
    holiday.Save();
    const CTaskItem task(OpenFolder(default_folders::kTasks).Add("IPM.Task.DRAVTask"));
    task.SetSubject("Bericht");
    task.SetImportance(2);
    task.SetPercentComplete(50);
    task.SetStartDate(COleDate::FromFields(2024, 6, 1));
    task.SetDueDate(COleDate::FromFields(2024, 6, 30));
    task.Save();
    const CContactItem contact(OpenFolder(default_folders::kContacts).Add("IPM.Contact.DRAVContact"));
    contact.SetFirstName("Jürgen");
    contact.SetLastName("Müller");
    contact.SetTitle("Dr.");
    contact.SetJobTitle("Leiter");
    contact.SetCompanyName("Beispiel GmbH");
    contact.SetDepartment("Einkauf");
    contact.SetEmail1Address("j@example.org");
    contact.SetBusinessTelephoneNumber("+49 30 1234");
    contact.SetMobileTelephoneNumber("+49 170 1");
    contact.SetBusinessAddressStreet("Hauptstr. 1");
    contact.SetBusinessAddressPostalCode("10115");
    contact.SetBusinessAddressCity("Berlin");
    contact.SetBody("Notiz");
    contact.Save();
    const CContactItem company(OpenFolder(default_folders::kContacts).Add("IPM.Contact.DRAVContact"));
    company.SetCompanyName("Nur Firma AG");
    company.Save();

    test::CDesktopProgram desktop;
    const std::string events = desktop.CalendarText();
    for (const char* field : {"SUMMARY:Planung", "LOCATION:Raum 1", "DESCRIPTION:Zeile 1\\nZeile 2",
                              "Europe/Berlin:20240501T101500", "Europe/Berlin:20240501T110000",
                              "DTSTART;VALUE=DATE:20240701", "DTEND;VALUE=DATE:20240715",
                              "X-TARNWEL-MESSAGE-CLASS:IPM.Appointment.DRAVAppointment",
                              "X-TARNWEL-USER-Participants:Anna", "LAST-MODIFIED:"})
        EXPECT_THAT(events, HasSubstr(field));
    const std::string tasks = desktop.CalendarText(true);
    for (const char* field : {"SUMMARY:Bericht", "PRIORITY:1", "PERCENT-COMPLETE:50", "STATUS:IN-PROCESS",
                              "DTSTART;VALUE=DATE:20240601", "DUE;VALUE=DATE:20240630"})
        EXPECT_THAT(tasks, HasSubstr(field));
    const std::string contacts = desktop.ContactsText();
    for (const char* field : {"N:Müller;Jürgen;;Dr.;", "FN:Jürgen Müller", "TITLE:Leiter", "ORG:Beispiel GmbH;Einkauf",
                              "EMAIL", ":j@example.org", "TYPE=WORK", ":+49 30 1234", "TYPE=CELL", ":+49 170 1",
                              ":;;Hauptstr. 1;Berlin;;10115;", "NOTE:Notiz",
                              "FN:Nur Firma AG"})
        EXPECT_THAT(contacts, HasSubstr(field));
}

TEST_F(DataServerStoreTest, ItemsOfOtherProgramsReadAsThePlainClassAndKeepTheirOwnFields)
{
    test::CDesktopProgram desktop;
    desktop.AddEvent("BEGIN:VEVENT\r\nUID:fremd-1\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:Fremd\r\n"
                     "DTSTART:20240301T090000Z\r\nDTEND:20240301T100000Z\r\nCATEGORIES:Arbeit\r\n"
                     "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nDESCRIPTION:Erinnerung\r\nEND:VALARM\r\n"
                     "END:VEVENT\r\n");
    desktop.AddEvent("BEGIN:VEVENT\r\nUID:serie\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:Serie\r\n"
                     "DTSTART:20240304T090000Z\r\nDTEND:20240304T100000Z\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\nEND:VEVENT\r\n");
    desktop.ModifyInstance("BEGIN:VEVENT\r\nUID:serie\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:Serie verschoben\r\n"
                           "RECURRENCE-ID:20240311T090000Z\r\nDTSTART:20240311T110000Z\r\nDTEND:20240311T120000Z\r\n"
                           "END:VEVENT\r\n");
    desktop.AddEvent("BEGIN:VEVENT\r\nUID:new-york\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:Anruf\r\n"
                     "DTSTART;TZID=America/New_York:20240301T090000\r\n"
                     "DTEND;TZID=America/New_York:20240301T093000\r\nEND:VEVENT\r\n");
    desktop.AddEvent("BEGIN:VEVENT\r\nUID:einzeln mit ü€%\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:Odd\r\n"
                     "DTSTART;VALUE=DATE:20240401\r\nEND:VEVENT\r\n");
    desktop.AddEvent("BEGIN:VTODO\r\nUID:aufgabe\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:Erledigt\r\nPRIORITY:3\r\n"
                     "STATUS:COMPLETED\r\nDUE:20240501T150000Z\r\nEND:VTODO\r\n",
                     true);
    desktop.AddContact("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:kontakt\r\nFN:Erika Muster\r\nN:Muster;Erika;;;\r\n"
                       "BDAY:1980-01-01\r\nEND:VCARD\r\n");

    const CNameSpace nameSpace = OpenNameSpace();
    const CItems calendar = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
    std::map<std::string, std::pair<bool, std::string>> seen;  // subject: recurring, entry id
    for (CAppointmentItem item(calendar.Find(kWholeFolder)); !item.IsNull(); item = CAppointmentItem(calendar.FindNext())) {
        EXPECT_EQ(item.GetMessageClass(), "IPM.Appointment") << item.GetSubject();
        EXPECT_TRUE(item.GetUserProperties().Item("Participants").IsNull());
        seen[item.GetSubject()] = {item.GetIsRecurring(), item.GetEntryID()};
    }
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_FALSE(seen["Fremd"].first);
    EXPECT_TRUE(seen["Serie"].first);
    EXPECT_TRUE(seen["Serie verschoben"].first);
    EXPECT_FALSE(seen["Odd"].first);
    // An id that a mapping line could not hold comes encoded, and finds its item.
    EXPECT_EQ(seen["Odd"].second, "einzeln%20mit%20%C3%BC%E2%82%AC%25");
    const CAppointmentItem odd(nameSpace.GetItemFromID(seen["Odd"].second));
    EXPECT_EQ(odd.GetSubject(), "Odd");
    EXPECT_TRUE(odd.GetAllDayEvent());
    EXPECT_EQ(odd.GetStart(), COleDate::FromFields(2024, 4, 1));

    const CAppointmentItem foreign(nameSpace.GetItemFromID("fremd-1"));
    EXPECT_EQ(foreign.GetStart(), COleDate::FromFields(2024, 3, 1, 10, 0));  // 09:00 UTC in Berlin
    const CAppointmentItem call(nameSpace.GetItemFromID("new-york"));
    EXPECT_EQ(call.GetStart(), COleDate::FromFields(2024, 3, 1, 15, 0));  // 09:00 in New York
    EXPECT_EQ(call.GetEnd(), COleDate::FromFields(2024, 3, 1, 15, 30));
    const CTaskItem task(nameSpace.GetDefaultFolder(default_folders::kTasks).GetItems().Find(kWholeFolder));
    EXPECT_EQ(task.GetImportance(), 2);
    EXPECT_EQ(task.GetPercentComplete(), 100);
    EXPECT_EQ(task.GetDueDate(), COleDate::FromFields(2024, 5, 1, 17, 0));
    EXPECT_EQ(task.GetMessageClass(), "IPM.Task");
    const CContactItem contact(nameSpace.GetDefaultFolder(default_folders::kContacts).GetItems().Find(kWholeFolder));
    EXPECT_EQ(contact.GetMessageClass(), "IPM.Contact");
    EXPECT_EQ(contact.GetLastName(), "Muster");
    EXPECT_EQ(contact.GetEmail1Address(), "");

    // Made the system's own, they keep what only the other program knows.
    foreign.SetMessageClass("IPM.Appointment.DRAVAppointment");
    foreign.Save();
    contact.SetMessageClass("IPM.Contact.DRAVContact");
    contact.GetUserProperties().Item("AddressenComment").SetValue(CVariant("Kommentar"));
    contact.Save();
    // The whole folder converted in one batch, as a run's start does: the
    // series keeps its rule and its moved instance.
    nameSpace.BeginBatch();
    for (COutlookItem item = calendar.Find(kWholeFolder); !item.IsNull(); item = calendar.FindNext()) {
        item.SetMessageClass("IPM.Appointment.DRAVAppointment");
        item.Save();
    }
    nameSpace.CommitBatch();
    const std::string events = desktop.CalendarText();
    EXPECT_THAT(events, HasSubstr(":FREQ=WEEKLY;COUNT=3"));
    EXPECT_THAT(events, HasSubstr("SUMMARY:Serie verschoben"));
    EXPECT_THAT(events, HasSubstr("RECURRENCE-ID:20240311T090000Z"));
    std::size_t converted = 0;
    for (CAppointmentItem item(calendar.Find(kWholeFolder)); !item.IsNull(); item = CAppointmentItem(calendar.FindNext())) {
        EXPECT_EQ(item.GetMessageClass(), "IPM.Appointment.DRAVAppointment") << item.GetSubject();
        ++converted;
    }
    EXPECT_EQ(converted, 5u);
    EXPECT_THAT(events, HasSubstr("CATEGORIES:Arbeit"));
    EXPECT_THAT(events, HasSubstr("TRIGGER:-PT15M"));
    EXPECT_THAT(events, HasSubstr("X-TARNWEL-MESSAGE-CLASS:IPM.Appointment.DRAVAppointment"));
    EXPECT_THAT(desktop.ContactsText(), HasSubstr("BDAY:1980-01-01"));
    EXPECT_EQ(CContactItem(OpenFolder(default_folders::kContacts).Find(kWholeFolder))
                  .GetUserProperties()
                  .Item("AddressenComment")
                  .GetValue()
                  .ToText(),
              "Kommentar");
}

TEST_F(DataServerStoreTest, AnItemThatAnotherProgramDeletesDuringABatchCostsItsOwnWriteOnly)
{
    const CNameSpace nameSpace = OpenNameSpace();
    const CItems items = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
    std::vector<std::string> entryIds;
    for (const char* subject : {"A", "B", "C", "D"}) {
        const CAppointmentItem item(items.Add("IPM.Appointment.DRAVAppointment"));
        item.SetSubject(subject);
        item.Save();
        entryIds.push_back(item.GetEntryID());
    }
    nameSpace.BeginBatch();
    for (const std::string& entryId : {entryIds[0], entryIds[1]}) {
        const CAppointmentItem item(nameSpace.GetItemFromID(entryId));
        item.SetSubject(item.GetSubject() + "2");
        item.Save();
    }
    for (const std::string& entryId : {entryIds[2], entryIds[3]})
        nameSpace.GetItemFromID(entryId).Delete();
    // Meanwhile another program deletes A and C.
    const CNameSpace other = OpenNameSpace();
    other.GetItemFromID(entryIds[0]).Delete();
    other.GetItemFromID(entryIds[2]).Delete();
    nameSpace.CommitBatch();

    std::vector<std::string> subjects;
    for (CAppointmentItem item(items.Find(kWholeFolder)); !item.IsNull(); item = CAppointmentItem(items.FindNext()))
        subjects.push_back(item.GetSubject());
    EXPECT_THAT(subjects, testing::ElementsAre("B2"));
}

// A folder of a few thousand items is read on several threads: every item
// must come back with its own values, in the order of its creation.
TEST_F(DataServerStoreTest, ALargeFolderReadsEveryItemWithItsOwnValuesInOrder)
{
    constexpr int kCount = 2500;
    const CNameSpace nameSpace = OpenNameSpace();
    const CItems calendar = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
    const CItems contacts = nameSpace.GetDefaultFolder(default_folders::kContacts).GetItems();
    nameSpace.BeginBatch();
    for (int i = 0; i < kCount; ++i) {
        const std::string n = std::to_string(i);
        const CAppointmentItem appointment(calendar.Add("IPM.Appointment.DRAVAppointment"));
        appointment.SetSubject("Termin " + n);
        appointment.SetLocation("Raum " + n);
        appointment.SetStart(COleDate::FromFields(2026, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0));
        appointment.SetEnd(COleDate::FromFields(2026, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0).AddDays(1.0 / 24));
        appointment.Save();
        const CContactItem contact(contacts.Add("IPM.Contact.DRAVContact"));
        contact.SetLastName("Person " + n);
        contact.SetEmail1Address("p" + n + "@example.org");
        contact.Save();
    }
    nameSpace.CommitBatch();

    // A run reads its folder in a read batch: that read stands for the folder.
    nameSpace.BeginBatch();
    int read = 0;
    for (CAppointmentItem item(calendar.Find(kWholeFolder)); !item.IsNull();
         item = CAppointmentItem(calendar.FindNext()), ++read) {
        const std::string n = std::to_string(read);
        ASSERT_EQ(item.GetSubject(), "Termin " + n);
        ASSERT_EQ(item.GetLocation(), "Raum " + n);
        ASSERT_EQ(item.GetStart().Format("%Y-%m-%d %H:%M"),
                  COleDate::FromFields(2026, 1 + read % 12, 1 + read % 28, read % 24, read % 60, 0)
                      .Format("%Y-%m-%d %H:%M"));
    }
    EXPECT_EQ(read, kCount);
    read = 0;
    for (CContactItem item(contacts.Find(kWholeFolder)); !item.IsNull();
         item = CContactItem(contacts.FindNext()), ++read) {
        const std::string n = std::to_string(read);
        ASSERT_EQ(item.GetLastName(), "Person " + n);
        ASSERT_EQ(item.GetEmail1Address(), "p" + n + "@example.org");
    }
    EXPECT_EQ(read, kCount);
    nameSpace.CommitBatch();
}

TEST_F(DataServerStoreTest, EachFolderHasAStoreIdentityThatANewProfileChanges)
{
    const auto storeId = [](int folder) {
        return OpenNameSpace().GetDefaultFolder(folder).GetProperty("StoreID").ToText();
    };
    const std::string calendar = storeId(default_folders::kCalendar);
    EXPECT_THAT(calendar, testing::MatchesRegex("eds:.+:[0-9A-F]{32}"));
    EXPECT_EQ(storeId(default_folders::kCalendar), calendar);
    EXPECT_NE(storeId(default_folders::kContacts), calendar);

    // Another profile: the same built-in sources, another identity.
    test::CTemporaryDirectory otherHome;
    const std::string dataHome = std::getenv("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", otherHome.Path("share").c_str(), 1);
    const std::string other = storeId(default_folders::kCalendar);
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    EXPECT_NE(other, calendar);
    EXPECT_EQ(storeId(default_folders::kCalendar), calendar);
}

TEST_F(DataServerStoreTest, ADataServerThatDoesNotAnswerOrEndsGivesAFailureAndStopEndsTheWait)
{
    const CItems hasty =
        OpenNameSpace(std::chrono::milliseconds(1500)).GetDefaultFolder(default_folders::kCalendar).GetItems();
    const CItems patient =
        OpenNameSpace(std::chrono::seconds(120)).GetDefaultFolder(default_folders::kCalendar).GetItems();
    // Every process of the calendar factory stands still.
    const std::vector<int> factory = test::CPrivateDataServer::Get().SignalPrograms("evolution-calen", SIGSTOP);
    ASSERT_FALSE(factory.empty());

    auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(test::ComErrorCode([&] { hasty.Find(kWholeFolder); }), com_codes::kTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));

    // Stop, raised by another thread, ends a long wait at once.
    std::atomic<bool> stop{false};
    SetDataServerStopFlag(&stop);
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    began = std::chrono::steady_clock::now();
    EXPECT_EQ(test::ComErrorCode([&] { patient.Find(kWholeFolder); }), com_codes::kAbort);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    EXPECT_EQ(test::ComErrorCode([&] { patient.Find(kWholeFolder); }), com_codes::kAbort);  // raised before the call
    SetDataServerStopFlag(nullptr);

    // A data server that ends gives a failure, not a hang.
    for (const int pid : factory)
        ::kill(pid, SIGKILL);
    began = std::chrono::steady_clock::now();
    const std::int32_t code = test::ComErrorCode([&] { patient.Find(kWholeFolder); });
    EXPECT_TRUE(code == com_codes::kFail || code == com_codes::kTimeout) << code;
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(30));
}

} // namespace
} // namespace tarnwel
