#include "protocol/RequestBodies.h"

#include "platform/base/UserLocale.h"
#include "tests/support/ScopedUserLocale.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwel {
namespace {

using namespace std::string_literals;

COleDate Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return COleDate::FromFields(year, month, day, hour, minute, second);
}

class ProtocolRequestBodies : public ::testing::Test {
protected:
    test::CScopedUserLocale m_locale;
};

struct EscapeCase {
    const char* label;
    std::string input;
    std::string expected;
};

TEST_F(ProtocolRequestBodies, EscapeXmlReplacesEachCharacterOnce)
{
    const EscapeCase cases[] = {
        {"plain ASCII", "Team meeting 10:00", "Team meeting 10:00"},
        {"markup", "x<y&z>w", "x&lt;y&amp;z&gt;w"},
        {"typed entity", "&lt;", "&amp;lt;"},
        {"typed reference", "&#xfc;", "&amp;#xfc;"},
        {"quotes, tab, line ends", "\"it's\"\ta\nb\r\n", "\"it's\"\ta\nb\r\n"},
        {"umlauts", "Grüße", "Gr&#xfc;&#xdf;e"},
        {"first code point above 0x7F", "\u0080", "&#x80;"},
        {"euro", "5 €", "5 &#x20ac;"},
        {"astral: one reference, not two", "a\U0001F600b", "a&#x1f600;b"},
        {"highest code point", "\U0010FFFF", "&#x10ffff;"},
        {"escaped and non-ASCII together", "<ä>&", "&lt;&#xe4;&gt;&amp;"},
        {"controls left out", "a\x01" "b\x1f" "c\x0b" "d\x7f", "abcd\x7f"},
        {"NUL left out", "a\0b"s, "ab"},
        {"U+FFFE and U+FFFF left out", "a\uFFFEb\uFFFFc", "abc"},
        {"U+FFFD kept", "\uFFFD", "&#xfffd;"},
        {"invalid byte", "a\xFF" "b", "a&#xfffd;b"},
        {"cut sequence at the end", "a\xC3", "a&#xfffd;"},
        {"empty", "", ""},
    };
    for (const EscapeCase& c : cases)
        EXPECT_EQ(EscapeXml(c.input), c.expected) << c.label;
}

TEST_F(ProtocolRequestBodies, MakeElementLeavesOutEmptyValues)
{
    EXPECT_EQ(MakeElement("description", ""), "");
    EXPECT_EQ(MakeElement("description", "x<y"), "\t<description>x&lt;y</description>\n");
    // Only an empty value is left out; a value whose characters are all
    // dropped still gives the element.
    EXPECT_EQ(MakeElement("comment", "\x01"), "\t<comment></comment>\n");
}

TEST_F(ProtocolRequestBodies, AppointmentWithEveryField)
{
    CAppointmentRecord r;
    r.description = "Grüße <Team>";
    r.location = "Raum 3";
    r.comment = "Zeile 1\nZeile 2";
    r.wholeDayEvent = 1;
    r.start = Date(2004, 3, 1, 9, 30, 0);
    r.end = Date(2004, 3, 1, 23, 59, 0);
    r.last_updated = Date(2004, 2, 28, 17, 5, 9);
    r.id_client = "00000000ABCD";
    r.id_tarnwel = "4711";
    r.participants = {"anna", "bert"};
    EXPECT_EQ(WriteAppointmentXml(r),
              "<Appointment>\n"
              "\t<description>Gr&#xfc;&#xdf;e &lt;Team&gt;</description>\n"
              "\t<location>Raum 3</location>\n"
              "\t<comment>Zeile 1\nZeile 2</comment>\n"
              "\t<wholeDayEvent>gtz</wholeDayEvent>\n"
              "\t<start>2004-03-01 09:30:00</start>\n"
              "\t<end>2004-03-01 23:59:00</end>\n"
              "\t<last_updated>2004-02-28 17:05:09</last_updated>\n"
              "\t<status>date1</status>\n"
              "\t<id_client>00000000ABCD</id_client>\n"
              "\t<id_tarnwel>4711</id_tarnwel>\n"
              "</Appointment>\n");
}

