#include "platform/base/UserLocale.h"
#include "records/Comparison.h"
#include "records/RecordArrays.h"
#include "tests/support/ScopedUserLocale.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tarnwel;

namespace {

class Records : public ::testing::Test {
protected:
    test::CScopedUserLocale m_locale;
};

CAppointmentRecord Meeting()
{
    CAppointmentRecord a;
    a.description = "Besprechung";
    a.location = "Raum 4";
    a.start = COleDate::FromFields(2004, 3, 1, 9, 30, 0);
    a.end = COleDate::FromFields(2004, 3, 1, 10, 30, 0);
    a.comment = "Zeile 1\nZeile 2";
    return a;
}

CTaskRecord Report()
{
    CTaskRecord t;
    t.title = "Bericht";
    t.description = "Quartal\nzwei";
    t.priority = 3;
    t.percentComplete = 50;
    t.deadline = COleDate::FromFields(2004, 3, 5, 12, 0, 0);
    t.startDate = COleDate::FromFields(2004, 3, 1);
    return t;
}

} // namespace

TEST_F(Records, NewRecordsHaveNoIdsAndEmptyFields)
{
    const CAppointmentRecord a;
    const CContactRecord c;
    const CTaskRecord t;
    for (const CItemRecord* r : std::initializer_list<const CItemRecord*>{&a, &c, &t}) {
        EXPECT_EQ(r->id_tarnwel, "X");
        EXPECT_EQ(r->id_client, "X");
        EXPECT_TRUE(r->participants.empty());
        EXPECT_EQ(r->last_updated.Days(), 0.0);
        EXPECT_TRUE(r->last_updated.IsValid());
    }
    EXPECT_EQ(a.kind, kAppointmentKind);
    EXPECT_EQ(c.kind, kContactKind);
    EXPECT_EQ(t.kind, kTaskKind);
    EXPECT_EQ(c.address.address_id, "X");
    EXPECT_TRUE(c.address.company.empty());
    EXPECT_TRUE(c.address.address_action.empty());
    EXPECT_EQ(t.nextSubtask, nullptr);
    EXPECT_EQ(t.parent, nullptr);
}

TEST_F(Records, CopiesOwnTheirParticipantsAndShareTaskLinks)
{
    CTaskRecord main;
    CTaskRecord a = Report();
    a.participants = {"anna", "ben"};
    a.parent = &main;
    CTaskRecord b;
    b = a;
    a.participants.push_back("carl");
    a.participants[0] = "changed";
    EXPECT_EQ(b.participants, (std::vector<std::string>{"anna", "ben"}));
    EXPECT_EQ(b.parent, &main);
    EXPECT_EQ(b.kind, kTaskKind);

    CTaskArray array;
    array.push_back(b);  // arrays store copies
    b.title = "other";
    EXPECT_EQ(array[0].title, "Bericht");
}

TEST_F(Records, CopyAddressFieldsKeepsTheAction)
{
    CAddressRecord company;
    company.company = "Alpha GmbH";
    company.city = "Bonn";
    company.address_id = "A17";
    company.address_action = "new";
    CContactRecord contact;
    contact.address.address_action = "no_change";
    contact.address.CopyAddressFields(company);
    EXPECT_EQ(contact.address.company, "Alpha GmbH");
    EXPECT_EQ(contact.address.city, "Bonn");
    EXPECT_EQ(contact.address.address_id, "A17");
    EXPECT_EQ(contact.address.address_action, "no_change");

    CContactRecord copy;
    copy = contact;  // plain assignment takes the action too
    EXPECT_EQ(copy.address.address_action, "no_change");
}

TEST_F(Records, AppointmentSameness)
{
    struct Case {
        const char* what;
        std::function<void(CAppointmentRecord&)> change;
        bool same;
    };
    const Case cases[] = {
        {"seconds of start", [](auto& a) { a.start = COleDate::FromFields(2004, 3, 1, 9, 30, 59); }, true},
        {"blanks around texts", [](auto& a) { a.description = "  Besprechung\t"; a.location = "Raum 4 \r\n"; }, true},
        {"carriage returns in comment", [](auto& a) { a.comment = "Zeile 1\r\nZeile 2\r\n"; }, true},
        {"ids, last change, participants", [](auto& a) {
             a.id_tarnwel = "17";
             a.id_client = "E1";
             a.last_updated = COleDate::FromFields(2020, 1, 1);
             a.participants = {"anna"};
         }, true},
        {"case of one letter", [](auto& a) { a.description = "besprechung"; }, false},
        {"minute of end", [](auto& a) { a.end = COleDate::FromFields(2004, 3, 1, 10, 31, 0); }, false},
        {"line feed inside comment", [](auto& a) { a.comment = "Zeile 1 Zeile 2"; }, false},
        {"whole day on one side", [](auto& a) { a.wholeDayEvent = 1; }, false},
    };
    const CAppointmentRecord base = Meeting();
    for (const Case& c : cases) {
        CAppointmentRecord changed = base;
        c.change(changed);
        EXPECT_EQ(changed.IsSameAppointment(base), c.same) << c.what;
        EXPECT_EQ(base.IsSameAppointment(changed), c.same) << c.what;
    }
}

