// Whole replication runs into the desktop's data server against the data
// server's own libraries alone, in one process and one run.
//
// A private data server (its own session bus, HOME and XDG folders in a
// temporary directory) serves the whole benchmark. For each kind:
//
// - Tarnwel: the reference server is seeded with N items, the data server's
//   folder is empty, and two replication jobs run with the data server behind
//   "Outlook.Application": the initial run, which brings every item over, and
//   the no-op run, which must find nothing to do;
// - the libraries alone: the same N items, as the store writes them, created
//   in batches (e_cal_client_create_objects_sync,
//   e_book_client_add_contacts_sync) into the emptied folder, then listed
//   whole (e_cal_client_get_object_list_as_comps_sync,
//   e_book_client_get_contacts_sync).
//
// The initial run is set against creating plus listing (it lists the folder
// once and writes every item), the no-op run against listing alone. Times are
// wall times: most of the work is the data server's, another process. Each
// figure is the median of the repeats; the goal is at most 2 times each.
//
//   tarnwel_bench_dataserver [appointments|contacts] [--count N] [--repeats R]
//       default: both kinds, N = 10000, R = 3

#include "bench/BenchSeeds.h"
#include "engine/CReplicationJob.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/eds/DataServerStore.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/BoxCapture.h"
#include "tests/support/PrivateDataServer.h"
#include "tests/support/SilentProgressSink.h"

#include <libebook/libebook.h>
#include <libecal/libecal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

constexpr int kBatch = 1000;  // items to a create call of the libraries alone

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Check(bool ok, GError* error, const char* what)
{
    if (ok)
        return;
    const std::string message = std::string(what) + ": " + (error != nullptr ? error->message : "failed");
    g_clear_error(&error);
    throw std::runtime_error(message);
}

// The data server's default calendar and address book through its own
// libraries, as another program on the desktop reaches them.
class CDataServerClients {
public:
    CDataServerClients()
    {
        GError* error = nullptr;
        m_registry = e_source_registry_new_sync(nullptr, &error);
        Check(m_registry != nullptr, error, "source registry");
        ESource* calendar = e_source_registry_ref_default_calendar(m_registry);
        ESource* book = e_source_registry_ref_default_address_book(m_registry);
        m_calendar = E_CAL_CLIENT(e_cal_client_connect_sync(calendar, E_CAL_CLIENT_SOURCE_TYPE_EVENTS, -1, nullptr, &error));
        Check(m_calendar != nullptr, error, "calendar");
        m_book = E_BOOK_CLIENT(e_book_client_connect_sync(book, -1, nullptr, &error));
        Check(m_book != nullptr, error, "address book");
        g_object_unref(calendar);
        g_object_unref(book);
    }
    ~CDataServerClients()
    {
        g_object_unref(m_book);
        g_object_unref(m_calendar);
        g_object_unref(m_registry);
    }
    CDataServerClients(const CDataServerClients&) = delete;
    CDataServerClients& operator=(const CDataServerClients&) = delete;

    void CreateEvents(const std::vector<std::string>& texts)
    {
        for (std::size_t at = 0; at < texts.size(); at += kBatch) {
            GSList* components = nullptr;
            for (std::size_t i = at; i < std::min(texts.size(), at + kBatch); ++i)
                components = g_slist_prepend(components, i_cal_component_new_from_string(texts[i].c_str()));
            components = g_slist_reverse(components);
            GSList* uids = nullptr;
            GError* error = nullptr;
            const bool ok = e_cal_client_create_objects_sync(m_calendar, components, E_CAL_OPERATION_FLAG_NONE, &uids,
                                                             nullptr, &error);
            g_slist_free_full(components, g_object_unref);
            g_slist_free_full(uids, g_free);
            Check(ok, error, "creating appointments");
        }
    }

    void AddContacts(const std::vector<std::string>& texts)
    {
        for (std::size_t at = 0; at < texts.size(); at += kBatch) {
            GSList* contacts = nullptr;
            for (std::size_t i = at; i < std::min(texts.size(), at + kBatch); ++i)
                contacts = g_slist_prepend(contacts, e_contact_new_from_vcard(texts[i].c_str()));
            contacts = g_slist_reverse(contacts);
            GSList* uids = nullptr;
            GError* error = nullptr;
            const bool ok =
                e_book_client_add_contacts_sync(m_book, contacts, E_BOOK_OPERATION_FLAG_NONE, &uids, nullptr, &error);
            g_slist_free_full(contacts, g_object_unref);
            g_slist_free_full(uids, g_free);
            Check(ok, error, "adding contacts");
        }
    }

