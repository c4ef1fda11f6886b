// Feeds every seed file of fuzz/corpus/<name>/ to its harness. A harness aborts
// on any disagreement it checks, so a seed that once showed a fault keeps
// guarding against it here.
#include "fuzz/FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tarnwel::fuzz::CFuzzTarget;

namespace {

class SeedCorpus : public ::testing::TestWithParam<CFuzzTarget> {};

TEST_P(SeedCorpus, EverySeedRunsThroughItsHarness)
{
    const fs::path folder = fs::path(TARNWEL_FUZZ_CORPUS) / GetParam().name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    std::vector<fs::path> seeds;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            seeds.push_back(entry.path());
    ASSERT_FALSE(seeds.empty()) << "no seeds in " << folder;

    for (const fs::path& seed : seeds) {
        SCOPED_TRACE(seed.filename().string());
        std::ifstream in(seed, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(GetParam().entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Harnesses, SeedCorpus, ::testing::ValuesIn(tarnwel::fuzz::kFuzzTargets),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
