// A getItems reply that arrives in pieces, cut anywhere, reads as the same
// reply handed over whole: the same items, or the same failure and message.

#include "platform/base/ComError.h"
#include "platform/soap/CSoapReader.h"
#include "protocol/CServerSession.h"
#include "protocol/CSoapTransport.h"
#include "protocol/ReplyReaders.h"
#include "protocol/ReplyStream.h"
#include "tests/support/FakeSoapConnector.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

using test::CFakeSoapServer;

// Hands the reply to the sink in the pieces that `cuts` (offsets, ascending)
// make of it.
class CPieceConnector : public ISoapConnector {
public:
    CPieceConnector(std::string reply, long status, std::vector<std::size_t> cuts)
        : m_reply(std::move(reply)), m_status(status), m_cuts(std::move(cuts))
    {
    }
    void SetEndpointUrl(const std::string&) override {}
    void SetTimeout(std::int32_t) override {}
    CHttpResponse Send(const std::string&) override { return {m_status, m_reply}; }
    long Send(const std::string&, IHttpBodySink& sink) override
    {
        if (m_reply.empty())
            return m_status;
        sink.Start(m_status, -1);
        std::size_t from = 0;
        for (const std::size_t cut : m_cuts) {
            if (cut > from && cut < m_reply.size()) {
                sink.Append(std::string_view(m_reply).substr(from, cut - from));
                from = cut;
            }
        }
        sink.Append(std::string_view(m_reply).substr(from));
        return m_status;
    }

private:
    std::string m_reply;
    long m_status;
    std::vector<std::size_t> m_cuts;
};

// Writes the items as lines: each appointment's id and texts, or a task's id.
class CItemLines : public IReplyItemReader {
public:
    explicit CItemLines(bool tasks) : m_tasks(tasks) {}
    void Read(CStreamElement& item) override { Add(item); }
    void Read(pugi::xml_node item) override { Add(item); }
    std::string lines;

private:
    template <typename Element>
    void Add(Element& item)
    {
        if (m_tasks) {
            const std::unique_ptr<CTaskRecord> task = ReadTask(item);
            lines += task->id_tarnwel + "|" + task->title + "|" + std::to_string(task->isSubtask) + "\n";
            return;
        }
        CAppointmentArray one;
        ReadAppointment(one, item);
        const CAppointmentRecord& a = one.back();
        lines += a.id_tarnwel + "|" + a.description + "|" + a.location + "|" + a.comment + "|" +
                 a.start.Format("%Y-%m-%d %H:%M:%S") + "|" + std::to_string(a.participants.size()) + "\n";
    }
    bool m_tasks;
};

// The items the call read, then how it ended.
std::string Outcome(const std::string& reply, long status, std::vector<std::size_t> cuts, bool whole, bool tasks)
{
    CScopedSoapConnectorFactory factory([&]() -> std::unique_ptr<ISoapConnector> {
        if (whole)
            return std::make_unique<CPieceConnector>(reply, status, std::vector<std::size_t>{});
        return std::make_unique<CPieceConnector>(reply, status, cuts);
    });
    CItemLines items(tasks);
    std::string end = "done";
    try {
        CSoapTransport("http://127.0.0.1:9/r")
            .CallForItems("getItems", "urn:x", "", 1000, tasks ? "Task" : "Appointment", items);
    } catch (const CComError& error) {
        end = "CComError " + error.Description();
    } catch (const CSoapErrorText& error) {
        end = "CSoapErrorText " + error.Text();
    }
    return items.lines + "=> " + end;
}

std::string Response(const std::string& content)
{
    return CFakeSoapServer::Response("getItems", content);
}

const std::string kItems =
    "<Appointment a=\"x>y\" b='&lt;'><id_tarnwel>1</id_tarnwel><description>M&#xfc;ller &amp; S&#246;hne"
    "</description><location><![CDATA[Raum <3> ]]]></location><!-- ein - Kommentar --></Appointment>\r\n"
    "<Appointment><id_tarnwel>2</id_tarnwel><?pi x?><comment>a\r\nb</comment><start>2026-03-04 10:00:00"
    "</start><participants><user>u1</user><user/></participants></Appointment>"
    "<x><Appointment><id_tarnwel>3</id_tarnwel><description> </description><Appointment><id_tarnwel>4"
    "</id_tarnwel></Appointment></Appointment></x><Appointment/>";