TEST_F(ProtocolRequestBodies, AppointmentWithDefaultsKeepsDatesStatusAndClientId)
{
    CAppointmentRecord r;
    EXPECT_EQ(WriteAppointmentXml(r),
              "<Appointment>\n"
              "\t<start>1899-12-30 00:00:00</start>\n"
              "\t<end>1899-12-30 00:00:00</end>\n"
              "\t<last_updated>1899-12-30 00:00:00</last_updated>\n"
              "\t<status>date1</status>\n"
              "\t<id_client>X</id_client>\n"
              "</Appointment>\n");
}

TEST_F(ProtocolRequestBodies, AppointmentInvalidDatesAndEmptyClientIdAreLeftOut)
{
    CAppointmentRecord r;
    r.start = COleDate::Invalid();
    r.end = COleDate::Parse("kein Datum");
    r.last_updated = COleDate::Null();
    r.id_client = "";
    r.id_tarnwel = "";
    EXPECT_EQ(WriteAppointmentXml(r), "<Appointment>\n\t<status>date1</status>\n</Appointment>\n");
}

// A task whose dates are all "no date", with one field changed by the case.
std::string MinimalTaskXml(const std::string& status, const std::string& priority, const std::string& dates = "",
                           const std::string& subtaskOf = "")
{
    return "<Task>\n"
           "\t<last_updated>2004-03-01 09:30:00</last_updated>\n"
           "\t<status>" + status + "</status>\n"
           "\t<priority>" + priority + "</priority>\n" +
           dates +
           "\t<id_client>X</id_client>\n" +
           subtaskOf +
           "</Task>\n";
}

CTaskRecord MinimalTask()
{
    CTaskRecord t;
    t.last_updated = Date(2004, 3, 1, 9, 30, 0);
    t.deadline = Date(4501, 1, 1);
    t.startDate = Date(4501, 6, 30, 12, 0, 0);
    t.percentComplete = 0;
    t.priority = 2;
    return t;
}

TEST_F(ProtocolRequestBodies, TaskStatusAndPriority)
{
    struct Case {
        int percent;
        int priority;
        const char* status;
        const char* priorityText;
    };
    const Case cases[] = {
        {100, 3, "DONE", "3.gif"}, {150, 1, "DONE", "1.gif"}, {99, 2, "99%", "2.gif"},
        {0, 2, "0%", "2.gif"},     {-1, 0, "-1%", "0.gif"},   {50, -7, "50%", "-7.gif"},
    };
    for (const Case& c : cases) {
        CTaskRecord t = MinimalTask();
        t.percentComplete = c.percent;
        t.priority = c.priority;
        EXPECT_EQ(WriteTaskXml(t), MinimalTaskXml(c.status, c.priorityText)) << c.percent << " " << c.priority;
    }
}

TEST_F(ProtocolRequestBodies, TaskWithEveryField)
{
    CTaskRecord parent;
    parent.id_tarnwel = "T-1";
    CTaskRecord t;
    t.delegatedJob = "Müller";
    t.description = "a & b";
    t.assignment = "never sent";
    t.last_updated = Date(2004, 3, 1, 9, 30, 0);
    t.percentComplete = 50;
    t.priority = 3;
    t.deadline = Date(2004, 3, 5);
    t.startDate = Date(2004, 3, 2, 8, 0, 0);
    t.title = "Bericht";
    t.id_client = "EID";
    t.id_tarnwel = "T-2";
    t.parent = &parent;
    t.subtaskCount = 4;
    t.participants = {"anna"};
    EXPECT_EQ(WriteTaskXml(t),
              "<Task>\n"
              "\t<delegatedJob>M&#xfc;ller</delegatedJob>\n"
              "\t<description>a &amp; b</description>\n"
              "\t<last_updated>2004-03-01 09:30:00</last_updated>\n"
              "\t<status>50%</status>\n"
              "\t<priority>3.gif</priority>\n"
              "\t<deadline>2004-03-05 00:00:00</deadline>\n"
              "\t<startDate>2004-03-02 08:00:00</startDate>\n"
              "\t<title>Bericht</title>\n"
              "\t<id_client>EID</id_client>\n"
              "\t<subtaskOf>T-1</subtaskOf>\n"
              "\t<id_tarnwel>T-2</id_tarnwel>\n"
              "</Task>\n");
}

