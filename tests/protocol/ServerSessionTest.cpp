#include "platform/base/ComError.h"
#include "protocol/CServerSession.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/FakeSoapConnector.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarnwel {
namespace {

using test::CFakeSoapServer;
using test::MessageOf;

CServerSession MakeSession()
{
    return CServerSession(CServerAccount{"anna", "geheim", "http://127.0.0.1:9/replication", 2500});
}


TEST(ServerExceptions, AreCaughtByTheirOwnClassAndTheBaseAndCopyTheirText)
{
    EXPECT_THROW(throw ServerConnectException("x"), TWException);
    bool caughtAsLogin = false;
    try {
        try {
            throw ServerConnectException("x");
        } catch (const LoginFailedException&) {
            caughtAsLogin = true;
        }
    } catch (const ServerConnectException&) {
    }
    EXPECT_FALSE(caughtAsLogin);

    ServerDataReadExeception original("Daten");
    {
        ServerDataReadExeception copy(original);
        EXPECT_EQ(copy.GetMessageText(), "Daten");
    }
    EXPECT_EQ(original.GetMessageText(), "Daten");
}

TEST(Authenticate, ReadsTheSessionIdAndTheRightsOfTheReply)
{
    const struct {
        const char* reply;
        const char* sessionId;
        const char* rights;
    } cases[] = {
        {"<session-id>abc</session-id><write>Y</write><delete>N</delete>", "abc", "YN"},
        {"<a><session-id>first</session-id></a><session-id>second</session-id><write>YY</write><delete>YN</delete>",
         "second", "YYYN"},
        {"<write>Y</write><delete>Y</delete>", "no_auth", "YY"},
        // Without a "write" element the delete right keeps its position.
        {"<session-id>s</session-id><delete>YN</delete>", "s", "NNYN"},
        {"<session-id>s</session-id><write>YY</write>", "s", "YY"},
    };
    for (const auto& c : cases) {
        CFakeSoapServer server;
        server.AnswerWith(c.reply);
        CServerSession session = MakeSession();
        EXPECT_EQ(session.Authenticate(kContactNamespace), c.rights) << c.reply;
        EXPECT_EQ(session.SessionId(), c.sessionId) << c.reply;
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_NE(server.Requests()[0].envelope.find(
                      "<Credentials><user>anna</user><password>geheim</password></Credentials>"),
                  std::string::npos);
        EXPECT_EQ(server.Requests()[0].timeout, 2500);
    }
}

TEST(Authenticate, FailuresKeepTheFormerSessionId)
{
    CFakeSoapServer server;
    server.AnswerWith("<session-id>old</session-id>");
    CServerSession session = MakeSession();
    session.Authenticate(kTaskNamespace);

    server.FailWith(CComError(com_codes::kFail, "connection refused"));
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.Authenticate(kTaskNamespace); }),
              "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie ihre Verbindung\r\nmit dem Server");
    server.AnswerFault("nein");
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.Authenticate(kTaskNamespace); }),
              "Server-Fehler!\r\nSoap call response fault!\r\n" +
                  CFakeSoapServer::Envelope(CFakeSoapServer::Fault("nein")).substr(21) +
                  "\r\nBitte überprüfen Sie ihre Verbindung\r\nmit dem Server");
    EXPECT_EQ(session.SessionId(), "old");
}

