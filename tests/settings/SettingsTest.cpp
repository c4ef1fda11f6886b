#include "settings/CReplicationSettings.h"

#include "platform/base/ByteFile.h"
#include "platform/base/UserLocale.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/ScopedUserLocale.h"
#include "tests/support/BoxCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <fcntl.h>
#include <sys/file.h>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarnwel;
namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefixes[] = {"Appo", "Cont", "Task"};

// A record in which every field differs from its default and from the fields
// around it, so that a line written or read in the wrong place shows. Rule
// codes beyond the dialogs' ranges are kept as they are.
CReplicationSettings Distinct()
{
    CReplicationSettings s;
    s.serverUrl = "https://groupware.example.org:8443/tarnwelreplication";
    s.userName = "M\xC3\xBCller";
    s.password = "geheim";
    s.since = COleDate::FromFields(2025, 4, 3);
    s.lastRun = COleDate::FromFields(2026, 12, 8, 6, 39, 29);
    s.all = 0;
    s.soapTimeout = 120000;
    s.replicateAppointments = s.replicateContacts = s.replicateTasks = 0;
    s.vacuumAppointments = s.vacuumContacts = s.vacuumTasks = 0;
    s.loggingEnabled = 0;
    s.saveLog = 1;
    s.convertBefore = 0;
    s.vacuumAll = 1;
    s.scheduleMinutes = 90;
    CKindRules* rules[] = {&s.appointmentRules, &s.contactRules, &s.taskRules};
    for (int k = 0; k < 3; ++k) {
        CKindRules& r = *rules[k];
        const int base = 10 * (k + 1);
        r.ovrAction = base + 1;
        r.ovrNoRights = base + 2;
        r.newAction = base + 3;
        r.newNoRights = base + 4;
        r.olDeletedAction = base + 5;
        r.olDeletedNoRights = base + 6;
        r.twDeletedAction = base + 7;
        r.twDeletedNoRights = base + 8;
        r.olDeletedNewerThan = 1;
        r.twDeletedNewerThan = 1;
        r.olDeletedNewerThanDate = COleDate::FromFields(2024, k + 1, 10);
        r.twDeletedNewerThanDate = COleDate::FromFields(2024, k + 4, 11);
    }
    return s;
}

// What a load of Distinct()'s file gives: the same record, vacuum flags on.
CReplicationSettings DistinctLoaded()
{
    CReplicationSettings s = Distinct();
    s.vacuumAppointments = s.vacuumContacts = s.vacuumTasks = 1;
    return s;
}

std::string Join(const std::vector<std::string>& lines, std::string_view lineEnd = "\r\n")
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += lineEnd;
    }
    return text;
}

class SettingsFile : public ::testing::Test {
protected:
    std::string Path(const std::string& name = CReplicationSettings::kFileName) const { return m_dir.Path(name); }

    static std::string Read(const std::string& path)
    {
        std::string bytes;
        EXPECT_EQ(ReadFileBytes(path, bytes), FileReadResult::ok) << path;
        return bytes;
    }

    static void Write(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static std::vector<std::string> Lines(const std::string& bytes)
    {
        std::vector<std::string> lines;
        for (std::string_view line : SplitLines(bytes))
            lines.emplace_back(line);
        return lines;
    }

    static unsigned Mode(const std::string& path)
    {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_mode & 07777;
    }

    // Every path below the temporary directory with its content ("<dir>" for
    // directories): what a failed write must leave alone.
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir.Path())) {
            const std::string path = entry.path().string();
            std::string& content = entries[path];
            const fs::file_status status = entry.symlink_status();
            if (fs::is_symlink(status)) {
                content = "<link " + fs::read_symlink(entry.path()).string() + ">";
            } else if (fs::is_directory(status)) {
                content = "<dir>";
            } else if (!fs::is_regular_file(status)) {
                // A pipe or device: reading could wait, so only its identity counts.
                struct stat info {};
                ::lstat(path.c_str(), &info);
                content = "<special " + std::to_string(info.st_ino) + " " + std::to_string(info.st_mode) + ">";
            } else if (ReadFileBytes(path, content) != FileReadResult::ok) {
                // Unreadable: a replacement would still show in inode and mode.
                struct stat info {};
                ::stat(path.c_str(), &info);
                content = "<unreadable " + std::to_string(info.st_ino) + " " + std::to_string(info.st_mode) + ">";
            }
        }
        return entries;
    }

    std::vector<CMessageBoxRequest> m_boxes;
    test::CBoxCapture m_capture{[this](const CMessageBoxRequest& request) {
        m_boxes.push_back(request);
        return MessageBoxResult::ok;
    }};
    test::CScopedUserLocale m_locale;
    test::CTemporaryDirectory m_dir;
};