TEST_F(Records, WholeDayAppointmentsCompareByDayOnly)
{
    CAppointmentRecord a = Meeting();
    a.wholeDayEvent = 1;
    CAppointmentRecord b = a;
    b.start = COleDate::FromFields(2004, 3, 1, 0, 0, 0);
    b.end = COleDate::FromFields(2004, 3, 1, 23, 59, 0);
    EXPECT_TRUE(a.IsSameAppointment(b));
    b.start = COleDate::FromFields(2004, 3, 2);
    EXPECT_FALSE(a.IsSameAppointment(b));
}

TEST_F(Records, TaskSameness)
{
    struct Case {
        const char* what;
        std::function<void(CTaskRecord&)> change;
        bool same;
    };
    const Case cases[] = {
        {"assignment, delegated job", [](auto& t) { t.assignment = "Chef"; t.delegatedJob = "Team"; }, true},
        {"time of day of the deadline", [](auto& t) { t.deadline = COleDate::FromFields(2004, 3, 5, 23, 0, 0); }, true},
        {"subtask fields", [](auto& t) { t.isSubtask = 1; t.subtaskCount = 3; }, true},
        {"carriage returns in description", [](auto& t) { t.description = "Quartal\r\nzwei "; }, true},
        {"title", [](auto& t) { t.title = "Bericht!"; }, false},
        {"priority", [](auto& t) { t.priority = 2; }, false},
        {"percent complete", [](auto& t) { t.percentComplete = 51; }, false},
        {"start day", [](auto& t) { t.startDate = COleDate::FromFields(2004, 3, 2); }, false},
    };
    const CTaskRecord base = Report();
    for (const Case& c : cases) {
        CTaskRecord changed = base;
        c.change(changed);
        EXPECT_EQ(changed.IsSameTask(base), c.same) << c.what;
    }
}

TEST_F(Records, ParticipantsText)
{
    CAppointmentRecord a;
    EXPECT_FALSE(a.HasParticipants());
    EXPECT_EQ(a.GetParticipantsText(), "Keine Teilnehmer");
    a.participants = {"anna"};
    EXPECT_TRUE(a.HasParticipants());
    EXPECT_EQ(a.GetParticipantsText(), "  - anna");
    a.participants = {"anna", "ben", "carl"};
    EXPECT_EQ(a.GetParticipantsText(), "  - anna\n  - ben\n  - carl");
}

TEST_F(Records, ShortDescriptions)
{
    const CAppointmentRecord a = Meeting();
    EXPECT_EQ(a.GetShortDescription(), "Appointment: 'Besprechung' from 01/Mar/04 09:30, until 01/Mar/04 10:30");

    CTaskRecord t;
    t.title = "Bericht";
    EXPECT_EQ(t.GetShortDescription(), "Task: 'Bericht'");
    t.description = "Quartal";
    EXPECT_EQ(t.GetShortDescription(), "Task: 'Bericht' (Quartal)");
    t.isSubtask = 1;
    EXPECT_EQ(t.GetShortDescription(), "Subtask: 'Bericht' (Quartal)");
}

TEST_F(Records, ComparisonHelpers)
{
    EXPECT_EQ(TrimText(" \t a b \r\n\v\f"), "a b");
    EXPECT_EQ(NormalizeText("\r a\r\nb \r"), "a\nb");
    const COleDate morning = COleDate::FromFields(2004, 3, 1, 9, 30, 10);
    EXPECT_EQ(CompareDateAndTime(morning, COleDate::FromFields(2004, 3, 1, 9, 30, 50)), 0);
    EXPECT_NE(CompareDateAndTime(morning, COleDate::FromFields(2004, 3, 1, 9, 31, 0)), 0);
    EXPECT_EQ(CompareDateOnly(morning, COleDate::FromFields(2004, 3, 1, 23, 59, 59)), 0);
    EXPECT_NE(CompareDateOnly(morning, COleDate::FromFields(2004, 3, 2)), 0);
    EXPECT_NE(CompareDateOnly(morning, COleDate::FromFields(2104, 3, 1)), 0);
    // Dates that are not valid have the empty text: equal among themselves only.
    const COleDate none = COleDate::Parse("kein Datum");
    EXPECT_EQ(CompareDateAndTime(none, COleDate::Parse("")), 0);
    EXPECT_NE(CompareDateAndTime(morning, none), 0);
    EXPECT_NE(CompareDateOnly(none, morning), 0);
    // The same day count under another status is another date.
    EXPECT_EQ(CompareDateAndTime(morning, morning), 0);
    EXPECT_NE(CompareDateAndTime(COleDate(0.0), COleDate::Invalid()), 0);
    EXPECT_NE(CompareDateOnly(COleDate::Null(), COleDate(0.0)), 0);
}
