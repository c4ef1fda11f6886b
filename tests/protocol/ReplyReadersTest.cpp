#include "protocol/ReplyReaders.h"

#include "platform/base/TimeZone.h"
#include "platform/base/UserLocale.h"
#include "tests/support/ScopedUserLocale.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

namespace tarnwel {
namespace {

using ::testing::ElementsAre;

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

std::string Text(const COleDate& date)
{
    if (!date.IsValid())
        return "invalid";
    return date.Format("%Y-%m-%d %H:%M:%S");
}

// Each test runs with an explicit locale and time zone (UTC unless it sets
// another) and gets the caller's zone back afterwards.
class ProtocolReplyReaders : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* tz = std::getenv("TZ"))
            m_savedZone = tz;
        UseZone("UTC0");
    }

    void TearDown() override
    {
        if (m_savedZone)
            setenv("TZ", m_savedZone->c_str(), 1);
        else
            unsetenv("TZ");
        RefreshMachineTimeZone();
    }

    static void UseZone(const char* zone)
    {
        setenv("TZ", zone, 1);
        RefreshMachineTimeZone();
    }

    // Parses `xml` as a reply is parsed (or with other options) and gives its root element.
    pugi::xml_node Parse(const std::string& xml, unsigned int options = kReplyParseOptions)
    {
        const pugi::xml_parse_result result = m_document.load_string(xml.c_str(), options);
        EXPECT_TRUE(result) << result.description() << " in " << xml;
        return m_document.document_element();
    }

    CAppointmentRecord ReadOneAppointment(const std::string& xml, unsigned int options = kReplyParseOptions)
    {
        CAppointmentArray appointments;
        ReadAppointment(appointments, Parse(xml, options));
        EXPECT_EQ(appointments.size(), 1u);
        return appointments.empty() ? CAppointmentRecord() : appointments.front();
    }

    std::unique_ptr<CTaskRecord> ReadOneTask(const std::string& xml) { return ReadTask(Parse(xml)); }

private:
    pugi::xml_document m_document;
    std::optional<std::string> m_savedZone;
    test::CScopedUserLocale m_locale;
};

TEST_F(ProtocolReplyReaders, AppointmentFieldsWithNamesInAnyCase)
{
    const CAppointmentRecord r = ReadOneAppointment(
        "<Appointment>"
        "<DESCRIPTION>Gr&#xfc;&#xdf;e &lt;Team&gt;</DESCRIPTION>"
        "<Location>Raum 3</Location>"
        "<comment>Zeile 1\nZeile 2</comment>"
        "<wholeDayEvent>gtz</wholeDayEvent>"
        "<START>2004-03-01 09:30:00</START>"
        "<End>2004-03-01 23:59:00</End>"
        "<ID_CLIENT>EID</ID_CLIENT>"
        "<Id_Tarnwel>4711</Id_Tarnwel>"
        "<Participants><USER>anna</USER><user>bert</user></Participants>"
        "<unknown>ignored</unknown>"
        "</Appointment>");
    EXPECT_EQ(r.description, "Grüße <Team>");
    EXPECT_EQ(r.location, "Raum 3");
    EXPECT_EQ(r.comment, "Zeile 1\nZeile 2");
    EXPECT_EQ(r.wholeDayEvent, 1);
    EXPECT_EQ(Text(r.start), "2004-03-01 09:30:00");
    EXPECT_EQ(Text(r.end), "2004-03-01 23:59:00");
    EXPECT_EQ(r.id_client, "EID");
    EXPECT_EQ(r.id_tarnwel, "4711");
    EXPECT_THAT(r.participants, ElementsAre("anna", "bert"));
    EXPECT_EQ(r.kind, kAppointmentKind);
}

TEST_F(ProtocolReplyReaders, AppointmentWithoutChildrenKeepsDefaults)
{
    CAppointmentArray appointments(1);
    ReadAppointment(appointments, Parse("<Appointment>\n  <!-- nothing --> text </Appointment>"));
    ASSERT_EQ(appointments.size(), 2u);  // appended, not replaced
    const CAppointmentRecord& r = appointments[1];
    EXPECT_EQ(r.id_tarnwel, "X");
    EXPECT_EQ(r.id_client, "X");
    EXPECT_EQ(r.description, "");
    EXPECT_EQ(r.location, "");
    EXPECT_EQ(r.comment, "");
    EXPECT_EQ(r.wholeDayEvent, 0);
    EXPECT_TRUE(r.participants.empty());
    EXPECT_EQ(r.start, COleDate());
    EXPECT_EQ(r.last_updated, COleDate());
}