void ExpectOneStopBox(const std::vector<CMessageBoxRequest>& boxes, const std::string& text)
{
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].icon, MessageBoxIcon::stop);
    EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::ok);
}

// Stands in an expected record for a date field that must hold its default,
// the time of the load minus 14 days.
COleDate DefaultDate()
{
    return COleDate::Null();
}

// The seven dates of a record that take the fortnight-old default.
std::vector<COleDate*> DefaultedDates(CReplicationSettings& s)
{
    std::vector<COleDate*> dates = {&s.since};
    for (CKindRules* rules : {&s.appointmentRules, &s.contactRules, &s.taskRules}) {
        dates.push_back(&rules->olDeletedNewerThanDate);
        dates.push_back(&rules->twDeletedNewerThanDate);
    }
    return dates;
}

// Each date that `expected` marks with DefaultDate() must be within a few
// seconds of now minus 14 days in `loaded`; it is then taken over, so that the
// records can be compared whole.
void ResolveDefaultDates(CReplicationSettings& expected, CReplicationSettings loaded)
{
    const double fortnightAgo = COleDate::Now().AddDays(-14).Days();
    const std::vector<COleDate*> want = DefaultedDates(expected);
    const std::vector<COleDate*> got = DefaultedDates(loaded);
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (want[i]->GetStatus() != COleDate::Status::null)
            continue;
        EXPECT_TRUE(got[i]->IsValid()) << "date " << i;
        EXPECT_NEAR(got[i]->Days(), fortnightAgo, 10.0 / 86400) << "date " << i;
        *want[i] = *got[i];
    }
}

} // namespace

TEST_F(SettingsFile, MissingFileIsCreatedWithTheDefaults)
{
    const COleDate before = COleDate::Now();
    CReplicationSettings s;
    s.vacuumContacts = 0;
    s.Load(Path());
    const COleDate after = COleDate::Now();

    EXPECT_TRUE(m_boxes.empty());
    EXPECT_GE(s.since.Days(), before.AddDays(-14).Days());
    EXPECT_LE(s.since.Days(), after.AddDays(-14).Days());
    const std::string date = s.since.FormatLocaleDate();
    EXPECT_TRUE(date == before.AddDays(-14).Format("%d.%m.%Y") || date == after.AddDays(-14).Format("%d.%m.%Y"))
        << date;

    std::vector<std::string> expected = {
        "URL = http://localhost:8080/tarnwelreplication",
        "username = user",
        "password = vezi",
        "since = " + date,
        "all = 1",
        "Soap connector timeout = 4000000",
        "Category checkboxes = 1 1 1",
        "Logging enabled = 1",
        "Save Log = 0",
        "Convert before = 1",
        "Contacts reference= 30/12/1899 00:00:00",  // a new record's zero date
    };
    for (const std::string prefix : kPrefixes) {
        for (const std::string& rest : std::vector<std::string>{
                 " Ovr Action = 0", " Ovr NoRights = 2", " New Action = 0", " New NoRights = 2",
              " OLDeleted Action = 0", " OLDeleted NewerThan = 0", " OLDeleted NewerThanDate = " + date,
              " OLDeleted NoRights = 2", " TWDeleted Action = 0", " TWDeleted NewerThan = 0",
              " TWDeleted NewerThanDate = " + date, " TWDeleted NoRights = 2"})
            expected.push_back(prefix + rest);
    }
    expected.push_back("Vacuum all = 0");
    expected.push_back("Replication schedule in minutes = -1");
    ASSERT_EQ(expected.size(), 49u);
    EXPECT_EQ(Read(Path()), Join(expected));
    EXPECT_EQ(Mode(Path()), 0600u);

    CKindRules rules;
    rules.olDeletedNewerThanDate = rules.twDeletedNewerThanDate = s.since;
    EXPECT_EQ(s.appointmentRules, rules);
    EXPECT_EQ(s.contactRules, rules);
    EXPECT_EQ(s.taskRules, rules);
    EXPECT_EQ(s.lastRun, COleDate());
    EXPECT_EQ(s.vacuumContacts, 1);
}

