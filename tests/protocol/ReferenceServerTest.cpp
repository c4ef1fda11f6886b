// The client's server calls against the reference server over loopback HTTP.

#include "protocol/CServerSession.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>

namespace tarnwel {
namespace {

using test::CReferenceServer;
using test::MessageOf;

const std::string kToServer = "\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server";
const std::string kUnexpected = "Unerwarteter Server-Fehler!" + kToServer;

constexpr const char* kSeed = R"({
  "users": [
    {"name": "user", "password": "vezi", "rights": {"appointment": "YY", "task": "YY", "contact": "YYYY"}},
    {"name": "gast", "password": "gast", "rights": {"appointment": "NN", "task": "YN", "contact": "YNNN"}}
  ],
  "appointments": [
    {"id": "A1", "description": "Zahnarzt", "location": "Praxis", "start": "2026-12-01 10:00:00",
     "end": "2026-12-01 11:00:00", "participants": ["anna", "bert"]},
    {"id": "A2", "description": "Betriebsfeier", "start": "2026-12-18 18:00:00", "end": "2026-12-18 23:00:00",
     "last_updated": "2020-01-01 00:00:00"}
  ],
  "tasks": [
    {"id": "T1", "title": "Umzug", "priority": "1", "subtasks": [
      {"id": "T2", "title": "Kartons"}, {"id": "T3", "title": "Wagen mieten"}]},
    {"id": "T4", "title": "Steuer"}
  ],
  "addresses": [
    {"id": "ADR1", "company": "Müller GmbH", "city": "Köln", "contacts": [
      {"id": "C1", "lastName": "Müller"}, {"id": "C2", "lastName": "Schmidt"}, {"id": "C3", "lastName": "Weber"}]}
  ]
})";

class ReferenceServerTest : public ::testing::Test {
protected:
    // Starts a seeded server with `switches` (fault switches of the server).
    void Start(std::vector<std::string> switches = {})
    {
        const std::string seed = directory_.Path("seed.json");
        std::ofstream(seed) << kSeed;
        switches.insert(switches.begin(), {"--seed", seed, "--store", directory_.Path("server.db")});
        server_ = std::make_unique<CReferenceServer>(switches);
    }

    CServerSession Session(const std::string& user = "user", const std::string& password = "vezi",
                           long timeout = 20000)
    {
        return CServerSession(CServerAccount{user, password, server_->Url(), timeout});
    }

    std::string Dump() const
    {
        return CReferenceServer::RunCommand({"dump", "--store", directory_.Path("server.db")});
    }

    test::CTemporaryDirectory directory_;
    std::unique_ptr<CReferenceServer> server_;
};


TEST_F(ReferenceServerTest, LoginAnswersTheRightsOfTheUserPerService)
{
    Start();
    CServerSession user = Session();
    EXPECT_EQ(user.Authenticate(kAppointmentNamespace), "YY");
    EXPECT_EQ(user.Authenticate(kContactNamespace), "YYYY");
    EXPECT_FALSE(user.SessionId().empty());
    EXPECT_NE(user.SessionId(), "no_auth");

    CServerSession guest = Session("gast", "gast");
    EXPECT_EQ(guest.Authenticate(kAppointmentNamespace), "NN");
    EXPECT_EQ(guest.Authenticate(kTaskNamespace), "YN");
    EXPECT_EQ(guest.Authenticate(kContactNamespace), "YNNN");
    guest.SignOut(kContactNamespace);

    const std::string wrong = MessageOf<ServerConnectException>(
        [&] { Session("user", "falsch").Authenticate(kTaskNamespace); });
    EXPECT_EQ(wrong.rfind("Server-Fehler!\r\nSoap call response fault!\r\n<", 0), 0u) << wrong;
    EXPECT_NE(wrong.find("Authentication failed"), std::string::npos) << wrong;
}