TEST_F(ProtocolReplyReaders, WholeDayFlagOnlyForExactGtz)
{
    const struct {
        const char* children;
        int flag;
    } cases[] = {
        {"<wholeDayEvent>gtz</wholeDayEvent>", 1},
        {"<WHOLEDAYEVENT>gtz</WHOLEDAYEVENT>", 1},
        {"<wholeDayEvent>GTZ</wholeDayEvent>", 0},
        {"<wholeDayEvent> gtz</wholeDayEvent>", 0},
        {"<wholeDayEvent/>", 0},
        {"<wholeDayEvent>gtz</wholeDayEvent><wholeDayEvent>no</wholeDayEvent>", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadOneAppointment(std::string("<Appointment>") + c.children + "</Appointment>").wholeDayEvent,
                  c.flag)
            << c.children;
}

// Also when an element's opening text is a node of its own rather than the
// element's value.
TEST_F(ProtocolReplyReaders, TextsAreStoredAsTheyAre)
{
    for (const unsigned int options : {kReplyParseOptions, kReplyParseOptions & ~pugi::parse_embed_pcdata}) {
        SCOPED_TRACE(options);
        const CAppointmentRecord r = ReadOneAppointment(
            "<Appointment>"
            "<description>first</description>"
            "<description>  two  words </description>"  // the later one counts, untrimmed
            "<location>   </location>"                  // white space alone is kept
            "<comment>a<b>b<i>c</i></b><![CDATA[<d>&amp;]]>e</comment>"
            "<id_tarnwel></id_tarnwel>"                 // empty overrides the default
            "<id_client><![CDATA[E1]]></id_client>"
            "<participants>x<user>u<b>1</b></user><user>v</user></participants>"
            "</Appointment>",
            options);
        EXPECT_EQ(r.description, "  two  words ");
        EXPECT_EQ(r.location, "   ");
        EXPECT_EQ(r.comment, "abc<d>&amp;e");
        EXPECT_EQ(r.id_tarnwel, "");
        EXPECT_EQ(r.id_client, "E1");
        EXPECT_EQ(r.participants, (CStringArray{"u1", "v"}));
    }
}

TEST_F(ProtocolReplyReaders, DatesUseTheFirst19Characters)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"2004-03-01 09:30:00", "2004-03-01 09:30:00"},
        {"2004-03-01 09:30:00.000+01", "2004-03-01 09:30:00"},
        {"2004-03-01 09:30:00Ü", "2004-03-01 09:30:00"},
        {"2004-03-01", "2004-03-01 00:00:00"},
        {"01.03.2004 09:30", "2004-03-01 09:30:00"},
        {"<b>2004-03-01</b> 09:30:00", "2004-03-01 09:30:00"},
        {"2004-02-30 09:30:00", "invalid"},
        {"morgen", "invalid"},
        {"", "invalid"},
    };
    for (const auto& c : cases) {
        const CAppointmentRecord r =
            ReadOneAppointment(std::string("<Appointment><start>") + c.text + "</start><last_updated>" + c.text +
                               "</last_updated></Appointment>");
        EXPECT_EQ(Text(r.start), c.expected) << c.text;
        EXPECT_EQ(Text(r.last_updated), c.expected) << c.text;  // no shift in UTC
    }
    // Texts of the wire form's shape read as COleDate::Parse reads them, also
    // where their fields make no date.
    for (const char* text : {"2004-03-01 09:30:59", "0099-03-01 09:30:00", "2004-13-01 09:30:00", "2004-03-01 24:00:00",
                             "2004-03-01 09:60:00", "2004-03-0a 09:30:00", "2004-03-01 09:30:5x", "9999-12-31 23:59:59",
                             "2004-03-01T09:30:00"}) {
        const CAppointmentRecord r = ReadOneAppointment(std::string("<Appointment><start>") + text + "</start></Appointment>");
        EXPECT_EQ(Text(r.start), Text(COleDate::Parse(text))) << text;
    }
}