TEST_F(SettingsFile, MissingFileResetsEveryFieldButTheLastRunTime)
{
    CReplicationSettings s = Distinct();
    s.Load(Path());

    EXPECT_EQ(s.lastRun, Distinct().lastRun);
    EXPECT_EQ(Lines(Read(Path()))[10], "Contacts reference= 08/12/2026 06:39:29");
    CReplicationSettings defaults;
    defaults.Load(Path("other.ini"));
    defaults.lastRun = s.lastRun;
    // The dates of two loads may differ by the seconds between them.
    defaults.since = s.since;
    for (CKindRules* rules : {&defaults.appointmentRules, &defaults.contactRules, &defaults.taskRules})
        rules->olDeletedNewerThanDate = rules->twDeletedNewerThanDate = s.since;
    EXPECT_EQ(s, defaults);
    EXPECT_EQ(s.userName, "user");
    EXPECT_EQ(s.password, "vezi");
}

TEST_F(SettingsFile, WritesTheLinesInFileOrder)
{
    const std::vector<std::string> expected = {
        "URL = https://groupware.example.org:8443/tarnwelreplication",
        "username = M\xFCller",  // one byte per character
        "password = geheim",
        "since = 03.04.2025",
        "all = 0",
        "Soap connector timeout = 120000",
        "Category checkboxes = 0 0 0",
        "Logging enabled = 0",
        "Save Log = 1",
        "Convert before = 0",
        "Contacts reference= 08/12/2026 06:39:29",
        "Appo Ovr Action = 11",
        "Appo Ovr NoRights = 12",
        "Appo New Action = 13",
        "Appo New NoRights = 14",
        "Appo OLDeleted Action = 15",
        "Appo OLDeleted NewerThan = 1",
        "Appo OLDeleted NewerThanDate = 10.01.2024",
        "Appo OLDeleted NoRights = 16",
        "Appo TWDeleted Action = 17",
        "Appo TWDeleted NewerThan = 1",
        "Appo TWDeleted NewerThanDate = 11.04.2024",
        "Appo TWDeleted NoRights = 18",
        "Cont Ovr Action = 21",
        "Cont Ovr NoRights = 22",
        "Cont New Action = 23",
        "Cont New NoRights = 24",
        "Cont OLDeleted Action = 25",
        "Cont OLDeleted NewerThan = 1",
        "Cont OLDeleted NewerThanDate = 10.02.2024",
        "Cont OLDeleted NoRights = 26",
        "Cont TWDeleted Action = 27",
        "Cont TWDeleted NewerThan = 1",
        "Cont TWDeleted NewerThanDate = 11.05.2024",
        "Cont TWDeleted NoRights = 28",
        "Task Ovr Action = 31",
        "Task Ovr NoRights = 32",
        "Task New Action = 33",
        "Task New NoRights = 34",
        "Task OLDeleted Action = 35",
        "Task OLDeleted NewerThan = 1",
        "Task OLDeleted NewerThanDate = 10.03.2024",
        "Task OLDeleted NoRights = 36",
        "Task TWDeleted Action = 37",
        "Task TWDeleted NewerThan = 1",
        "Task TWDeleted NewerThanDate = 11.06.2024",
        "Task TWDeleted NoRights = 38",
        "Vacuum all = 1",
        "Replication schedule in minutes = 90",
    };
    EXPECT_EQ(Distinct().FileLines(), expected);

    // Flags leave the record as 0 or 1 whatever they hold.
    CReplicationSettings odd;
    odd.all = 5;
    odd.replicateContacts = -2;
    EXPECT_EQ(odd.FileLines()[4], "all = 1");
    EXPECT_EQ(odd.FileLines()[6], "Category checkboxes = 1 1 1");
}

struct LocaleCase {
    const char* locale;
    const char* sinceLine;
    const char* newerThanLine;
};

void PrintTo(const LocaleCase& c, std::ostream* os)
{
    *os << c.locale;
}

