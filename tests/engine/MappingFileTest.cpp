#include "engine/CMappingFile.h"

#include "platform/base/ByteFile.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/BoxCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarnwel;
using ::testing::ElementsAre;
using Pairs = std::map<std::string, std::string>;

namespace {

Pairs Sorted(const CMappingTable::CTableView& table)
{
    Pairs pairs;
    for (const auto& [key, value] : table)
        pairs.emplace(key, value);
    return pairs;
}

// The file's inode: an atomic replacement gives the name a new one.
ino_t InodeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class MappingFile : public ::testing::Test {
protected:
    std::string Path(const char* name = "maps_appo.ids") const { return m_dir.Path(name); }

    std::string Read(const std::string& path) const
    {
        std::string bytes;
        EXPECT_EQ(ReadFileBytes(path, bytes), FileReadResult::ok);
        return bytes;
    }

    std::vector<std::string> m_boxes;
    test::CBoxCapture m_capture{[this](const CMessageBoxRequest& request) {
        EXPECT_EQ(request.icon, MessageBoxIcon::stop);
        m_boxes.push_back(request.text);
        return MessageBoxResult::ok;
    }};
    test::CTemporaryDirectory m_dir;
};

} // namespace

TEST(MappingTable, ManyPairsKeepTheirPartnersThroughRemovalsReAddsAndClear)
{
    // Enough ids to fill the first block of id bytes (64 KiB) and several of
    // the later ones (2 MiB) and grow the index, one id longer than a block,
    // and one id on both sides.
    CMappingTable table;
    const std::string longId((2u << 20) + 100, 'L');
    const auto entry = [](int i) { return "00000000D2A3F1E6C04B1A4F9E0E5A1B" + std::to_string(i); };
    constexpr int kPairs = 120000;
    for (int i = 0; i < kPairs / 2; ++i)
        table.AddMapping(std::to_string(i), entry(i));
    table.AddMapping(longId, "E-long");
    for (int i = kPairs / 2; i < kPairs; ++i)
        table.AddMapping(std::to_string(i), entry(i));
    table.AddMapping("both", "E-both");
    table.AddMapping("S-both", "both");
    for (int i = 0; i < kPairs; i += 2)
        table.RemoveMapping(std::to_string(i));
    for (int i = 0; i < kPairs; i += 4)
        table.AddMapping(std::to_string(i), entry(i));

    EXPECT_EQ(table.EntryToServer().size(), kPairs / 2 + kPairs / 4 + 3u);
    EXPECT_EQ(table.ServerToEntry().size(), kPairs / 2 + kPairs / 4 + 3u);
    for (int i = 0; i < kPairs; ++i) {
        const bool kept = i % 2 == 1 || i % 4 == 0;
        EXPECT_EQ(table.FindServerId(entry(i)).has_value(), kept) << i;
        EXPECT_EQ(table.FindEntryId(std::to_string(i)).has_value(), kept) << i;
        if (kept) {
            EXPECT_EQ(table.FindServerId(entry(i)), std::to_string(i));
        }
    }
    EXPECT_EQ(table.FindEntryId(longId), "E-long");
    EXPECT_EQ(table.FindServerId("E-long"), longId);
    EXPECT_EQ(table.FindEntryId("both"), "E-both");
    EXPECT_EQ(table.FindServerId("both"), "S-both");
    for (const auto& [entryId, serverId] : table.EntryToServer())
        EXPECT_EQ(table.FindEntryId(serverId), entryId);

    table.Clear();
    EXPECT_TRUE(table.EntryToServer().empty());
    EXPECT_FALSE(table.FindServerId(entry(1)));
    table.AddMapping("1", entry(1));
    EXPECT_EQ(Sorted(table.EntryToServer()), (Pairs{{entry(1), "1"}}));
}

