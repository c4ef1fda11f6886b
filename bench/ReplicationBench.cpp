// Whole replication runs against the reference server on loopback.
//
// For each size N the server is seeded with N items of one kind and the
// local store starts empty; then two replication jobs run one after the
// other: the initial run, which brings every item into the store, and the
// second run, which must find nothing to do (it fails the benchmark when it
// queues any work). Two kinds:
//
// - appointments: the seed gives them no participants: a run writes a server
//   appointment's participants into its local item on every run, so such
//   items would be written again;
// - contacts: N contacts in N/10 companies, ten to a company.
//
// Each run reports its wall time and the client's CPU time (user + system of
// this process; the server is another process), the least of three
// measurements, each from scratch, so that one disturbed run (the first of
// the process among them) does not decide the figure. The client's cost must
// grow at most linearly: the CPU time of the 10,000 run may be at most 12
// times that of the 1,000 run.
//
//   tarnwel_bench_replication [appointments|contacts] [N...]
//       the kind (default: both, one after the other) and the sizes
//       (default 1000 10000)

#include "bench/BenchSeeds.h"
#include "engine/CReplicationJob.h"
#include "platform/base/ByteFile.h"
#include "platform/pimstore/PimStore.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/SilentProgressSink.h"
#include "tests/support/BoxCapture.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

constexpr double kLinearLimit = 12.0;
constexpr int kRepeats = 3;

// The kind a benchmark replicates: how its seed is written, which kind the
// settings select, which mapping file shows that the items arrived and which
// progress texts show work queued: texts whose first number is the size of a
// queue, and texts shown once for each record a queue works off.
struct CBenchKind {
    const char* name;
    const char* mappingFile;
    std::function<void(std::ostream&, int)> writeSeed;
    std::function<void(CReplicationSettings&)> select;
    std::vector<int> queueSizeTexts;
    std::vector<int> queueRecordTexts;
};

using bench::WriteAppointmentSeed;
using bench::WriteContactSeed;

const CBenchKind kAppointments{
    "appointments", "maps_appo.ids", WriteAppointmentSeed,
    [](CReplicationSettings& settings) {
        settings.replicateAppointments = 1;
        settings.replicateContacts = 0;
        settings.replicateTasks = 0;
    },
    bench::kAppointmentQueueSizeTexts, {}};

const CBenchKind kContacts{
    "contacts", "maps_cont.ids", WriteContactSeed,
    [](CReplicationSettings& settings) {
        settings.replicateAppointments = 0;
        settings.replicateContacts = 1;
        settings.replicateTasks = 0;
    },
    bench::kContactQueueSizeTexts, bench::kContactQueueRecordTexts};

const CBenchKind* const kKinds[] = {&kAppointments, &kContacts};

// Counts the work that a run queued, from its progress texts.
class CQueuedWorkSink : public test::CSilentProgressSink {
public:
    explicit CQueuedWorkSink(const CBenchKind& kind) : m_kind(kind) {}

    void ShowStatusCount(int stringId, int first, int) override
    {
        const auto has = [stringId](const std::vector<int>& ids) {
            return std::find(ids.begin(), ids.end(), stringId) != ids.end();
        };
        if (has(m_kind.queueSizeTexts))
            m_queued += first;
        else if (has(m_kind.queueRecordTexts))
            ++m_queued;
    }

    int Queued() const { return m_queued; }

private:
    const CBenchKind& m_kind;
    int m_queued = 0;
};

struct CRunCost {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int queued = 0;  // records the run queued for either side
};

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

