// Cost of building the address list offered when a contact is linked to a
// company; the run builds it anew for every question.
//
//   BM_FillAddressChoice   Fill from n server addresses (many company names
//                          equal without regard to case) and read the names
//                          and the combined list, as one question does

#include "engine/CAddressChoice.h"

#include <benchmark/benchmark.h>

#include <string>

namespace tarnwel {
namespace {

CAddressArray MakeAddresses(int count)
{
    const char* const stems[] = {"Alpha", "ALPHA", "beta", "Gamma", "alpine", "Delta"};
    CAddressArray addresses;
    addresses.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        CAddressRecord address;
        address.company = std::string(stems[i % 6]) + " " + std::to_string((i * 7919) % (count / 4 + 1));
        address.street = "Hauptstrasse " + std::to_string(i);
        address.city = "Musterstadt";
        address.address_id = std::to_string(i);
        addresses.push_back(address);
    }
    return addresses;
}

void BM_FillAddressChoice(benchmark::State& state)
{
    const CAddressArray addresses = MakeAddresses(static_cast<int>(state.range(0)));
    CAddressRecord outlook;
    outlook.company = "Alpine Werke";
    for (auto _ : state) {
        CAddressChoice choice;
        choice.Fill(addresses, outlook);
        benchmark::DoNotOptimize(choice.GetCompanyNames());
        benchmark::DoNotOptimize(choice.GetCombinedList());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FillAddressChoice)->RangeMultiplier(4)->Range(256, 16384)->Complexity();

} // namespace
} // namespace tarnwel

BENCHMARK_MAIN();
