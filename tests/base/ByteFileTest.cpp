#include "platform/base/ByteFile.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace tarnwel;
namespace fs = std::filesystem;

namespace {

class ByteFile : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return m_dir.Path(name); }

    std::string Read(const std::string& path) const
    {
        std::string bytes;
        EXPECT_EQ(ReadFileBytes(path, bytes), FileReadResult::ok);
        return bytes;
    }

    int EntryCount() const { return m_dir.EntryCount(); }

    test::CTemporaryDirectory m_dir;
};

} // namespace

TEST_F(ByteFile, Latin1LinesRoundTripEveryText)
{
    struct Case {
        std::string text;
        std::string bytes;
    };
    const Case cases[] = {
        {"plain ASCII, & and ; stay", "plain ASCII, & and ; stay"},
        {"Gr\xC3\xBC\xC3\x9F" "e", "Gr\xFC\xDF" "e"},                 // Latin-1: one byte each
        {"\xE2\x82\xAC 5", "&#x20ac; 5"},                              // above U+00FF: a reference
        {"\xF0\x9F\x98\x80", "&#x1f600;"},
        {"two\r\nlines", "two&#xd;&#xa;lines"},                        // keeps the line structure
        {"&#x41; typed", "&#x26;#x41; typed"},                         // would read back as "A"
        {"&#x; &#xZZ; &#x110000;", "&#x; &#xZZ; &#x110000;"},          // no reference: unchanged
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeLatin1Line(c.text), c.bytes) << c.text;
        EXPECT_EQ(DecodeLatin1Line(c.bytes), c.text) << c.text;
    }
}

TEST_F(ByteFile, SplitsLinesAtEveryKindOfLineEnd)
{
    const auto lines = SplitLines("a\r\nb\nc\rd\r\n\r\ne");
    EXPECT_EQ(lines, (std::vector<std::string_view>{"a", "b", "c", "d", "", "e"}));
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(SplitLines("x\r\n").size(), 1u);
}

TEST_F(ByteFile, ReadTellsMissingFromFailed)
{
    std::string bytes = "kept";
    std::string error;
    EXPECT_EQ(ReadFileBytes(Path("none"), bytes, &error), FileReadResult::missing);
    EXPECT_EQ(bytes, "kept");
    EXPECT_NE(error.find("none"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(m_dir.Path().string(), bytes), FileReadResult::failed);  // a directory
}

TEST_F(ByteFile, AtomicWriteReplacesTheWholeFileAndLeavesNoTemporary)
{
    const std::string path = Path("maps.ids");
    ASSERT_TRUE(WriteFileAtomically(path, "old\r\n"));
    ASSERT_TRUE(WriteFileAtomically(path, std::string(200000, 'x')));
    EXPECT_EQ(Read(path), std::string(200000, 'x'));
    EXPECT_EQ(EntryCount(), 1);
}

TEST_F(ByteFile, ModesFollowTheOptions)
{
    const std::string secret = Path("secret.ini");
    ASSERT_TRUE(WriteFileAtomically(secret, "password = x\r\n", {.newFileMode = 0600, .forceMode = true}));
    struct stat info {};
    ASSERT_EQ(::stat(secret.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const std::string shared = Path("shared.ids");
    ASSERT_TRUE(WriteFileAtomically(shared, "a b\r\n"));
    ASSERT_EQ(::chmod(shared.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(shared, "c d\r\n"));  // an existing file keeps its mode
    ASSERT_EQ(::stat(shared.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(ByteFile, FailedWritesLeaveThePreviousFileIntact)
{
    const std::string path = Path("maps.ids");
    ASSERT_TRUE(WriteFileAtomically(path, "entry server\r\n"));

    // A directory that does not exist: nothing can be created.
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(Path("missing/maps.ids"), "x", {}, &error));
    EXPECT_NE(error.find("missing/maps.ids"), std::string::npos);

    // The disk fills up part way.
    bool committed = false;
    CAtomicFileWriter writer;
    {
        test::CFileSizeLimit diskFull(4096);  // write() fails after 4 KiB
        ASSERT_TRUE(writer.Open(path));
        bool written = true;
        for (int i = 0; i < 100 && written; ++i)
            written = writer.Write(std::string(1000, 'y'));
        committed = written && writer.Commit();
    }

    EXPECT_FALSE(committed);
    EXPECT_NE(writer.Error().find("cannot write"), std::string::npos);
    EXPECT_EQ(Read(path), "entry server\r\n");
    EXPECT_EQ(EntryCount(), 1);  // the temporary file is gone
}

// A clean-up of stray temporary files never takes the file of a save under
// way: the writer holds the directory while its temporary file exists.
TEST_F(ByteFile, ACleanUpLeavesTheTemporaryFileOfASaveUnderWay)
{
    const std::string path = Path("TarnwelClient.ini");
    const std::string stray = path + ".0123456789ab.tmp";
    ASSERT_TRUE(WriteFileAtomically(stray, "left by a killed save"));
    {
        CAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(path));
        ASSERT_TRUE(writer.Write("URL = x\r\n"));
        EXPECT_EQ(RemoveStrayTemporaryFilesWhenAlone(path), 0);
        EXPECT_EQ(EntryCount(), 2);  // the stray file and the writer's own
        ASSERT_TRUE(writer.Commit());
    }
    EXPECT_EQ(Read(path), "URL = x\r\n");
    EXPECT_EQ(RemoveStrayTemporaryFilesWhenAlone(path), 1);
    EXPECT_EQ(EntryCount(), 1);
}

TEST_F(ByteFile, DiscardedWriterChangesNothing)
{
    const std::string path = Path("maps.ids");
    ASSERT_TRUE(WriteFileAtomically(path, "keep"));
    {
        CAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(path));
        ASSERT_TRUE(writer.Write("half"));
    }  // destroyed without Commit
    EXPECT_EQ(Read(path), "keep");
    EXPECT_EQ(EntryCount(), 1);
}

TEST_F(ByteFile, WritesThroughASymbolicLink)
{
    const std::string target = Path("real.ini");
    const std::string link = Path("TarnwelClient.ini");
    ASSERT_TRUE(WriteFileAtomically(target, "old"));
    fs::create_symlink(target, link);
    ASSERT_TRUE(WriteFileAtomically(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(target), "new");
}
