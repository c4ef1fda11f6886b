// One getItems round trip of 10,000 appointments against the reference server
// on loopback, whole and split into its parts.
//
//   BM_GetAppointmentsRoundTrip  GetAppointments from body to filled array
//   BM_RoundTripSplit            the same exchange, timed part by part with
//                                libcurl's timers; counters in milliseconds:
//       request  building the body and the envelope
//       upload   connecting and sending the request
//       server   from the request sent to the first byte of the answer
//       download the rest of the answer
//       reading  loading the answer into a document and reading every item
//
// The server is started once, seeded with 10,000 appointments, and stopped
// at the end.

#include "platform/soap/CSoapReader.h"
#include "platform/soap/CSoapSerializer.h"
#include "protocol/CServerSession.h"
#include "protocol/ReplyReaders.h"
#include "protocol/RequestBodies.h"
#include "protocol/XmlSearch.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/TemporaryDirectory.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

namespace tarnwel {
namespace {

constexpr int kItemCount = 10000;

struct CSeededServer {
    CSeededServer()
    {
        const std::string seed = directory.Path("seed.json");
        std::ofstream out(seed);
        out << "{\"appointments\": [\n";
        char line[512];
        for (int i = 0; i < kItemCount; ++i) {
            std::snprintf(line, sizeof line,
                          "%s{\"description\": \"Besprechung %d mit Müller & Söhne\", \"location\": \"Raum %d\","
                          " \"start\": \"2026-%02d-%02d 10:00:00\", \"end\": \"2026-%02d-%02d 11:30:00\","
                          " \"comment\": \"Agenda:\\n1. Rückblick\\n2. Planung <intern>\","
                          " \"participants\": [\"anna.schmidt\", \"jörg.weiß\"]}\n",
                          i == 0 ? "" : ",", i, i % 40, 1 + i % 12, 1 + i % 28, 1 + i % 12, 1 + i % 28);
            out << line;
        }
        out << "]}\n";
        out.close();
        server = std::make_unique<test::CReferenceServer>(
            std::vector<std::string>{"--seed", seed, "--store", directory.Path("server.db")});
    }

    test::CTemporaryDirectory directory;
    std::unique_ptr<test::CReferenceServer> server;
};

CSeededServer& Server()
{
    static CSeededServer server;
    return server;
}

CServerSession OpenSession()
{
    CServerSession session(CServerAccount{"user", "vezi", Server().server->Url(), 600000});
    session.Authenticate(kAppointmentNamespace);
    return session;
}

void BM_GetAppointmentsRoundTrip(benchmark::State& state)
{
    CServerSession session = OpenSession();
    for (auto _ : state) {
        CAppointmentArray appointments;
        const int count = session.GetAppointments(appointments, "1900-01-01", {});
        if (count != kItemCount)
            state.SkipWithError("the server did not answer every appointment");
        benchmark::DoNotOptimize(appointments.data());
    }
}
BENCHMARK(BM_GetAppointmentsRoundTrip)->Unit(benchmark::kMillisecond)->MinTime(1.0);

std::size_t AppendToString(char* data, std::size_t size, std::size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

double Milliseconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

void BM_RoundTripSplit(benchmark::State& state)
{
    const CServerSession session = OpenSession();
    double request = 0, upload = 0, server = 0, download = 0, reading = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        CSoapSerializer serializer;
        serializer.StartEnvelope();
        serializer.StartBody();
        serializer.StartElement("getItems", kAppointmentNamespace, "replicate");
        serializer.WriteXml(MakeGetItemsXml(session.SessionId(), "1900-01-01", {}));
        serializer.EndElement();
        serializer.EndBody();
        serializer.EndEnvelope();
        const std::string envelope = serializer.TakeText();
        request += Milliseconds(std::chrono::steady_clock::now() - start);

        std::string answer;
        CURL* curl = curl_easy_init();
        curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/xml; charset=utf-8");
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(curl, CURLOPT_URL, Server().server->Url().c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, envelope.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendToString);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
        if (curl_easy_perform(curl) != CURLE_OK)
            state.SkipWithError("the exchange failed");
        curl_off_t sent = 0, firstByte = 0, total = 0;
        curl_easy_getinfo(curl, CURLINFO_PRETRANSFER_TIME_T, &sent);
        curl_easy_getinfo(curl, CURLINFO_STARTTRANSFER_TIME_T, &firstByte);
        curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME_T, &total);
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        upload += sent / 1000.0;
        server += (firstByte - sent) / 1000.0;
        download += (total - firstByte) / 1000.0;

        const auto readStart = std::chrono::steady_clock::now();
        CSoapReader reader;
        reader.Load(answer);
        CAppointmentArray appointments;
        for (const pugi::xml_node& element : ElementsByTagName(reader.Dom(), "Appointment"))
            ReadAppointment(appointments, element);
        reading += Milliseconds(std::chrono::steady_clock::now() - readStart);
        if (appointments.size() != static_cast<std::size_t>(kItemCount))
            state.SkipWithError("the server did not answer every appointment");
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["request_ms"] = request / runs;
    state.counters["upload_ms"] = upload / runs;
    state.counters["server_ms"] = server / runs;
    state.counters["download_ms"] = download / runs;
    state.counters["reading_ms"] = reading / runs;
}
BENCHMARK(BM_RoundTripSplit)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
} // namespace tarnwel

BENCHMARK_MAIN();