TEST(ChunkedReply, GivesWhatTheWholeReplyGivesWhereverItIsCut)
{
    // Replies with the places where a reader may trip: tags, references,
    // CDATA, comments, line ends, items inside items, faults and refusals.
    const std::string fault = CFakeSoapServer::Fault("kaputt &amp; weg");
    std::string deep;
    for (int i = 0; i < 70; ++i)
        deep = "<d>" + deep + "</d>";
    const std::string notXml = "CComError The server's answer is not XML: ";
    const struct {
        const char* name;
        std::string reply;
        std::string end;  // how the whole reply's call ends
        long status = 200;
        bool tasks = false;
    } cases[] = {
        {"items", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + Response(kItems).substr(21) + "\n",
         "done"},
        {"items without a declaration", Response(kItems).substr(21), "done"},
        {"tasks inside tasks",
         Response("<Task><id_tarnwel>M</id_tarnwel><x><Task><id_tarnwel>S</id_tarnwel><subtaskOf>M</subtaskOf>"
                  "</Task></x></Task>"),
         "done", 200, true},
        {"fault before the response",
         CFakeSoapServer::Envelope(fault + "<getItemsResponse>" + kItems + "</getItemsResponse>"),
         "CSoapErrorText Soap call response fault!"},
        {"fault alone with an error status", CFakeSoapServer::Envelope(fault), "CSoapErrorText", 500},
        {"error status", Response(kItems), "CComError The server answered with HTTP status 503", 503},
        {"error page", "<html><body>Wartung</body></html>", "CComError The server answered with HTTP status 502",
         502},
        {"no response element", CFakeSoapServer::Response("getOther", kItems),
         "CComError The server's answer is no reply to getItems"},
        {"wrong session id", Response(kItems + "<wrong-session-id/>"), "CSoapErrorText Authentication failure."},
        {"not UTF-8",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
             Response("<Appointment><description>M\xfcller</description></Appointment>").substr(21),
         "done"},
        {"empty body", "", notXml + "the document holds no element"},
        {"cut short", Response(kItems).substr(0, 400), notXml + "the document ends inside"},
        {"unknown entity", Response(kItems + "<Appointment><description>&nbsp;</description></Appointment>"),
         notXml + "bad reference"},
        {"document type", "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e \"z\">]>" + Response(kItems).substr(21),
         notXml + "document type"},
        {"attribute twice", Response(kItems + "<Appointment><location a='1' a='2'/></Appointment>"),
         notXml + "attribute given twice"},
        {"NUL byte", Response(kItems + std::string("<Appointment>\0</Appointment>", 28)), notXml + "NUL byte"},
        {"content after the root", Response(kItems) + "<x/>", notXml + "a second element"},
        {"text after the root", Response(kItems) + "zu viel", notXml + "text after the root"},
        {"mismatched end tag", Response(kItems + "<Appointment><a></b></Appointment>"),
         notXml + "end tag does not match"},
        {"malformed comment", Response(kItems + "<Appointment><!-- a -- b --></Appointment>"),
         notXml + "\"--\" inside a comment"},
        {"nested too deeply", Response(kItems + "<Appointment>" + deep + "</Appointment>"),
         notXml + "elements nested too deeply"},
    };
    for (const auto& c : cases) {
        const std::string& reply = c.reply;
        const std::string expected = Outcome(reply, c.status, {}, true, c.tasks);
        const std::size_t ending = expected.find("=> ") + 3;  // after the items' lines
        ASSERT_EQ(expected.substr(ending, c.end.size()), c.end) << c.name << ": " << expected;
        // Every single cut, then pieces of a few sizes, down to single bytes.
        std::vector<std::vector<std::size_t>> cutSets;
        for (std::size_t at = 1; at < reply.size(); ++at)
            cutSets.push_back({at});
        for (const std::size_t size : {1, 2, 3, 7, 64}) {
            std::vector<std::size_t> cuts;
            for (std::size_t at = size; at < reply.size(); at += size)
                cuts.push_back(at);
            cutSets.push_back(cuts);
        }
        for (const std::vector<std::size_t>& cuts : cutSets) {
            ASSERT_EQ(Outcome(reply, c.status, cuts, false, c.tasks), expected)
                << c.name << ", pieces from " << cuts.front() << " on, " << cuts.size() << " cuts";
        }
    }
}