TEST_F(ProtocolRequestBodies, SubtaskOfNewParentCarriesX)
{
    CTaskRecord parent;  // not yet on the server
    CTaskRecord t = MinimalTask();
    t.parent = &parent;
    EXPECT_EQ(WriteTaskXml(t), MinimalTaskXml("0%", "2.gif", "", "\t<subtaskOf>X</subtaskOf>\n"));
}

TEST_F(ProtocolRequestBodies, TaskDatesOnlyLeftOutInYear4501)
{
    CTaskRecord t = MinimalTask();
    t.deadline = Date(4500, 12, 31, 23, 59, 59);
    t.startDate = Date(4502, 1, 1);
    EXPECT_EQ(WriteTaskXml(t), MinimalTaskXml("0%", "2.gif",
                                              "\t<deadline>4500-12-31 23:59:59</deadline>\n"
                                              "\t<startDate>4502-01-01 00:00:00</startDate>\n"));
}

TEST_F(ProtocolRequestBodies, ContactInWriteOrder)
{
    CContactRecord c;
    c.salutation = "Herr";
    c.position = "Leiter";
    c.firstName = "Jörg";
    c.lastName = "Maier";
    c.title = "Dr.";
    c.department = "Einkauf";
    c.phone = "1";
    c.fax = "2";
    c.mobile = "3";
    c.email = "j@m.de";
    c.comment = "c";
    c.privateAddress = "pa";
    c.privatePhone = "pp";
    c.privateFax = "pf";
    c.mobilePrivate = "mp";
    c.emailPrivate = "ep";
    c.address.status = "Kunde";
    c.address.employees = "12";
    c.address.company = "A & B";
    c.address.appendix = "GmbH";
    c.address.street = "Weg 1";
    c.address.zipcode = "12345";
    c.address.city = "Köln";
    c.address.country = "D";
    c.address.state = "NRW";
    c.address.firmPhone = "fp";
    c.address.firmFax = "ff";
    c.address.firmEmail = "fe";
    c.address.URL = "http://a.de/?x=1&y=2";
    c.address.misc = "m";
    c.address.addressComment = "ac";
    c.address.address_id = "A-9";
    c.address.address_action = "overwrite";
    c.last_updated = Date(2004, 3, 1, 9, 30, 0);
    c.id_client = "EID";
    c.id_tarnwel = "C-1";
    EXPECT_EQ(WriteContactXml(c),
              "<Contact>\n"
              "\t<salutation>Herr</salutation>\n"
              "\t<firstName>J&#xf6;rg</firstName>\n"
              "\t<lastName>Maier</lastName>\n"
              "\t<title>Dr.</title>\n"
              "\t<department>Einkauf</department>\n"
              "\t<position>Leiter</position>\n"
              "\t<phone>1</phone>\n"
              "\t<fax>2</fax>\n"
              "\t<mobile>3</mobile>\n"
              "\t<email>j@m.de</email>\n"
              "\t<comment>c</comment>\n"
              "\t<privateAddress>pa</privateAddress>\n"
              "\t<privatePhone>pp</privatePhone>\n"
              "\t<privateFax>pf</privateFax>\n"
              "\t<mobilePrivate>mp</mobilePrivate>\n"
              "\t<emailPrivate>ep</emailPrivate>\n"
              "\t<status>Kunde</status>\n"
              "\t<employees>12</employees>\n"
              "\t<company>A &amp; B</company>\n"
              "\t<appendix>GmbH</appendix>\n"
              "\t<street>Weg 1</street>\n"
              "\t<zipcode>12345</zipcode>\n"
              "\t<city>K&#xf6;ln</city>\n"
              "\t<country>D</country>\n"
              "\t<state>NRW</state>\n"
              "\t<firmPhone>fp</firmPhone>\n"
              "\t<firmFax>ff</firmFax>\n"
              "\t<firmEmail>fe</firmEmail>\n"
              "\t<URL>http://a.de/?x=1&amp;y=2</URL>\n"
              "\t<misc>m</misc>\n"
              "\t<addressComment>ac</addressComment>\n"
              "\t<address_id>A-9</address_id>\n"
              "\t<address_action>overwrite</address_action>\n"
              "\t<last_updated>2004-03-01 09:30:00</last_updated>\n"
              "\t<id_client>EID</id_client>\n"
              "\t<id_tarnwel>C-1</id_tarnwel>\n"
              "</Contact>\n");
}