TEST_F(ReferenceServerTest, GetItemsReturnsEachKindWithItsStructure)
{
    Start();
    CServerSession session = Session();

    session.Authenticate(kAppointmentNamespace);
    CAppointmentArray appointments;
    EXPECT_EQ(session.GetAppointments(appointments, "1900-01-01", {}), 2);
    ASSERT_EQ(appointments.size(), 2u);
    const CAppointmentRecord& dentist = appointments[0].id_tarnwel == "A1" ? appointments[0] : appointments[1];
    EXPECT_EQ(dentist.description, "Zahnarzt");
    EXPECT_EQ(dentist.participants, (CStringArray{"anna", "bert"}));
    EXPECT_EQ(dentist.start.Format("%Y-%m-%d %H:%M:%S"), "2026-12-01 10:00:00");

    // Only what changed since the date, and what is asked for by id.
    CAppointmentArray changed;
    session.GetAppointments(changed, "2021-01-01", {"A2"});
    EXPECT_EQ(changed.size(), 2u);
    CAppointmentArray none;
    session.GetAppointments(none, "2099-01-01", {"A2", "A99"});
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].id_tarnwel, "A2");
    // A request far larger than one piece of the upload arrives whole.
    CStringArray many;
    for (int i = 0; i < 40000; ++i)
        many.push_back("X" + std::to_string(i));
    many.push_back("A1");
    CAppointmentArray last;
    session.GetAppointments(last, "2099-01-01", many);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].id_tarnwel, "A1");

    session.Authenticate(kTaskNamespace);
    CTaskArray tasks;
    EXPECT_EQ(session.GetTasks(tasks, "1900-01-01", {}), 4);
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(tasks[0].title, "Umzug");
    EXPECT_EQ(tasks[0].subtaskCount, 2);
    ASSERT_NE(tasks[0].nextSubtask, nullptr);
    EXPECT_EQ(tasks[0].nextSubtask->title, "Kartons");
    ASSERT_NE(tasks[0].nextSubtask->nextSubtask, nullptr);
    EXPECT_EQ(tasks[0].nextSubtask->nextSubtask->title, "Wagen mieten");
    EXPECT_EQ(tasks[1].title, "Steuer");

    session.Authenticate(kContactNamespace);
    CContactArray contacts;
    CAddressArray addresses;
    EXPECT_EQ(session.GetContacts(contacts, addresses, "1900-01-01", {}), 1);
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses[0].company, "Müller GmbH");
    ASSERT_EQ(contacts.size(), 3u);
    EXPECT_EQ(contacts[1].lastName, "Schmidt");
    EXPECT_EQ(contacts[1].address.city, "Köln");
}

TEST_F(ReferenceServerTest, AddPutAndDeleteReportEachItem)
{
    Start();
    CServerSession session = Session();
    session.Authenticate(kAppointmentNamespace);

    CAppointmentArray fresh(2);
    fresh[0].id_client = "local-1";
    fresh[0].description = "Neu eins";
    fresh[1].id_client = "local-2";
    fresh[1].description = "Neu zwei";
    CStringMap errors;
    const CStringMap added = session.AddAppointments(fresh, errors);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_TRUE(errors.empty());
    const std::string newId = added.at("local-1");
    EXPECT_NE(newId, "ERROR");
    EXPECT_EQ(newId.find_first_of(" \t\r\n"), std::string::npos);

    CAppointmentArray changes(2);
    changes[0].id_tarnwel = newId;
    changes[0].description = "Neu eins, verschoben";
    changes[1].id_tarnwel = "A404";
    CStringArray done, refused, failed;
    session.PutAppointments(changes, done, refused, failed);
    EXPECT_EQ(done, CStringArray{newId});
    EXPECT_TRUE(refused.empty());
    EXPECT_EQ(failed, CStringArray{"A404"});
    EXPECT_NE(Dump().find("Neu eins, verschoben"), std::string::npos);

    done.clear();
    failed.clear();
    session.DeleteAppointments(changes, done, refused, failed);
    EXPECT_EQ(done, CStringArray{newId});
    EXPECT_EQ(failed, CStringArray{"A404"});
    CAppointmentArray left;
    session.GetAppointments(left, "1900-01-01", {newId});
    EXPECT_EQ(left.size(), 3u);  // A1, A2 and "Neu zwei"
    for (const CAppointmentRecord& appointment : left)
        EXPECT_NE(appointment.id_tarnwel, newId);
}

TEST_F(ReferenceServerTest, AUserWithoutRightsIsRefusedWithNotAllowed)
{
    Start();
    CServerSession guest = Session("gast", "gast");
    guest.Authenticate(kAppointmentNamespace);
    CAppointmentArray fresh(1);
    fresh[0].id_client = "local-1";
    CStringMap errors;
    EXPECT_EQ(guest.AddAppointments(fresh, errors), (CStringMap{{"local-1", "ERROR"}}));
    EXPECT_TRUE(errors.empty());

    CAppointmentArray existing(1);
    existing[0].id_tarnwel = "A1";
    CStringArray done, refused, failed;
    guest.PutAppointments(existing, done, refused, failed);
    guest.DeleteAppointments(existing, done, refused, failed);
    EXPECT_TRUE(done.empty());
    EXPECT_EQ(refused, (CStringArray{"A1", "A1"}));
    EXPECT_TRUE(failed.empty());
}

