// Whole replication runs against the reference server on loopback.
//
// For each size N the server is seeded with N items of one kind and the
// local store starts empty; then two replication jobs run one after the
// other: the initial run, which brings every item into the store, and the
// second run, which finds nothing to do. The seed gives the appointments no
// participants: a run writes a server appointment's participants into its
// local item on every run, so such items would be written again.
//
// Each run reports its wall time and the client's CPU time (user + system of
// this process; the server is another process). The client's cost must grow
// at most linearly: the CPU time of the 10,000 run may be at most 12 times
// that of the 1,000 run.
//
//   tarnwel_bench_replication [N...]    sizes (default 1000 10000)

#include "engine/CReplicationJob.h"
#include "platform/base/ByteFile.h"
#include "platform/pimstore/PimStore.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/SilentProgressSink.h"
#include "tests/support/TemporaryDirectory.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

constexpr double kLinearLimit = 12.0;

// The kind a benchmark replicates: how its seed is written, which kind the
// settings select and which mapping file shows that the items arrived.
struct CBenchKind {
    const char* name;
    const char* mappingFile;
    std::function<void(std::ostream&, int)> writeSeed;
    std::function<void(CReplicationSettings&)> select;
};

void WriteAppointmentSeed(std::ostream& out, int count)
{
    out << "{\"appointments\": [\n";
    char line[512];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line,
                      "%s{\"description\": \"Besprechung %d mit Müller & Söhne\", \"location\": \"Raum %d\","
                      " \"start\": \"2026-%02d-%02d %02d:00:00\", \"end\": \"2026-%02d-%02d %02d:30:00\","
                      " \"comment\": \"Agenda:\\n1. Rückblick\\n2. Planung <intern>\"}\n",
                      i == 0 ? "" : ",", i, i % 40, 1 + i % 12, 1 + i % 28, 8 + i % 9, 1 + i % 12, 1 + i % 28,
                      9 + i % 9);
        out << line;
    }
    out << "]}\n";
}

const CBenchKind kAppointments{
    "appointments", "maps_appo.ids", WriteAppointmentSeed, [](CReplicationSettings& settings) {
        settings.replicateAppointments = 1;
        settings.replicateContacts = 0;
        settings.replicateTasks = 0;
    }};

struct CRunCost {
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

CRunCost RunJob(const CReplicationSettings& settings)
{
    test::CSilentProgressSink sink;
    CReplicationJob job;
    job.m_settings = settings;
    job.m_progressSink = &sink;
    const double cpuStart = ProcessCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    if (!job.Start(nullptr, 0))
        throw std::runtime_error("cannot start the replication job");
    job.Join();
    CRunCost cost;
    cost.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    cost.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    return cost;
}

int MappingLines(const char* file)
{
    std::string bytes;
    if (ReadFileBytes(file, bytes) != FileReadResult::ok)
        return 0;
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

struct CSizeResult {
    int count = 0;
    CRunCost initial;
    CRunCost second;
};

// One size: a fresh server, store and working directory, the two runs.
CSizeResult MeasureSize(const CBenchKind& kind, int count, std::atomic<int>& boxes)
{
    test::CTemporaryDirectory directory;
    const std::string seed = directory.Path("seed.json");
    {
        std::ofstream out(seed);
        kind.writeSeed(out, count);
    }
    test::CReferenceServer server({"--seed", seed, "--store", directory.Path("server.db")});
    // The mapping files go to the working directory.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(directory.Path());
    struct CBack {
        std::filesystem::path path;
        ~CBack() { std::filesystem::current_path(path); }
    } back{previous};
    ::setenv("TARNWEL_PIMSTORE", directory.Path("store.db").c_str(), 1);

    CReplicationSettings settings;
    settings.SetDefaults();
    settings.serverUrl = server.Url();
    kind.select(settings);

    CSizeResult result;
    result.count = count;
    result.initial = RunJob(settings);
    const int mapped = MappingLines(kind.mappingFile);
    result.second = RunJob(settings);
    if (mapped != count || boxes.load() != 0)
        throw std::runtime_error(std::to_string(count) + " " + kind.name + ": " + std::to_string(mapped) +
                                 " replicated, " + std::to_string(boxes.load()) +
                                 " message boxes; the figures would mean nothing");
    return result;
}

void PrintRun(const char* label, int count, const CRunCost& cost)
{
    std::printf("%-8s %7d  %10.3f  %12.3f  %12.1f\n", label, count, cost.wallSeconds, cost.cpuSeconds,
                cost.cpuSeconds * 1e6 / count);
}

int Main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 10000};
    if (std::any_of(sizes.begin(), sizes.end(), [](int size) { return size <= 0; })) {
        std::fprintf(stderr, "Usage: tarnwel_bench_replication [N...]   (N > 0; default 1000 10000)\n");
        return 2;
    }

    std::atomic<int> boxes{0};
    const CScopedMessageBoxHandler countBoxes([&boxes](const CMessageBoxRequest& request) {
        std::fprintf(stderr, "message box: %s\n", request.text.c_str());
        ++boxes;
        return request.defaultButton;
    });
    RegisterPimStore();

    const CBenchKind& kind = kAppointments;
    std::printf("Replication of %s from the reference server into an empty local store\n", kind.name);
    std::printf("%-8s %7s  %10s  %12s  %12s\n", "run", "N", "wall s", "client CPU s", "CPU us/item");
    std::vector<CSizeResult> results;
    try {
        for (const int size : sizes) {
            results.push_back(MeasureSize(kind, size, boxes));
            PrintRun("initial", size, results.back().initial);
            PrintRun("second", size, results.back().second);
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tarnwel_bench_replication: %s\n", error.what());
        return 1;
    }

    const auto find = [&results](int count) {
        return std::find_if(results.begin(), results.end(), [count](const CSizeResult& r) { return r.count == count; });
    };
    const auto small = find(1000);
    const auto large = find(10000);
    if (small != results.end() && large != results.end()) {
        const auto ratio = [](double large, double small) { return small > 0 ? large / small : 0.0; };
        const double initialRatio = ratio(large->initial.cpuSeconds, small->initial.cpuSeconds);
        const double secondRatio = ratio(large->second.cpuSeconds, small->second.cpuSeconds);
        std::printf("client CPU 10,000 / 1,000: initial %.2f, second %.2f (at most %.0f)%s\n", initialRatio,
                    secondRatio, kLinearLimit,
                    initialRatio > kLinearLimit || secondRatio > kLinearLimit ? "  -- MORE THAN LINEAR" : "");
        std::printf("wall       10,000 / 1,000: initial %.2f, second %.2f\n",
                    ratio(large->initial.wallSeconds, small->initial.wallSeconds),
                    ratio(large->second.wallSeconds, small->second.wallSeconds));
    }
    return 0;
}

} // namespace
} // namespace tarnwel

int main(int argc, char** argv)
{
    return tarnwel::Main(argc, argv);
}