CRunCost RunJob(const CBenchKind& kind, const CReplicationSettings& settings)
{
    CQueuedWorkSink sink(kind);
    CReplicationJob job(settings, sink);
    const double cpuStart = ProcessCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    if (!job.Start(nullptr, 0))
        throw std::runtime_error("cannot start the replication job");
    job.Join();
    CRunCost cost;
    cost.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    cost.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    cost.queued = sink.Queued();
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
    const bench::CSeededPlace place([&](std::ostream& out) { kind.writeSeed(out, count); });
    ::setenv("TARNWEL_PIMSTORE", place.Path("store.db").c_str(), 1);

    CReplicationSettings settings = place.Settings();
    kind.select(settings);

    CSizeResult result;
    result.count = count;
    result.initial = RunJob(kind, settings);
    const int mapped = MappingLines(kind.mappingFile);
    result.second = RunJob(kind, settings);
    // The initial run queues each item once, to be added to the store.
    if (mapped != count || result.initial.queued != count || result.second.queued != 0 || boxes.load() != 0)
        throw std::runtime_error(std::to_string(count) + " " + kind.name + ": " + std::to_string(mapped) +
                                 " replicated, " + std::to_string(result.initial.queued) + " queued by the first run, " +
                                 std::to_string(result.second.queued) + " by the second, " +
                                 std::to_string(boxes.load()) + " message boxes; the figures would mean nothing");
    return result;
}

// The cheaper of two measurements of the same run.
CRunCost Cheaper(const CRunCost& a, const CRunCost& b)
{
    return b.cpuSeconds < a.cpuSeconds ? b : a;
}

void PrintRun(const char* label, int count, const CRunCost& cost)
{
    std::printf("%-8s %7d  %10.3f  %12.3f  %12.1f\n", label, count, cost.wallSeconds, cost.cpuSeconds,
                cost.cpuSeconds * 1e6 / count);
}

// Measures one kind at every size and prints its table and ratios; false
// when a size could not be measured.
bool MeasureKind(const CBenchKind& kind, const std::vector<int>& sizes, std::atomic<int>& boxes)
{
    std::printf("Replication of %s from the reference server into an empty local store (best of %d)\n",
                kind.name, kRepeats);
    std::printf("%-8s %7s  %10s  %12s  %12s\n", "run", "N", "wall s", "client CPU s", "CPU us/item");
    std::vector<CSizeResult> results;
    try {
        for (const int size : sizes) {
            CSizeResult best = MeasureSize(kind, size, boxes);
            for (int repeat = 1; repeat < kRepeats; ++repeat) {
                const CSizeResult again = MeasureSize(kind, size, boxes);
                best.initial = Cheaper(best.initial, again.initial);
                best.second = Cheaper(best.second, again.second);
            }
            results.push_back(best);
            PrintRun("initial", size, results.back().initial);
            PrintRun("second", size, results.back().second);
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tarnwel_bench_replication: %s\n", error.what());
        return false;
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
    return true;
}

int Main(int argc, char** argv)
{
    std::vector<const CBenchKind*> kinds(std::begin(kKinds), std::end(kKinds));
    int first = 1;
    if (argc > 1) {
        const std::string word = argv[1];
        const auto named = std::find_if(std::begin(kKinds), std::end(kKinds),
                                        [&word](const CBenchKind* kind) { return word == kind->name; });
        if (named != std::end(kKinds)) {
            kinds = {*named};
            first = 2;
        }
    }
    std::vector<int> sizes;
    for (int i = first; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 10000};
    if (std::any_of(sizes.begin(), sizes.end(), [](int size) { return size <= 0; })) {
        std::fprintf(stderr, "Usage: tarnwel_bench_replication [appointments|contacts] [N...]"
                             "   (N > 0; default 1000 10000)\n");
        return 2;
    }

    std::atomic<int> boxes{0};
    const test::CBoxCapture countBoxes([&boxes](const CMessageBoxRequest& request) {
        std::fprintf(stderr, "message box: %s\n", request.text.c_str());
        ++boxes;
        return request.defaultButton;
    });
    RegisterPimStore();

    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (i > 0)
            std::printf("\n");
        if (!MeasureKind(*kinds[i], sizes, boxes))
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
