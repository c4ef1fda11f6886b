#include "records/CAddressRecord.h"
#include "records/CAppointmentRecord.h"
#include "records/CContactRecord.h"
#include "records/CTaskRecord.h"
#include "records/TextBuilders.h"
#include "tests/support/ScopedUserLocale.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tarnwel;

namespace {

class RecordTexts : public ::testing::Test {
protected:
    test::CScopedUserLocale m_locale;  // German: dates "%d.%m.%Y"
};

const std::string kHeadingEnd = "' wurde ge\xC3\xA4ndert.\r\n\r\nUnterschiedliche Felder:\r\n";

CAppointmentRecord Meeting()
{
    CAppointmentRecord a;
    a.description = "Besprechung";
    a.location = "Raum 4";
    a.start = COleDate::FromFields(2004, 3, 5, 14, 30, 0);
    a.end = COleDate::FromFields(2004, 3, 5, 15, 0, 0);
    return a;
}

CAppointmentRecord WholeDay(int day)
{
    CAppointmentRecord a = Meeting();
    a.wholeDayEvent = 1;
    a.start = COleDate::FromFields(2004, 3, day);
    a.end = COleDate::FromFields(2004, 3, day, 23, 59, 0);
    return a;
}

CTaskRecord Report()
{
    CTaskRecord t;
    t.title = "Bericht";
    t.priority = 2;
    t.percentComplete = 50;
    t.deadline = COleDate::FromFields(2004, 3, 9, 12, 0, 0);
    t.startDate = COleDate::FromFields(2004, 3, 1, 8, 0, 0);
    return t;
}

} // namespace

TEST_F(RecordTexts, Builders)
{
    EXPECT_EQ(FormatLabeledValue("Ort:", ""), "");
    EXPECT_EQ(FormatLabeledValue("Ort:", "Bonn"), "\r\nOrt:'Bonn'");
    EXPECT_EQ(NormalizeLineBreaks("a\nb\r\nc\rd\n"), "a\r\nb\r\nc\rd\r\n");
    EXPECT_EQ(IndentValue("a\nb\r\nc", 1), "\t'a\r\n\tb\r\n\tc'");
    EXPECT_EQ(IndentValue("x", 2), "\t\t'x'");
    EXPECT_EQ(FormatDifference(false, "Ort:", "a", "b", false), "");
    EXPECT_EQ(FormatDifference(false, "Ort:", "a", "b", true), "");
    EXPECT_EQ(FormatDifference(true, "Ort:", "a", "b", false),
              "\r\n - Ort::\r\n    Outlook:  'a'\r\n    DRAV:  'b'\r\n");
    EXPECT_EQ(FormatDifference(true, "Notiz", "a\nb", "", true),
              "\r\n - Notiz:\r\n    Outlook:  \r\n\t'a\r\n\tb' \r\n    DRAV:  \r\n\t''\r\n");
}

TEST_F(RecordTexts, AppointmentDescription)
{
    EXPECT_EQ(CAppointmentRecord().GetDescription(),
              "Termin:\r\n\r\nZeitraum:\r\n\tvon\t30/Dec/99 00:00,\r\n\tbis\t30/Dec/99 00:00"
              "\r\nTeilnehmer:\r\nKeine Teilnehmer\r\n");

    CAppointmentRecord a = WholeDay(5);
    a.participants = {"anna", "ben"};
    a.comment = "eins\nzwei\r\ndrei";
    EXPECT_EQ(a.GetDescription(),
              "Termin:\r\nGanztagstermin\r\n\r\nBeschreibung:'Besprechung'\r\nOrt:'Raum 4'"
              "\r\nZeitraum:\r\n\tvon\t05/Mar/04 00:00,\r\n\tbis\t05/Mar/04 23:59"
              "\r\nTeilnehmer:\r\n  - anna\r\n  - ben"
              "\r\nBeschreibung:\r\n'eins\r\nzwei\r\ndrei'\r\n");
}