TEST_F(ProtocolRequestBodies, NewContactWritesAddressIdXButNoServerId)
{
    CContactRecord c;
    c.lastName = "Maier";
    EXPECT_EQ(WriteContactXml(c),
              "<Contact>\n"
              "\t<lastName>Maier</lastName>\n"
              "\t<address_id>X</address_id>\n"
              "\t<last_updated>1899-12-30 00:00:00</last_updated>\n"
              "\t<id_client>X</id_client>\n"
              "</Contact>\n");
}

TEST_F(ProtocolRequestBodies, CredentialsOnOneLineWithValuesEscaped)
{
    EXPECT_EQ(MakeCredentialsXml("user", "vezi"),
              "<Credentials><user>user</user><password>vezi</password></Credentials>");
    EXPECT_EQ(MakeCredentialsXml("jörg", "p<&ss\"'"),
              "<Credentials><user>j&#xf6;rg</user><password>p&lt;&amp;ss\"'</password></Credentials>");
    EXPECT_EQ(MakeCredentialsXml("", ""), "<Credentials><user></user><password></password></Credentials>");
}

TEST_F(ProtocolRequestBodies, SessionIdBlock)
{
    EXPECT_EQ(MakeSessionIdXml("a1b2-C3"), "<session-id>a1b2-C3</session-id>\n");
    EXPECT_EQ(MakeSessionIdXml("<&>"), "<session-id>&lt;&amp;&gt;</session-id>\n");
}

TEST_F(ProtocolRequestBodies, GetItemsBody)
{
    EXPECT_EQ(MakeGetItemsXml("S1", "2004-03-01 09:30:00", {}),
              "<session-id>S1</session-id>\n<since>2004-03-01 09:30:00</since>\n");
    EXPECT_EQ(MakeGetItemsXml("S&1", "ä<", {"a1", "", "b<2", "X", "\x01", "Zürich & Köln"}),
              "<session-id>S&amp;1</session-id>\n"
              "<since>&#xe4;&lt;</since>\n"
              "\t<id>a1</id>\n"
              "\t<id>b&lt;2</id>\n"
              "\t<id>X</id>\n"
              "\t<id></id>\n"
              "\t<id>Z&#xfc;rich &amp; K&#xf6;ln</id>\n");
}

TEST_F(ProtocolRequestBodies, AddItemsBodyForOneNewAppointment)
{
    CAppointmentRecord r;
    r.description = "Kickoff";
    r.start = Date(2004, 3, 1, 9, 30, 0);
    r.end = Date(2004, 3, 1, 10, 0, 0);
    r.last_updated = Date(2004, 2, 28, 12, 0, 0);
    r.id_client = "EID1";
    EXPECT_EQ(MakeAppointmentListXml("S1", {r}),
              "<session-id>S1</session-id>\n"
              "<CalendarItems>\n"
              "<Appointment>\n"
              "\t<description>Kickoff</description>\n"
              "\t<start>2004-03-01 09:30:00</start>\n"
              "\t<end>2004-03-01 10:00:00</end>\n"
              "\t<last_updated>2004-02-28 12:00:00</last_updated>\n"
              "\t<status>date1</status>\n"
              "\t<id_client>EID1</id_client>\n"
              "</Appointment>\n"
              "</CalendarItems>\n");
}

