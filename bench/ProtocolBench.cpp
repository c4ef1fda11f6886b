// Cost of the protocol layer on a large getItems reply and a large addItems body.
//
//   BM_ParseReply               the bare pugixml parse of a reply of 10,000 appointments
//   BM_ParseAndReadAppointments the same parse plus ReadAppointment for every item
//   BM_PullReply                the pull reader's tokens of the same reply, nothing built
//   BM_GetAppointments          GetAppointments on the same items in an envelope, read
//                               as a stream (the connector's copy of the text included)
//   BM_MakeAppointmentList      an addItems body of 10,000 appointments
//
// Reading should cost at most three times the bare parse: compare the second
// figure with the first (as a whole, and the difference of the two), and the
// fourth with the third.

#include "platform/soap/CXmlPullReader.h"
#include "platform/soap/SoapConnector.h"
#include "protocol/CServerSession.h"
#include "protocol/ReplyReaders.h"
#include "protocol/RequestBodies.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace tarnwel {
namespace {

constexpr int kItemCount = 10000;

const char* const kTitles[] = {
    "Projektbesprechung Jahresplanung", "Kundentermin Müller & Söhne", "Zahnarzt",
    "Review der Änderungen am Lieferantenportal", "Mittagessen mit dem Vertrieb", "Schulung: Neue Buchhaltung"};
const char* const kPlaces[] = {"Besprechungsraum 2.14", "Köln, Hohenzollernring 54", "Büro", "Online", "Kantine"};
const char* const kComments[] = {
    "Agenda:\n1. Rückblick auf das letzte Quartal\n2. Planung der nächsten Schritte\n3. Verschiedenes\n"
    "Bitte die Unterlagen vorher durchlesen und Fragen an die Projektleitung schicken.",
    "Anfahrt über die A3, Ausfahrt Köln-Mülheim. Parkplätze im Hof, Anmeldung beim Empfang im Erdgeschoß.",
    "",
    "Kurze Abstimmung <intern> zu offenen Punkten & Terminen. Protokoll folgt per E-Mail an alle Teilnehmer.",
};
const char* const kUsers[] = {"anna.schmidt", "bernd.maier", "jörg.weiß", "claudia.öztürk", "dieter.lange"};

// A reply as the server sends it: one "Appointment" element per item, each
// child on a line of its own.
std::string MakeReplyText()
{
    std::string text;
    text.reserve(kItemCount * 900);
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<getItemsResponse>\n<CalendarItems>\n";
    char line[512];
    for (int i = 0; i < kItemCount; ++i) {
        const int day = 1 + i % 28;
        const int month = 1 + i / 28 % 12;
        const int hour = 7 + i % 11;
        text += "<Appointment>\n\t<description>";
        text += EscapeXml(kTitles[i % 6]);
        text += "</description>\n\t<location>";
        text += EscapeXml(kPlaces[i % 5]);
        text += "</location>\n\t<comment>";
        text += EscapeXml(kComments[i % 4]);
        text += "</comment>\n";
        std::snprintf(line, sizeof line,
                      "\t<start>2004-%02d-%02d %02d:00:00</start>\n"
                      "\t<end>2004-%02d-%02d %02d:30:00</end>\n"
                      "\t<last_updated>2004-%02d-%02d 06:%02d:%02d</last_updated>\n"
                      "\t<id_client>00000000D2A3F1E6C04B1A4F9E0E5A1B2C3D4E5F0700%08X0000</id_client>\n"
                      "\t<id_tarnwel>%d</id_tarnwel>\n"
                      "\t<participants>\n\t\t<user>",
                      month, day, hour, month, day, hour + 1, month, day, i % 60, (i * 7) % 60,
                      static_cast<unsigned>(i), 100000 + i);
        text += line;
        text += EscapeXml(kUsers[i % 5]);
        text += "</user>\n\t\t<user>";
        text += EscapeXml(kUsers[(i + 2) % 5]);
        text += "</user>\n\t</participants>\n</Appointment>\n";
    }
    text += "</CalendarItems>\n</getItemsResponse>\n";
    return text;
}

const std::string& ReplyText()
{
    static const std::string text = MakeReplyText();
    return text;
}

bool LoadReply(pugi::xml_document& document)
{
    const std::string& text = ReplyText();
    return document.load_buffer(text.data(), text.size(), kReplyParseOptions);
}

void ReadAppointments(const pugi::xml_document& document, CAppointmentArray& appointments)
{
    const pugi::xml_node list = document.document_element().child("CalendarItems");
    for (pugi::xml_node item = list.first_child(); item; item = item.next_sibling())
        if (item.type() == pugi::node_element)
            ReadAppointment(appointments, item);
}

void BM_ParseReply(benchmark::State& state)
{
    for (auto _ : state) {
        pugi::xml_document document;
        if (!LoadReply(document))
            state.SkipWithError("reply does not parse");
        benchmark::DoNotOptimize(document.first_child());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ReplyText().size()));
}

void BM_ParseAndReadAppointments(benchmark::State& state)
{
    for (auto _ : state) {
        pugi::xml_document document;
        LoadReply(document);
        CAppointmentArray appointments;
        ReadAppointments(document, appointments);
        if (appointments.size() != kItemCount)
            state.SkipWithError("wrong number of appointments");
        benchmark::DoNotOptimize(appointments.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ReplyText().size()));
}

void BM_PullReply(benchmark::State& state)
{
    const std::string& text = ReplyText();
    for (auto _ : state) {
        CXmlPullReader reader(text);
        std::size_t tokens = 0;
        while (reader.Next() != CXmlPullReader::Token::end)
            ++tokens;
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Answers every request with the reply of 10,000 appointments in an envelope.
class CReplyConnector : public ISoapConnector {
public:
    explicit CReplyConnector(const std::string& reply) : m_reply(reply) {}
    void SetEndpointUrl(const std::string&) override {}
    void SetTimeout(std::int32_t) override {}
    CHttpResponse Send(const std::string&) override { return {200, m_reply}; }

private:
    const std::string& m_reply;
};

void BM_GetAppointments(benchmark::State& state)
{
    std::string reply = ReplyText();
    reply.replace(0, reply.find("<getItemsResponse>"),
                  "<?xml version=\"1.0\"?><SOAP-ENV:Envelope "
                  "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>");
    reply += "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    CScopedSoapConnectorFactory scope([&reply] { return std::make_unique<CReplyConnector>(reply); });
    CServerSession session(CServerAccount{"user", "vezi", "http://127.0.0.1:9/", 1000});
    for (auto _ : state) {
        CAppointmentArray appointments;
        if (session.GetAppointments(appointments, "1900-01-01", {}) != kItemCount)
            state.SkipWithError("wrong number of appointments");
        benchmark::DoNotOptimize(appointments.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}

void BM_MakeAppointmentList(benchmark::State& state)
{
    pugi::xml_document document;
    LoadReply(document);
    CAppointmentArray appointments;
    ReadAppointments(document, appointments);
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string body = MakeAppointmentListXml("0123456789abcdef0123456789abcdef", appointments);
        size = body.size();
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

BENCHMARK(BM_ParseReply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseAndReadAppointments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PullReply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetAppointments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeAppointmentList)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarnwel

BENCHMARK_MAIN();