    // Lists the whole folder; the number of items in it.
    std::size_t ListEvents()
    {
        GSList* components = nullptr;
        GError* error = nullptr;
        Check(e_cal_client_get_object_list_as_comps_sync(m_calendar, "#t", &components, nullptr, &error), error,
              "listing appointments");
        const std::size_t count = g_slist_length(components);
        g_slist_free_full(components, g_object_unref);
        return count;
    }

    std::size_t ListContacts()
    {
        GSList* contacts = nullptr;
        GError* error = nullptr;
        Check(e_book_client_get_contacts_sync(m_book, "", &contacts, nullptr, &error), error, "listing contacts");
        const std::size_t count = g_slist_length(contacts);
        g_slist_free_full(contacts, g_object_unref);
        return count;
    }

    // Empties the calendar and the address book.
    void Clear()
    {
        GError* error = nullptr;
        GSList* uids = nullptr;
        Check(e_cal_client_get_object_list_as_comps_sync(m_calendar, "#t", &uids, nullptr, &error), error,
              "listing appointments");
        GSList* ids = nullptr;
        for (GSList* at = uids; at != nullptr; at = at->next)
            ids = g_slist_prepend(ids, e_cal_component_get_id(E_CAL_COMPONENT(at->data)));
        g_slist_free_full(uids, g_object_unref);
        if (ids != nullptr) {
            const bool ok = e_cal_client_remove_objects_sync(m_calendar, ids, E_CAL_OBJ_MOD_ALL,
                                                             E_CAL_OPERATION_FLAG_NONE, nullptr, &error);
            g_slist_free_full(ids, reinterpret_cast<GDestroyNotify>(e_cal_component_id_free));
            Check(ok, error, "removing appointments");
        }
        GSList* contactUids = nullptr;
        Check(e_book_client_get_contacts_uids_sync(m_book, "", &contactUids, nullptr, &error), error,
              "listing contacts");
        if (contactUids != nullptr) {
            const bool ok = e_book_client_remove_contacts_sync(m_book, contactUids, E_BOOK_OPERATION_FLAG_NONE,
                                                               nullptr, &error);
            g_slist_free_full(contactUids, g_free);
            Check(ok, error, "removing contacts");
        }
    }

private:
    ESourceRegistry* m_registry = nullptr;
    ECalClient* m_calendar = nullptr;
    EBookClient* m_book = nullptr;
};

// The items of the seed (BenchSeeds.cpp) in the fields the store writes
// (docs/data-server-mapping.md), with the store's own properties.
std::vector<std::string> EventTexts(int count)
{
    std::vector<std::string> texts;
    char text[1024];
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text,
                      "BEGIN:VEVENT\r\nUID:bench-%d\r\nDTSTAMP:20260101T000000Z\r\nLAST-MODIFIED:20260101T000000Z\r\n"
                      "SUMMARY:Besprechung %d mit Müller & Söhne\r\nLOCATION:Raum %d\r\n"
                      "DESCRIPTION:Agenda:\\n1. Rückblick\\n2. Planung <intern>\r\n"
                      "DTSTART:2026%02d%02dT%02d0000Z\r\nDTEND:2026%02d%02dT%02d3000Z\r\n"
                      "X-TARNWEL-ORDER:%d\r\nX-TARNWEL-USER-Replicated:1\r\nEND:VEVENT\r\n",
                      i, i, i % 40, 1 + i % 12, 1 + i % 28, 8 + i % 9, 1 + i % 12, 1 + i % 28, 9 + i % 9, i);
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<std::string> ContactTexts(int count)
{
    std::vector<std::string> texts;
    char text[1024];
    for (int i = 0; i < count; ++i) {
        const int company = i / 10;
        std::snprintf(text, sizeof text,
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-%d\r\nREV:20260101T000000Z\r\n"
                      "N:Weiß;Jörg %d;;;\r\nFN:Jörg %d Weiß\r\nORG:Müller & Söhne %d;\r\nTITLE:Einkauf\r\n"
                      "TEL;TYPE=WORK,VOICE:+41 31 555 %05d\r\nEMAIL;X-TARNWEL-SLOT=1:person%d@example.org\r\n"
                      "ADR;TYPE=WORK:;;Hauptstraße %d;Bern;;%04d;\r\nNOTE:Kunde seit 2004\\nRabatt <10%%>\r\n"
                      "X-TARNWEL-USER-ContactSalutation:%s\r\nX-TARNWEL-ORDER:%d\r\nEND:VCARD\r\n",
                      i, i, i, company, i, i, 1 + company % 200, 1000 + company % 9000, i % 2 == 0 ? "Herr" : "Frau",
                      i);
        texts.emplace_back(text);
    }
    return texts;
}