TEST_F(ProtocolReplyReaders, LastUpdatedWinsOverCreationTimeAndIsShifted)
{
    const struct {
        const char* zone;
        const char* children;
        const char* expected;
    } cases[] = {
        {"UTC0", "<last_updated>2004-03-01 09:30:00</last_updated>", "2004-03-01 09:30:00"},
        {kCentralEurope, "<last_updated>2004-03-01 09:30:00</last_updated>", "2004-03-01 11:30:00"},
        {kCentralEurope, "<LAST_UPDATED>2004-07-01 23:30:00</LAST_UPDATED>", "2004-07-02 01:30:00"},
        {kCentralEurope, "<creationTime>2004-03-01 09:30:00</creationTime>", "2004-03-01 11:30:00"},
        {kCentralEurope,
         "<creationTime>2004-01-01 00:00:00</creationTime><last_updated>2004-03-01 09:30:00</last_updated>",
         "2004-03-01 11:30:00"},
        {kCentralEurope,
         "<last_updated>2004-03-01 09:30:00</last_updated><creationTime>2004-01-01 00:00:00</creationTime>",
         "2004-03-01 11:30:00"},
        {kCentralEurope,
         "<last_updated>2004-01-01 00:00:00</last_updated><last_updated>2004-03-01 09:30:00</last_updated>",
         "2004-03-01 11:30:00"},
        {kCentralEurope, "<last_updated>kaputt</last_updated><creationTime>2004-01-01 00:00:00</creationTime>",
         "invalid"},
        {"EST5EDT,M3.2.0,M11.1.0", "<last_updated>2004-03-01 09:30:00</last_updated>", "2004-03-01 05:30:00"},
        {"JST-9", "<creationTime>1899-12-29 18:00:00</creationTime>", "1899-12-30 03:00:00"},
    };
    for (const auto& c : cases) {
        UseZone(c.zone);
        const std::string children = c.children;
        CAppointmentArray appointments;
        ReadAppointment(appointments, Parse("<Appointment>" + children + "</Appointment>"));
        const auto task = ReadOneTask("<Task>" + children + "</Task>");
        CContactArray contacts;
        CAddressArray addresses;
        ReadAddress(contacts, addresses, Parse("<Address><contact>" + children + "</contact></Address>"));
        ASSERT_EQ(appointments.size(), 1u);
        ASSERT_EQ(contacts.size(), 1u);
        EXPECT_EQ(Text(appointments[0].last_updated), c.expected) << c.zone << " " << children;
        EXPECT_EQ(Text(task->last_updated), c.expected) << c.zone << " " << children;
        EXPECT_EQ(Text(contacts[0].last_updated), c.expected) << c.zone << " " << children;
    }
}

TEST_F(ProtocolReplyReaders, StartEndAndTaskDatesAreNeverShifted)
{
    UseZone(kCentralEurope);
    const CAppointmentRecord a = ReadOneAppointment(
        "<Appointment><start>2004-03-01 09:30:00</start><end>2004-03-01 10:00:00</end></Appointment>");
    EXPECT_EQ(Text(a.start), "2004-03-01 09:30:00");
    EXPECT_EQ(Text(a.end), "2004-03-01 10:00:00");
    const auto t = ReadOneTask("<Task><deadline>2004-03-05</deadline><startDate>2004-03-02 08:00:00</startDate></Task>");
    EXPECT_EQ(Text(t->deadline), "2004-03-05 00:00:00");
    EXPECT_EQ(Text(t->startDate), "2004-03-02 08:00:00");
}