TEST_F(ProtocolRequestBodies, ListBodiesJoinItemsInArrayOrder)
{
    CAppointmentArray appointments(2);
    appointments[0].description = "eins";
    appointments[1].description = "zwei";
    EXPECT_EQ(MakeAppointmentListXml("S", appointments),
              "<session-id>S</session-id>\n<CalendarItems>\n" + WriteAppointmentXml(appointments[0]) +
                  WriteAppointmentXml(appointments[1]) + "</CalendarItems>\n");

    CTaskArray tasks{MinimalTask(), MinimalTask()};
    tasks[1].title = "b";
    EXPECT_EQ(MakeTaskListXml("S", tasks), "<session-id>S</session-id>\n<TaskItems>\n" + WriteTaskXml(tasks[0]) +
                                               WriteTaskXml(tasks[1]) + "</TaskItems>\n");

    CContactArray contacts(2);
    contacts[0].lastName = "a";
    contacts[1].lastName = "b";
    EXPECT_EQ(MakeContactListXml("S", contacts), "<session-id>S</session-id>\n<ContactItems>\n" +
                                                     WriteContactXml(contacts[0]) + WriteContactXml(contacts[1]) +
                                                     "</ContactItems>\n");
}

TEST_F(ProtocolRequestBodies, EmptyArraysGiveSessionIdAndTagsOnly)
{
    const std::string s = "<session-id>S</session-id>\n";
    EXPECT_EQ(MakeAppointmentListXml("S", {}), s + "<CalendarItems>\n</CalendarItems>\n");
    EXPECT_EQ(MakeTaskListXml("S", {}), s + "<TaskItems>\n</TaskItems>\n");
    EXPECT_EQ(MakeContactListXml("S", {}), s + "<ContactItems>\n</ContactItems>\n");
    EXPECT_EQ(MakeAppointmentDeleteXml("S", {}), s + "<CalendarItems>\n</CalendarItems>\n");
    EXPECT_EQ(MakeTaskDeleteXml("S", {}), s + "<TaskItems>\n</TaskItems>\n");
    EXPECT_EQ(MakeContactDeleteXml("S", {}), s + "<ContactItems>\n</ContactItems>\n");
}

TEST_F(ProtocolRequestBodies, DeleteBodiesWriteEveryServerId)
{
    CAppointmentArray appointments(3);
    appointments[0].id_tarnwel = "A1";
    appointments[1].id_tarnwel = "a<&b";
    appointments[2].id_tarnwel = "";
    appointments[0].description = "not written";
    EXPECT_EQ(MakeAppointmentDeleteXml("S", appointments),
              "<session-id>S</session-id>\n"
              "<CalendarItems>\n"
              "<Appointment>\n<id_tarnwel>A1</id_tarnwel></Appointment>\n"
              "<Appointment>\n<id_tarnwel>a&lt;&amp;b</id_tarnwel></Appointment>\n"
              "<Appointment>\n<id_tarnwel></id_tarnwel></Appointment>\n"
              "</CalendarItems>\n");

    CTaskArray tasks(1);  // server id "X"
    EXPECT_EQ(MakeTaskDeleteXml("S", tasks),
              "<session-id>S</session-id>\n<TaskItems>\n<Task>\n<id_tarnwel>X</id_tarnwel></Task>\n</TaskItems>\n");

    CContactArray contacts(1);
    contacts[0].id_tarnwel = "C-ü";
    EXPECT_EQ(MakeContactDeleteXml("S", contacts),
              "<session-id>S</session-id>\n<ContactItems>\n<Contact>\n<id_tarnwel>C-&#xfc;</id_tarnwel>"
              "</Contact>\n</ContactItems>\n");
}

} // namespace
} // namespace tarnwel
