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

namespace tarnwel {
namespace {

std::string Todo(const std::string& lines)
{
    return "BEGIN:VTODO\r\nUID:t\r\nDTSTAMP:20240101T000000Z\r\n" + lines + "END:VTODO\r\n";
}

TEST(EdsMappingTest, TaskPriorityAndStatusOfOtherProgramsReadAsTheNearestValues)
{
    const CPimKindInfo& task = PimKindInfo(PimKind::task);
    const std::size_t importance = task.IndexOf(*task.FindProperty("Importance"));
    const std::size_t percent = task.IndexOf(*task.FindProperty("PercentComplete"));
    const struct {
        const char* lines;
        int importance;
        int percent;
    } cases[] = {
        {"", 1, 0},
        {"PRIORITY:0\r\n", 1, 0},
        {"PRIORITY:1\r\nSTATUS:COMPLETED\r\n", 2, 100},
        {"PRIORITY:4\r\nPERCENT-COMPLETE:30\r\nSTATUS:COMPLETED\r\n", 2, 30},
        {"PRIORITY:5\r\nSTATUS:IN-PROCESS\r\n", 1, 0},
        {"PRIORITY:6\r\nPERCENT-COMPLETE:150\r\n", 0, 100},
        {"PRIORITY:9\r\n", 0, 0},
    };
    for (const auto& c : cases) {
        CEdsItemData item;
        EdsReadItem(task, Todo(c.lines), "UTC", item);
        EXPECT_EQ(item.values[importance].ToInt(), c.importance) << c.lines;
        EXPECT_EQ(item.values[percent].ToInt(), c.percent) << c.lines;
        EXPECT_EQ(item.messageClass, "IPM.Task");
    }
}

TEST(EdsMappingTest, WholeDayEventsCoverEveryDayTheyTouch)
{
    const CPimKindInfo& kind = PimKindInfo(PimKind::appointment);
    const auto index = [&](const char* name) { return kind.IndexOf(*kind.FindProperty(name)); };
    const struct {
        COleDate start, end;
        COleDate readStart, readEnd;
    } cases[] = {
        {COleDate::FromFields(2024, 7, 1), COleDate::FromFields(2024, 7, 2), COleDate::FromFields(2024, 7, 1),
         COleDate::FromFields(2024, 7, 2)},
        // An end within a day counts that day whole; a start within a day
        // begins at its midnight.
        {COleDate::FromFields(2024, 7, 1, 9, 30), COleDate::FromFields(2024, 7, 3, 12, 0),
         COleDate::FromFields(2024, 7, 1), COleDate::FromFields(2024, 7, 4)},
        // An end before the start gives one day.
        {COleDate::FromFields(2024, 7, 5), COleDate::FromFields(2024, 7, 1), COleDate::FromFields(2024, 7, 5),
         COleDate::FromFields(2024, 7, 6)},
    };
    for (const auto& c : cases) {
        CEdsItemData item;
        item.uid = "w";
        item.messageClass = kind.ownClass;
        for (const CPimPropertyDef& property : kind.properties)
            item.values.push_back(property.initial);
        item.values[index("Start")] = CVariant(c.start);
        item.values[index("End")] = CVariant(c.end);
        item.values[index("AllDayEvent")] = CVariant(true);
        const std::string text =
            EdsWriteItem(kind, "", item, std::vector<bool>(kind.properties.size(), true), "UTC", COleDate::Now());
        EXPECT_NE(text.find("DTSTART;VALUE=DATE:" + c.readStart.Format("%Y%m%d")), std::string::npos) << text;
        CEdsItemData read;
        EdsReadItem(kind, text, "UTC", read);
        EXPECT_EQ(read.values[index("Start")].ToDate(), c.readStart);
        EXPECT_EQ(read.values[index("End")].ToDate(), c.readEnd);
        EXPECT_TRUE(read.values[index("AllDayEvent")].ToBool());
        EXPECT_EQ(read.messageClass, kind.ownClass);
    }
}

} // namespace
} // namespace tarnwel