TEST_F(RecordTexts, AppointmentDifferences)
{
    const std::string heading = "Der Termin: 'Besprechung" + kHeadingEnd;
    struct Case {
        const char* what;
        std::function<void(CAppointmentRecord& outlook, CAppointmentRecord& server)> change;
        std::string entries;
    };
    const Case cases[] = {
        {"nothing", [](auto&, auto&) {}, ""},
        {"blanks, carriage returns and seconds only",
         [](auto& o, auto& s) {
             o.location = " Raum 4 ";
             o.comment = "a\r\nb";
             s.comment = "a\nb";
             s.start = COleDate::FromFields(2004, 3, 5, 14, 30, 40);
         },
         ""},
        {"title and end",
         [](auto&, auto& s) {
             s.description = "Treffen";
             s.end = COleDate::FromFields(2004, 3, 5, 16, 0, 0);
         },
         "\r\n - Beschreibung::\r\n    Outlook:  'Besprechung'\r\n    DRAV:  'Treffen'\r\n"
         "\r\n - Endet am::\r\n    Outlook:  '05/Mar/04 15:00'\r\n    DRAV:  '05/Mar/04 16:00'\r\n"},
        {"server whole-day", [](auto&, auto& s) { s = WholeDay(6); },
         "\r\n - Datum::\r\n    Outlook:  \r\n\t'Beginnt am: : 05/Mar/04 14:30\r\n\tEndet am: : 05/Mar/04 15:00' "
         "\r\n    DRAV:  \r\n\t'Ganztagsereignis:\r\n\tBeginnt am: : 06.03.2004'\r\n"},
        {"Outlook whole-day", [](auto& o, auto&) { o = WholeDay(5); },
         "\r\n - Datum::\r\n    Outlook:  \r\n\t'Ganztagsereignis:\r\n\tBeginnt am: : 05.03.2004' "
         "\r\n    DRAV:  \r\n\t'Beginnt am: : 05/Mar/04 14:30\r\n\tEndet am: : 05/Mar/04 15:00'\r\n"},
        {"both whole-day, other day",
         [](auto& o, auto& s) {
             o = WholeDay(5);
             s = WholeDay(7);
         },
         "\r\n - Ganztagsereignis:::\r\n    Outlook:  '05.03.2004'\r\n    DRAV:  '07.03.2004'\r\n"},
        {"both whole-day, same day at other times",
         [](auto& o, auto& s) {
             o = WholeDay(5);
             s = WholeDay(5);
             s.start = COleDate::FromFields(2004, 3, 5, 9, 0, 0);
         },
         ""},
        {"comment", [](auto& o, auto&) { o.comment = "neu\nzwei"; },
         "\r\n - Beschreibung:\r\n:\r\n    Outlook:  \r\n\t'neu\r\n\tzwei' \r\n    DRAV:  \r\n\t''\r\n"},
    };
    for (const Case& c : cases) {
        CAppointmentRecord outlook = Meeting();
        CAppointmentRecord server = Meeting();
        c.change(outlook, server);
        EXPECT_EQ(outlook.GetDifferences(server), heading + c.entries) << c.what;
    }
}

TEST_F(RecordTexts, TaskDescription)
{
    CTaskRecord t = Report();
    t.description = "a\nb";
    t.assignment = "Chef";
    t.participants = {"anna", "ben"};
    EXPECT_EQ(t.GetDescription(),
              "Aufgabe:\r\n\r\nTitel: 'Bericht'\r\nBeschreibung:'a\r\nb'\r\nZuordnung:'Chef'"
              "\r\nPriorit\xC3\xA4t: '2'\r\nStatus: '50'\r\nEnddatum: '09.03.2004'\r\nStartdatum:'01.03.2004'"
              "\r\nTeilnehmer:\r\n  - anna\n  - ben\r\n");

    CTaskRecord noDates;
    noDates.priority = 1;
    noDates.deadline = COleDate::FromFields(kNoDateYear, 1, 1);
    noDates.startDate = COleDate::FromFields(kNoDateYear, 1, 1);
    EXPECT_EQ(noDates.GetDescription(),
              "Aufgabe:\r\n\r\nPriorit\xC3\xA4t: '1'\r\nStatus: '0'\r\nTeilnehmer:\r\nKeine Teilnehmer\r\n");
}