class SettingsRoundTrip : public SettingsFile, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(SettingsRoundTrip, SaveLoadSaveKeepsEveryFieldAndByte)
{
    CUserLocale::Use(GetParam().locale);
    const std::string path = Path();
    Write(path, "old content\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);

    Distinct().Save(path);
    const std::string first = Read(path);
    EXPECT_EQ(Mode(path), 0600u);  // it holds the password
    const std::vector<std::string> lines = Lines(first);
    ASSERT_EQ(lines.size(), 49u);
    EXPECT_EQ(first, Join(lines));
    EXPECT_EQ(lines[3], GetParam().sinceLine);
    EXPECT_EQ(lines[10], "Contacts reference= 08/12/2026 06:39:29");  // day first in every locale
    EXPECT_EQ(lines[29], GetParam().newerThanLine);

    CReplicationSettings loaded;
    loaded.Load(path);
    EXPECT_EQ(loaded, DistinctLoaded());
    loaded.Save(Path("again.ini"));
    EXPECT_EQ(Read(Path("again.ini")), first);
    EXPECT_TRUE(m_boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Locales, SettingsRoundTrip,
                         ::testing::Values(LocaleCase{"de_DE.UTF-8", "since = 03.04.2025",
                                                      "Cont OLDeleted NewerThanDate = 10.02.2024"},
                                           LocaleCase{"en_US.UTF-8", "since = 04/03/2025",
                                                      "Cont OLDeleted NewerThanDate = 02/10/2024"}),
                         [](const auto& info) { return std::string(info.param.locale).substr(0, 5); });

TEST_F(SettingsFile, TextsRoundTripWhateverTheyHold)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"blank inside", "ge heim"},
        {"empty", ""},
        {"blanks around", "  two  "},
        {"euro sign", "5 \xE2\x82\xAC"},
        {"typed reference", "&#x41;"},
        {"line break", "a\r\nb"},
        {"equals sign", "a = b"},
        {"umlauts", "Gr\xC3\xBC\xC3\x9F" "e"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CReplicationSettings original = Distinct();
        original.password = c.text;
        original.userName = c.text;
        original.Save(Path());
        ASSERT_EQ(Lines(Read(Path())).size(), 49u);

        CReplicationSettings loaded;
        loaded.Load(Path());
        CReplicationSettings expected = DistinctLoaded();
        expected.password = expected.userName = c.text;
        EXPECT_EQ(loaded, expected);
    }
}

