// Cost of the stores and their mapping files.
//
//   BM_LoadMappingFile      reading a mapping file of 100,000 pairs into the tables
//   BM_SaveMappingFile      writing it (atomic replacement, without fsync)
//   BM_PlainBufferedWrite   the same bytes through a plain buffered stdio write
//   BM_SaveVersusPlainWrite both in turn in each iteration; "ratio" is save
//                           time over plain time and should stay at 2 or below

#include "engine/CMappingFile.h"
#include "tests/support/TemporaryDirectory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace tarnwel {
namespace {

constexpr int kPairCount = 100000;

// Pairs shaped like real ones: a long hexadecimal entry id and a numeric server id.
const CMappingTable& Pairs()
{
    static const CMappingTable table = [] {
        CMappingTable pairs;
        pairs.Reserve(kPairCount);
        char entryId[64];
        for (int i = 0; i < kPairCount; ++i) {
            std::snprintf(entryId, sizeof entryId, "00000000D2A3F1E6C04B1A4F9E0E5A1B2C3D4E5F0700%08X0000",
                          static_cast<unsigned>(i * 2654435761u));
            pairs.AddMapping(std::to_string(100000 + i), entryId);
        }
        return pairs;
    }();
    return table;
}

const AtomicWriteOptions kNoSync{.durable = false};

void PlainWrite(const std::string& path, const CMappingTable& table)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    for (const auto& [entryId, serverId] : table.EntryToServer()) {
        std::fwrite(entryId.data(), 1, entryId.size(), file);
        std::fputc(' ', file);
        std::fwrite(serverId.data(), 1, serverId.size(), file);
        std::fwrite("\r\n", 1, 2, file);
    }
    std::fclose(file);
}

void BM_LoadMappingFile(benchmark::State& state)
{
    test::CTemporaryDirectory dir;
    const CMappingFile file(dir.Path("maps_appo.ids"));
    file.Save(Pairs(), kNoSync);
    for (auto _ : state) {
        CMappingTable table;
        file.Load(table);
        if (table.EntryToServer().size() != kPairCount)
            state.SkipWithError("wrong number of pairs");
        benchmark::DoNotOptimize(table);
    }
}

void BM_SaveMappingFile(benchmark::State& state)
{
    test::CTemporaryDirectory dir;
    const CMappingFile file(dir.Path("maps_appo.ids"));
    for (auto _ : state)
        file.Save(Pairs(), kNoSync);
}

void BM_PlainBufferedWrite(benchmark::State& state)
{
    test::CTemporaryDirectory dir;
    const std::string path = dir.Path("plain.ids");
    for (auto _ : state)
        PlainWrite(path, Pairs());
}

void BM_SaveVersusPlainWrite(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    test::CTemporaryDirectory dir;
    const CMappingFile file(dir.Path("maps_appo.ids"));
    const std::string plainPath = dir.Path("plain.ids");
    Clock::duration saving{};
    Clock::duration plain{};
    for (auto _ : state) {
        const auto start = Clock::now();
        file.Save(Pairs(), kNoSync);
        const auto saved = Clock::now();
        PlainWrite(plainPath, Pairs());
        plain += Clock::now() - saved;
        saving += saved - start;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["save_ms"] = std::chrono::duration<double, std::milli>(saving).count() / iterations;
    state.counters["plain_ms"] = std::chrono::duration<double, std::milli>(plain).count() / iterations;
    state.counters["ratio"] = std::chrono::duration<double>(saving) / std::chrono::duration<double>(plain);
}

BENCHMARK(BM_LoadMappingFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveMappingFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainBufferedWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveVersusPlainWrite)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarnwel

BENCHMARK_MAIN();