// A fault that follows the response element comes with the reply's text;
// once the items were read and dropped, that text holds the response element
// without its content.
TEST(ChunkedReply, AFaultAfterTheResponseShowsTheReplyWithoutTheItemsItDropped)
{
    const std::string reply = CFakeSoapServer::Envelope("<getItemsResponse>" + kItems + "</getItemsResponse>" +
                                                        CFakeSoapServer::Fault("kaputt"));
    std::vector<std::size_t> bytes;
    for (std::size_t at = 1; at < reply.size(); ++at)
        bytes.push_back(at);
    const std::string outcome = Outcome(reply, 200, bytes, false, false);
    const std::string whole = Outcome(reply, 200, {}, true, false);
    const std::string items = whole.substr(0, whole.find("=> "));
    const auto faultText = [](const std::string& text) {
        CSoapReader document;
        document.Load(text);
        return "=> CSoapErrorText Soap call response fault!\r\n" + document.Xml();
    };
    EXPECT_EQ(whole, items + faultText(reply));
    EXPECT_EQ(Outcome(reply, 200, bytes, false, false),
              items + faultText(CFakeSoapServer::Envelope("<getItemsResponse/>" + CFakeSoapServer::Fault("kaputt"))));
}

// The calls keep their records aside while an item is read; an item cut by
// the end of a piece is taken back, with the count, and read again whole.
TEST(ChunkedReply, TheCallsTakeBackWhatACutItemGaveThem)
{
    const std::string contacts =
        "<Address><id_tarnwel>A1</id_tarnwel><company>Firma</company><contact><id_tarnwel>k1</id_tarnwel>"
        "<lastName>Eins</lastName></contact><contact><id_tarnwel>k2</id_tarnwel><lastName>Zwei</lastName>"
        "</contact><city>Bern</city></Address><Address><id_tarnwel>A2</id_tarnwel><contact><id_tarnwel>k3"
        "</id_tarnwel></contact></Address>";
    const std::string tasks = "<Task><id_tarnwel>M</id_tarnwel><title>Haupt</title></Task><Task><id_tarnwel>S"
                              "</id_tarnwel><subtaskOf>M</subtaskOf></Task><Task><id_tarnwel>N</id_tarnwel></Task>";
    const auto run = [](const std::string& reply, std::size_t pieceSize, const std::function<std::string()>& call) {
        std::vector<std::size_t> cuts;
        for (std::size_t at = pieceSize; pieceSize != 0 && at < reply.size(); at += pieceSize)
            cuts.push_back(at);
        CScopedSoapConnectorFactory factory([&] { return std::make_unique<CPieceConnector>(reply, 200, cuts); });
        return call();
    };
    CServerSession session(CServerAccount{"anna", "geheim", "http://127.0.0.1:9/replication", 2500});
    const auto readContacts = [&] {
        CContactArray contacts;
        CAddressArray addresses;
        std::string text = std::to_string(session.GetContacts(contacts, addresses, "x", {}));
        for (const CContactRecord& contact : contacts)
            text += "|" + contact.id_tarnwel + " " + contact.lastName + " " + contact.address.city;
        return text + "|" + std::to_string(addresses.size());
    };
    const auto readAppointments = [&] {
        CAppointmentArray appointments;
        std::string text = std::to_string(session.GetAppointments(appointments, "x", {}));
        for (const CAppointmentRecord& appointment : appointments)
            text += "|" + appointment.id_tarnwel + " " + appointment.description;
        return text;
    };
    const auto readTasks = [&] {
        CTaskArray read;
        std::string text = std::to_string(session.GetTasks(read, "x", {}));
        for (const CTaskRecord& task : read)
            text += "|" + task.id_tarnwel + " " + std::to_string(task.subtaskCount);
        return text;
    };
    const struct {
        std::string reply;
        std::function<std::string()> call;
        std::string expected;
    } cases[] = {
        {Response(contacts), readContacts, "2|k1 Eins Bern|k2 Zwei Bern|k3  |2"},
        {Response(kItems), readAppointments, "5|1 Müller & Söhne|2 |3  |4 |X "},
        {Response(tasks), readTasks, "3|M 1|N 0"},
    };
    for (const auto& c : cases) {
        for (std::size_t pieceSize = 0; pieceSize < c.reply.size(); ++pieceSize)
            ASSERT_EQ(run(c.reply, pieceSize, c.call), c.expected) << "pieces of " << pieceSize;
    }
}

} // namespace
} // namespace tarnwel