TEST(SignOut, SendsTheSessionIdEscapedAndUsesItsOwnTexts)
{
    CFakeSoapServer server;
    server.AnswerWith("<session-id>a&amp;b&lt;/session-id&gt;</session-id>");
    {
        CServerSession odd = MakeSession();
        odd.Authenticate(kAppointmentNamespace);
        server.AnswerWith("");
        odd.SignOut(kAppointmentNamespace);
        EXPECT_NE(server.Requests().back().envelope.find(
                      "<session-id>a&amp;b&lt;/session-id&gt;</session-id></replicate:sign_out>"),
                  std::string::npos)
            << server.Requests().back().envelope;
    }
    server.AnswerWith("<session-id>abc</session-id>");
    CServerSession session = MakeSession();
    session.Authenticate(kAppointmentNamespace);

    server.AnswerWith("<wrong-session-id/>");  // not looked at
    session.SignOut(kAppointmentNamespace);
    const std::string& envelope = server.Requests().back().envelope;
    EXPECT_NE(envelope.find("\"urn:appointmentReplication\"><session-id>abc</session-id></replicate:sign_out>"),
              std::string::npos);
    EXPECT_EQ(session.SessionId(), "abc");

    server.AnswerFault("weg");
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.SignOut(kAppointmentNamespace); })
                  .substr(0, 43),
              "Server Fehler!\r\nSoap call response fault!\r\n");
    server.FailWith(CComError(com_codes::kTimeout, "timed out"));
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.SignOut(kAppointmentNamespace); }),
              ">Unerwarter Serverfehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nmit dem Server");
}

// Every item call with a failure text T ("Authentication failure.") and with
// any other failure: the two messages of the call, exactly.
TEST(ItemCalls, TurnFailuresIntoTheirMessages)
{
    CAppointmentArray appointments;
    CContactArray contacts;
    CAddressArray addresses;
    CTaskArray tasks;
    CStringArray done, refused, failed;
    CStringMap errors;
    const std::string toServer = "\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server";
    const std::string withServer = "\r\nBitte überprüfen Sie Ihre Verbindung\r\nmit dem Server";
    const std::string usualText = "Server-Fehler!\r\nAuthentication failure." + toServer;
    const std::string usualOther = "Unerwarteter Server-Fehler!" + toServer;
    const struct {
        const char* name;
        std::function<void(CServerSession&)> call;
        std::string text;
        std::string other;
    } cases[] = {
        {"GetAppointments", [&](CServerSession& s) { s.GetAppointments(appointments, "1900-01-01", {}); }, usualText,
         usualOther},
        {"GetTasks", [&](CServerSession& s) { s.GetTasks(tasks, "1900-01-01", {}); }, usualText, usualOther},
        {"AddAppointments", [&](CServerSession& s) { s.AddAppointments(appointments, errors); },
         "Server Fehler!\r\nAuthentication failure." + withServer, "Unerwarteter Server Fehler!" + withServer},
        {"AddContacts", [&](CServerSession& s) { s.AddContacts(contacts, errors); }, usualText,
         "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie Ihre Verbindung \r\nzum Server"},
        {"AddTasks", [&](CServerSession& s) { s.AddTasks(tasks, errors); }, usualText, usualOther},
        {"PutAppointments", [&](CServerSession& s) { s.PutAppointments(appointments, done, refused, failed); },
         usualText, usualOther},
        {"PutContacts", [&](CServerSession& s) { s.PutContacts(contacts, done, refused, failed); }, usualText,
         usualOther},
        {"PutTasks", [&](CServerSession& s) { s.PutTasks(tasks, done, refused, failed); }, usualText, usualOther},
        {"DeleteAppointments",
         [&](CServerSession& s) { s.DeleteAppointments(appointments, done, refused, failed); },
         "Server-Fehler!\r\nAuthentication failure." + withServer, "Server-Fehler!" + toServer},
        {"DeleteContacts", [&](CServerSession& s) { s.DeleteContacts(contacts, done, refused, failed); }, usualText,
         usualOther},
        {"DeleteTasks", [&](CServerSession& s) { s.DeleteTasks(tasks, done, refused, failed); }, usualText,
         usualOther},
    };
    // Answers that are no reply of the call, each holding items and OK
    // elements that must not be read.
    const std::string items = "<Appointment><id_tarnwel>1</id_tarnwel></Appointment><Task><id_tarnwel>2</id_tarnwel>"
                              "</Task><Address><id_tarnwel>3</id_tarnwel></Address><OK ID=\"4\"/>"
                              "<mapping id_client=\"c\" id_tarnwel=\"5\"/>";
    const std::string wrongReplies[] = {
        CFakeSoapServer::Envelope(""),
        CFakeSoapServer::Envelope(items),
        CFakeSoapServer::Response("sign_out", items),
        "<html><body>Wartungsarbeiten" + items + "</body></html>",
    };
    for (const auto& c : cases) {
        CFakeSoapServer server;
        CServerSession session = MakeSession();
        server.AnswerWith("<wrong-session-id/>");
        EXPECT_EQ(MessageOf<ServerConnectException>([&] { c.call(session); }), c.text) << c.name;
        server.FailWith(CComError(com_codes::kFail, "refused"));
        EXPECT_EQ(MessageOf<ServerConnectException>([&] { c.call(session); }), c.other) << c.name;
        for (const std::string& wrong : wrongReplies) {
            server.AnswerRaw(wrong);
            EXPECT_EQ(MessageOf<ServerConnectException>([&] { c.call(session); }), c.other) << c.name << wrong;
        }
    }
    EXPECT_TRUE(appointments.empty() && tasks.empty() && done.empty() && errors.empty());
}

