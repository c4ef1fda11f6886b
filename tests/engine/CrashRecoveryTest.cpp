// Runs that end before their time, followed by a run that ends normally: each
// item must then stand exactly once on each side, with every local edit, as
// after a run that saw no fault. A run is ended as a crash would end it: in a
// child process that calls _exit at a chosen crash point, so nothing is
// flushed, saved or cleaned up. Also the other faults that used to double
// items: an addItems whose reply comes after the time-out, a working
// directory that cannot be written, a damaged line of the mapping file.

#include "engine/CrashPoint.h"
#include "tests/engine/ContactWorld.h"
#include "tests/engine/RunWorld.h"
#include "tests/support/CrashChild.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <type_traits>

namespace tarnwel {
namespace {

using test::CAppointmentSide;
using test::CContactWorld;
using test::CRunWorld;
using test::CServerItem;
using test::CTaskSide;
using ::testing::Contains;
using ::testing::IsEmpty;

// --- Ending a run in a child process ------------------------------------------

struct CChildRun {
    std::vector<std::string> points;  // the crash points the run passed, in order
    bool crashed = false;             // it ended at the chosen one
};

// One run of the world in a child process that ends at its `crashAt`-th
// crash point (0: runs to its end), or at the first pass of the point named
// `crashAtName`.
template <typename World>
CChildRun RunInChild(World& w, int crashAt, const char* crashAtName = nullptr)
{
    w.StartServer();
    test::CChildOutcome outcome = test::RunInCrashChild([&w] { w.Run(); }, crashAt, crashAtName);
    return {std::move(outcome.lines), outcome.crashed};
}

// What both sides hold: their lines without ids, sorted.
struct CSides {
    std::vector<std::string> outlook;
    std::vector<std::string> server;
    friend bool operator==(const CSides&, const CSides&) = default;
    friend void PrintTo(const CSides& sides, std::ostream* out)
    {
        *out << "Outlook " << ::testing::PrintToString(sides.outlook) << ", server "
             << ::testing::PrintToString(sides.server);
    }
};

template <typename World>
CSides SidesOf(const World& w)
{
    return {w.Contents(w.OutlookLines()), w.Contents(w.ServerLines())};
}

// Every item on each side is paired with exactly one item of the other side
// that holds the same; a pair may name items gone from both sides.
template <typename World>
void ExpectEachItemPairedOnce(const World& w)
{
    const auto outlook = w.OutlookLines();
    const auto server = w.ServerLines();
    std::map<std::string, int> partnersOfServerItem;
    for (const auto& [entryId, serverId] : w.Mapping()) {
        const auto o = outlook.find(entryId);
        const auto s = server.find(serverId);
        if (o == outlook.end() && s == server.end())
            continue;
        if (o == outlook.end() || s == server.end()) {
            ADD_FAILURE() << "the pair " << entryId << " " << serverId << " names a missing item";
            continue;
        }
        EXPECT_EQ(o->second, s->second) << "pair " << entryId << " " << serverId;
        ++partnersOfServerItem[serverId];
    }
    EXPECT_EQ(partnersOfServerItem.size(), server.size());
    for (const auto& [serverId, count] : partnersOfServerItem)
        EXPECT_EQ(count, 1) << serverId;
}

// Ends a child's run at each of its crash points in turn, on a fresh world
// each time: the run ends there, the user edits a new Outlook item, the next
// run ends there again (when it gets that far), then a run ends normally.
// Both sides must then hold what two runs without a fault give, with the
// edit between them. The scenario seeds the world and returns the edit.
template <typename World, typename Scenario>
void ExpectEveryCrashRepaired(const Scenario& scenario)
{
    CSides expected;
    std::vector<std::string> points;
    {
        World reference;
        const std::function<void()> edit = scenario(reference);
        const CChildRun whole = RunInChild(reference, 0);
        ASSERT_FALSE(whole.crashed);
        points = whole.points;
        edit();
        reference.Run();
        expected = SidesOf(reference);
        ExpectEachItemPairedOnce(reference);
    }
    ASSERT_GE(points.size(), 8u);
    for (std::size_t n = 1; n <= points.size(); ++n) {
        SCOPED_TRACE("crash at point " + std::to_string(n) + ", " + points[n - 1]);
        World w;
        const std::function<void()> edit = scenario(w);
        const CChildRun crashed = RunInChild(w, static_cast<int>(n));
        ASSERT_TRUE(crashed.crashed);
        edit();
        RunInChild(w, static_cast<int>(n));
        w.Run();
        EXPECT_THAT(w.BoxTexts(), IsEmpty());
        EXPECT_EQ(SidesOf(w), expected);
        ExpectEachItemPairedOnce(w);
        EXPECT_FALSE(std::filesystem::exists(std::string(w.MappingFileName()) + ".journal"));
        w.ExpectNextRunChangesNothing();
    }
}

// Appointments and tasks: every queue has work. The Outlook item of one pair
// is newer, one pair carries the server's participants into Outlook, one
// pair lost its Outlook item (deleted on the server then), one its server
// item (deleted in Outlook then), and each side has new items. The edit
// changes a new Outlook item.
template <typename Side>
std::function<void()> ItemScenario(CRunWorld<Side>& w)
{
    Side::Rules(w.settings).ovrAction = 1;
    Side::Rules(w.settings).olDeletedAction = 1;
    w.Pair({"S1", "Gleich", "Ort", "", {"anna", "bert"}}, "Ort");
    w.Pair({"S2", "Lokal bearbeitet", "Server"}, "Outlook neu");
    w.PairWithDeletedOutlookItem({"S3", "Lokal geloescht", ""});
    w.PairWithDeletedServerItem("S4", "Auf dem Server geloescht");
    w.ServerItem({"S5", "Neu vom Server 1", "A"});
    w.ServerItem({"S6", "Neu vom Server 2", "B"});
    const std::string edited = w.OutlookItem("Neu aus Outlook 1", "C");
    w.OutlookItem("Neu aus Outlook 2", "D");
    return [&w, edited] { w.EditOutlookItem(edited, "Neu aus Outlook 1", "C danach bearbeitet"); };
}

std::function<void()> ContactScenario(CContactWorld& w)
{
    w.settings.contactRules.ovrAction = 1;
    w.settings.contactRules.olDeletedAction = 1;
    w.Company({"A1", "Alpha AG", "Bern"});
    w.Company({"A2", "Beta GmbH", "Thun"});
    w.Pair({"C1", "A1", "Anna Muster", "anna@alpha.ch"}, {"Anna Muster", "anna@alpha.ch", "Alpha AG", "Bern"});
    w.Pair({"C2", "A1", "Bert Keller", "alt@alpha.ch"}, {"Bert Keller", "neu@alpha.ch", "Alpha AG", "Bern"});
    w.ServerContact({"C3", "A2", "Carla Neu", "carla@beta.ch"});
    w.ServerContact({"C4", "A2", "Dora Weg", "dora@beta.ch"});
    w.MapPair("gone-C4", "C4");
    const std::string emil = w.OutlookContact({"Emil Alt", "emil@alpha.ch", "Alpha AG", "Bern"});
    w.MapPair(emil, "C99");
    const std::string fritz = w.OutlookContact({"Fritz Frisch", "fritz@gamma.ch", "Gamma AG", "Biel"});
    w.OutlookContact({"Gabi Frisch", "gabi@gamma.ch", "Gamma AG", "Biel"});
    return [&w, fritz] {
        w.OverwriteOutlookRecord(fritz, CContactWorld::Make({"Fritz Frisch", "fritz@neu.ch", "Gamma AG", "Biel"}));
    };
}

TEST(CrashRecoveryTest, AppointmentRunEndedAtAnyPointIsRepairedByTheNextRun)
{
    ExpectEveryCrashRepaired<CRunWorld<CAppointmentSide>>(ItemScenario<CAppointmentSide>);
}

TEST(CrashRecoveryTest, TaskRunEndedAtAnyPointIsRepairedByTheNextRun)
{
    ExpectEveryCrashRepaired<CRunWorld<CTaskSide>>(ItemScenario<CTaskSide>);
}

TEST(CrashRecoveryTest, ContactRunEndedAtAnyPointIsRepairedByTheNextRun)
{
    ExpectEveryCrashRepaired<CContactWorld>(ContactScenario);
}

TEST(CrashRecoveryTest, EveryServerRequestAndOutlookChangeIsACrashPoint)
{
    CRunWorld<CAppointmentSide> w;
    (void)ItemScenario(w);
    EXPECT_EQ(RunInChild(w, 0).points,
              (std::vector<std::string>{"authenticate answered", "store identity recorded", "Outlook items committed",
                                        "getItems answered",
                                        "putItems answered",
                                        "deleteItems answered", "addItems answered", "Outlook item added",
                                        "Outlook item added", "new pairs marked pending", "Outlook items committed",
                                        "Outlook item overwritten",
                                        "Outlook items committed", "Outlook item deleted", "Outlook items committed",
                                        "mapping file replaced", "sign_out answered"}));
}

// --- An addItems whose reply comes after the time-out ---------------------------

template <typename World, typename Scenario>
void ExpectLateAddReplyRepaired(const Scenario& scenario, const char* method)
{
    CSides expected;
    {
        World reference;
        (void)scenario(reference);
        reference.Run();
        expected = SidesOf(reference);
    }
    World w;
    (void)scenario(w);
    // The server carries the request out two seconds after it came, the run
    // has given up after half a second.
    w.Switches({"--delay", std::string(method) + "=2"});
    w.settings.soapTimeout = 500;
    w.Run();
    ASSERT_EQ(w.BoxTexts().size(), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    w.settings.soapTimeout = 20000;
    w.Run();
    EXPECT_EQ(w.BoxTexts().size(), 1u) << w.BoxTexts().back();
    EXPECT_EQ(SidesOf(w), expected);
    ExpectEachItemPairedOnce(w);
}

TEST(CrashRecoveryTest, AddReplyAfterTheTimeOutPairsTheItemsTheServerMadeAfterAll)
{
    {
        SCOPED_TRACE("appointments");
        ExpectLateAddReplyRepaired<CRunWorld<CAppointmentSide>>(ItemScenario<CAppointmentSide>, "addItems");
    }
    {
        SCOPED_TRACE("contacts");
        ExpectLateAddReplyRepaired<CContactWorld>(ContactScenario, "contact/addItems");
    }
}

// --- A working directory that cannot be written ---------------------------------

// Lets the permission bits count for the super-user too, while it lives: the
// thread's effective capabilities are cleared and then given back.
class CScopedPermissionChecks {
public:
    CScopedPermissionChecks()
    {
        if (::geteuid() != 0)
            return;
        m_active = ::syscall(SYS_capget, &m_header, m_saved) == 0;
        __user_cap_data_struct none[2] = {};
        for (int i = 0; i < 2; ++i) {
            none[i].permitted = m_saved[i].permitted;
            none[i].inheritable = m_saved[i].inheritable;
        }
        m_active = m_active && ::syscall(SYS_capset, &m_header, none) == 0;
    }
    ~CScopedPermissionChecks()
    {
        if (m_active)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    CScopedPermissionChecks(const CScopedPermissionChecks&) = delete;
    CScopedPermissionChecks& operator=(const CScopedPermissionChecks&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_active = false;
};

TEST(CrashRecoveryTest, ReadOnlyWorkingDirectoryChangesNothingAndSaysSo)
{
    CSides expected;
    {
        CRunWorld<CAppointmentSide> reference;
        (void)ItemScenario(reference);
        reference.Run();
        expected = SidesOf(reference);
    }
    CRunWorld<CAppointmentSide> w;
    (void)ItemScenario(w);
    w.StartServer();
    const CSides before = SidesOf(w);
    const std::string mapping = w.MappingFileBytes();

    std::filesystem::create_directory("readonly");
    std::filesystem::rename(w.MappingFileName(), std::string("readonly/") + w.MappingFileName());
    {
        const test::CScopedWorkingDirectory inside("readonly");
        std::filesystem::permissions(".", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        {
            const CScopedPermissionChecks checked;
            w.Run();
        }
        std::filesystem::permissions(".", std::filesystem::perms::owner_all);
        EXPECT_EQ(w.MappingFileBytes(), mapping);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 1);
    }
    EXPECT_THAT(w.BoxTexts(), Contains("ERROR: cannot open map file"));
    EXPECT_TRUE(w.lastRunFailed);  // a script sees that nothing was replicated
    EXPECT_EQ(SidesOf(w), before);

    // Once the directory can be written, the next run replicates each item once.
    std::filesystem::rename(std::string("readonly/") + w.MappingFileName(), w.MappingFileName());
    const std::size_t boxes = w.BoxTexts().size();
    w.Run();
    EXPECT_EQ(w.BoxTexts().size(), boxes);
    EXPECT_FALSE(w.lastRunFailed);
    EXPECT_EQ(SidesOf(w), expected);
    ExpectEachItemPairedOnce(w);
}

// --- A damaged line of the mapping file -----------------------------------------

TEST(CrashRecoveryTest, ADamagedLineOfTheMappingFileCostsItsOwnPairOnly)
{
    // The line of the eleventh pair, damaged; "E" stands for its entry id.
    struct Case {
        const char* name;
        std::string line;
        const char* trace;
        const char* notice;  // what the user reads, once
    };
    const Case cases[] = {
        {"one id only", "E", "line 11 skipped: one id only", "1 beschädigte Zeile übergangen."},
        {"three tokens", "E S10 S10", "line 11 skipped: more than two ids", "1 beschädigte Zeile übergangen."},
        {"a NUL byte", std::string("E S1\0" "0", 6), "line 11 skipped: it holds a NUL byte",
         "1 beschädigte Zeile übergangen."},
        // A cut id that names another pair's server id: neither pair is taken.
        {"a cut id", "E S1", "pairs S1 with more than one Outlook item",
         "die Paare von 1 Server-Eintrag mit mehr als einem Outlook-Eintrag verworfen."},
    };
    const auto notices = [](const std::vector<std::string>& calls) {
        std::vector<std::string> found;
        for (const std::string& call : calls)
            if (call.rfind("ShowNotice ", 0) == 0)
                found.push_back(call);
        return found;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRunWorld<CAppointmentSide> w;
        w.settings.appointmentRules.ovrAction = 1;
        std::vector<std::string> entries;
        std::string text;
        for (int i = 0; i < 21; ++i) {
            const std::string id = "S" + std::to_string(i);
            w.ServerItem({id, "Termin " + std::to_string(i), "Ort " + std::to_string(i)});
            entries.push_back(w.OutlookItem("Termin " + std::to_string(i), "Ort " + std::to_string(i)));
            text += i == 10 ? entries.back() + c.line.substr(1) + "\r\n" : entries.back() + " " + id + "\r\n";
        }
        // An edit after the damaged line must reach its own server item.
        w.EditOutlookItem(entries[15], "Termin 15", "Ort 15 neu");
        w.MappingText(text);
        w.Run();

        EXPECT_THAT(w.BoxTexts(), IsEmpty());
        EXPECT_THAT(w.trace, Contains(::testing::HasSubstr(c.trace)));
        // Said once, in the trace and to the user, without a box.
        EXPECT_THAT(w.trace, Contains(::testing::StartsWith("--x-- maps_appo.ids: ")).Times(1));
        EXPECT_THAT(notices(w.sink.Calls()),
                    ::testing::ElementsAre(::testing::AllOf(
                        ::testing::StartsWith("ShowNotice Zuordnungsdatei maps_appo.ids: "),
                        ::testing::HasSubstr(c.notice))));
        EXPECT_THAT(w.ServerLines().at("S15"), ::testing::HasSubstr("Ort 15 neu"));
        // Each item finds its partner again, the damaged pair's by sameness.
        EXPECT_EQ(w.OutlookLines().size(), 21u);
        EXPECT_EQ(w.ServerLines().size(), 21u);
        for (int i = 0; i < 21; ++i)
            EXPECT_EQ(w.Mapping()[entries[static_cast<std::size_t>(i)]], "S" + std::to_string(i));
        w.ExpectInStep();
        w.ExpectNextRunChangesNothing();
        EXPECT_THAT(notices(w.sink.Calls()), IsEmpty()) << "the saved file has no damage left";
    }
}

// --- An addItems reply lost, then the items edited --------------------------

// The items of a kind for a lost addItems reply: one pair made before, new
// Outlook item `i`, the same renamed, and the same moved (appointments: to
// another day; tasks: to another deadline; contacts: to another e-mail
// address).
template <typename Side>
struct CLostAddItems {
    using World = CRunWorld<Side>;
    using Record = typename Side::Record;
    static CKindRules& Rules(World& w) { return Side::Rules(w.settings); }
    static void PairBefore(World& w) { w.Pair({"S1", "Bestehend", "Ort"}, "Ort"); }
    static constexpr bool kRuleDecidesAlone = true;
    static void NewOnServer(World& w, int i)
    {
        w.ServerItem({"SN" + std::to_string(i), "Vom Server " + std::to_string(i), "Ort " + std::to_string(i)});
    }
    static Record New(int i) { return Side::Make("Neu " + std::to_string(i), "Ort " + std::to_string(i), 0); }
    static Record Renamed(int i)
    {
        return Side::Make("Umbenannt " + std::to_string(i), "Ort " + std::to_string(i), 0);
    }
    static Record Moved(int i)
    {
        Record record = New(i);
        if constexpr (std::is_same_v<Record, CAppointmentRecord>) {
            record.start = COleDate::FromFields(2026, 12, 3, 14, 0, 0);
            record.end = COleDate::FromFields(2026, 12, 3, 15, 30, 0);
        } else {
            record.deadline = COleDate::FromFields(2027, 1, 15);
        }
        return record;
    }
};

struct CLostAddContacts {
    using World = CContactWorld;
    static CKindRules& Rules(World& w) { return w.settings.contactRules; }
    static void PairBefore(World& w)
    {
        w.Company({"A1", "Alpha AG", "Bern"});
        w.Pair({"C1", "A1", "Anna Muster", "anna@alpha.ch"}, {"Anna Muster", "anna@alpha.ch", "Alpha AG", "Bern"});
    }
    // A changed pair of contacts is decided by the dates of both sides too.
    static constexpr bool kRuleDecidesAlone = false;
    static void NewOnServer(World& w, int i)
    {
        const std::string n = std::to_string(i);
        w.ServerContact({"CN" + n, "A1", "Server Person" + n, "s" + n + "@alpha.ch"});
    }
    static CContactRecord New(int i) { return Person("Neu", i, "gamma.ch"); }
    static CContactRecord Renamed(int i) { return Person("Umbenannt", i, "gamma.ch"); }
    static CContactRecord Moved(int i) { return Person("Neu", i, "delta.ch"); }
    static CContactRecord Person(const std::string& first, int i, const std::string& mailDomain)
    {
        const std::string n = std::to_string(i);
        return CContactWorld::Make({first + " Person" + n, "p" + n + "@" + mailDomain, "Gamma AG", "Biel"});
    }
};

// Five new Outlook items; the run ends right after the server carried out
// their addItems, before any pair is recorded; the user renames two and
// moves one; two runs follow. Each server item comes back with the entry id
// it was sent with and is compared with that Outlook item as a pair, so the
// rule for changed pairs decides: the edits reach the server (Outlook wins)
// or are overwritten (the server wins). Nothing doubles either way.
template <typename Kind>
void ExpectLostAddThenEditsPairedBySentId()
{
    struct Case {
        const char* name;
        int ovrAction;
        bool editsWin;
    };
    for (const Case& c : {Case{"Outlook wins", 1, true}, Case{"the server wins", 0, false}}) {
        SCOPED_TRACE(c.name);
        typename Kind::World w;
        Kind::Rules(w).ovrAction = c.ovrAction;
        Kind::PairBefore(w);
        std::vector<std::string> entries;
        for (int i = 0; i < 5; ++i)
            entries.push_back(w.AddOutlookRecord(Kind::New(i)));
        ASSERT_TRUE(RunInChild(w, 0, "addItems answered").crashed);
        ASSERT_EQ(w.ServerLines().size(), 6u);
        const std::vector<std::string> before = w.Contents(w.OutlookLines());
        w.OverwriteOutlookRecord(entries[0], Kind::Renamed(0));
        w.OverwriteOutlookRecord(entries[3], Kind::Renamed(3));
        w.OverwriteOutlookRecord(entries[4], Kind::Moved(4));
        const std::vector<std::string> edited = w.Contents(w.OutlookLines());
        ASSERT_NE(edited, before);

        w.Run();
        w.Run();
        EXPECT_THAT(w.BoxTexts(), IsEmpty());
        const std::vector<std::string>& expected = c.editsWin ? edited : before;
        EXPECT_EQ(SidesOf(w), (CSides{expected, expected}));
        ExpectEachItemPairedOnce(w);
        for (const std::string& entryId : entries)
            EXPECT_TRUE(w.Mapping().contains(entryId)) << entryId;
        w.ExpectNextRunChangesNothing();
    }
}

TEST(CrashRecoveryTest, ItemsEditedAfterALostAddReplyArePairedByTheIdTheServerWasSent)
{
    {
        SCOPED_TRACE("appointments");
        ExpectLostAddThenEditsPairedBySentId<CLostAddItems<CAppointmentSide>>();
    }
    {
        SCOPED_TRACE("tasks");
        ExpectLostAddThenEditsPairedBySentId<CLostAddItems<CTaskSide>>();
    }
    {
        SCOPED_TRACE("contacts");
        ExpectLostAddThenEditsPairedBySentId<CLostAddContacts>();
    }
}

// --- A run ended around the commit of the items it copied from the server ----

// Three server items are copied into Outlook in one batch; the run ends
// right after the pairs were marked pending (the batch not yet committed), or
// right after the commit (the pairs not yet recorded). After the commit the
// user edits two of the copies before the next runs. The pending pairs are
// settled against the store: made for the committed copies, so that their
// edits are decided as for any pair, dropped for the batch that never
// committed, which the next run copies again. Nothing doubles, and no server
// item is deleted (a pair of a missing copy would look deleted by the user).
template <typename Kind>
void ExpectCopiesEditedAroundTheCommitPairedOnce()
{
    std::size_t pendingPoint = 0;
    {
        typename Kind::World reference;
        Kind::PairBefore(reference);
        for (int i = 0; i < 3; ++i)
            Kind::NewOnServer(reference, i);
        const std::vector<std::string> points = RunInChild(reference, 0).points;
        const auto found = std::find(points.begin(), points.end(), "new pairs marked pending");
        ASSERT_NE(found, points.end());
        ASSERT_EQ(std::next(found, 1) != points.end() ? *std::next(found, 1) : "", "Outlook items committed");
        pendingPoint = static_cast<std::size_t>(found - points.begin()) + 1;
    }
    struct Case {
        const char* name;
        std::size_t point;
        int ovrAction;
        bool committed;
    };
    const Case cases[] = {
        {"ended before the commit", pendingPoint, 1, false},
        {"ended after the commit, Outlook wins", pendingPoint + 1, 1, true},
        {"ended after the commit, the server wins", pendingPoint + 1, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        typename Kind::World w;
        Kind::Rules(w).ovrAction = c.ovrAction;
        Kind::Rules(w).olDeletedAction = 1;
        Kind::PairBefore(w);
        for (int i = 0; i < 3; ++i)
            Kind::NewOnServer(w, i);
        const std::map<std::string, std::string> outlookBefore = w.OutlookLines();
        ASSERT_TRUE(RunInChild(w, static_cast<int>(c.point)).crashed);
        const std::map<std::string, std::string> serverBefore = w.ServerLines();
        std::vector<std::string> copies;
        for (const auto& [entryId, line] : w.OutlookLines())
            if (!outlookBefore.contains(entryId))
                copies.push_back(entryId);
        ASSERT_EQ(copies.size(), c.committed ? 3u : 0u);
        const std::vector<std::string> before = w.Contents(w.ServerLines());
        if (c.committed) {
            w.OverwriteOutlookRecord(copies[0], Kind::Renamed(0));
            w.OverwriteOutlookRecord(copies[2], Kind::Moved(2));
        }
        const std::vector<std::string> edited = w.Contents(w.OutlookLines());

        w.Run();
        w.Run();
        EXPECT_THAT(w.BoxTexts(), IsEmpty());
        for (const auto& [serverId, line] : serverBefore)
            EXPECT_TRUE(w.ServerLines().contains(serverId)) << serverId << " was deleted";
        const std::vector<std::string>& expected = c.committed && c.ovrAction == 1 ? edited : before;
        if (Kind::kRuleDecidesAlone || expected == before)
            EXPECT_EQ(SidesOf(w), (CSides{expected, expected}));
        else
            EXPECT_THAT(SidesOf(w), ::testing::AnyOf(CSides{edited, edited}, CSides{before, before}));
        ExpectEachItemPairedOnce(w);
        for (const std::string& entryId : copies)
            EXPECT_TRUE(w.Mapping().contains(entryId)) << entryId;
        w.ExpectNextRunChangesNothing();
    }
}

TEST(CrashRecoveryTest, CopiesEditedAfterARunEndedAroundTheirCommitStandOnceOnEachSide)
{
    {
        SCOPED_TRACE("appointments");
        ExpectCopiesEditedAroundTheCommitPairedOnce<CLostAddItems<CAppointmentSide>>();
    }
    {
        SCOPED_TRACE("tasks");
        ExpectCopiesEditedAroundTheCommitPairedOnce<CLostAddItems<CTaskSide>>();
    }
    {
        SCOPED_TRACE("contacts");
        ExpectCopiesEditedAroundTheCommitPairedOnce<CLostAddContacts>();
    }
}

// A mapping file lost while Outlook items wait with edits: the server items
// that were added from them, or last overwritten from them, name them.
template <typename Kind>
void ExpectLostMappingFileWithEditsRepaired()
{
    typename Kind::World w;
    Kind::Rules(w).ovrAction = 1;
    Kind::PairBefore(w);
    std::vector<std::string> entries;
    for (int i = 0; i < 3; ++i)
        entries.push_back(w.AddOutlookRecord(Kind::New(i)));
    w.Run();
    w.OverwriteOutlookRecord(entries[2], Kind::Renamed(2));
    w.Run();  // the rename goes out with putItems
    ASSERT_TRUE(std::filesystem::remove(w.MappingFileName()));
    w.OverwriteOutlookRecord(entries[0], Kind::Renamed(0));
    w.OverwriteOutlookRecord(entries[1], Kind::Moved(1));
    w.OverwriteOutlookRecord(entries[2], Kind::Moved(2));
    const std::vector<std::string> edited = w.Contents(w.OutlookLines());

    w.Run();
    EXPECT_THAT(w.BoxTexts(), IsEmpty());
    EXPECT_EQ(SidesOf(w), (CSides{edited, edited}));
    ExpectEachItemPairedOnce(w);
    w.ExpectNextRunChangesNothing();
}

TEST(CrashRecoveryTest, ALostMappingFileWithPendingEditsDoublesNothing)
{
    {
        SCOPED_TRACE("appointments");
        ExpectLostMappingFileWithEditsRepaired<CLostAddItems<CAppointmentSide>>();
    }
    {
        SCOPED_TRACE("contacts");
        ExpectLostMappingFileWithEditsRepaired<CLostAddContacts>();
    }
}

// Server items that name an Outlook item by the id they were sent with, in
// the situations where that id must not pair them, or pairs only one.
TEST(CrashRecoveryTest, TheSentIdPairsOnlyAnUnpairedItemAndEachItemOnce)
{
    using World = CRunWorld<CAppointmentSide>;
    const auto named = [](CServerItem item, const std::string& entryId) {
        item.idClient = entryId;
        return item;
    };
    struct Case {
        const char* name;
        // Seeds the world; returns the entry id that the server items name.
        std::function<std::string(World&)> seed;
        std::map<std::string, std::string> pairs;  // server id -> "named" or "new" (paired with a new item)
    };
    const Case cases[] = {
        {"an item paired with another server item",
         [&](World& w) {
             const std::string entry = w.Pair({"S1", "Termin", "Ort"}, "Ort");
             w.ServerItem(named({"S2", "Termin", "Anderswo"}, entry));
             return entry;
         },
         {{"S1", "named"}, {"S2", "new"}}},
        {"an item deleted in Outlook",
         [&](World& w) {
             w.ServerItem(named({"S2", "Termin", "Anderswo"}, "gone-entry"));
             return std::string("gone-entry");
         },
         {{"S2", "new"}}},
        {"the id X, and none",
         [&](World& w) {
             const std::string entry = w.OutlookItem("Termin", "Ort");
             w.ServerItem(named({"S2", "Termin", "Anderswo"}, "X"));
             w.ServerItem({"S3", "Termin", "Dort"});
             return entry;
         },
         {{"S2", "new"}, {"S3", "new"}}},
        {"two server items naming one Outlook item: the first in the reply",
         [&](World& w) {
             const std::string entry = w.OutlookItem("Termin", "Ort");
             w.ServerItem(named({"S2", "Termin", "Anderswo"}, entry));
             w.ServerItem(named({"S3", "Termin", "Ort"}, entry));
             return entry;
         },
         {{"S2", "named"}, {"S3", "new"}}},
        {"the id before sameness, whatever the order",
         [&](World& w) {
             const std::string entry = w.OutlookItem("Termin", "Ort");
             w.ServerItem({"S2", "Termin", "Ort"});
             w.ServerItem(named({"S3", "Termin", "Anderswo"}, entry));
             return entry;
         },
         {{"S2", "new"}, {"S3", "named"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        w.settings.appointmentRules.ovrAction = 1;
        // A pair whose Outlook item was deleted would be deleted on the server.
        w.settings.appointmentRules.olDeletedAction = 1;
        const std::string entry = c.seed(w);
        const std::map<std::string, std::string> outlookBefore = w.OutlookLines();
        w.Run();
        EXPECT_THAT(w.BoxTexts(), IsEmpty());
        const std::map<std::string, std::string> mapping = w.Mapping();
        for (const auto& [serverId, partner] : c.pairs) {
            const auto pair = std::find_if(mapping.begin(), mapping.end(),
                                           [&](const auto& p) { return p.second == serverId; });
            ASSERT_NE(pair, mapping.end()) << serverId;
            if (partner == "named")
                EXPECT_EQ(pair->first, entry) << serverId;
            else
                EXPECT_FALSE(outlookBefore.contains(pair->first)) << serverId << " paired with " << pair->first;
        }
        // Nothing is deleted: every item of either side is still there.
        const std::map<std::string, std::string> outlook = w.OutlookLines();
        for (const auto& [entryId, line] : outlookBefore)
            EXPECT_TRUE(outlook.contains(entryId)) << entryId;
        for (const auto& [serverId, partner] : c.pairs)
            EXPECT_TRUE(w.ServerLines().contains(serverId)) << serverId;
        w.ExpectInStep();
        w.ExpectNextRunChangesNothing();
    }
}


// A mapping file removed after a run (its identity file is still there):
// the pairs are gone, the items are paired again by sameness where they can
// be, and the user hears of it once.
TEST(CrashRecoveryTest, AMappingFileRemovedAfterARunIsReportedOnce)
{
    CRunWorld<CAppointmentSide> w;
    w.ServerItem({"S1", "Termin", "Ort"});
    w.Run();
    ASSERT_EQ(w.Mapping().size(), 1u);
    ASSERT_TRUE(std::filesystem::exists("maps_appo.ids.store"));
    std::filesystem::remove(w.MappingFileName());
    w.Run();
    EXPECT_THAT(w.BoxTexts(), IsEmpty());
    EXPECT_THAT(w.sink.Calls(), Contains(::testing::StartsWith(
                                    "ShowNotice Zuordnungsdatei maps_appo.ids: fehlte und wurde leer angelegt")));
    w.ExpectInStep();
    w.ExpectNextRunChangesNothing();
}

} // namespace
} // namespace tarnwel
