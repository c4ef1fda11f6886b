#include "resources/StringTable.h"

#include <gtest/gtest.h>

using namespace tarnwel;

TEST(StringTable, ReturnsTheTextOfAnIdAndEmptyForAnUnknownOne)
{
    EXPECT_EQ(LoadResourceText(274), "Termin:\r\n");
    EXPECT_EQ(LoadResourceText(287), "' wurde ge\xC3\xA4ndert.\r\n\r\nUnterschiedliche Felder:\r\n");
    EXPECT_EQ(LoadResourceText(-1), "");
    EXPECT_EQ(LoadResourceText(99999), "");
}
