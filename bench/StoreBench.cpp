// Cost of the stores and their mapping files.
//
//   BM_ScanChangedItems     GetChangedItems over a calendar of 20,000 own-class
//                           appointments: all changed since the date / none
//   BM_LoadMappingFile      reading a mapping file of 100,000 pairs into the tables
//   BM_MappingLookups       one look-up each way for each of the 100,000 pairs,
//                           in a random order, as a run's server pass makes them
//   BM_SaveMappingFile      writing it (atomic replacement, without fsync)
//   BM_PlainBufferedWrite   the same bytes through a plain buffered stdio write
//   BM_SaveVersusPlainWrite both in turn in each iteration; "ratio" is save
//                           time over plain time and should stay at 2 or below

#include "engine/CItemStore.h"
#include "engine/CMappingFile.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/pimstore/PimStore.h"
#include "tests/support/TemporaryDirectory.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {
namespace {

constexpr int kPairCount = 100000;
constexpr int kAppointmentCount = 20000;

// A local item store with the calendar filled, registered as Outlook, and a
// working directory for the mapping file; made once for every scan benchmark.
class CFilledCalendar {
public:
    CFilledCalendar() : m_registration([path = m_dir.Path("store.db")] { return OpenPimStore(path); })
    {
        std::filesystem::current_path(m_dir.Path());
        const CNameSpace nameSpace = CApplication::Create().GetNamespace("MAPI");
        nameSpace.Logon();
        const CItems items = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
        CAppointmentStore store;
        for (int i = 0; i < kAppointmentCount; ++i) {
            const CAppointmentItem item(items.Add("IPM.Appointment.DRAVAppointment"));
            item.SetSubject("Besprechung " + std::to_string(i));
            item.SetLocation("Raum " + std::to_string(i % 40));
            item.SetStart(COleDate::FromFields(2026, 1 + i % 12, 1 + i % 28, 8 + i % 9, 0));
            item.SetEnd(COleDate::FromFields(2026, 1 + i % 12, 1 + i % 28, 9 + i % 9, 30));
            item.SetBody("Agenda:\r\n1. Rückblick\r\n2. Planung der nächsten Schritte");
            item.Save();
            if (i % 2 == 0)
                store.AddMapping(std::to_string(100000 + i), item.GetEntryID());
        }
        store.SaveMappingFile();
    }

private:
    test::CTemporaryDirectory m_dir;
    CScopedProgIdRegistration m_registration;
};

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

void BM_ScanChangedItems(benchmark::State& state)
{
    static CFilledCalendar calendar;
    const bool allChanged = state.range(0) != 0;
    const std::string since = allChanged ? "1900-01-01" : COleDate::Now().AddDays(1).Format("%Y-%m-%d");
    for (auto _ : state) {
        CAppointmentStore store;
        const CAppointmentArray changed = store.GetChangedItems(since);
        if (changed.size() != (allChanged ? kAppointmentCount : 0u))
            state.SkipWithError("wrong number of changed items");
        benchmark::DoNotOptimize(changed.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kAppointmentCount));
}

void BM_LoadMappingFile(benchmark::State& state)
{
    test::CTemporaryDirectory dir;
    CMappingFile file(dir.Path("maps_appo.ids"));
    file.Save(Pairs(), kNoSync);
    for (auto _ : state) {
        CMappingTable table;
        file.Load(table);
        if (table.EntryToServer().size() != kPairCount)
            state.SkipWithError("wrong number of pairs");
        benchmark::DoNotOptimize(table);
    }
}

void BM_MappingLookups(benchmark::State& state)
{
    const CMappingTable& table = Pairs();
    std::vector<std::string> serverIds;
    for (const auto& [entryId, serverId] : table.EntryToServer())
        serverIds.emplace_back(serverId);
    std::shuffle(serverIds.begin(), serverIds.end(), std::mt19937(7));
    for (auto _ : state) {
        std::size_t found = 0;
        for (const std::string& serverId : serverIds) {
            const std::optional<std::string_view> entryId = table.FindEntryId(serverId);
            found += entryId && table.FindServerId(*entryId) ? 1 : 0;
        }
        if (found != serverIds.size())
            state.SkipWithError("a pair was not found");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * serverIds.size()));
}

void BM_SaveMappingFile(benchmark::State& state)
{
    test::CTemporaryDirectory dir;
    CMappingFile file(dir.Path("maps_appo.ids"));
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
    CMappingFile file(dir.Path("maps_appo.ids"));
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

BENCHMARK(BM_ScanChangedItems)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMappingFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MappingLookups)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveMappingFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainBufferedWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveVersusPlainWrite)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarnwel

BENCHMARK_MAIN();
