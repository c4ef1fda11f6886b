#include "platform/eds/EdsMapping.h"

#include <gtest/gtest.h>

namespace tarnwel {
namespace {

TEST(EdsMappingTest, EntryIdsOfOddUidsFitAMappingLineAndComeBack)
{
    const struct {
        std::string uid;
        std::string entryId;
    } cases[] = {
        {"20240501T101500Z-1234@example.org", "20240501T101500Z-1234@example.org"},
        {"mit Blank", "mit%20Blank"},
        {"Zeile\r\nEnde\t", "Zeile%0D%0AEnde%09"},
        {"100%", "100%25"},
        {"Grüße€", "Gr%C3%BC%C3%9Fe%E2%82%AC"},
        {"%41", "%2541"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EdsEntryIdOfUid(c.uid), c.entryId);
        EXPECT_EQ(EdsUidOfEntryId(c.entryId), c.uid);
    }
}

} // namespace
} // namespace tarnwel
