#include "platform/base/ComError.h"
#include "protocol/CSoapTransport.h"
#include "protocol/ReplyStream.h"
#include "tests/support/FakeSoapConnector.h"

#include <gtest/gtest.h>

namespace tarnwel {
namespace {

using test::CFakeSoapServer;

constexpr const char* kUrl = "https://groupware.example:8443/soap/replication";

// Runs a call and returns the failure text it raised, or "" when it raised none.
std::string CallFailureText(const std::string& method)
{
    try {
        CSoapTransport(kUrl).Call(method, "urn:taskReplication", "<since>x</since>", 1000);
    } catch (const CSoapErrorText& failure) {
        return failure.Text();
    }
    return "";
}

TEST(SoapTransport, SendsTheBodyInsideTheMethodElementToTheEndpointAsConfigured)
{
    CFakeSoapServer server;
    server.AnswerWith("<replicate:getItemsResponse xmlns:replicate=\"urn:taskReplication\"/>");
    CSoapTransport(kUrl).Call("getItems", "urn:taskReplication", "<session-id>s</session-id>\n", 4000000);

    ASSERT_EQ(server.Requests().size(), 1u);
    const test::CSentRequest& request = server.Requests()[0];
    EXPECT_EQ(request.url, kUrl);
    EXPECT_EQ(request.timeout, 4000000);
    EXPECT_NE(request.envelope.find("<SOAP-ENV:Body><replicate:getItems xmlns:replicate=\"urn:taskReplication\">"
                                    "<session-id>s</session-id>\n</replicate:getItems></SOAP-ENV:Body>"),
              std::string::npos)
        << request.envelope;
    pugi::xml_document parsed;
    EXPECT_TRUE(parsed.load_string(request.envelope.c_str()));
}

TEST(SoapTransport, AFaultRaisesTheFaultTextWithTheWholeReply)
{
    CFakeSoapServer server;
    server.AnswerFault("kaputt");
    EXPECT_EQ(CallFailureText("getItems"),
              "Soap call response fault!\r\n<SOAP-ENV:Envelope "
              "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body><SOAP-ENV:Fault>"
              "<faultcode>SOAP-ENV:Server</faultcode><faultstring>kaputt</faultstring></SOAP-ENV:Fault>"
              "</SOAP-ENV:Body></SOAP-ENV:Envelope>");
}

TEST(SoapTransport, AWrongSessionIdFailsEveryMethodButAuthenticateAndSignOut)
{
    const std::string reply = "<r><Task><id_tarnwel>7</id_tarnwel></Task><x><wrong-session-id/></x></r>";
    const struct {
        const char* method;
        const char* failure;
    } cases[] = {
        {"getItems", "Authentication failure."},
        {"putItems", "Authentication failure."},
        {"Authenticate", "Authentication failure."},  // the exemption is exact
        {"authenticate", ""},
        {"sign_out", ""},
    };
    for (const auto& c : cases) {
        CFakeSoapServer server;
        server.AnswerWith(reply);
        EXPECT_EQ(CallFailureText(c.method), c.failure) << c.method;
    }
}

// The element is found however the answer is encoded, and only as an element.
TEST(SoapTransport, AWrongSessionIdIsFoundInEveryEncodingAndOnlyAsAnElement)
{
    const auto utf16 = [](const std::string& ascii) {
        std::string bytes = "\xFF\xFE";
        for (const char c : ascii) {
            bytes += c;
            bytes += '\0';
        }
        return bytes;
    };
    const std::string wrapped = "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                                "<SOAP-ENV:Body><ns:getItemsResponse xmlns:ns=\"urn:test\"><x><wrong-session-id/>"
                                "</x></ns:getItemsResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    {
        CFakeSoapServer server;
        server.AnswerRaw(utf16(wrapped));
        EXPECT_EQ(CallFailureText("getItems"), "Authentication failure.");
    }
    {
        CFakeSoapServer server;
        server.AnswerWith("<comment>wrong-session-id</comment><wrong-session-idx/>");
        EXPECT_EQ(CallFailureText("getItems"), "");
    }
}

TEST(SoapTransport, FailuresWithoutAFaultAreErrorsOfTheExchange)
{
    const struct {
        const char* name;
        long status;
        const char* body;
    } cases[] = {
        {"HTTP error page", 500, "Internal Server Error"},
        {"HTTP error with XML that is no fault", 503, "<html><body>busy</body></html>"},
        {"answer that is not XML", 200, "this is no XML <"},
        {"empty answer", 200, ""},
    };
    for (const auto& c : cases) {
        CFakeSoapServer server;
        server.AnswerRaw(c.body, c.status);
        EXPECT_THROW(CSoapTransport(kUrl).Call("getItems", "urn:taskReplication", "<a/>", 1000), CComError)
            << c.name;
    }
    CFakeSoapServer server;
    server.FailWith(CComError(com_codes::kTimeout, "timed out"));
    try {
        CSoapTransport(kUrl).Call("getItems", "urn:taskReplication", "<a/>", 1000);
        FAIL() << "no failure";
    } catch (const CComError& error) {
        EXPECT_EQ(error.Code(), com_codes::kTimeout);
    }
}

// Only the answer of the method called is a reply; anything else that reads
// as XML would otherwise pass for a reply without items.
TEST(SoapTransport, TakesOnlyTheResponseElementOfTheMethodCalled)
{
    const auto envelope = [](const std::string& body) { return CFakeSoapServer::Envelope(body); };
    const struct {
        const char* name;
        std::string answer;
        bool taken;
    } cases[] = {
        {"prefixed", envelope("<replicate:getItemsResponse xmlns:replicate=\"urn:taskReplication\"/>"), true},
        {"without prefix", envelope("<getItemsResponse><Task/></getItemsResponse>"), true},
        {"after white space", envelope("\n  <r:getItemsResponse xmlns:r=\"urn:x\"/>\n"), true},
        {"empty body", envelope(""), false},
        {"items without a response element", envelope("<Task><id_tarnwel>1</id_tarnwel></Task>"), false},
        {"another method's response", envelope("<r:putItemsResponse xmlns:r=\"urn:x\"/>"), false},
        {"name in another case", envelope("<r:getitemsResponse xmlns:r=\"urn:x\"/>"), false},
        {"the request's element", envelope("<r:getItems xmlns:r=\"urn:x\"/>"), false},
        {"response nested deeper", envelope("<x><getItemsResponse/></x>"), false},
        {"a page that is XML", "<html><body><p>Wartungsarbeiten</p><getItemsResponse/></body></html>", false},
        {"no envelope namespace",
         "<Envelope><Body><getItemsResponse/></Body></Envelope>", false},
    };
    for (const auto& c : cases) {
        CFakeSoapServer server;
        server.AnswerRaw(c.answer);
        bool taken = true;
        try {
            CSoapTransport(kUrl).Call("getItems", "urn:taskReplication", "<a/>", 1000);
        } catch (const CComError&) {
            taken = false;
        }
        EXPECT_EQ(taken, c.taken) << c.name;
    }
}

TEST(SoapTransport, TheReplyKeepsItsDocumentAfterTheTransportIsGone)
{
    CFakeSoapServer server;
    server.AnswerWith("<OK ID=\"9\"/>");
    CSoapReply reply;
    {
        CSoapTransport transport(kUrl);
        reply = transport.Call("putItems", "urn:taskReplication", "<a/>", 1000);
    }
    EXPECT_STREQ(reply.Dom().select_node("//OK").node().attribute("ID").value(), "9");
    EXPECT_THROW(CSoapReply().Dom(), CComError);
}

// CallForItems writes its own envelope (and frees the body once it has):
// the same request as Call's.
TEST(SoapTransport, CallForItemsSendsTheEnvelopeThatCallSends)
{
    class CNoItems : public IReplyItemReader {
        void Read(CStreamElement&) override {}
        void Read(pugi::xml_node) override {}
    } items;
    const std::string body = "<since>x</since>\n<id>7</id>";
    CFakeSoapServer server;
    server.AnswerWith("");
    server.AnswerWith("");
    CSoapTransport(kUrl).Call("getItems", "urn:taskReplication", body, 1000);
    CSoapTransport(kUrl).CallForItems("getItems", "urn:taskReplication", body, 1000, "Task", items);
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].envelope, server.Requests()[0].envelope);
}

} // namespace
} // namespace tarnwel