TEST(ItemCalls, GetContactsCountsTheSecondsSinceItsStartInItsOtherMessage)
{
    CFakeSoapServer server;
    server.FailWith(CComError(com_codes::kTimeout, "timed out"));
    CServerSession session = MakeSession();
    CContactArray contacts;
    CAddressArray addresses;
    EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.GetContacts(contacts, addresses, "x", {}); }),
              "Unerwarteter Server-Fehler! \r\nEs sind 0Sekunden vergangen seitdem der Aufruf gestartet "
              "wurde\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server");
}

TEST(GetItems, ReadsItemsAndAddressesAndCountsTheElements)
{
    CFakeSoapServer server;
    CServerSession session = MakeSession();

    server.AnswerWith("<getItemsResponse/>");
    CAppointmentArray appointments(1);
    EXPECT_EQ(session.GetAppointments(appointments, "2004-03-01", {"7", "9"}), 0);
    EXPECT_EQ(appointments.size(), 1u);
    EXPECT_NE(server.Requests().back().envelope.find("<since>2004-03-01</since>\n\t<id>7</id>"), std::string::npos);

    server.AnswerWith("<Address><id_tarnwel>A1</id_tarnwel><contact><id_tarnwel>1</id_tarnwel></contact>"
                      "<contact><id_tarnwel>2</id_tarnwel></contact><contact><id_tarnwel>3</id_tarnwel></contact>"
                      "</Address>");
    CContactArray contacts;
    CAddressArray addresses;
    EXPECT_EQ(session.GetContacts(contacts, addresses, "1900-01-01", {}), 1);
    EXPECT_EQ(addresses.size(), 1u);
    ASSERT_EQ(contacts.size(), 3u);
    EXPECT_EQ(contacts[2].id_tarnwel, "3");
}