TEST_F(RecordTexts, TaskDifferences)
{
    const std::string heading = "Die Aufgabe: 'Bericht" + kHeadingEnd;
    struct Case {
        const char* what;
        std::function<void(CTaskRecord& outlook, CTaskRecord& server)> change;
        std::string entries;
    };
    const Case cases[] = {
        {"assignment, delegated job, times of day",
         [](auto& o, auto& s) {
             o.assignment = "Chef";
             s.delegatedJob = "Team";
             s.startDate = COleDate::FromFields(2004, 3, 1, 17, 0, 0);
             s.deadline = COleDate::FromFields(2004, 3, 9, 8, 0, 0);
         },
         ""},
        {"priority and percentage",
         [](auto&, auto& s) {
             s.priority = 3;
             s.percentComplete = 100;
         },
         "\r\n - Priorit\xC3\xA4t: :\r\n    Outlook:  '2'\r\n    DRAV:  '3'\r\n"
         "\r\n - Status: :\r\n    Outlook:  '50%'\r\n    DRAV:  '100%'\r\n"},
        {"start day and no deadline",
         [](auto& o, auto& s) {
             s.startDate = COleDate::FromFields(2004, 3, 2, 8, 0, 0);
             o.deadline = COleDate::FromFields(kNoDateYear, 1, 1);
         },
         "\r\n - Startdatum::\r\n    Outlook:  '01/Mar/04 08:00'\r\n    DRAV:  '02/Mar/04 08:00'\r\n"
         "\r\n - Enddatum: :\r\n    Outlook:  '-'\r\n    DRAV:  '09.03.2004'\r\n"},
        {"title and description",
         [](auto&, auto& s) {
             s.title = "Bericht 2";
             s.description = "x";
         },
         "\r\n - Titel: :\r\n    Outlook:  'Bericht'\r\n    DRAV:  'Bericht 2'\r\n"
         "\r\n - Beschreibung::\r\n    Outlook:  \r\n\t'' \r\n    DRAV:  \r\n\t'x'\r\n"},
    };
    for (const Case& c : cases) {
        CTaskRecord outlook = Report();
        CTaskRecord server = Report();
        c.change(outlook, server);
        EXPECT_EQ(outlook.GetDifferences(server), heading + c.entries) << c.what;
    }
}

TEST_F(RecordTexts, ContactDescriptionAndLabel)
{
    const std::string business = "Ansprechpartner:\r\n------------Gesch\xC3\xA4" "ftlich-----------------";
    const std::string personal = "\r\n--------------Pers\xC3\xB6nlich---------------";
    CContactRecord c;
    EXPECT_EQ(c.GetDescription(), business + personal + "\r\n");
    EXPECT_EQ(c.GetShortDescription(), "Contact: ', ' ");

    c.lastName = "Meier";
    EXPECT_EQ(c.GetDescription(), business + personal + "\r\nNachname:'Meier'\r\n");

    c.firstName = "Anna";
    c.email = "a@b.de";
    c.comment = "x\ny";
    c.address.status = "Kunde";
    c.address.company = "Alpha";
    c.address.URL = "http://alpha.de";
    c.address.addressComment = "z";
    EXPECT_EQ(c.GetDescription(),
              business + "\r\nStatus: 'Kunde'\r\nFirma: 'Alpha'\r\nURL:'http://alpha.de'\r\nBeschreibung:'z'" +
                  personal + "\r\nVorname:'Anna'\r\nNachname:'Meier'\r\neMail:'a@b.de'\r\nBeschreibung:'x\ny'\r\n");
    EXPECT_EQ(c.GetShortDescription(), "Contact: 'Meier, Anna' Alpha");
}

