// The client's whole runs against what their pieces cost at the least.
//
// For each case (10,000 and 100,000 appointments, 10,000 contacts in 1,000
// companies) the reference server is seeded and started as its own process.
// On the same data this program then times, in its own thread:
//
// - parse: pugixml parses the getItems reply (the same bytes the client gets);
// - insert: the same rows written in one SQLite transaction into a store of
//   the local store's layout (an item row and one value row per field);
// - scan: those rows read in one read transaction;
// - post: one loopback POST of the getItems request with libcurl, which
//   brings the whole reply.
//
// The initial run's limit is parse + insert + post, the no-op run's is
// parse + post + scan. These pieces run warm: this program has long since
// loaded its libraries and touched its memory. A client run is a fresh process
// that pays for its start (loading libcurl and its 30-odd shared libraries)
// and for the first touch of every page it uses, which on a paravirtualized
// machine is far from free. So the same pieces also run as one fresh process,
// tarnwel_limit_pieces, which links only libcurl, SQLite and pugixml: for the
// initial run POST, parse, the reply's items as rows and insert into a new
// store; for the no-op run POST, parse and scan of a store made by insert.
// Its CPU time, peak size and page faults are the "as one process" figures:
// what the pieces cost once they too pay a process's start. (They build the
// whole reply and its DOM in memory, so a client that does less of that can
// come in under them.) The client is judged against both.
//
// Then build/tarnwel-replicate runs as a child process in a fresh directory
// with an empty local store (the initial run) and once more (the no-op run,
// which finds nothing to do). The CPU time (user + system) and peak resident
// size of every child come from wait4, beside its wall time (a small launcher
// process starts it, see StartLauncher). The server's time is never counted
// as the client's. Every figure is the median of its repetitions.
//
// Printed: each client figure as a multiple of its limit and of the pieces as
// one process, the contacts' cost per item as a multiple of the appointments',
// the 100k/10k ratio and the peak resident size as a multiple of the reply
// size.
//
//   tarnwel_bench_limit [--quick] [--repeats N] [--program PATH]
//       --quick: only the 10,000 cases; --repeats: runs per figure (default 3);
//       --program: another tarnwel-replicate (a copy of an earlier build)

#include "bench/BenchSeeds.h"
#include "bench/LimitPieces.h"
#include "platform/soap/CCurlConnector.h"
#include "platform/soap/SoapConnector.h"
#include "protocol/CServerSession.h"
#include "records/RecordArrays.h"
#include "settings/CReplicationSettings.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/TemporaryDirectory.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef TARNWEL_REPLICATE_PROGRAM
#error "TARNWEL_REPLICATE_PROGRAM must name the tarnwel-replicate program"
#endif
#ifndef TARNWEL_LIMIT_PIECES_PROGRAM
#error "TARNWEL_LIMIT_PIECES_PROGRAM must name the tarnwel_limit_pieces program"
#endif

