#include "platform/ui/MessageBox.h"
#include "records/CAppointmentRecord.h"
#include "records/CContactRecord.h"
#include "records/CTaskRecord.h"
#include "tests/support/FakeAutomation.h"
#include "tests/support/ScopedUserLocale.h"
#include "tests/support/BoxCapture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tarnwel;
using test::CFakeItem;
using test::FakeItemPtr;

namespace {

const char* const kAppointmentClass = "IPM.Appointment.DRAVAppointment";
const char* const kTaskClass = "IPM.Task.DRAVTask";
const char* const kContactClass = "IPM.Contact.DRAVContact";

// Collects the message boxes shown while it lives.
class Conversion : public ::testing::Test {
protected:
    test::CScopedUserLocale m_locale;
    std::vector<CMessageBoxRequest> m_boxes;
    test::CBoxCapture m_handler{[this](const CMessageBoxRequest& request) {
        m_boxes.push_back(request);
        return MessageBoxResult::ok;
    }};
};

FakeItemPtr SavedItem(const char* messageClass)
{
    auto item = std::make_shared<CFakeItem>(messageClass);
    item->Invoke("Save", {});
    return item;
}

// The calls made on `item` after the first `call` ("put Location", "call Save").
std::vector<std::string> CallsAfter(const CFakeItem& item, const std::string& call)
{
    const auto& calls = item.Calls();
    const auto found = std::find(calls.begin(), calls.end(), call);
    return found == calls.end() ? std::vector<std::string>{"(no " + call + ")"}
                                : std::vector<std::string>(found + 1, calls.end());
}

CAppointmentRecord Meeting()
{
    CAppointmentRecord a;
    a.description = "Besprechung";
    a.location = "Raum 4";
    a.start = COleDate::FromFields(2004, 3, 5, 10, 15, 42);
    a.end = COleDate::FromFields(2004, 3, 5, 11, 0, 59);
    a.comment = "Notiz";
    a.participants = {"anna", "ben"};
    return a;
}

CTaskRecord Report()
{
    CTaskRecord t;
    t.title = "Bericht";
    t.description = "Quartal";
    t.assignment = "Chef";
    t.priority = 3;
    t.percentComplete = 40;
    t.deadline = COleDate::FromFields(4501, 1, 1);
    t.startDate = COleDate::FromFields(2004, 3, 1, 8, 0, 0);
    return t;
}

} // namespace

TEST_F(Conversion, ReadsAppointments)
{
    const FakeItemPtr timed = SavedItem(kAppointmentClass);
    timed->Set("Subject", "Besprechung").Set("Location", "Raum 4").Set("Body", "Notiz");
    timed->Set("Start", COleDate::FromFields(2004, 3, 5, 10, 15, 0)).Set("End", COleDate::FromFields(2004, 3, 5, 11, 0, 0));
    CAppointmentRecord a;
    a.id_tarnwel = "17";
    a.ReadAppointmentItem(CAppointmentItem(timed));
    EXPECT_EQ(a.usable, 1);
    EXPECT_EQ(a.description, "Besprechung");
    EXPECT_EQ(a.location, "Raum 4");
    EXPECT_EQ(a.comment, "Notiz");
    EXPECT_EQ(a.end, COleDate::FromFields(2004, 3, 5, 11, 0, 0));
    EXPECT_EQ(a.wholeDayEvent, 0);
    EXPECT_EQ(a.id_client, timed->Value("EntryID").ToText());
    EXPECT_EQ(a.id_tarnwel, "X");
    EXPECT_EQ(a.last_updated, timed->Value("LastModificationTime").ToDate());

    // A whole-day appointment ends at 23:59 of its start day; its End is never read.
    const FakeItemPtr wholeDay = SavedItem(kAppointmentClass);
    wholeDay->Set("Start", COleDate::FromFields(2004, 3, 5)).Set("AllDayEvent", true).Fail("End");
    CAppointmentRecord w;
    w.ReadAppointmentItem(CAppointmentItem(wholeDay));
    EXPECT_EQ(w.wholeDayEvent, 1);
    EXPECT_EQ(w.end, COleDate::FromFields(2004, 3, 5, 23, 59, 0));

    // A recurring one is only marked unusable.
    const FakeItemPtr recurring = SavedItem(kAppointmentClass);
    recurring->Set("IsRecurring", true).Fail("Subject").Fail("EntryID");
    CAppointmentRecord r;
    r.ReadAppointmentItem(CAppointmentItem(recurring));
    EXPECT_EQ(r.usable, 0);
    EXPECT_EQ(r.id_client, "X");
    EXPECT_EQ(r.description, "");

    // A failure while reading reaches the caller.
    const FakeItemPtr broken = SavedItem(kAppointmentClass);
    broken->Fail("Location");
    EXPECT_THROW(CAppointmentRecord().ReadAppointmentItem(CAppointmentItem(broken)), CComError);
}