TEST_F(RecordTexts, ContactSameness)
{
    struct Case {
        const char* what;
        std::function<void(CContactRecord&)> change;
        bool samePersonal;
        bool sameAddress;
    };
    const Case cases[] = {
        {"status, employees, ids, action",
         [](auto& c) {
             c.address.status = "neu";
             c.address.employees = "12";
             c.address.address_id = "A1";
             c.address.address_action = "new";
             c.id_tarnwel = "7";
             c.id_client = "E7";
             c.last_updated = COleDate::FromFields(2020, 1, 1);
         },
         true, true},
        {"case of title and position", [](auto& c) { c.title = "DR."; c.position = "chef"; }, true, true},
        {"case of last name", [](auto& c) { c.lastName = "meier"; }, false, true},
        {"blanks around a phone", [](auto& c) { c.phone = " 0228 1 "; }, true, true},
        {"bare line feeds in the comment", [](auto& c) { c.comment = "eins\ntwo"; }, true, true},
        {"a blank starting a comment line", [](auto& c) { c.comment = "eins\r\n two"; }, false, true},
        {"private address", [](auto& c) { c.privateAddress = "Weg 2"; }, false, true},
        {"URL without its prefix", [](auto& c) { c.address.URL = "alpha.de "; }, true, true},
        {"URL prefix in capitals", [](auto& c) { c.address.URL = "HTTP://alpha.de"; }, true, false},
        {"URL prefix after a blank", [](auto& c) { c.address.URL = " http://alpha.de"; }, true, false},
        {"URL prefix doubled", [](auto& c) { c.address.URL = "http://http://alpha.de"; }, true, false},
        {"address comment", [](auto& c) { c.address.addressComment = "neu"; }, true, false},
    };
    CContactRecord base;
    base.lastName = "Meier";
    base.title = "Dr.";
    base.position = "Chef";
    base.phone = "0228 1";
    base.comment = "eins\r\ntwo";
    base.address.URL = "http://alpha.de";
    for (const Case& c : cases) {
        CContactRecord changed = base;
        c.change(changed);
        EXPECT_EQ(changed.IsSamePersonalPart(base), c.samePersonal) << c.what;
        EXPECT_EQ(changed.address.IsSameAddress(base.address), c.sameAddress) << c.what;
        EXPECT_EQ(changed.IsSameContact(base), c.samePersonal && c.sameAddress) << c.what;
        EXPECT_EQ(changed.GetDifferences(base), "") << c.what;
    }

    EXPECT_EQ(StripHttpPrefix("http://a"), "a");
    EXPECT_EQ(StripHttpPrefix("http://http://a"), "http://a");
    EXPECT_EQ(StripHttpPrefix(" http://a"), " http://a");
}

TEST_F(RecordTexts, CompanyPrefix)
{
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"", "", true},
        {"AB", "ABC", false},
        {"Alpha", "ALP GmbH", true},
        {"\xC3\x84rzte", "\xC3\xA4rZTEhaus", true},  // umlauts count as one character and fold
        {"Alpha", "Alto", false},
    };
    for (const Case& c : cases) {
        CAddressRecord a;
        CAddressRecord b;
        a.company = c.a;
        b.company = c.b;
        EXPECT_EQ(a.HasSameCompanyPrefix(b), c.same) << c.a << " / " << c.b;
    }
}

TEST_F(RecordTexts, ContactDifferences)
{
    CContactRecord outlook;
    outlook.firstName = "Anna";
    outlook.lastName = "Meier";
    outlook.title = "Dr.";
    outlook.comment = "a\nb";
    outlook.address.URL = "http://alpha.de";
    CContactRecord server = outlook;
    server.title = "DR.";  // equal without regard to case: no entry
    server.lastName = "Maier";
    server.comment = "a";
    server.address.company = "Alpha";
    server.address.URL = "beta.de";

    const std::string heading = "Der Kontakt: 'Meier, Anna'" + kHeadingEnd;
    EXPECT_EQ(outlook.GetContactDifferences(server, 0, 0), heading);
    EXPECT_EQ(outlook.GetContactDifferences(outlook, 1, 1),
              heading + "\r\n--------------Personal---------------\r\n\r\n--------------Business---------------");
    EXPECT_EQ(outlook.GetContactDifferences(server, 1, 1),
              heading + "\r\n--------------Personal---------------"
                        "\r\n - Nachname::\r\n    Outlook:  'Meier'\r\n    DRAV:  'Maier'\r\n"
                        "\r\n - Beschreibung::\r\n    Outlook:  \r\n\t'a\r\n\tb' \r\n    DRAV:  \r\n\t'a'\r\n"
                        "\r\n\r\n--------------Business---------------"
                        "\r\n - :\r\n    Outlook:  ''\r\n    DRAV:  'Alpha'\r\n"
                        "\r\n - URL::\r\n    Outlook:  'alpha.de'\r\n    DRAV:  'beta.de'\r\n");
    // The company entry's label is the Outlook side's company line.
    EXPECT_EQ(server.address.GetAddressDifferences(outlook.address),
              "\r\n - \r\nFirma: 'Alpha':\r\n    Outlook:  'Alpha'\r\n    DRAV:  ''\r\n"
              "\r\n - URL::\r\n    Outlook:  'beta.de'\r\n    DRAV:  'alpha.de'\r\n");
}