namespace tarnwel {
namespace {

// ---------------------------------------------------------------- the data

using bench::CRow;
using bench::Insert;
using bench::Parse;
using bench::Post;
using bench::RowsOf;
using bench::Scan;
using bench::WriteAppointmentSeed;
using bench::WriteContactSeed;

struct CCase {
    const char* label;
    bool contacts;
    int count;
};

// ---------------------------------------------------------------- timing

struct CCost {
    double cpu = 0;   // seconds, user + system
    double wall = 0;  // seconds
    long maxRssKb = 0;
    long pageFaults = 0;  // minor and major
};

double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double ThreadCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// The cost of `work` in this thread.
CCost Time(const std::function<void()>& work)
{
    const double cpu = ThreadCpuSeconds();
    const auto wall = std::chrono::steady_clock::now();
    work();
    CCost cost;
    cost.cpu = ThreadCpuSeconds() - cpu;
    cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    return cost;
}

CCost Median(std::vector<CCost> costs)
{
    const auto middle = [&costs](auto field) {
        std::vector<double> values;
        for (const CCost& cost : costs)
            values.push_back(static_cast<double>(cost.*field));
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    CCost median;
    median.cpu = middle(&CCost::cpu);
    median.wall = middle(&CCost::wall);
    median.maxRssKb = static_cast<long>(middle(&CCost::maxRssKb));
    median.pageFaults = static_cast<long>(middle(&CCost::pageFaults));
    return median;
}

CCost Sum(const CCost& a, const CCost& b, const CCost& c)
{
    return {a.cpu + b.cpu + c.cpu, a.wall + b.wall + c.wall, 0, 0};
}

// ---------------------------------------------------------------- the pieces

// Keeps the request and the reply of the last getItems call made through it.
class CCapturingConnector : public ISoapConnector {
public:
    CCapturingConnector(std::string& envelope, std::string& reply) : m_envelope(envelope), m_reply(reply) {}
    void SetEndpointUrl(const std::string& url) override { m_inner.SetEndpointUrl(url); }
    void SetTimeout(std::int32_t milliseconds) override { m_inner.SetTimeout(milliseconds); }
    CHttpResponse Send(const std::string& envelope) override
    {
        CHttpResponse response = m_inner.Send(envelope);
        if (envelope.find("getItems") != std::string::npos) {
            m_envelope = envelope;
            m_reply = response.body;
        }
        return response;
    }

private:
    CCurlConnector m_inner;
    std::string& m_envelope;
    std::string& m_reply;
};

// The getItems request of an initial run and the server's reply to it.
void FetchReply(const CCase& c, const std::string& url, std::string& envelope, std::string& reply)
{
    CScopedSoapConnectorFactory factory([&] { return std::make_unique<CCapturingConnector>(envelope, reply); });
    CServerAccount account;
    account.userName = "user";
    account.password = "vezi";
    account.serverUrl = url;
    account.soapTimeout = 600000;
    CServerSession session(account);
    if (c.contacts) {
        session.Authenticate(kContactNamespace);
        CContactArray contacts;
        CAddressArray addresses;
        session.GetContacts(contacts, addresses, "1970-01-01", {});
        if (static_cast<int>(contacts.size()) != c.count)
            throw std::runtime_error("the server sent " + std::to_string(contacts.size()) + " contacts");
    } else {
        session.Authenticate(kAppointmentNamespace);
        CAppointmentArray appointments;
        session.GetAppointments(appointments, "1970-01-01", {});
        if (static_cast<int>(appointments.size()) != c.count)
            throw std::runtime_error("the server sent " + std::to_string(appointments.size()) + " appointments");
    }
}

// ---------------------------------------------------------------- the client

int MappingLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

// The children are started by a launcher process that was forked before this
// program grew: a child's peak resident size (ru_maxrss) also counts the image
// it was forked from until its exec, so a child forked from here, with the
// replies and rows in memory, would report them as its own.
struct CLaunchResult {
    int status = 0;
    double cpu = 0;
    long maxRssKb = 0;
    long pageFaults = 0;
};

int g_requests = -1;  // to the launcher
int g_results = -1;   // from it

void WriteAll(int fd, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw std::runtime_error("cannot talk to the launcher");
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

bool ReadAll(int fd, void* data, std::size_t size)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::read(fd, bytes, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

void WriteText(int fd, const std::string& text)
{
    const std::size_t size = text.size();
    WriteAll(fd, &size, sizeof size);
    WriteAll(fd, text.data(), size);
}

bool ReadText(int fd, std::string& text)
{
    std::size_t size = 0;
    if (!ReadAll(fd, &size, sizeof size))
        return false;
    text.resize(size);
    return ReadAll(fd, text.data(), size);
}

// The launcher: for each request (program, directory, store, arguments) it
// runs the program there with those arguments and answers with its exit
// status, CPU time, peak size and page faults. The store, when not empty, is passed in
// TARNWEL_PIMSTORE; the arguments come as one text, each ended by a NUL.
[[noreturn]] void ServeLaunches(int requests, int results)
{
    std::string program, directory, store, arguments;
    while (ReadText(requests, program) && ReadText(requests, directory) && ReadText(requests, store) &&
           ReadText(requests, arguments)) {
        std::vector<char*> argv{program.data()};
        std::size_t at = 0;
        for (std::size_t end; (end = arguments.find('\0', at)) != std::string::npos; at = end + 1)
            argv.push_back(arguments.data() + at);
        argv.push_back(nullptr);
        CLaunchResult result;
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(directory.c_str()) != 0)
                ::_exit(126);
            const int in = ::open("/dev/null", O_RDONLY);
            const int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(in, STDIN_FILENO);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            if (!store.empty())
                ::setenv("TARNWEL_PIMSTORE", store.c_str(), 1);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        rusage usage{};
        if (pid < 0) {
            result.status = -1;
        } else {
            while (::wait4(pid, &result.status, 0, &usage) < 0 && errno == EINTR) {
            }
            result.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
            result.maxRssKb = usage.ru_maxrss;
            result.pageFaults = usage.ru_minflt + usage.ru_majflt;
        }
        WriteAll(results, &result, sizeof result);
    }
    ::_exit(0);
}

void StartLauncher()
{
    int requests[2];
    int results[2];
    if (::pipe(requests) != 0 || ::pipe(results) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(requests[1]);
        ::close(results[0]);
        ServeLaunches(requests[0], results[1]);
    }
    ::close(requests[0]);
    ::close(results[1]);
    g_requests = requests[1];
    g_results = results[0];
}

// Runs `program` with `arguments` in `directory` through the launcher and
// returns its own cost; throws with its standard error when it fails.
CCost Launch(const std::string& program, const std::string& directory, const std::string& store,
             const std::vector<std::string>& arguments = {})
{
    std::string packed;
    for (const std::string& argument : arguments)
        packed += argument + '\0';
    const auto wallStart = std::chrono::steady_clock::now();
    WriteText(g_requests, program);
    WriteText(g_requests, directory);
    WriteText(g_requests, store);
    WriteText(g_requests, packed);
    CLaunchResult result;
    if (!ReadAll(g_results, &result, sizeof result))
        throw std::runtime_error("the launcher has gone");
    CCost cost;
    cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    cost.cpu = result.cpu;
    cost.maxRssKb = result.maxRssKb;
    cost.pageFaults = result.pageFaults;
    if (!WIFEXITED(result.status) || WEXITSTATUS(result.status) != 0) {
        std::ifstream err(directory + "/err.txt");
        const std::string text((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
        throw std::runtime_error(std::filesystem::path(program).filename().string() + " ended with status " +
                                 std::to_string(result.status) + ": " + text);
    }
    return cost;
}

const char* g_program = TARNWEL_REPLICATE_PROGRAM;

// Runs tarnwel-replicate in `directory` and returns its own cost.
CCost RunClient(const std::string& directory, const std::string& store)
{
    return Launch(g_program, directory, store);
}

// Runs the limit's pieces as one fresh process (tarnwel_limit_pieces) in
// `directory`; it prints what it got, which is returned in `out`.
CCost RunPieces(const std::string& directory, const std::vector<std::string>& arguments, std::string& out)
{
    const CCost cost = Launch(TARNWEL_LIMIT_PIECES_PROGRAM, directory, {}, arguments);
    std::ifstream in(directory + "/out.txt");
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return cost;
}

struct CCaseResult {
    CCase c;
    std::size_t replySize = 0;
    CCost parse, insert, scan, post;
    CCost initial, noop;
    CCost initialProcess, noopProcess;  // the pieces as one fresh process

    CCost InitialLimit() const { return Sum(parse, insert, post); }
    CCost NoopLimit() const { return Sum(parse, post, scan); }
};

CCaseResult Measure(const CCase& c, int repeats)
{
    test::CTemporaryDirectory directory;
    const std::string seed = directory.Path("seed.json");
    {
        std::ofstream out(seed);
        if (c.contacts)
            WriteContactSeed(out, c.count);
        else
            WriteAppointmentSeed(out, c.count);
    }
    test::CReferenceServer server({"--seed", seed, "--store", directory.Path("server.db")});

    CCaseResult result;
    result.c = c;
    std::string envelope;
    std::string reply;
    FetchReply(c, server.Url(), envelope, reply);
    result.replySize = reply.size();
    const std::vector<CRow> rows = RowsOf(reply, c.contacts);

    std::vector<CCost> parse, insert, scan, post, initial, noop;
    for (int i = 0; i < repeats; ++i) {
        parse.push_back(Time([&] { Parse(reply); }));
        const std::string store = directory.Path("limit" + std::to_string(i) + ".db");
        insert.push_back(Time([&] { Insert(store, rows); }));
        scan.push_back(Time([&] { Scan(store); }));
        post.push_back(Time([&] { Post(server.Url(), envelope, reply.size()); }));
    }
    const std::string pieces = directory.Path("pieces");
    std::filesystem::create_directory(pieces);
    const std::string envelopeFile = pieces + "/envelope.xml";
    std::ofstream(envelopeFile, std::ios::binary) << envelope;
    std::vector<CCost> initialProcess, noopProcess;
    const auto replyOf = [&](const std::string& out) {
        std::size_t size = 0;
        if (std::sscanf(out.c_str(), "reply %zu", &size) != 1 || size + 1024 < reply.size())
            throw std::runtime_error(std::string(c.label) + ": tarnwel_limit_pieces got no whole reply: " + out);
    };
    for (int i = 0; i < repeats; ++i) {
        std::string out;
        initialProcess.push_back(RunPieces(pieces, {"initial", server.Url(), envelopeFile, c.contacts ? "1" : "0",
                                                    pieces + "/initial" + std::to_string(i) + ".db"},
                                           out));
        replyOf(out);
        if (out.find(" rows " + std::to_string(rows.size()) + "\n") == std::string::npos)
            throw std::runtime_error(std::string(c.label) + ": tarnwel_limit_pieces made other rows: " + out);
        // limit0.db is the store the first in-process insert made.
        noopProcess.push_back(RunPieces(pieces, {"noop", server.Url(), envelopeFile, directory.Path("limit0.db")}, out));
        replyOf(out);
    }
    for (int i = 0; i < repeats; ++i) {
        const std::string run = directory.Path("run" + std::to_string(i));
        std::filesystem::create_directory(run);
        CReplicationSettings settings;
        settings.SetDefaults();
        settings.serverUrl = server.Url();
        settings.replicateAppointments = c.contacts ? 0 : 1;
        settings.replicateContacts = c.contacts ? 1 : 0;
        settings.replicateTasks = 0;
        settings.Save(run + "/" + CReplicationSettings::kFileName);
        const std::string store = run + "/store.db";
        initial.push_back(RunClient(run, store));
        const std::string mapping = run + (c.contacts ? "/maps_cont.ids" : "/maps_appo.ids");
        if (MappingLines(mapping) != c.count)
            throw std::runtime_error(std::string(c.label) + ": the initial run mapped " +
                                     std::to_string(MappingLines(mapping)) + " items");
        noop.push_back(RunClient(run, store));
        if (MappingLines(mapping) != c.count)
            throw std::runtime_error(std::string(c.label) + ": the no-op run changed the mapping file");
    }
    result.parse = Median(parse);
    result.insert = Median(insert);
    result.scan = Median(scan);
    result.post = Median(post);
    result.initial = Median(initial);
    result.noop = Median(noop);
    result.initialProcess = Median(initialProcess);
    result.noopProcess = Median(noopProcess);
    return result;
}

// ---------------------------------------------------------------- report

double Ratio(double a, double b)
{
    return b > 0 ? a / b : 0.0;
}

void PrintCase(const CCaseResult& r)
{
    const double mb = static_cast<double>(r.replySize) / 1e6;
    std::printf("%s: reply %.1f MB\n", r.c.label, mb);
    std::printf("  limit pieces (CPU s / wall s): parse %.3f / %.3f, insert %.3f / %.3f, scan %.3f / %.3f,"
                " post %.3f / %.3f\n",
                r.parse.cpu, r.parse.wall, r.insert.cpu, r.insert.wall, r.scan.cpu, r.scan.wall, r.post.cpu,
                r.post.wall);
    const auto megabytes = [](const CCost& cost) { return static_cast<double>(cost.maxRssKb) / 1024.0; };
    std::printf("  as one process: initial CPU %.3f s  no-op CPU %.3f s  (wall %.3f / %.3f s, peak RSS %.1f / %.1f MB,"
                " %ld / %ld page faults)\n",
                r.initialProcess.cpu, r.noopProcess.cpu, r.initialProcess.wall, r.noopProcess.wall,
                megabytes(r.initialProcess), megabytes(r.noopProcess), r.initialProcess.pageFaults,
                r.noopProcess.pageFaults);
    const auto line = [&](const char* run, const CCost& client, const CCost& limit, const CCost& process) {
        const double rssMb = megabytes(client);
        std::printf("  %-8s client CPU %7.3f s  wall %7.3f s  limit %6.3f s  = %5.2fx limit = %5.2fx as a process"
                    "   peak RSS %6.1f MB = %5.2fx reply\n",
                    run, client.cpu, client.wall, limit.cpu, Ratio(client.cpu, limit.cpu),
                    Ratio(client.cpu, process.cpu), rssMb,
                    Ratio(rssMb, static_cast<double>(r.replySize) / (1024.0 * 1024.0)));
    };
    line("initial", r.initial, r.InitialLimit(), r.initialProcess);
    line("no-op", r.noop, r.NoopLimit(), r.noopProcess);
}

int Main(int argc, char** argv)
{
    bool quick = false;
    int repeats = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--quick") {
            quick = true;
        } else if (argument == "--repeats" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            repeats = std::atoi(argv[++i]);
        } else if (argument == "--program" && i + 1 < argc) {
            g_program = argv[++i];
        } else {
            std::fprintf(stderr, "Usage: tarnwel_bench_limit [--quick] [--repeats N] [--program PATH]\n"
                                 "  --quick      only the 10,000 cases\n"
                                 "  --repeats N  runs per figure, of which the median counts (default 3)\n"
                                 "  --program P  the tarnwel-replicate to measure (default: this build's)\n");
            return 2;
        }
    }
    StartLauncher();  // before anything of size is in memory
    curl_global_init(CURL_GLOBAL_DEFAULT);

    std::vector<CCase> cases{{"10k appointments", false, 10000}};
    if (!quick)
        cases.push_back({"100k appointments", false, 100000});
    cases.push_back({"10k contacts in 1k companies", true, 10000});

    std::printf("Client runs against their limits (median of %d; client CPU = user + system of tarnwel-replicate)\n",
                repeats);
    std::vector<CCaseResult> results;
    try {
        for (const CCase& c : cases) {
            results.push_back(Measure(c, repeats));
            PrintCase(results.back());
            std::fflush(stdout);
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tarnwel_bench_limit: %s\n", error.what());
        return 1;
    }

    const auto find = [&results](bool contacts, int count) -> const CCaseResult* {
        for (const CCaseResult& r : results) {
            if (r.c.contacts == contacts && r.c.count == count)
                return &r;
        }
        return nullptr;
    };
    const CCaseResult* appointments = find(false, 10000);
    const CCaseResult* large = find(false, 100000);
    const CCaseResult* contacts = find(true, 10000);
    std::printf("\n");
    if (appointments != nullptr && contacts != nullptr)
        std::printf("contact / appointment, CPU per item: initial %.2fx, no-op %.2fx\n",
                    Ratio(contacts->initial.cpu, appointments->initial.cpu),
                    Ratio(contacts->noop.cpu, appointments->noop.cpu));
    if (appointments != nullptr && large != nullptr)
        std::printf("100k / 10k appointments, client CPU: initial %.2fx, no-op %.2fx\n",
                    Ratio(large->initial.cpu, appointments->initial.cpu),
                    Ratio(large->noop.cpu, appointments->noop.cpu));
    return 0;
}

} // namespace
} // namespace tarnwel

int main(int argc, char** argv)
{
    return tarnwel::Main(argc, argv);
}