TEST_F(SettingsFile, ReadsEachLineOnItsOwn)
{
    using Edit = std::function<void(std::vector<std::string>&)>;
    using Expect = std::function<void(CReplicationSettings&)>;
    const CReplicationSettings fresh;
    auto replace = [](std::string line, std::string by) -> Edit {
        return [line, by](std::vector<std::string>& lines) {
            auto found = std::find(lines.begin(), lines.end(), line);
            ASSERT_NE(found, lines.end()) << line;
            *found = by;
        };
    };
    struct Case {
        const char* name;
        Edit edit;
        Expect expect;  // changes to DistinctLoaded(): fields that take their defaults
        std::string lineEnd = "\r\n";
    };
    const Case cases[] = {
        // A damaged or missing line costs its own field only, which takes its default.
        {"no all line", [](auto& lines) { lines.erase(lines.begin() + 4); }, [&](auto& s) { s.all = fresh.all; }},
        {"all not a number", replace("all = 0", "all = x"), [&](auto& s) { s.all = fresh.all; }},
        {"key in other case", replace("all = 0", "ALL = 0"), [&](auto& s) { s.all = fresh.all; }},
        {"no first line", [](auto& lines) { lines.erase(lines.begin()); },
         [](auto& s) { s.serverUrl = "http://localhost:8080/tarnwelreplication"; }},
        {"no last line", [](auto& lines) { lines.pop_back(); },
         [&](auto& s) { s.scheduleMinutes = fresh.scheduleMinutes; }},
        {"garbled rule key", replace("Task New Action = 33", "Task New Actoin = 33"),
         [&](auto& s) { s.taskRules.newAction = fresh.taskRules.newAction; }},
        {"number out of range", replace("Soap connector timeout = 120000", "Soap connector timeout = 4294967296"),
         [&](auto& s) { s.soapTimeout = fresh.soapTimeout; }},
        {"number with rest", replace("Soap connector timeout = 120000", "Soap connector timeout = 12 34"),
         [&](auto& s) { s.soapTimeout = fresh.soapTimeout; }},
        {"two signs", replace("Soap connector timeout = 120000", "Soap connector timeout = +-7"),
         [&](auto& s) { s.soapTimeout = fresh.soapTimeout; }},
        {"two categories", replace("Category checkboxes = 0 0 0", "Category checkboxes = 0 0"),
         [](auto& s) { s.replicateAppointments = s.replicateContacts = s.replicateTasks = 1; }},
        {"four categories", replace("Category checkboxes = 0 0 0", "Category checkboxes = 0 0 0 0"),
         [](auto& s) { s.replicateAppointments = s.replicateContacts = s.replicateTasks = 1; }},
        {"no date", replace("since = 03.04.2025", "since = 32.13.2025"), [](auto& s) { s.since = DefaultDate(); }},
        {"rule date no date", replace("Cont OLDeleted NewerThanDate = 10.02.2024", "Cont OLDeleted NewerThanDate = x"),
         [](auto& s) { s.contactRules.olDeletedNewerThanDate = DefaultDate(); }},
        {"last run no date", replace("Contacts reference= 08/12/2026 06:39:29", "Contacts reference= 08/12/2026 6:39"),
         [](auto& s) { s.lastRun = COleDate::FromFields(2026, 12, 8, 6, 39); }},
        // The last-run time has no default: it keeps what the record held.
        {"last run garbage", replace("Contacts reference= 08/12/2026 06:39:29", "Contacts reference= soon"),
         [](auto& s) { s.lastRun = COleDate(); }},
        // Values that are read although they are not what Save writes.
        {"flag other than 0", replace("all = 0", "all = 7"), [](auto& s) { s.all = 1; }},
        {"categories in order", replace("Category checkboxes = 0 0 0", "Category checkboxes = 1 -3 0"),
         [](auto& s) { s.replicateAppointments = s.replicateContacts = 1; }},
        {"blanks around key and value", replace("Vacuum all = 1", "   Vacuum all\t=1  "), [](auto&) {}},
        {"signed numbers", replace("Replication schedule in minutes = 90", "Replication schedule in minutes =  -1 "),
         [](auto& s) { s.scheduleMinutes = -1; }},
        {"plus sign", replace("Soap connector timeout = 120000", "Soap connector timeout = +7"),
         [](auto& s) { s.soapTimeout = 7; }},
        {"rule code out of range kept", replace("Appo Ovr Action = 11", "Appo Ovr Action = -9"),
         [](auto& s) { s.appointmentRules.ovrAction = -9; }},
        {"last run in another form", replace("Contacts reference= 08/12/2026 06:39:29", "Contacts reference=2026-12-08 06:39:29"),
         [](auto&) {}},
        {"later line wins, unknown ignored",
         [](auto& lines) {
             lines.insert(lines.begin() + 2, "Colour = blue");
             lines.push_back("username = admin");
         },
         [](auto& s) { s.userName = "admin"; }},
        {"LF line ends", [](auto&) {}, [](auto&) {}, "\n"},
        {"CR line ends", [](auto&) {}, [](auto&) {}, "\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines = Distinct().FileLines();
        c.edit(lines);
        Write(Path(), Join(lines, c.lineEnd));

        CReplicationSettings loaded;
        loaded.Load(Path());
        CReplicationSettings expected = DistinctLoaded();
        c.expect(expected);
        ResolveDefaultDates(expected, loaded);
        EXPECT_EQ(loaded, expected);
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SettingsFile, MissingKeysTakeTheirDefaults)
{
    using ToDefault = std::function<void(CReplicationSettings&)>;
    struct Key {
        std::string key;
        ToDefault toDefault;
    };
    std::vector<Key> keys = {
        {"URL", [](auto& s) { s.serverUrl = "http://localhost:8080/tarnwelreplication"; }},
        {"username", [](auto& s) { s.userName = "user"; }},
        {"password", [](auto& s) { s.password = "vezi"; }},
        {"since", [](auto& s) { s.since = DefaultDate(); }},
        {"all", [](auto& s) { s.all = 1; }},
        {"Soap connector timeout", [](auto& s) { s.soapTimeout = 4000000; }},
        {"Category checkboxes", [](auto& s) { s.replicateAppointments = s.replicateContacts = s.replicateTasks = 1; }},
        {"Logging enabled", [](auto& s) { s.loggingEnabled = 1; }},
        {"Save Log", [](auto& s) { s.saveLog = 0; }},
        {"Convert before", [](auto& s) { s.convertBefore = 1; }},
        {"Contacts reference", [](auto& s) { s.lastRun = COleDate(); }},  // kept: the loading record's
        {"Vacuum all", [](auto& s) { s.vacuumAll = 0; }},
        {"Replication schedule in minutes", [](auto& s) { s.scheduleMinutes = -1; }},
    };
    using Number = int CKindRules::*;
    const std::pair<const char*, std::pair<Number, int>> numbers[] = {
        {" Ovr Action", {&CKindRules::ovrAction, 0}},
        {" Ovr NoRights", {&CKindRules::ovrNoRights, 2}},
        {" New Action", {&CKindRules::newAction, 0}},
        {" New NoRights", {&CKindRules::newNoRights, 2}},
        {" OLDeleted Action", {&CKindRules::olDeletedAction, 0}},
        {" OLDeleted NewerThan", {&CKindRules::olDeletedNewerThan, 0}},
        {" OLDeleted NoRights", {&CKindRules::olDeletedNoRights, 2}},
        {" TWDeleted Action", {&CKindRules::twDeletedAction, 0}},
        {" TWDeleted NewerThan", {&CKindRules::twDeletedNewerThan, 0}},
        {" TWDeleted NoRights", {&CKindRules::twDeletedNoRights, 2}},
    };
    CKindRules CReplicationSettings::*const kinds[] = {&CReplicationSettings::appointmentRules,
                                                       &CReplicationSettings::contactRules,
                                                       &CReplicationSettings::taskRules};
    for (int k = 0; k < 3; ++k) {
        const auto rules = kinds[k];
        for (const auto& [suffix, field] : numbers) {
            const auto [member, value] = field;
            keys.push_back({kPrefixes[k] + std::string(suffix), [=](auto& s) { (s.*rules).*member = value; }});
        }
        keys.push_back({kPrefixes[k] + std::string(" OLDeleted NewerThanDate"),
                        [=](auto& s) { (s.*rules).olDeletedNewerThanDate = DefaultDate(); }});
        keys.push_back({kPrefixes[k] + std::string(" TWDeleted NewerThanDate"),
                        [=](auto& s) { (s.*rules).twDeletedNewerThanDate = DefaultDate(); }});
    }
    ASSERT_EQ(keys.size(), 49u);  // every line of the file

    for (const Key& k : keys) {
        SCOPED_TRACE(k.key);
        std::vector<std::string> lines = Distinct().FileLines();
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& text) {
            return text.starts_with(k.key + " = ") || text.starts_with(k.key + "= ");
        });
        ASSERT_NE(line, lines.end());
        lines.erase(line);
        Write(Path(), Join(lines));

        CReplicationSettings loaded;
        loaded.Load(Path());
        CReplicationSettings expected = DistinctLoaded();
        k.toDefault(expected);
        ResolveDefaultDates(expected, loaded);
        EXPECT_EQ(loaded, expected);
    }

    // Every key missing: an empty file, or one of lines the record does not know.
    for (const char* text : {"", "Colour = blue\r\n\r\nno key here\r\n"}) {
        SCOPED_TRACE(text);
        Write(Path(), text);
        CReplicationSettings loaded = Distinct();
        loaded.Load(Path());
        CReplicationSettings expected;
        expected.SetDefaults();
        expected.lastRun = Distinct().lastRun;
        for (COleDate* date : DefaultedDates(expected))
            *date = DefaultDate();
        ResolveDefaultDates(expected, loaded);
        EXPECT_EQ(loaded, expected);
        EXPECT_EQ(Read(Path()), text);  // a file that exists is only read
    }
    EXPECT_TRUE(m_boxes.empty());
}