// Counts the work that a run queued, from its progress texts: texts whose
// first number is the size of a queue, and texts shown once for each record a
// queue works off.
class CQueuedWorkSink : public test::CSilentProgressSink {
public:
    CQueuedWorkSink(std::vector<int> sizeTexts, std::vector<int> recordTexts)
        : m_sizeTexts(std::move(sizeTexts)), m_recordTexts(std::move(recordTexts))
    {
    }

    void ShowStatusCount(int stringId, int first, int) override
    {
        const auto has = [stringId](const std::vector<int>& ids) {
            return std::find(ids.begin(), ids.end(), stringId) != ids.end();
        };
        if (has(m_sizeTexts))
            m_queued += first;
        else if (has(m_recordTexts))
            ++m_queued;
    }

    int Queued() const { return m_queued; }

private:
    std::vector<int> m_sizeTexts;
    std::vector<int> m_recordTexts;
    int m_queued = 0;
};

struct CKind {
    const char* name;
    const char* mappingFile;
    std::function<void(std::ostream&, int)> writeSeed;
    std::function<void(CReplicationSettings&)> select;
    std::vector<int> queueSizeTexts;
    std::vector<int> queueRecordTexts;
    std::function<std::vector<std::string>(int)> texts;
    std::function<void(CDataServerClients&, const std::vector<std::string>&)> create;
    std::function<std::size_t(CDataServerClients&)> list;
};

const CKind kAppointments{
    "appointments", "maps_appo.ids", bench::WriteAppointmentSeed,
    [](CReplicationSettings& settings) {
        settings.replicateAppointments = 1;
        settings.replicateContacts = 0;
        settings.replicateTasks = 0;
    },
    bench::kAppointmentQueueSizeTexts, {}, EventTexts,
    [](CDataServerClients& clients, const std::vector<std::string>& texts) { clients.CreateEvents(texts); },
    [](CDataServerClients& clients) { return clients.ListEvents(); }};

const CKind kContacts{
    "contacts", "maps_cont.ids", bench::WriteContactSeed,
    [](CReplicationSettings& settings) {
        settings.replicateAppointments = 0;
        settings.replicateContacts = 1;
        settings.replicateTasks = 0;
    },
    bench::kContactQueueSizeTexts, bench::kContactQueueRecordTexts, ContactTexts,
    [](CDataServerClients& clients, const std::vector<std::string>& texts) { clients.AddContacts(texts); },
    [](CDataServerClients& clients) { return clients.ListContacts(); }};

struct CMeasurement {
    double initial = 0;  // Tarnwel's initial run
    double noop = 0;     // Tarnwel's run with nothing to do
    double create = 0;   // the libraries alone: creating every item
    double list = 0;     // the libraries alone: listing the folder
};