TEST(GetItems, LinksSubtasksToTheMainTaskBeforeThem)
{
    CFakeSoapServer server;
    CServerSession session = MakeSession();
    server.AnswerWith("<Task><id_tarnwel>M1</id_tarnwel></Task>"
                      "<Task><id_tarnwel>S1</id_tarnwel><subtaskOf>M1</subtaskOf></Task>"
                      "<Task><id_tarnwel>S2</id_tarnwel><subtaskOf>elsewhere</subtaskOf></Task>"
                      "<Task><id_tarnwel>M2</id_tarnwel></Task>");
    CTaskArray tasks;
    EXPECT_EQ(session.GetTasks(tasks, "1900-01-01", {}), 4);
    ASSERT_EQ(tasks.size(), 2u);
    const CTaskRecord& m1 = tasks[0];
    EXPECT_EQ(m1.id_tarnwel, "M1");
    EXPECT_EQ(tasks[1].id_tarnwel, "M2");
    EXPECT_EQ(m1.subtaskCount, 2);
    ASSERT_NE(m1.nextSubtask, nullptr);
    const CTaskRecord& s1 = *m1.nextSubtask;
    ASSERT_NE(s1.nextSubtask, nullptr);
    const CTaskRecord& s2 = *s1.nextSubtask;
    EXPECT_EQ(s1.id_tarnwel, "S1");
    EXPECT_EQ(s2.id_tarnwel, "S2");
    EXPECT_EQ(s2.nextSubtask, nullptr);
    EXPECT_EQ(s1.parent, s2.parent);
    EXPECT_EQ(s1.parent->id_tarnwel, "M1");
    EXPECT_EQ(tasks[1].subtaskCount, 0);

    server.AnswerWith("<Task><id_tarnwel>S0</id_tarnwel><subtaskOf>M</subtaskOf></Task>");
    CTaskArray none;
    EXPECT_EQ(MessageOf<ServerDataReadExeception>([&] { session.GetTasks(none, "1900-01-01", {}); }),
              "Daten konnten nicht vom Server gelesen werden\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server");
    EXPECT_TRUE(none.empty());
}

// The items are read while the reply is parsed; a reply that proves unsound
// after some of them fails as a whole and appends none.
TEST(GetItems, AReplyThatFailsAfterItsItemsAppendsNothing)
{
    const std::string items = "<Appointment><id_tarnwel>1</id_tarnwel></Appointment>";
    const std::string toServer = "\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server";
    const std::string other = "Unerwarteter Server-Fehler!" + toServer;
    const struct {
        const char* name;
        std::string reply;
        std::string message;
    } cases[] = {
        {"unclosed element", CFakeSoapServer::Response("getItems", items + "<x>"), other},
        {"bad reference", CFakeSoapServer::Response("getItems", items + "<x>&nbsp;</x>"), other},
        {"cut short", CFakeSoapServer::Response("getItems", items).substr(0, 150), other},
        {"wrong session id inside an item",
         CFakeSoapServer::Response("getItems", items + "<Appointment><x><wrong-session-id/></x></Appointment>"),
         "Server-Fehler!\r\nAuthentication failure." + toServer},
        {"fault after the response",
         CFakeSoapServer::Envelope("<getItemsResponse>" + items + "</getItemsResponse>" +
                                   CFakeSoapServer::Fault("kaputt")),
         "Server-Fehler!\r\nSoap call response fault!\r\n" +
             CFakeSoapServer::Envelope("<getItemsResponse>" + items + "</getItemsResponse>" +
                                       CFakeSoapServer::Fault("kaputt"))
                 .substr(21) +
             toServer},
    };
    for (const auto& c : cases) {
        CFakeSoapServer server;
        server.AnswerRaw(c.reply);
        CServerSession session = MakeSession();
        CAppointmentArray appointments(1);
        EXPECT_EQ(MessageOf<ServerConnectException>([&] { session.GetAppointments(appointments, "x", {}); }),
                  c.message)
            << c.name;
        EXPECT_EQ(appointments.size(), 1u) << c.name;
    }
}

