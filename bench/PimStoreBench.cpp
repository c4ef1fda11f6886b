// Cost of scanning the local item store the way the replication's stores do:
// Find with "[LastModificationTime] > 'date'", then FindNext until no item is
// left, reading each item's entry id and message class.
//
//   BM_ScanAll        a store of 20,000 own-class appointments, a filter that matches all
//   BM_ScanOnePercent the same store, a filter that matches the 200 saved last
//
// The store is filled once, before the first timing, in a temporary folder.

#include "platform/automation/Application.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/pimstore/PimStore.h"
#include "tests/support/TemporaryDirectory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace tarnwel {
namespace {

constexpr int kItemCount = 20000;
constexpr int kRecentCount = kItemCount / 100;
constexpr const char* kOwnClass = "IPM.Appointment.DRAVAppointment";

struct CFilledStore {
    test::CTemporaryDirectory directory;
    std::string path = directory.Path("bench.db");
    std::string allFilter = "[LastModificationTime] > '1900-01-01'";
    std::string recentFilter;
};

CItems OpenCalendar(const std::string& path)
{
    const CNameSpace nameSpace = CApplication(OpenPimStore(path)).GetNamespace("MAPI");
    nameSpace.Logon();
    return nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
}

void AddAppointments(const CItems& items, int first, int count)
{
    for (int i = first; i < first + count; ++i) {
        const CAppointmentItem item(items.Add(kOwnClass));
        item.SetSubject("Projektbesprechung " + std::to_string(i));
        item.SetLocation("Besprechungsraum 2.14");
        item.SetStart(COleDate::FromFields(2024, 1, 1, 9).AddDays(i % 365));
        item.SetEnd(COleDate::FromFields(2024, 1, 1, 10).AddDays(i % 365));
        item.SetBody("Agenda:\r\n1. Rückblick\r\n2. Planung\r\n3. Verschiedenes");
        item.GetUserProperties().Item("Participants").SetValue(CVariant("anna.schmidt\r\nbernd.maier"));
        item.Save();
    }
}

// Fills the store once: 99% of the items, then, after the clock has moved on
// by a second, the last 1%, which the recent filter alone matches.
const CFilledStore& FilledStore()
{
    static const std::unique_ptr<CFilledStore> store = [] {
        auto filled = std::make_unique<CFilledStore>();
        const CItems items = OpenCalendar(filled->path);
        AddAppointments(items, 0, kItemCount - kRecentCount);
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        filled->recentFilter = "[LastModificationTime] > '" + COleDate::Now().Format("%Y-%m-%d %H:%M:%S") + "'";
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        AddAppointments(items, kItemCount - kRecentCount, kRecentCount);
        return filled;
    }();
    return *store;
}

void Scan(benchmark::State& state, const std::string& filter, int expected)
{
    const CItems items = OpenCalendar(FilledStore().path);
    for (auto _ : state) {
        int count = 0;
        for (COutlookItem item = items.Find(filter); !item.IsNull(); item = items.FindNext()) {
            benchmark::DoNotOptimize(item.GetEntryID());
            count += item.GetMessageClass() == kOwnClass;
        }
        if (count != expected)
            state.SkipWithError("the scan met the wrong number of items");
    }
    state.SetItemsProcessed(state.iterations() * expected);
}

void BM_ScanAll(benchmark::State& state)
{
    Scan(state, FilledStore().allFilter, kItemCount);
}

void BM_ScanOnePercent(benchmark::State& state)
{
    Scan(state, FilledStore().recentFilter, kRecentCount);
}

BENCHMARK(BM_ScanAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanOnePercent)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarnwel

BENCHMARK_MAIN();
