// Whole appointment and task runs: the reference server over loopback, a real
// local item store in a temporary directory, questions answered by the
// scripted ui. Each test seeds both sides, runs, and compares both sides and
// the mapping file.

#include "engine/CKindRun.h"
#include "tests/engine/RunWorld.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <type_traits>

namespace tarnwel {
namespace {

using test::CAppointmentSide;
using test::CRunWorld;
using test::CServerItem;
using test::CTaskSide;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using A = CDialogAction;

constexpr const char* kNoParticipants = "Keine Teilnehmer";

template <typename Side>
class ReplicationRunTest : public ::testing::Test {
protected:
    using World = CRunWorld<Side>;
    static constexpr bool kTasks = std::is_same_v<Side, CTaskSide>;

    // The line that either side shows for an item with these fields.
    static std::string Line(const std::string& title, const std::string& detail, int percent = 0,
                            const std::string& participants = kNoParticipants)
    {
        return Side::Line(Side::Make(title, detail, kTasks ? percent : 0)) + "|" + participants;
    }

    World w;
};

using Sides = ::testing::Types<CAppointmentSide, CTaskSide>;
TYPED_TEST_SUITE(ReplicationRunTest, Sides);

TYPED_TEST(ReplicationRunTest, NewItemsOnEachSideReachTheOtherSide)
{
    auto& w = this->w;
    w.ServerItem({"S1", "Vom Server", "Köln"});
    w.OutlookItem("Aus Outlook", "Bonn");
    w.Run();

    EXPECT_THAT(w.ui.MessageBoxes(), IsEmpty());
    const std::vector<std::string> both{this->Line("Aus Outlook", "Bonn"), this->Line("Vom Server", "Köln")};
    EXPECT_EQ(w.Contents(w.OutlookLines()), both);
    EXPECT_EQ(w.Contents(w.ServerLines()), both);
    w.ExpectInStep();

    // Every step of the run shows its text in the kind's status line.
    EXPECT_EQ(w.sink.Calls().front(), "SetStatusControl " + std::to_string(TypeParam::kStatusControl));
    if constexpr (TestFixture::kTasks)
        EXPECT_THAT(w.sink.StatusTexts(), ElementsAre("214", "229", "215(1,0)", "230", "218(0,1)", "219(0,0)",
                                                      "220(0,0)", "221(1,0)", "223(0,1)", "228"));
    else
        EXPECT_THAT(w.sink.StatusTexts(),
                    ElementsAre("184", "229", "185(1,0)", "186(0,1)", "187(1,0)", "188(0,1)", "189(0,0)", "190(0,0)",
                                "191(1,0)", "192(1,0)", "193(0,1)", "194(0,0)", "196(0,0)", "198"));

    w.ExpectNextRunChangesNothing();
}

} // namespace
} // namespace tarnwel