std::size_t MappingLines(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

std::string Failure(const CKind& kind, const char* what, std::size_t found, std::size_t wanted)
{
    return std::string(kind.name) + ": " + what + " " + std::to_string(found) + ", not " + std::to_string(wanted) +
           "; the figures would mean nothing";
}

double RunJob(const CKind& kind, const CReplicationSettings& settings, const std::string& ini, int& queued)
{
    CQueuedWorkSink sink(kind.queueSizeTexts, kind.queueRecordTexts);
    CReplicationJob job(settings, sink, ini);
    const auto start = Clock::now();
    if (!job.Start(nullptr, 0))
        throw std::runtime_error("cannot start the replication job");
    job.Join();
    const double seconds = SecondsSince(start);
    if (job.KindFailed())
        throw std::runtime_error(std::string(kind.name) + ": the replication run failed");
    queued = sink.Queued();
    return seconds;
}

CMeasurement Measure(const CKind& kind, int count, CDataServerClients& clients, const std::atomic<int>& boxes)
{
    CMeasurement result;
    const bench::CSeededPlace place([&](std::ostream& out) { kind.writeSeed(out, count); });

    CReplicationSettings settings = place.Settings();
    kind.select(settings);
    const std::string ini = place.Path("TarnwelClient.ini");

    clients.Clear();
    int queued = 0;
    result.initial = RunJob(kind, settings, ini, queued);
    if (const std::size_t mapped = MappingLines(kind.mappingFile); mapped != static_cast<std::size_t>(count))
        throw std::runtime_error(Failure(kind, "items replicated", mapped, count));
    if (const std::size_t there = kind.list(clients); there != static_cast<std::size_t>(count))
        throw std::runtime_error(Failure(kind, "items in the data server", there, count));
    result.noop = RunJob(kind, settings, ini, queued);
    if (queued != 0)
        throw std::runtime_error(Failure(kind, "items queued by the run with nothing to do", queued, 0));
    if (boxes.load() != 0)
        throw std::runtime_error(Failure(kind, "message boxes", boxes.load(), 0));

    // The libraries alone, the texts made before the clock starts.
    clients.Clear();
    const std::vector<std::string> texts = kind.texts(count);
    auto start = Clock::now();
    kind.create(clients, texts);
    result.create = SecondsSince(start);
    start = Clock::now();
    const std::size_t listed = kind.list(clients);
    result.list = SecondsSince(start);
    if (listed != static_cast<std::size_t>(count))
        throw std::runtime_error(Failure(kind, "items listed by the libraries", listed, count));
    clients.Clear();
    return result;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Report(const CKind& kind, int count, const std::vector<CMeasurement>& runs)
{
    const auto median = [&runs](double CMeasurement::*member) {
        std::vector<double> values;
        for (const CMeasurement& run : runs)
            values.push_back(run.*member);
        return Median(values);
    };
    for (std::size_t i = 0; i < runs.size(); ++i)
        std::printf("  repeat %zu: initial %.2f s, no-op %.2f s; libraries: create %.2f s, list %.2f s\n", i + 1,
                    runs[i].initial, runs[i].noop, runs[i].create, runs[i].list);
    const double initial = median(&CMeasurement::initial);
    const double noop = median(&CMeasurement::noop);
    const double create = median(&CMeasurement::create);
    const double list = median(&CMeasurement::list);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    const double initialRatio = ratio(initial, create + list);
    const double noopRatio = ratio(noop, list);
    std::printf("%d %s, median of %zu (wall s)\n", count, kind.name, runs.size());
    std::printf("  %-34s %8.2f   libraries create + list %8.2f   ratio %5.2f%s\n", "Tarnwel initial run", initial,
                create + list, initialRatio, initialRatio > 2 ? "  -- ABOVE 2" : "");
    std::printf("  %-34s %8.2f   libraries list          %8.2f   ratio %5.2f%s\n", "Tarnwel no-op run", noop, list,
                noopRatio, noopRatio > 2 ? "  -- ABOVE 2" : "");
    std::fflush(stdout);
}

int Main(int argc, char** argv)
{
    std::vector<const CKind*> kinds{&kAppointments, &kContacts};
    int count = 10000;
    int repeats = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "appointments")
            kinds = {&kAppointments};
        else if (word == "contacts")
            kinds = {&kContacts};
        else if (word == "--count" && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (word == "--repeats" && i + 1 < argc)
            repeats = std::atoi(argv[++i]);
        else
            count = 0;
        if (count <= 0 || repeats <= 0) {
            std::fprintf(stderr, "Usage: tarnwel_bench_dataserver [appointments|contacts] [--count N] [--repeats R]\n");
            return 2;
        }
    }

    // Before anything touches the session bus or the home folder.
    test::CPrivateDataServer::Get();
    std::atomic<int> boxes{0};
    const test::CBoxCapture countBoxes([&boxes](const CMessageBoxRequest& request) {
        std::fprintf(stderr, "message box: %s\n", request.text.c_str());
        ++boxes;
        return request.defaultButton;
    });
    const CScopedProgIdRegistration store([] { return OpenDataServerStore(); });
    try {
        CDataServerClients clients;
        for (const CKind* kind : kinds) {
            std::vector<CMeasurement> runs;
            for (int repeat = 0; repeat < repeats; ++repeat)
                runs.push_back(Measure(*kind, count, clients, boxes));
            Report(*kind, count, runs);
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tarnwel_bench_dataserver: %s\n", error.what());
        return 1;
    }
    return 0;
}

} // namespace
} // namespace tarnwel

int main(int argc, char** argv)
{
    return tarnwel::Main(argc, argv);
}