TEST(GetItems, ReadsNestedItemsAfterTheirOuterOneAndRepliesThatAreNoUtf8)
{
    CFakeSoapServer server;
    CServerSession session = MakeSession();
    server.AnswerWith("<Task><id_tarnwel>M</id_tarnwel><x><Task><id_tarnwel>S</id_tarnwel><subtaskOf>M</subtaskOf>"
                      "</Task></x></Task>");
    CTaskArray tasks;
    EXPECT_EQ(session.GetTasks(tasks, "1900-01-01", {}), 2);
    ASSERT_EQ(tasks.size(), 1u);
    ASSERT_NE(tasks[0].nextSubtask, nullptr);
    EXPECT_EQ(tasks[0].nextSubtask->id_tarnwel, "S");

    // A nested item of plain text, a direct child of its outer one.
    server.AnswerWith("<Appointment><description>M</description><Appointment>t</Appointment>"
                      "<location>L</location></Appointment>");
    CAppointmentArray nested;
    EXPECT_EQ(session.GetAppointments(nested, "1900-01-01", {}), 2);
    ASSERT_EQ(nested.size(), 2u);
    EXPECT_EQ(nested[0].description, "M");
    EXPECT_EQ(nested[0].location, "L");
    EXPECT_EQ(nested[1].description, "");

    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
                               CFakeSoapServer::Response("getItems", "<Appointment><description>M\xfcller</description>"
                                                                     "</Appointment>")
                                   .substr(21);
    server.AnswerRaw(latin1);
    CAppointmentArray appointments;
    EXPECT_EQ(session.GetAppointments(appointments, "1900-01-01", {}), 1);
    ASSERT_EQ(appointments.size(), 1u);
    EXPECT_EQ(appointments[0].description, "Müller");
}

TEST(AddItems, SortsTheMappingsIntoAddedAndFailed)
{
    CFakeSoapServer server;
    CServerSession session = MakeSession();
    server.AnswerWith("<mapping id_client=\"abc\" id_tarnwel=\"123\"/>"
                      "<mapping id_client=\"def\" id_tarnwel=\"ERROR\">write not allowed</mapping>"
                      "<mapping id_client=\"ghi\" id_tarnwel=\"ERROR\">disk full</mapping>"
                      "<mapping id_client=\"jkl\" id_tarnwel=\"error\">x</mapping>"
                      "<mapping id_client=\"abc\" id_tarnwel=\"124\"/>");
    CStringMap errors{{"old", "ERROR"}};
    CTaskArray tasks(2);
    const CStringMap added = session.AddTasks(tasks, errors);
    EXPECT_EQ(added, (CStringMap{{"abc", "124"}, {"def", "ERROR"}, {"jkl", "error"}}));
    EXPECT_EQ(errors, (CStringMap{{"old", "ERROR"}, {"ghi", "ERROR"}}));
}

TEST(AddItems, AnEmptyListStillMakesTheCall)
{
    CFakeSoapServer server;
    CServerSession session = MakeSession();
    server.AnswerWith("");
    CStringMap errors;
    EXPECT_TRUE(session.AddAppointments({}, errors).empty());
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].envelope.find("<session-id></session-id>\n<CalendarItems>\n</CalendarItems>"),
              std::string::npos)
        << server.Requests()[0].envelope;
}

TEST(ParseItemErrors, SortsTheIdsAndTracesEachElement)
{
    CFakeSoapServer server;
    CServerSession session = MakeSession();
    std::vector<std::string> trace;
    session.SetTraceListener([&](const std::string& line, bool) { trace.push_back(line); });
    server.AnswerWith("<OK ID=\"9\"/><ERROR ID=\"7\">write not allowed</ERROR><ERROR ID=\"8\">locked</ERROR>"
                      "<ERROR>no id</ERROR>");
    CStringArray done, refused, failed;
    session.PutAppointments({}, done, refused, failed);
    EXPECT_EQ(done, CStringArray{"9"});
    EXPECT_EQ(refused, CStringArray{"7"});
    EXPECT_EQ(failed, CStringArray{"8"});
    EXPECT_EQ(trace, (std::vector<std::string>{
                         "\tFehler bei der Bearbeitung vom DRAV Element:\r\n\tElementID: 7\r\n\tGrund: interner "
                         "Fehler auf der Server-Seite",
                         "\tFehler bei der Bearbeitung vom DRAV Element:\r\n\tElementID: 8\r\n\tGrund: interner "
                         "Fehler auf der Server-Seite",
                         "\tDRAV Element ID: 9 fertig bearbeitet",
                     }));

    // A reply without a document is no reading failure: its error reaches the run as it is.
    EXPECT_THROW(session.ParseItemErrors(CSoapReply(), done, refused, failed), CComError);
}

} // namespace
} // namespace tarnwel