std::string UnreadableText(const std::string& path)
{
    return "Die Einstellungsdatei <" + path +
           "> kann nicht gelesen werden.\r\nSie bleibt unverändert. Solange sie nicht gelesen werden kann, wird "
           "weder repliziert noch werden Einstellungen gespeichert.";
}

std::string NotSavedText(const std::string& path)
{
    return "Die Einstellungen werden nicht gespeichert: die Einstellungsdatei <" + path +
           "> konnte nicht gelesen werden und bleibt unverändert.";
}

TEST_F(SettingsFile, UnreadableFileGivesDefaultsAndIsNeverSavedOver)
{
    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> make;  // returns the path to load
        bool needsPermissions = false;
    };
    const Case cases[] = {
        {"path is a directory",
         [](const std::string& path) {
             fs::create_directory(path);
             Write(path + "/inside", "x");
             return path;
         }},
        // Opening a pipe for reading would wait for a writer for ever.
        {"path is a pipe",
         [](const std::string& path) {
             EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
             return path;
         }},
        {"link loop",
         [](const std::string& path) {
             fs::create_symlink(path + ".other", path);
             fs::create_symlink(path, path + ".other");
             return path;
         }},
        // A device would be read for ever; nothing in the directory changes.
        {"endless device", [](const std::string&) { return std::string("/dev/zero"); }},
        {"no read permission",
         [](const std::string& path) {
             Distinct().Save(path);
             ::chmod(path.c_str(), 0200);
             return path;
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsPermissions && ::geteuid() == 0) {
            std::cout << "[ SKIPPED  ] " << c.name << ": root reads every file\n";
            continue;
        }
        const std::string path = c.make(Path(std::string(c.name) + ".ini"));
        const auto before = Snapshot();
        m_boxes.clear();

        CReplicationSettings s = Distinct();
        s.Load(path);

        ExpectOneStopBox(m_boxes, UnreadableText(path));
        EXPECT_TRUE(s.CameFromUnreadableFile());
        EXPECT_EQ(s.UnreadablePath(), path);
        EXPECT_EQ(s.userName, "user");
        EXPECT_EQ(s.soapTimeout, 4000000);
        EXPECT_EQ(s.appointmentRules.newNoRights, 2);
        EXPECT_EQ(s.lastRun, Distinct().lastRun);
        EXPECT_EQ(s.vacuumAppointments + s.vacuumContacts + s.vacuumTasks, 3);

        // No save reaches any file: not the record's, not a copy's, not after
        // new defaults, not under another name.
        m_boxes.clear();
        CReplicationSettings copy = s;
        copy.SetDefaults();
        copy.Save(path);
        s.Save(path);
        s.Save(Path("elsewhere.ini"));
        ASSERT_EQ(m_boxes.size(), 3u);
        for (const CMessageBoxRequest& box : m_boxes) {
            EXPECT_EQ(box.text, NotSavedText(path));
            EXPECT_EQ(box.icon, MessageBoxIcon::stop);
        }
        EXPECT_EQ(Snapshot(), before);

        // A load that reads a file again ends the refusal.
        s.Load(Path("readable.ini"));
        EXPECT_FALSE(s.CameFromUnreadableFile());
        EXPECT_EQ(Read(Path("readable.ini")), s.FileText());
        fs::remove(Path("readable.ini"));
    }
}