TEST_F(ReferenceServerTest, NewAddressesAreMadeOncePerTemporaryId)
{
    Start();
    CServerSession session = Session();
    session.Authenticate(kContactNamespace);
    CContactArray fresh(3);
    const char* names[] = {"Adler", "Berger", "Claus"};
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        fresh[i].id_client = "local-" + std::to_string(i);
        fresh[i].lastName = names[i];
        fresh[i].address.company = "Neue Firma";
        fresh[i].address.address_action = "new";
        fresh[i].address.address_id = "NEW-ID-0";
    }
    CStringMap errors;
    session.AddContacts(CContactArray(fresh.begin(), fresh.begin() + 2), errors);
    session.AddContacts(CContactArray(fresh.begin() + 2, fresh.end()), errors);
    EXPECT_TRUE(errors.empty());

    // An address the server does not know fails the contact for another
    // reason than rights: it goes to the add errors.
    CContactArray stray(1);
    stray[0].id_client = "local-stray";
    stray[0].address.address_action = "no_change";
    stray[0].address.address_id = "ADR404";
    EXPECT_TRUE(session.AddContacts(stray, errors).empty());
    EXPECT_EQ(errors, (CStringMap{{"local-stray", "ERROR"}}));

    CContactArray contacts;
    CAddressArray addresses;
    session.GetContacts(contacts, addresses, "1900-01-01", {});
    ASSERT_EQ(addresses.size(), 2u);
    const CAddressRecord& made = addresses[0].company == "Neue Firma" ? addresses[0] : addresses[1];
    EXPECT_EQ(made.company, "Neue Firma");
    int inNewCompany = 0;
    for (const CContactRecord& contact : contacts)
        inNewCompany += contact.address.company == "Neue Firma" ? 1 : 0;
    EXPECT_EQ(inNewCompany, 3);
}

TEST_F(ReferenceServerTest, AnUnknownSessionIsAnAuthenticationFailure)
{
    Start();
    CServerSession session = Session();
    session.Authenticate(kTaskNamespace);
    session.SignOut(kTaskNamespace);
    CTaskArray tasks;
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.GetTasks(tasks, "1900-01-01", {}); }),
              "Server-Fehler!\r\nAuthentication failure." + kToServer);
}

TEST_F(ReferenceServerTest, FaultsAndBrokenAnswersBecomeTheCallsMessages)
{
    Start({"--fault", "getItems", "--garbage", "task/putItems", "--http500", "task/deleteItems", "--drop",
           "contact/getItems"});
    CServerSession session = Session();
    session.Authenticate(kAppointmentNamespace);
    CAppointmentArray appointments;
    const std::string fault =
        MessageOf<ServerConnectException>([&] { session.GetAppointments(appointments, "1900-01-01", {}); });
    EXPECT_EQ(fault.rfind("Server-Fehler!\r\nSoap call response fault!\r\n<", 0), 0u) << fault;
    EXPECT_NE(fault.find("Injected fault"), std::string::npos);
    EXPECT_EQ(fault.substr(fault.size() - kToServer.size()), kToServer);

    CTaskArray tasks(1);
    CStringArray done, refused, failed;
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.PutTasks(tasks, done, refused, failed); }),
              kUnexpected);
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.DeleteTasks(tasks, done, refused, failed); }),
              kUnexpected);

    CContactArray contacts;
    CAddressArray addresses;
    const std::string dropped =
        MessageOf<ServerConnectException>([&] { session.GetContacts(contacts, addresses, "1900-01-01", {}); });
    EXPECT_EQ(dropped.rfind("Unerwarteter Server-Fehler! \r\nEs sind 0Sekunden vergangen", 0), 0u) << dropped;
}

TEST_F(ReferenceServerTest, AServerThatTakesLongerThanTheTimeoutFailsTheCall)
{
    Start({"--delay", "getItems=30"});
    CServerSession session = Session("user", "vezi", 400);
    session.Authenticate(kAppointmentNamespace);
    CAppointmentArray appointments;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.GetAppointments(appointments, "1900-01-01", {}); }),
              kUnexpected);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(UnreachableServer, GivesTheOtherMessages)
{
    const test::CClosedPort closed;
    const std::string url = "http://127.0.0.1:" + std::to_string(closed.Port()) + "/tarnwelreplication";
    CServerSession session(CServerAccount{"user", "vezi", url, 2000});
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.Authenticate(kTaskNamespace); }),
              "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie ihre Verbindung\r\nmit dem Server");
    EXPECT_EQ(session.SessionId(), "");
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.SignOut(kTaskNamespace); }),
              ">Unerwarter Serverfehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nmit dem Server");
}

} // namespace
} // namespace tarnwel