TEST_F(ProtocolReplyReaders, TaskFields)
{
    const auto t = ReadOneTask(
        "<Task>\n"
        "  <delegatedJob>M&#xfc;ller</delegatedJob>\n"
        "  <Description>a &amp; b</Description>\n"
        "  <title>Bericht</title>\n"
        "  <priority>3.gif</priority>\n"
        "  <status>50%</status>\n"
        "  <deadline>2004-03-05 00:00:00</deadline>\n"
        "  <id_client>EID</id_client>\n"
        "  <id_tarnwel>T-2</id_tarnwel>\n"
        "  <subtaskOf>T-1</subtaskOf>\n"
        "  <participants><user>anna</user></participants>\n"
        "</Task>");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->delegatedJob, "Müller");
    EXPECT_EQ(t->description, "a & b");
    EXPECT_EQ(t->title, "Bericht");
    EXPECT_EQ(t->priority, 3);
    EXPECT_EQ(t->percentComplete, 50);
    EXPECT_EQ(Text(t->deadline), "2004-03-05 00:00:00");
    EXPECT_EQ(t->startDate.GetYear(), kNoDateYear);
    EXPECT_EQ(t->id_client, "EID");
    EXPECT_EQ(t->id_tarnwel, "T-2");
    EXPECT_EQ(t->isSubtask, 1);
    EXPECT_EQ(t->parent, nullptr);
    EXPECT_THAT(t->participants, ElementsAre("anna"));
    EXPECT_EQ(t->kind, kTaskKind);
}

TEST_F(ProtocolReplyReaders, TaskWithoutDatesHasYear4501AndConstructorNumbers)
{
    const CTaskRecord defaults;
    const auto t = ReadOneTask("<Task/>");
    EXPECT_EQ(Text(t->deadline), "4501-01-01 00:00:00");
    EXPECT_EQ(Text(t->startDate), "4501-01-01 00:00:00");
    EXPECT_EQ(t->priority, defaults.priority);
    EXPECT_EQ(t->percentComplete, defaults.percentComplete);
    EXPECT_EQ(t->isSubtask, 0);
    EXPECT_EQ(t->id_tarnwel, "X");
}

TEST_F(ProtocolReplyReaders, TaskPriorityAndStatusReadTheLeadingInteger)
{
    const struct {
        const char* text;
        int priority;        // no integer: 1
        int percentComplete; // no integer: 100
    } cases[] = {
        {"3.gif", 3, 3},
        {"75%", 75, 75},
        {"abc", 1, 100},
        {"DONE", 1, 100},
        {"", 1, 100},
        {"-", 1, 100},
        {" \t+2x", 2, 2},
        {"-1%", -1, -1},
        {"0x10", 0, 0},
        {"99999999999", INT_MAX, INT_MAX},
        {"-99999999999", INT_MIN, INT_MIN},
    };
    for (const auto& c : cases) {
        const std::string text = c.text;
        const auto t = ReadOneTask("<Task><priority>" + text + "</priority><status>" + text + "</status></Task>");
        EXPECT_EQ(t->priority, c.priority) << '"' << text << '"';
        EXPECT_EQ(t->percentComplete, c.percentComplete) << '"' << text << '"';
    }
}