TEST_F(Conversion, WritesAppointments)
{
    auto item = std::make_shared<CFakeItem>(kAppointmentClass);
    CAppointmentRecord a = Meeting();
    a.WriteAppointmentItem(CAppointmentItem(item));
    EXPECT_TRUE(m_boxes.empty());
    // The record and the item both hold the times without their seconds.
    EXPECT_EQ(a.start, COleDate::FromFields(2004, 3, 5, 10, 15, 0));
    EXPECT_EQ(a.end, COleDate::FromFields(2004, 3, 5, 11, 0, 0));
    EXPECT_EQ(item->Value("Start").ToDate(), a.start);
    EXPECT_EQ(item->Value("End").ToDate(), a.end);
    EXPECT_EQ(item->Value("Subject").ToText(), "Besprechung");
    EXPECT_EQ(item->Value("Location").ToText(), "Raum 4");
    EXPECT_EQ(item->Value("Body").ToText(), "Notiz");
    EXPECT_EQ(item->UserProperty("Participants")->Value("Value").ToText(), "  - anna\n  - ben");
    EXPECT_FALSE(item->Value("EntryID").ToText().empty());
    EXPECT_EQ(a.id_client, item->Value("EntryID").ToText());
    EXPECT_EQ(a.last_updated, item->Value("LastModificationTime").ToDate());

    // A whole-day record sets AllDayEvent and leaves Outlook's own end alone.
    const FakeItemPtr wholeDay = SavedItem(kAppointmentClass);
    CAppointmentRecord w = Meeting();
    w.wholeDayEvent = 1;
    w.participants.clear();
    w.WriteAppointmentItem(CAppointmentItem(wholeDay));
    EXPECT_TRUE(wholeDay->Value("AllDayEvent").ToBool());
    EXPECT_FALSE(wholeDay->WasPut("End"));
    EXPECT_EQ(wholeDay->UserProperty("Participants")->Value("Value").ToText(), "Keine Teilnehmer");

    // A timed record turns an item that was whole-day back into a timed one.
    a.WriteAppointmentItem(CAppointmentItem(wholeDay));
    EXPECT_FALSE(wholeDay->Value("AllDayEvent").ToBool());
    EXPECT_EQ(wholeDay->Value("End").ToDate(), a.end);
}

TEST_F(Conversion, AppointmentWriteFailures)
{
    // The failing member's call; after it only the modification time is read.
    for (const char* failing : {"put Location", "put Start", "call Save", "get EntryID"}) {
        m_boxes.clear();
        const auto item = std::make_shared<CFakeItem>(kAppointmentClass);
        const std::string call = failing;
        item->Fail(call.substr(call.find(' ') + 1));
        CAppointmentRecord a = Meeting();
        a.id_client = "BEFORE";
        a.WriteAppointmentItem(CAppointmentItem(item));
        ASSERT_EQ(m_boxes.size(), 1u) << failing;
        EXPECT_EQ(m_boxes[0].text, "An error occured while writing appointment " + a.GetDescription()) << failing;
        EXPECT_EQ(m_boxes[0].buttons, MessageBoxButtons::ok);
        EXPECT_EQ(CallsAfter(*item, failing), std::vector<std::string>{"get LastModificationTime"}) << failing;
        EXPECT_EQ(a.id_client, "BEFORE") << failing;
    }
    // Reading the modification time after the block is not guarded.
    const FakeItemPtr item = SavedItem(kAppointmentClass);
    item->Fail("LastModificationTime");
    m_boxes.clear();
    CAppointmentRecord a = Meeting();
    EXPECT_THROW(a.WriteAppointmentItem(CAppointmentItem(item)), CComError);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(a.id_client, item->Value("EntryID").ToText());
}