TEST_F(SettingsFile, FailedWriteShowsTheBoxAndLeavesEverything)
{
    struct Case {
        const char* name;
        std::string path;
        std::function<void(const std::string&)> make;
        std::function<void(const std::string&)> act;
    };
    auto save = [](const std::string& path) { Distinct().Save(path); };
    const Case cases[] = {
        {"save into a missing directory", Path("missing/" + std::string(CReplicationSettings::kFileName)),
         [](const std::string&) {}, save},
        {"load from a missing directory", Path("missing/" + std::string(CReplicationSettings::kFileName)),
         [](const std::string&) {}, [](const std::string& path) { CReplicationSettings().Load(path); }},
        {"target is a directory", Path("taken.ini"),
         [](const std::string& path) {
             fs::create_directory(path);
             Write(path + "/inside", "x");
         },
         save},
        {"disk full part way", Path("full.ini"),
         [](const std::string& path) { CReplicationSettings().Save(path); },
         [](const std::string& path) {
             test::CFileSizeLimit diskFull(200);
             Distinct().Save(path);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make(c.path);
        const auto before = Snapshot();
        m_boxes.clear();

        c.act(c.path);

        ExpectOneStopBox(m_boxes, "cannot create file <" + c.path + ">");
        EXPECT_EQ(Snapshot(), before);  // no torn file, no temporary left behind
    }
}

// A save that the end of its process interrupted (a kill, a second signal)
// leaves a temporary file with the whole settings, password included; the
// next load removes it whatever its age, but only files of exactly the name a
// save gives, and none while a save is under way beside the file (it holds the
// directory's lock shared).
TEST_F(SettingsFile, LoadRemovesTheTemporaryFilesOfInterruptedSavesOnly)
{
    const std::string ini = CReplicationSettings::kFileName;
    const std::vector<std::string> stray = {ini + ".0123456789ab.tmp", ini + ".ffffffffffff.tmp"};
    const std::vector<std::string> kept = {
        ini + ".0123456789AB.tmp",  ini + ".0123456789a.tmp",     ini + ".0123456789abc.tmp",
        ini + ".0123456789ag.tmp",  ini + ".notours.tmp",         ini + ".0123456789ab.tmp.old",
        ini + ".0123456789ab.tmpx", "x" + ini + ".0123456789ab.tmp", "maps_appo.ids.0123456789ab.tmp",
    };
    for (const bool fileExists : {true, false}) {
        SCOPED_TRACE(fileExists);
        fs::remove(Path());
        if (fileExists)
            Distinct().Save(Path());
        for (const std::vector<std::string>* names : {&stray, &kept}) {
            for (const std::string& name : *names)
                Write(Path(name), "URL = half");
        }

        // A save under way elsewhere: nothing is removed.
        const int directory = ::open(m_dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(directory, 0);
        ASSERT_EQ(::flock(directory, LOCK_SH), 0);
        CReplicationSettings().Load(Path());
        for (const std::string& name : stray)
            EXPECT_TRUE(fs::exists(Path(name))) << name;
        ::close(directory);

        CReplicationSettings settings;
        settings.Load(Path());
        for (const std::string& name : stray)
            EXPECT_FALSE(fs::exists(Path(name))) << name;
        for (const std::string& name : kept) {
            EXPECT_TRUE(fs::exists(Path(name))) << name;
            fs::remove(Path(name));
        }
        if (fileExists) {
            EXPECT_EQ(settings, DistinctLoaded());
        }
    }

    // A process killed in the middle of a save: its temporary file stays
    // until the next load, which removes it and reads the file it left whole.
    Distinct().Save(Path());
    const pid_t child = ::fork();
    if (child == 0) {
        CAtomicFileWriter writer;
        if (writer.Open(Path(), {.newFileMode = 0600, .forceMode = true}) && writer.Write(Distinct().FileText()))
            ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(m_dir.EntryCount(), 2);
    CReplicationSettings settings;
    settings.Load(Path());
    EXPECT_EQ(m_dir.EntryCount(), 1);
    EXPECT_EQ(settings, DistinctLoaded());
    EXPECT_TRUE(m_boxes.empty());
}

// An editor's byte order mark and line ends do not change what is read.
// A line meant for the URL, the user name or the password that cannot be read
// as written leaves the field at its default, but a save never writes that
// default over it: the user's line stays byte for byte until the field is
// given a value.
TEST_F(SettingsFile, OddLinesNeverCostTheUsersServerNameOrPassword)
{
    const std::pair<const char*, const char*> marksAndLineEnds[] = {
        {"\xEF\xBB\xBF", "\r\n"}, {"\xEF\xBB\xBF", "\n"}, {"\xEF\xBB\xBF", "\r"}, {"\xEF\xBB\xBF\xEF\xBB\xBF", "\r\n"}};
    for (const auto& [mark, lineEnd] : marksAndLineEnds) {
        SCOPED_TRACE(testing::PrintToString(std::string(mark) + lineEnd));
        Write(Path(), mark + Join(Distinct().FileLines(), lineEnd));
        CReplicationSettings loaded;
        loaded.Load(Path());
        EXPECT_EQ(loaded, DistinctLoaded());
        EXPECT_TRUE(loaded.DoubtfulKeys().empty());
        loaded.Save(Path());
        EXPECT_EQ(Read(Path()), Distinct().FileText());  // written as always, without the mark
    }

    const std::string url = Distinct().serverUrl;
    struct Case {
        const char* name;
        std::string line;  // in place of the field's line
        std::size_t field;  // 0 URL, 1 username, 2 password
    };
    const Case cases[] = {
        {"key in other case", "url = " + url, 0},
        {"colon for equals", "URL: " + url, 0},
        {"blank for equals", "password geheim", 2},
        {"upper case, no blank", "USERNAME=M\xFCller", 1},
        {"key alone", "  Password", 2},
    };
    const char* const keys[] = {"URL", "username", "password"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines = Distinct().FileLines();
        lines[c.field] = c.line;
        const std::string file = Join(lines);
        Write(Path(), file);

        CReplicationSettings loaded;
        loaded.Load(Path());
        CReplicationSettings expected = DistinctLoaded();
        CReplicationSettings defaults;
        defaults.SetDefaults();
        std::string* fields[] = {&expected.serverUrl, &expected.userName, &expected.password};
        const std::string* defaultFields[] = {&defaults.serverUrl, &defaults.userName, &defaults.password};
        *fields[c.field] = *defaultFields[c.field];
        EXPECT_EQ(loaded.DoubtfulKeys(), std::vector<std::string>{keys[c.field]});
        EXPECT_EQ(loaded.serverUrl, expected.serverUrl);
        EXPECT_EQ(loaded.userName, expected.userName);
        EXPECT_EQ(loaded.password, expected.password);

        // Saved by a copy (a job's), and again after another field changed.
        CReplicationSettings copy = loaded;
        copy.scheduleMinutes = 5;
        copy.Save(Path());
        copy.scheduleMinutes = Distinct().scheduleMinutes;
        copy.Save(Path());
        EXPECT_EQ(Read(Path()), file);

        // The user gives the field a value: it is written in the key's line.
        std::string* loadedFields[] = {&loaded.serverUrl, &loaded.userName, &loaded.password};
        *loadedFields[c.field] = "neu";
        EXPECT_TRUE(loaded.DoubtfulKeys().empty());
        loaded.Save(Path());
        lines = Distinct().FileLines();
        lines[c.field] = std::string(keys[c.field]) + " = neu";
        EXPECT_EQ(Read(Path()), Join(lines));
    }

    // A line of the key's own form counts; a look-alike beside it is dropped.
    std::vector<std::string> lines = Distinct().FileLines();
    lines.insert(lines.begin() + 1, "url = http://elsewhere");
    Write(Path(), Join(lines));
    CReplicationSettings loaded;
    loaded.Load(Path());
    EXPECT_EQ(loaded, DistinctLoaded());
    EXPECT_TRUE(m_boxes.empty());
}