TEST_F(ProtocolReplyReaders, SubtaskFlagNeedsANonEmptyParentId)
{
    const struct {
        const char* children;
        int isSubtask;
    } cases[] = {
        {"<subtaskOf>T-1</subtaskOf>", 1},
        {"<SUBTASKOF>X</SUBTASKOF>", 1},
        {"<subtaskOf> </subtaskOf>", 1},
        {"<subtaskOf></subtaskOf>", 0},
        {"<subtaskOf/>", 0},
        {"<subtaskOf>T-1</subtaskOf><subtaskOf/>", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadOneTask(std::string("<Task>") + c.children + "</Task>")->isSubtask, c.isSubtask) << c.children;
}

TEST_F(ProtocolReplyReaders, ParticipantsFromEveryParticipantsElement)
{
    const CAppointmentRecord r = ReadOneAppointment(
        "<Appointment>"
        "<participants><user>anna</user><name>not a user</name><User>bert</User></participants>"
        "<description>x</description>"
        "<PARTICIPANTS>\n  <user>carl</user>\n  <user></user>\n</PARTICIPANTS>"
        "</Appointment>");
    EXPECT_THAT(r.participants, ElementsAre("anna", "bert", "carl", ""));

    CStringArray list{"already"};
    ReadParticipants(list, Parse("<participants><user>d<b>o</b>ra</user></participants>"));
    EXPECT_THAT(list, ElementsAre("already", "dora"));
}

TEST_F(ProtocolReplyReaders, AddressGivesItsFieldsToEachContact)
{
    CContactArray contacts(1);  // contacts already read stay first
    CAddressArray addresses;
    ReadAddress(contacts, addresses, Parse(
        "<Address>"
        "<company>A &amp; B</company><status>Kunde</status><employees>12</employees><appendix>GmbH</appendix>"
        "<street>Weg 1</street><zipcode>12345</zipcode><city>K&#xf6;ln</city><country>D</country>"
        "<state>NRW</state><firmPhone>fp</firmPhone><firmFax>ff</firmFax><firmEmail>fe</firmEmail>"
        "<url>http://a.de/</url><misc>m</misc><addressComment>ac</addressComment>"
        "<contact><lastName>Maier</lastName><Position>Leiter</Position><id_tarnwel>C-1</id_tarnwel>"
        "<company>not the contact's</company></contact>"
        "<ID_TARNWEL>A-9</ID_TARNWEL>"
        "<CONTACT><firstName>Eva</firstName><emailPrivate>e@p.de</emailPrivate><id_client>EID</id_client>"
        "</CONTACT>"
        "<address_action>new</address_action>"
        "</Address>"));
    ASSERT_EQ(addresses.size(), 1u);
    const CAddressRecord& a = addresses[0];
    EXPECT_EQ(a.company, "A & B");
    EXPECT_EQ(a.status, "Kunde");
    EXPECT_EQ(a.city, "Köln");
    EXPECT_EQ(a.URL, "http://a.de/");
    EXPECT_EQ(a.addressComment, "ac");
    EXPECT_EQ(a.address_id, "A-9");
    EXPECT_EQ(a.address_action, "");

    ASSERT_EQ(contacts.size(), 3u);
    const CContactRecord& maier = contacts[1];
    const CContactRecord& eva = contacts[2];
    EXPECT_EQ(maier.lastName, "Maier");
    EXPECT_EQ(maier.position, "Leiter");
    EXPECT_EQ(maier.id_tarnwel, "C-1");
    EXPECT_EQ(maier.id_client, "X");
    EXPECT_EQ(eva.firstName, "Eva");
    EXPECT_EQ(eva.emailPrivate, "e@p.de");
    EXPECT_EQ(eva.id_client, "EID");
    EXPECT_EQ(eva.id_tarnwel, "X");
    for (const CContactRecord* c : {&maier, &eva}) {
        EXPECT_EQ(c->address.company, "A & B");
        EXPECT_EQ(c->address.status, "Kunde");
        EXPECT_EQ(c->address.employees, "12");
        EXPECT_EQ(c->address.street, "Weg 1");
        EXPECT_EQ(c->address.firmEmail, "fe");
        EXPECT_EQ(c->address.misc, "m");
        EXPECT_EQ(c->address.address_id, "A-9");
        EXPECT_EQ(c->address.address_action, "");
        EXPECT_EQ(c->kind, kContactKind);
    }
}

TEST_F(ProtocolReplyReaders, AddressWithoutContactsAndContactPartAlone)
{
    CContactArray contacts;
    CAddressArray addresses;
    ReadAddress(contacts, addresses, Parse("<Address><company>Solo</company></Address>"));
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses[0].company, "Solo");
    EXPECT_EQ(addresses[0].address_id, "X");
    EXPECT_TRUE(contacts.empty());

    ReadContactPart(contacts, Parse(
        "<contact><salutation>Frau</salutation><TITLE>Dr.</TITLE><mobilePrivate>0171</mobilePrivate>"
        "<participants><user>ignored</user></participants><company>ignored</company></contact>"));
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].salutation, "Frau");
    EXPECT_EQ(contacts[0].title, "Dr.");
    EXPECT_EQ(contacts[0].mobilePrivate, "0171");
    EXPECT_TRUE(contacts[0].participants.empty());
    EXPECT_EQ(contacts[0].address.company, "");
    EXPECT_EQ(contacts[0].address.address_id, "X");
}

} // namespace
} // namespace tarnwel