TEST_F(Conversion, ReadsAndWritesTasks)
{
    CTaskRecord main;
    main.title = "Jahresabschluss";
    CTaskRecord t = Report();
    t.participants = {"anna"};
    t.isSubtask = 1;
    t.parent = &main;
    const FakeItemPtr item = std::make_shared<CFakeItem>(kTaskClass);
    t.WriteTaskItem(CTaskItem(item));
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(item->Value("Importance").ToInt(), 2);
    EXPECT_EQ(item->Value("PercentComplete").ToInt(), 40);
    EXPECT_EQ(item->Value("DueDate").ToDate(), COleDate::FromFields(4501, 1, 1));
    EXPECT_TRUE(item->Value("ReminderOverrideDefault").ToBool());
    EXPECT_EQ(item->UserProperty("Assignment")->Value("Value").ToText(), "Chef");
    EXPECT_EQ(item->UserProperty("Participants")->Value("Value").ToText(), "  - anna");
    EXPECT_EQ(item->UserProperty("TaskType")->Value("Value").ToText(), "Subtask of: <Jahresabschluss>");
    EXPECT_EQ(t.id_client, item->Value("EntryID").ToText());
    EXPECT_EQ(t.last_updated, item->Value("LastModificationTime").ToDate());

    CTaskRecord back;
    back.ReadTaskItem(CTaskItem(item));
    EXPECT_EQ(back.usable, 1);
    EXPECT_TRUE(back.IsSameTask(t));
    EXPECT_EQ(back.priority, 3);
    EXPECT_EQ(back.assignment, "Chef");
    EXPECT_EQ(back.deadline.GetYear(), 4501);
    EXPECT_EQ(back.startDate, t.startDate);
    EXPECT_EQ(back.isSubtask, 0);
    EXPECT_TRUE(back.participants.empty());
    EXPECT_EQ(back.id_client, t.id_client);

    // Main tasks, and a subtask whose main task is unknown.
    CTaskRecord plain = Report();
    plain.WriteTaskItem(CTaskItem(item));
    EXPECT_EQ(item->UserProperty("TaskType")->Value("Value").ToText(), "Main Task");
    plain.isSubtask = 1;
    plain.WriteTaskItem(CTaskItem(item));
    EXPECT_EQ(item->UserProperty("TaskType")->Value("Value").ToText(), "Subtask of: <>");

    const FakeItemPtr recurring = SavedItem(kTaskClass);
    recurring->Set("IsRecurring", true).Fail("Subject");
    CTaskRecord r;
    r.ReadTaskItem(CTaskItem(recurring));
    EXPECT_EQ(r.usable, 0);
    EXPECT_EQ(r.id_client, "X");
}

TEST_F(Conversion, TaskWriteFailures)
{
    struct Case {
        const char* failing;
        const char* lastCall;  // the item's last call: the rest of the write is skipped
    };
    for (const Case& c : {Case{"Participants", "get UserProperties"}, Case{"Importance", "put Importance"},
                          Case{"Save", "call Save"}, Case{"LastModificationTime", "get LastModificationTime"}}) {
        m_boxes.clear();
        const auto item = std::make_shared<CFakeItem>(kTaskClass);
        if (const test::FakePtr property = item->UserProperty(c.failing))
            property->Fail("Value");
        else
            item->Fail(c.failing);
        CTaskRecord t = Report();
        t.id_client = "BEFORE";
        t.last_updated = COleDate::FromFields(2001, 1, 1);
        t.WriteTaskItem(CTaskItem(item));
        ASSERT_EQ(m_boxes.size(), 1u) << c.failing;
        EXPECT_EQ(m_boxes[0].text, "An error occured while writing the task: " + t.GetDescription()) << c.failing;
        EXPECT_EQ(item->Calls().back(), c.lastCall) << c.failing;
        EXPECT_EQ(t.id_client, "BEFORE") << c.failing;
        EXPECT_EQ(t.last_updated, COleDate::FromFields(2001, 1, 1)) << c.failing;
    }
}

