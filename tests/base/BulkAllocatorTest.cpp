#include "platform/base/BulkAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace tarnwel {
namespace {

TEST(BulkAllocatorTest, BlocksOfEverySizeAreWholeAndLargeOnesStartOnAHugePage)
{
    for (const std::size_t bytes : {std::size_t{1}, std::size_t{4096}, kBulkBlockBytes - 1, kBulkBlockBytes,
                                    kBulkBlockBytes + 1, 5 * kBulkBlockBytes + 123}) {
        SCOPED_TRACE(bytes);
        auto* block = static_cast<unsigned char*>(AllocateBulk(bytes));
        ASSERT_NE(block, nullptr);
        if (bytes >= kBulkBlockBytes) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (std::uintptr_t{2} << 20), 0U);
        }
        std::memset(block, 0xA5, bytes);
        EXPECT_EQ(block[0], 0xA5);
        EXPECT_EQ(block[bytes - 1], 0xA5);
        FreeBulk(block, bytes);
    }
    FreeBulk(nullptr, kBulkBlockBytes);
}

TEST(BulkAllocatorTest, AVectorKeepsItsElementsWhileGrowingFromTheHeapIntoMappedBlocks)
{
    CBulkVector<std::string> texts;
    const std::size_t count = 3 * kBulkBlockBytes / sizeof(std::string);
    for (std::size_t i = 0; i < count; ++i)
        texts.push_back("text number " + std::to_string(i) + " long enough to live outside the string");
    CBulkVector<std::string> copy = texts;
    texts.clear();
    texts.shrink_to_fit();
    ASSERT_EQ(copy.size(), count);
    EXPECT_EQ(copy.front(), "text number 0 long enough to live outside the string");
    EXPECT_EQ(copy.back(), "text number " + std::to_string(count - 1) + " long enough to live outside the string");
}

} // namespace
} // namespace tarnwel