TEST(MappingTable, IdsOfEveryLengthKeepTheirBytesAroundTheLengthsThatNeedAnotherByte)
{
    // An id's length goes before its bytes, seven bits a byte; an id longer
    // than the first block of id bytes (64 KiB) begins the blocks of 2 MiB,
    // and one longer than those has a block of its own.
    CMappingTable table;
    table.Reserve(2);
    const std::size_t lengths[] = {0,     1,     127,   128, 129, 16383, 16384, 65530, 65536 + 1, 70000,
                                   (2u << 20) - 4, (2u << 20) + 1, 5};
    const auto id = [](std::size_t length, char fill) {
        std::string text(length, fill);
        for (std::size_t i = 0; i < length; i += 97)
            text[i] = static_cast<char>('0' + i % 10);
        return text;
    };
    for (const std::size_t length : lengths)
        table.AddMapping("S" + id(length, 's'), id(length, 'e'));
    for (const std::size_t length : lengths) {
        EXPECT_EQ(table.FindServerId(id(length, 'e')), "S" + id(length, 's')) << length;
        EXPECT_EQ(table.FindEntryId("S" + id(length, 's')), id(length, 'e')) << length;
        EXPECT_FALSE(table.FindServerId(id(length, 'e') + "x")) << length;
    }
    Pairs expected;
    for (const std::size_t length : lengths)
        expected.emplace(id(length, 'e'), "S" + id(length, 's'));
    EXPECT_EQ(Sorted(table.EntryToServer()), expected);
}

TEST(MappingTable, RemovalsKeepBothTablesInverse)
{
    CMappingTable table;
    table.AddMapping("S1", "E1");
    table.AddMapping("S2", "E2");
    table.AddMapping("S2", "E3");  // one server id, two entry ids: the later one is its partner

    EXPECT_EQ(Sorted(table.EntryToServer()), (Pairs{{"E1", "S1"}, {"E2", "S2"}, {"E3", "S2"}}));
    EXPECT_EQ(Sorted(table.ServerToEntry()), (Pairs{{"S1", "E1"}, {"S2", "E3"}}));

    // Forgetting E2 leaves S2 with the partner it still has.
    table.RemoveEntry("E2");
    EXPECT_EQ(*table.FindEntryId("S2"), "E3");
    table.RemoveEntry("E3");
    EXPECT_FALSE(table.FindEntryId("S2"));

    table.RemoveMapping("S1");
    table.RemoveMapping("unknown");
    EXPECT_TRUE(table.EntryToServer().empty());
    EXPECT_TRUE(table.ServerToEntry().empty());
}