TEST_F(Conversion, ContactRoundTrip)
{
    CContactRecord c;
    int n = 0;
    for (std::string* field : {&c.salutation, &c.position, &c.firstName, &c.lastName, &c.title, &c.department,
                               &c.phone, &c.fax, &c.mobile, &c.email, &c.comment, &c.privateAddress, &c.privatePhone,
                               &c.privateFax, &c.mobilePrivate, &c.emailPrivate, &c.address.status,
                               &c.address.employees, &c.address.company, &c.address.appendix, &c.address.street,
                               &c.address.zipcode, &c.address.city, &c.address.country, &c.address.state,
                               &c.address.firmPhone, &c.address.firmFax, &c.address.firmEmail, &c.address.misc,
                               &c.address.addressComment})
        *field = "v" + std::to_string(++n);
    c.address.URL = "http://alpha.de";
    c.address.address_id = "A7";
    c.address.address_action = "overwrite";
    c.mobile.clear();

    const FakeItemPtr item = std::make_shared<CFakeItem>(kContactClass);
    item->Set("MobileTelephoneNumber", "old");
    c.WriteContactItem(CContactItem(item));
    EXPECT_TRUE(m_boxes.empty());
    const std::pair<const char*, std::string> expected[] = {
        {"JobTitle", c.position},          {"BusinessTelephoneNumber", c.phone}, {"MobileTelephoneNumber", ""},
        {"Email3Address", c.emailPrivate}, {"CompanyName", c.address.company},  {"OtherFaxNumber", c.address.firmFax},
        {"BusinessHomePage", "http://alpha.de"}, {"Body", c.comment},
    };
    for (const auto& [property, value] : expected)
        EXPECT_EQ(item->Value(property).ToText(), value) << property;
    EXPECT_EQ(item->UserProperty("ContactSalutation")->Value("Value").ToText(), c.salutation);
    EXPECT_EQ(item->UserProperty("AddressenComment")->Value("Value").ToText(), c.address.addressComment);
    EXPECT_EQ(c.id_client, item->Value("EntryID").ToText());
    EXPECT_EQ(c.last_updated, item->Value("LastModificationTime").ToDate());

    CContactRecord back;
    back.address.address_action = "no_change";
    back.ReadContactItem(CContactItem(item));
    EXPECT_TRUE(back.IsSameContact(c));
    EXPECT_EQ(back.address.status, c.address.status);
    EXPECT_EQ(back.address.employees, c.address.employees);
    EXPECT_EQ(back.address.URL, "http://alpha.de");
    EXPECT_EQ(back.address.address_id, "X");
    EXPECT_EQ(back.address.address_action, "no_change");
    EXPECT_EQ(back.id_tarnwel, "X");
    EXPECT_EQ(back.id_client, c.id_client);
    EXPECT_EQ(back.usable, 1);
}

TEST_F(Conversion, ContactWriteFailures)
{
    CContactRecord c;
    c.lastName = "Meier";
    c.address.company = "Alpha";
    c.address.misc = "x";
    for (const char* failing : {"BusinessAddressCity", "Save", "EntryID"}) {
        m_boxes.clear();
        const FakeItemPtr item = SavedItem(kContactClass);
        item->Fail(failing);
        c.id_client = "BEFORE";
        c.WriteContactItem(CContactItem(item));
        ASSERT_EQ(m_boxes.size(), 1u) << failing;
        EXPECT_EQ(m_boxes[0].text, "An error occured while writing the contact: " + c.GetDescription()) << failing;
        EXPECT_EQ(m_boxes[0].icon, MessageBoxIcon::none);
        EXPECT_EQ(c.id_client, "BEFORE") << failing;
        // A failing put skips the rest: the later company fields and the save.
        EXPECT_EQ(item->UserProperty("AddressenMisc")->WasPut("Value"), failing != std::string("BusinessAddressCity"));
    }
    // Reading reports nothing: the failure reaches the caller.
    const FakeItemPtr item = SavedItem(kContactClass);
    item->UserProperty("AddressenAppendix")->Fail("Value");
    EXPECT_THROW(CContactRecord().ReadContactItem(CContactItem(item)), CComError);
}

TEST_F(Conversion, FormsWithoutTheUserPropertiesReadEmptyAndSkipThem)
{
    // Items of the plain classes: their forms define no user property.
    const FakeItemPtr appointment = std::make_shared<CFakeItem>("IPM.Appointment");
    CAppointmentRecord a = Meeting();
    a.WriteAppointmentItem(CAppointmentItem(appointment));

    const FakeItemPtr task = std::make_shared<CFakeItem>("IPM.Task");
    CTaskRecord t = Report();
    t.WriteTaskItem(CTaskItem(task));
    CTaskRecord taskBack;
    taskBack.ReadTaskItem(CTaskItem(task));

    const FakeItemPtr contact = std::make_shared<CFakeItem>("IPM.Contact");
    CContactRecord c;
    c.salutation = "Frau";
    c.lastName = "Meier";
    c.address.status = "Kunde";
    c.WriteContactItem(CContactItem(contact));
    CContactRecord contactBack;
    contactBack.ReadContactItem(CContactItem(contact));

    EXPECT_TRUE(m_boxes.empty());
    EXPECT_FALSE(a.id_client == "X" || t.id_client == "X" || c.id_client == "X");  // all three were saved
    EXPECT_EQ(taskBack.assignment, "");
    EXPECT_EQ(taskBack.title, "Bericht");
    EXPECT_EQ(contactBack.salutation, "");
    EXPECT_EQ(contactBack.address.status, "");
    EXPECT_EQ(contactBack.lastName, "Meier");
}