TEST(MappingFileText, EachLineGivesItsPairAndADamagedLineOnlyItsOwn)
{
    struct Case {
        const char* name;
        std::string bytes;
        Pairs entryToServer;
        Pairs serverToEntry;
        std::vector<std::string> skipped;  // the trace lines of damaged lines
    };
    const std::string longId(5000, 'L');
    // Many lines of one entry id: the last one holds, however many come between.
    std::string sameEntry;
    Pairs sameEntryServerToEntry;
    for (int i = 0; i < 20; ++i) {
        sameEntry += "E S" + std::to_string(i) + "\r\n";
        sameEntryServerToEntry["S" + std::to_string(i)] = "E";
    }
    const Case cases[] = {
        {"empty", "", {}, {}, {}},
        {"last line ends with a break", "E1 S1\r\nE2 S2\r\n", {{"E1", "S1"}, {"E2", "S2"}}, {{"S1", "E1"}, {"S2", "E2"}}, {}},
        {"no final break, odd white space", "  E1\tS1\n\nE2   S2", {{"E1", "S1"}, {"E2", "S2"}}, {{"S1", "E1"}, {"S2", "E2"}}, {}},
        {"lone CR ends a line", "E1 S1\rE2 S2\r", {{"E1", "S1"}, {"E2", "S2"}}, {{"S1", "E1"}, {"S2", "E2"}}, {}},
        {"mixed line ends count their lines", "E1 S1\n\rE2\rE3 S3\r\n\nE4 S4\r\r\nE5", {{"E1", "S1"}, {"E3", "S3"}, {"E4", "S4"}},
         {{"S1", "E1"}, {"S3", "E3"}, {"S4", "E4"}},
         {"Mapping file line 3 skipped: one id only", "Mapping file line 8 skipped: one id only"}},
        {"server id twice", "E1 S\r\nE2 S\r\n", {{"E1", "S"}, {"E2", "S"}}, {{"S", "E2"}}, {}},
        {"entry id twice", "E S1\r\nE S2\r\n", {{"E", "S2"}}, {{"S1", "E"}, {"S2", "E"}}, {}},
        {"entry id twice, the later line of another form", "E S1\r\nF S3\r\nE\tS2\r\n", {{"E", "S2"}, {"F", "S3"}},
         {{"S1", "E"}, {"S2", "E"}, {"S3", "F"}}, {}},
        {"entry id on many lines", sameEntry, {{"E", "S19"}}, sameEntryServerToEntry, {}},
        {"case counts", "e s\r\nE S\r\n", {{"e", "s"}, {"E", "S"}}, {{"s", "e"}, {"S", "E"}}, {}},
        {"no length limit", longId + " " + longId + "2\r\n", {{longId, longId + "2"}}, {{longId + "2", longId}}, {}},
        {"references and Latin-1", "M\xFC&#x20;1 &#x20ac;\r\n", {{"M\xC3\xBC 1", "\xE2\x82\xAC"}}, {{"\xE2\x82\xAC", "M\xC3\xBC 1"}}, {}},
        // Damage costs the damaged line's pair and no other.
        {"one id only", "E1 S1\r\nE2\r\nE3 S3\r\nE4 S4\r\n", {{"E1", "S1"}, {"E3", "S3"}, {"E4", "S4"}},
         {{"S1", "E1"}, {"S3", "E3"}, {"S4", "E4"}}, {"Mapping file line 2 skipped: one id only"}},
        {"three ids", "E1 S1\r\nE2 S2 X\r\nE3 S3\r\n", {{"E1", "S1"}, {"E3", "S3"}}, {{"S1", "E1"}, {"S3", "E3"}},
         {"Mapping file line 2 skipped: more than two ids"}},
        {"NUL byte", std::string("E1 S1\r\nE2 S\0" "2\r\nE3 S3\r\n", 22), {{"E1", "S1"}, {"E3", "S3"}},
         {{"S1", "E1"}, {"S3", "E3"}}, {"Mapping file line 2 skipped: it holds a NUL byte"}},
        {"a line cut into two", "E1 S1\r\nE2\r\nS2\r\nE3 S3\r\n", {{"E1", "S1"}, {"E3", "S3"}}, {{"S1", "E1"}, {"S3", "E3"}},
         {"Mapping file line 2 skipped: one id only", "Mapping file line 3 skipped: one id only"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMappingTable table;
        std::vector<std::string> trace;
        CMappingFile::ReadPairs(c.bytes, table, [&](const std::string& text) { trace.push_back(text); });
        EXPECT_EQ(Sorted(table.EntryToServer()), c.entryToServer);
        EXPECT_EQ(Sorted(table.ServerToEntry()), c.serverToEntry);
        EXPECT_EQ(trace, c.skipped);
    }
    // Without a listener the damage is passed over all the same.
    CMappingTable table;
    CMappingFile::ReadPairs("E1\r\nE2 S2\r\n", table);
    EXPECT_EQ(Sorted(table.EntryToServer()), (Pairs{{"E2", "S2"}}));
}

TEST(MappingFileText, AByteThatIsNotPlainIsFoundAtEveryPlaceOfAnId)
{
    // Ids are read (and told plain) eight bytes at a time while they are
    // plain; a byte that is not must be met wherever it stands, on either
    // side of a boundary.
    const struct {
        std::string inserted;
        std::string meant;       // what it stands for in the id
        const char* skipped;     // or the reason the line is skipped
    } cases[] = {
        {"\xFC", "\xC3\xBC", nullptr},
        {"&#x41;", "A", nullptr},
        {"\x7F", "\x7F", nullptr},
        {" ", "", "more than two ids"},
        {"\t", "", "more than two ids"},
        {std::string(1, '\0'), "", "it holds a NUL byte"},
    };
    // In either id of the line, the second one short enough to end inside
    // an eight-byte word.
    const std::string plainIds[] = {"00000000D2A3F1E6C04B1A4F", "A1B2C3D4E5F"};
    for (const auto& c : cases) {
        for (int side = 0; side < 2; ++side) {
            const std::string& plain = plainIds[side];
            for (std::size_t at = 1; at < plain.size(); ++at) {
                SCOPED_TRACE(c.meant + " at " + std::to_string(at) + " of id " + std::to_string(side));
                const std::string token = plain.substr(0, at) + c.inserted + plain.substr(at);
                const std::string line = side == 0 ? token + " " + plainIds[1] + "\r\n" : plainIds[0] + " " + token + "\r\n";
                CMappingTable table;
                std::vector<std::string> trace;
                CMappingFile::ReadPairs(line, table, [&](const std::string& text) { trace.push_back(text); });
                if (c.skipped) {
                    EXPECT_TRUE(table.EntryToServer().empty());
                    EXPECT_EQ(trace, std::vector<std::string>{std::string("Mapping file line 1 skipped: ") + c.skipped});
                } else {
                    const std::string meant = plain.substr(0, at) + c.meant + plain.substr(at);
                    if (side == 0)
                        EXPECT_EQ(table.FindEntryId(plainIds[1]), meant);
                    else
                        EXPECT_EQ(table.FindServerId(plainIds[0]), meant);
                    EXPECT_TRUE(trace.empty());
                    EXPECT_EQ(CMappingFile::DecodeId(token), meant);
                }
            }
        }
    }
}

TEST(MappingFileText, TheJournalReplaysItsRecordsInOrderAndOnlyWholeOnes)
{
    CMappingTable table;
    CMappingFile::ReadPairs("E1 S1\r\nE2 S2\r\nE3 S3\r\n", table);
    std::vector<std::string> trace;
    CMappingFile::ReplayJournal("add E4 S4\r\n"
                                "remove S1\r\n"
                                "forget E2\r\n"
                                "add M\xFC&#x20;5 S5\r\n"
                                "add E6\r\n"          // damaged: costs this record only
                                "frobnicate E3\r\n"   // not a record
                                "add E7 S7\r\n"
                                "remove S3",            // cut off by the end of the process
                                table, [&](const std::string& text) { trace.push_back(text); });
    EXPECT_EQ(Sorted(table.EntryToServer()), (Pairs{{"E3", "S3"}, {"E4", "S4"}, {"M\xC3\xBC 5", "S5"}, {"E7", "S7"}}));
    EXPECT_THAT(trace, ElementsAre("Mapping journal line 5 skipped: not a record",
                                   "Mapping journal line 6 skipped: not a record",
                                   "Mapping journal line 8 skipped: its end was cut off"));

    CMappingFile::ReplayJournal("clear\r\nadd E8 S8\r\n", table);
    EXPECT_EQ(Sorted(table.EntryToServer()), (Pairs{{"E8", "S8"}}));
    EXPECT_EQ(Sorted(table.ServerToEntry()), (Pairs{{"S8", "E8"}}));
}

TEST(MappingFileText, APendingPairIsKeptAsideUntilALaterRecordNamingEitherIdSettlesIt)
{
    using Pending = std::vector<CMappingFile::CPendingPair>;
    struct Case {
        const char* name;
        const char* journal;
        Pairs pairs;      // over the file's pair E1 S1
        Pending pending;  // kept aside, in the journal's order
    };
    const Case cases[] = {
        {"unsettled: not a pair", "pending E2 S2\r\npending E&#x20;3 S3\r\n", {{"E1", "S1"}},
         {{"E2", "S2"}, {"E 3", "S3"}}},
        {"its add after the commit", "pending E2 S2\r\npending E3 S3\r\nadd E2 S2\r\nadd E3 S3\r\n",
         {{"E1", "S1"}, {"E2", "S2"}, {"E3", "S3"}}, {}},
        {"the server id paired since with another entry", "pending E2 S2\r\nadd E9 S2\r\n",
         {{"E1", "S1"}, {"E9", "S2"}}, {}},
        {"the entry forgotten, the server id removed",
         "pending E2 S2\r\npending E3 S3\r\nforget E2\r\nremove S3\r\n", {{"E1", "S1"}}, {}},
        {"clear", "pending E2 S2\r\nclear\r\n", {}, {}},
        {"a later pending of either id takes the place", "pending E2 S2\r\npending E2 S4\r\npending E5 S4\r\n",
         {{"E1", "S1"}}, {{"E5", "S4"}}},
        {"of an entry the file pairs already: the pair stays", "pending E1 S2\r\n", {{"E1", "S1"}},
         {{"E1", "S2"}}},
        {"cut in the middle of the records", "pending E2 S2\r\npending E3 S3\r\npending E4", {{"E1", "S1"}},
         {{"E2", "S2"}, {"E3", "S3"}}},
        {"damaged", "pending E2\r\npending E2 S2 S3\r\n", {{"E1", "S1"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMappingTable table;
        CMappingFile::ReadPairs("E1 S1\r\n", table);
        Pending pending;
        CMappingFile::ReplayJournal(c.journal, table, {}, &pending);
        EXPECT_EQ(Sorted(table.EntryToServer()), c.pairs);
        EXPECT_EQ(pending, c.pending);
    }
    EXPECT_EQ(CMappingFile::PendingRecords({{"E 1", "S1"}, {"E2", "S2"}}), "pending E&#x20;1 S1\r\npending E2 S2\r\n");
}

// Pending pairs marked before a commit, the process ended before their "add"
// records: the next load keeps them aside, and a save before they are
// settled keeps them in the journal, alone.
TEST_F(MappingFile, UnsettledPendingPairsOutliveASaveUntilTheyAreSettled)
{
    {
        CMappingFile file(Path());
        CMappingTable table;
        ASSERT_TRUE(file.Load(table));
        table.AddMapping("S1", "E1");
        file.JournalAdd("S1", "E1", table);
        EXPECT_TRUE(file.JournalPending({{true, "S2", "E2"}, {false, "S9", "E9"}, {true, "S3", "E3"}}));
    }
    EXPECT_EQ(Read(Path() + ".journal"), "add E1 S1\r\npending E2 S2\r\npending E3 S3\r\n");
    const std::vector<CMappingFile::CPendingPair> expected{{"E2", "S2"}, {"E3", "S3"}};
    CMappingFile file(Path());
    CMappingTable table;
    ASSERT_TRUE(file.Load(table));
    EXPECT_EQ(Sorted(table.EntryToServer()), (Pairs{{"E1", "S1"}}));
    EXPECT_EQ(file.UnsettledPairs(), expected);

    file.Save(table);
    EXPECT_EQ(Read(Path()), "E1 S1\r\n");
    EXPECT_EQ(Read(Path() + ".journal"), "pending E2 S2\r\npending E3 S3\r\n");
    {
        CMappingFile again(Path());
        CMappingTable reloaded;
        ASSERT_TRUE(again.Load(reloaded));
        EXPECT_EQ(again.UnsettledPairs(), expected);
    }
    // Settled: the save no longer keeps them.
    file.ForgetUnsettledPairs();
    table.AddMapping("S4", "E4");
    file.Save(table);
    EXPECT_FALSE(std::filesystem::exists(Path() + ".journal"));
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(MappingFile, ChangesSurviveAProcessThatEndsWithoutSavingAndTheSaveRemovesTheJournal)
{
    CMappingTable previous;
    previous.AddMapping("S1", "E1");
    previous.AddMapping("S2", "E2");
    CMappingFile(Path()).Save(previous);

    // A child process loads, records changes and ends at once, as a killed
    // one would: no save, no destructor.
    const pid_t child = ::fork();
    if (child == 0) {
        CMappingFile file(Path());
        CMappingTable table;
        if (!file.Load(table))
            ::_exit(2);
        table.AddMapping("S3", "E3");
        file.JournalAdd("S3", "E3", table);
        table.RemoveMapping("S1");
        file.JournalRemove("S1", table);
        table.RemoveEntry("E2");
        file.JournalForget("E2", table);
        table.AddMapping("S 4", "E 4");
        file.JournalAdd("S 4", "E 4", table);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Read(Path() + ".journal"), "add E3 S3\r\nremove S1\r\nforget E2\r\nadd E&#x20;4 S&#x20;4\r\n");

    CMappingFile file(Path());
    CMappingTable table;
    ASSERT_TRUE(file.Load(table));
    const Pairs expected{{"E3", "S3"}, {"E 4", "S 4"}};
    EXPECT_EQ(Sorted(table.EntryToServer()), expected);
    file.Save(table);
    EXPECT_FALSE(std::filesystem::exists(Path() + ".journal"));
    CMappingTable reloaded;
    ASSERT_TRUE(CMappingFile(Path()).Load(reloaded));
    EXPECT_EQ(Sorted(reloaded.EntryToServer()), expected);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(MappingFile, ARecordAfterAnotherStoresSaveBeginsANewJournal)
{
    CMappingFile run(Path());
    CMappingFile vacuum(Path());
    CMappingTable runTable, vacuumTable;
    ASSERT_TRUE(run.Load(runTable));
    ASSERT_TRUE(vacuum.Load(vacuumTable));
    vacuum.Save(vacuumTable);  // removes the journal the run has open
    runTable.AddMapping("S1", "E1");
    run.JournalAdd("S1", "E1", runTable);
    EXPECT_EQ(Read(Path() + ".journal"), "add E1 S1\r\n");
}

TEST_F(MappingFile, AJournalThatCannotGrowGivesWayToAWholeSave)
{
    CMappingFile file(Path());
    CMappingTable table;
    ASSERT_TRUE(file.Load(table));
    for (int i = 0; i < 200; ++i) {
        table.AddMapping("S" + std::to_string(i), "E" + std::to_string(i));
        file.JournalAdd("S" + std::to_string(i), "E" + std::to_string(i), table);
        table.RemoveMapping("S" + std::to_string(i));
        file.JournalRemove("S" + std::to_string(i), table);
    }
    table.AddMapping("S", "E");
    {
        // The journal has grown past the limit; the whole file stays below it.
        test::CFileSizeLimit limit(1024);
        file.JournalAdd("S", "E", table);
    }
    EXPECT_EQ(Read(Path()), "E S\r\n");
    EXPECT_FALSE(std::filesystem::exists(Path() + ".journal"));
    EXPECT_TRUE(m_boxes.empty());
}

// Pending records that do not fit are not written at all (a part would cut
// the next record), and no whole save stands in for them: the tables hold
// pairs of items not yet committed.
TEST_F(MappingFile, PendingRecordsThatDoNotFitLeaveTheJournalAndTheFileAsTheyWere)
{
    CMappingFile file(Path());
    CMappingTable table;
    ASSERT_TRUE(file.Load(table));
    table.AddMapping("S1", "E1");
    file.JournalAdd("S1", "E1", table);
    std::vector<CMappingFile::CChange> changes;
    for (int i = 0; i < 100; ++i) {
        table.AddMapping("P" + std::to_string(i), "N" + std::to_string(i));
        changes.push_back({true, "P" + std::to_string(i), "N" + std::to_string(i)});
    }
    {
        test::CFileSizeLimit limit(512);
        EXPECT_FALSE(file.JournalPending(changes));
    }
    EXPECT_EQ(Read(Path() + ".journal"), "add E1 S1\r\n");
    EXPECT_EQ(Read(Path()), "");
    table.AddMapping("S2", "E2");
    file.JournalAdd("S2", "E2", table);
    EXPECT_EQ(Read(Path() + ".journal"), "add E1 S1\r\nadd E2 S2\r\n");
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(MappingFile, ASaveOfUnchangedPairsLeavesAFileInTheSavedFormUntouched)
{
    const auto inode = [this] { return InodeOf(Path()); };
    std::ofstream(Path(), std::ios::binary) << "E1 S1\r\nE2 S2\r\n";
    const auto before = inode();
    {
        CMappingFile file(Path());
        CMappingTable table;
        ASSERT_TRUE(file.Load(table));
        file.Save(table);
        EXPECT_EQ(inode(), before);
        EXPECT_EQ(Read(Path()), "E1 S1\r\nE2 S2\r\n");
        EXPECT_FALSE(std::filesystem::exists(Path() + ".journal"));

        // A change made and undone is still a change: the file is written.
        table.AddMapping("S3", "E3");
        file.JournalAdd("S3", "E3", table);
        table.RemoveEntry("E3");
        file.JournalForget("E3", table);
        file.Save(table);
        EXPECT_NE(inode(), before);
        EXPECT_EQ(Read(Path()), "E1 S1\r\nE2 S2\r\n");
        EXPECT_FALSE(std::filesystem::exists(Path() + ".journal"));

        // Saved once, the same pairs are not written again; another table
        // (even with the same pairs) is.
        const auto saved = inode();
        file.Save(table);
        EXPECT_EQ(inode(), saved);
        CMappingTable other;
        other.AddMapping("S1", "E1");
        other.AddMapping("S2", "E2");
        file.Save(other);
        EXPECT_NE(inode(), saved);
    }
    {
        // Another store of the directory at work may write to the journal:
        // the empty journal stays, the file too.
        CMappingFile busy(Path("maps_cont.ids"));
        CMappingTable unused;
        ASSERT_TRUE(busy.Load(unused));
        CMappingFile file(Path());
        CMappingTable table;
        ASSERT_TRUE(file.Load(table));
        const auto loaded = inode();
        file.Save(table);
        EXPECT_EQ(inode(), loaded);
        EXPECT_EQ(Read(Path() + ".journal"), "");
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(MappingFile, AFileNotInTheSavedFormIsWrittenAnewByASaveWithoutChanges)
{
    const struct {
        const char* name;
        std::string bytes;
        std::string journal;  // none when empty
        std::string saved;    // empty: any order of the pairs
    } cases[] = {
        {"line feeds", "E1 S1\nE2 S2\n", "", "E1 S1\r\nE2 S2\r\n"},
        {"lone carriage returns", "E1 S1\rE2 S2\r", "", "E1 S1\r\nE2 S2\r\n"},
        {"no final line end", "E1 S1\r\nE2 S2", "", "E1 S1\r\nE2 S2\r\n"},
        {"a tab", "E1\tS1\r\n", "", "E1 S1\r\n"},
        {"two blanks", "E1  S1\r\n", "", "E1 S1\r\n"},
        {"a leading blank", " E1 S1\r\n", "", "E1 S1\r\n"},
        {"an empty line", "E1 S1\r\n\r\nE2 S2\r\n", "", "E1 S1\r\nE2 S2\r\n"},
        {"a damaged line", "E1 S1\r\nE2\r\nE3 S3\r\n", "", "E1 S1\r\nE3 S3\r\n"},
        {"an entry id twice", "E1 S1\r\nE1 S2\r\n", "", "E1 S2\r\n"},
        {"a server id twice", "E1 S\r\nE2 S\r\n", "", "E1 S\r\nE2 S\r\n"},
        {"an id on both sides", "A B\r\nB C\r\n", "", ""},
        {"a journal record", "E1 S1\r\n", "add E2 S2\r\n", "E1 S1\r\nE2 S2\r\n"},
        {"a damaged journal record", "E1 S1\r\n", "junk\r\n", "E1 S1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(Path(), std::ios::binary | std::ios::trunc) << c.bytes;
        std::filesystem::remove(Path() + ".journal");
        if (!c.journal.empty())
            std::ofstream(Path() + ".journal", std::ios::binary) << c.journal;
        const auto before = InodeOf(Path());
        CMappingFile file(Path());
        CMappingTable table;
        ASSERT_TRUE(file.Load(table));
        const Pairs loaded = Sorted(table.EntryToServer());
        file.Save(table);
        EXPECT_NE(InodeOf(Path()), before);
        if (!c.saved.empty()) {
            EXPECT_EQ(Read(Path()), c.saved);
        }
        EXPECT_FALSE(std::filesystem::exists(Path() + ".journal"));
        CMappingTable reloaded;
        CMappingFile::ReadPairs(Read(Path()), reloaded);
        EXPECT_EQ(Sorted(reloaded.EntryToServer()), loaded);
    }
}

TEST_F(MappingFile, LoadRemovesTheTemporaryFilesOfAnInterruptedSaveUnlessAnotherStoreIsAtWork)
{
    const std::string stray = Path() + ".0123456789ab.tmp";
    const std::string other = Path("maps_appo.idsx.0123456789ab.tmp");
    std::ofstream(stray) << "E1 S";
    std::ofstream(other) << "not ours";
    {
        // Another store of the directory holds it: a temporary file may be
        // its save in progress.
        CMappingFile busy(Path("maps_cont.ids"));
        CMappingTable unused;
        ASSERT_TRUE(busy.Load(unused));
        CMappingTable table;
        ASSERT_TRUE(CMappingFile(Path()).Load(table));
        EXPECT_TRUE(std::filesystem::exists(stray));
    }
    CMappingTable table;
    ASSERT_TRUE(CMappingFile(Path()).Load(table));
    EXPECT_FALSE(std::filesystem::exists(stray));
    EXPECT_TRUE(std::filesystem::exists(other));
}

// The files tell which of the user's items are replicated: whatever the
// umask, a new file and a new journal are the user's alone, and every save
// writes the file so, also over one an earlier version made 0644.
TEST_F(MappingFile, FilesAndJournalAreTheUsersAloneWhateverTheUmask)
{
    const auto mode = [](const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    };
    for (const mode_t mask : {mode_t{0}, mode_t{022}}) {
        SCOPED_TRACE(mask);
        std::filesystem::remove(Path());
        const mode_t previous = ::umask(mask);
        {
            CMappingFile file(Path());
            CMappingTable table;
            ASSERT_TRUE(file.Load(table));
            EXPECT_EQ(mode(Path()), 0600u);
            table.AddMapping("S1", "E1");
            file.JournalAdd("S1", "E1", table);
            EXPECT_EQ(mode(file.JournalPath()), 0600u);
            ASSERT_EQ(::chmod(Path().c_str(), 0644), 0);
            file.Save(table);
            EXPECT_EQ(mode(Path()), 0600u);
        }
        ::umask(previous);
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(MappingFile, SaveAndLoadRoundTripEveryId)
{
    CMappingTable saved;
    saved.AddMapping("S1", "00000000A1B2C3");
    saved.AddMapping("S1", "00000000D4E5F6");  // a server id with two entry ids
    saved.AddMapping("with blank\tand tab", "line\r\nbreak");
    saved.AddMapping("&#x20; stays literal", "M\xC3\xBCller \xE2\x82\xAC");
    saved.AddMapping(std::string(300, 's'), std::string(400, 'e'));
    CMappingFile(Path()).Save(saved);

    CMappingTable loaded;
    EXPECT_TRUE(CMappingFile(Path()).Load(loaded));
    EXPECT_EQ(Sorted(loaded.EntryToServer()), Sorted(saved.EntryToServer()));
    // The inverse of what was read: the server id keeps one of its partners.
    EXPECT_EQ(loaded.ServerToEntry().size(), 4u);
    for (const auto& [serverId, entryId] : loaded.ServerToEntry())
        EXPECT_EQ(loaded.FindServerId(entryId), serverId);

    // One pair a line, CR LF, the entry id first; white space inside an id is
    // escaped so every line holds exactly two tokens.
    const std::string bytes = Read(Path());
    EXPECT_NE(bytes.find("00000000A1B2C3 S1\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("line&#xd;&#xa;break with&#x20;blank&#x9;and&#x20;tab\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("M\xFCller&#x20;&#x20ac; &#x26;#x20;&#x20;stays&#x20;literal\r\n"), std::string::npos);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(MappingFile, EmptyIdsAreLeftOutSoNoPairShifts)
{
    CMappingTable table;
    table.AddMapping("", "E1");
    table.AddMapping("S2", "");
    table.AddMapping("S3", "E3");
    CMappingFile(Path()).Save(table);
    EXPECT_EQ(Read(Path()), "E3 S3\r\n");
}

TEST_F(MappingFile, MissingFileIsCreatedEmpty)
{
    CMappingTable table;
    EXPECT_TRUE(CMappingFile(Path()).Load(table));
    EXPECT_EQ(Read(Path()), "");
    EXPECT_TRUE(table.EntryToServer().empty());
    EXPECT_TRUE(m_boxes.empty());

    // A file that cannot be created leaves the tables empty and says so.
    EXPECT_FALSE(CMappingFile(Path("missing/maps_appo.ids")).Load(table));
    EXPECT_THAT(m_boxes, ElementsAre("cannot create file"));
    EXPECT_TRUE(table.EntryToServer().empty());
}

TEST_F(MappingFile, AFileThatCannotBeWrittenIsRefusedAtLoad)
{
    ASSERT_TRUE(WriteFileAtomically(Path(), "E1 S1\r\n"));
    {
        // A full disk: nothing more can be written.
        test::CFileSizeLimit full(0);
        CMappingTable table;
        EXPECT_FALSE(CMappingFile(Path()).Load(table));
    }
    EXPECT_THAT(m_boxes, ElementsAre("ERROR: cannot open map file"));
    EXPECT_EQ(Read(Path()), "E1 S1\r\n");
    EXPECT_EQ(m_dir.EntryCount(), 2);  // the file and the journal it could open
}

TEST_F(MappingFile, SaveThatCannotCreateItsFileGoesOn)
{
    CMappingTable table;
    table.AddMapping("S", "E");
    CMappingFile(Path("missing/maps_appo.ids")).Save(table);
    EXPECT_THAT(m_boxes, ElementsAre("ERROR: cannot open map file"));
    EXPECT_EQ(m_dir.EntryCount(), 0);
}

using MappingFileDeathTest = MappingFile;

TEST_F(MappingFileDeathTest, UnreadableFileEndsTheProgram)
{
    // A directory in the file's place opens but cannot be read.
    std::filesystem::create_directory(Path());
    CScopedUiBackend toStandardError{DefaultUiBackend()};
    CMappingTable table;
    EXPECT_EXIT(CMappingFile(Path()).Load(table), ::testing::ExitedWithCode(1),
                "ERROR: cannot read from mapping file");
}

TEST_F(MappingFileDeathTest, DiskFullPartWayEndsTheProgramAndKeepsThePreviousFile)
{
    CMappingTable previous;
    previous.AddMapping("S1", "E1");
    CMappingFile(Path()).Save(previous);
    const std::string before = Read(Path());

    CMappingTable larger;
    for (int i = 0; i < 2000; ++i)
        larger.AddMapping("server-" + std::to_string(i), "entry-" + std::to_string(i));
    CScopedUiBackend toStandardError{DefaultUiBackend()};
    EXPECT_EXIT(
        {
            test::CFileSizeLimit diskFull(4096);
            CMappingFile(Path()).Save(larger);
        },
        ::testing::ExitedWithCode(1), "ERROR: cannot write to mapping file");

    EXPECT_EQ(Read(Path()), before);
    EXPECT_EQ(m_dir.EntryCount(), 1);  // no temporary file left behind
}
