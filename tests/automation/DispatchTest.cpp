#include "platform/automation/Application.h"
#include "platform/automation/AppointmentItem.h"
#include "platform/automation/ContactItem.h"
#include "platform/automation/DispatchBase.h"
#include "platform/automation/TaskItem.h"
#include "tests/support/ComErrorCode.h"
#include "tests/support/FakeAutomation.h"

#include <cctype>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tarnwel {
namespace {

using testing::ElementsAre;

class CCounter : public CDispatchBase<CCounter> {
public:
    static const CMemberTable<CCounter>& MemberTable()
    {
        static const auto table = CMemberTable<CCounter>()
            .Property("Count", [](CCounter& self) { return CVariant(self.count); },
                      [](CCounter& self, const CVariant& value) { self.count = value.ToInt(); })
            .Property("Name", [](CCounter&) { return CVariant("counter"); })
            .Method("Add", [](CCounter& self, const std::vector<CVariant>& arguments) {
                RequireArguments("Add", arguments, 1);
                self.count += arguments[0].ToInt();
                return CVariant(self.count);
            });
        return table;
    }
    int count = 0;
};

TEST(DispatchTest, ReachesMembersByNameIgnoringCase)
{
    CCounter counter;
    counter.PutProperty("COUNT", CVariant("4"));
    EXPECT_EQ(counter.Invoke("add", {CVariant(3)}).ToInt(), 7);
    EXPECT_EQ(counter.GetProperty("count").ToInt(), 7);

    EXPECT_EQ(test::ComErrorCode([&] { counter.GetProperty("Counter"); }), com_codes::kUnknownName);
    EXPECT_EQ(test::ComErrorCode([&] { counter.Invoke("Ädd", {CVariant(1)}); }), com_codes::kUnknownName);
    EXPECT_EQ(test::ComErrorCode([&] { counter.PutProperty("Name", CVariant("x")); }), com_codes::kMemberNotFound);
    EXPECT_EQ(test::ComErrorCode([&] { counter.Invoke("Count", {}); }), com_codes::kMemberNotFound);
    EXPECT_EQ(test::ComErrorCode([&] { counter.Invoke("Add", {}); }), com_codes::kBadParamCount);
    EXPECT_EQ(test::ComErrorCode([&] { counter.PutProperty("Count", CVariant("many")); }), com_codes::kTypeMismatch);
}

// An object with many members of similar names, its table built the way a
// class whose objects differ in their members builds it.
class CWide : public CDispatchBase<CWide> {
public:
    static std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const char* stem : {"BusinessAddress", "Business2Address", "Email", "HomeFax", "x"})
            for (const char* end : {"", "1", "2", "City", "Street", "State", "Country"})
                names.push_back(std::string(stem) + end);
        return names;
    }
    static const CMemberTable<CWide>& MemberTable()
    {
        static const CMemberTable<CWide> table = [] {
            CMemberTable<CWide> built;
            for (const std::string& name : Names())
                built = std::move(built).Property(name, [name](CWide&) { return CVariant(name); });
            // A later entry of a known name adds to its member.
            built = std::move(built).Method("Email1", [](CWide&, const std::vector<CVariant>&) { return CVariant(1); });
            return built;
        }();
        return table;
    }
};

TEST(DispatchTest, ManyMembersOfSimilarNamesAreEachFoundByTheirOwnName)
{
    CWide wide;
    for (const std::string& name : CWide::Names()) {
        std::string upper = name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(wide.GetProperty(name).ToText(), name);
        EXPECT_EQ(wide.GetProperty(upper).ToText(), name);
        EXPECT_EQ(test::ComErrorCode([&] { wide.GetProperty(name + "s"); }), com_codes::kUnknownName) << name;
    }
    EXPECT_EQ(wide.GetProperty("email1").ToText(), "Email1");
    EXPECT_EQ(wide.Invoke("EMAIL1", {}).ToInt(), 1);
    EXPECT_EQ(test::ComErrorCode([&] { wide.GetProperty(""); }), com_codes::kUnknownName);
    EXPECT_EQ(test::ComErrorCode([&] { wide.GetProperty("BusinessAddressCit\xC3\xBD"); }), com_codes::kUnknownName);
}

// A typed wrapper over objects of any class with these members.
class CCounterWrapper : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;
    TARNWEL_INT_PROPERTY(Count)
    TARNWEL_TEXT_PROPERTY(Name)
    TARNWEL_INT_PROPERTY(Add)
};

TEST(DispatchTest, TypedGettersAndSettersKeepMemberIdsPerClassAndStillReachEveryObject)
{
    auto counter = std::make_shared<CCounter>();
    counter->count = 5;
    auto wide = std::make_shared<CWide>();
    auto fake = std::make_shared<test::CFakeDispatch>();
    fake->Set("Name", CVariant("fake")).Set("Count", CVariant(9));
    // The same getters meet objects of other classes in turn; each answers
    // for its own members, and a member that is no property stays an error.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(CCounterWrapper(counter).GetName(), "counter");
        EXPECT_EQ(CCounterWrapper(counter).GetCount(), 5);
        EXPECT_EQ(test::ComErrorCode([&] { CCounterWrapper(wide).GetName(); }), com_codes::kUnknownName);
        EXPECT_EQ(CCounterWrapper(fake).GetName(), "fake");
        EXPECT_EQ(CCounterWrapper(fake).GetCount(), 9);
        EXPECT_EQ(test::ComErrorCode([&] { CCounterWrapper(counter).GetAdd(); }), com_codes::kMemberNotFound);
        EXPECT_EQ(test::ComErrorCode([&] { CCounterWrapper().GetCount(); }), com_codes::kPointer);
    }
    EXPECT_THAT(fake->Calls(), ElementsAre("get Name", "get Count", "get Name", "get Count"));

    const std::string longName(40, 'n');
    for (int round = 0; round < 2; ++round) {
        CCounterWrapper(counter).SetCount(6 + round);
        EXPECT_EQ(counter->count, 6 + round);
        EXPECT_EQ(test::ComErrorCode([&] { CCounterWrapper(counter).SetName("x"); }), com_codes::kMemberNotFound);
        EXPECT_EQ(test::ComErrorCode([&] { CCounterWrapper(wide).SetCount(1); }), com_codes::kUnknownName);
        CCounterWrapper(fake).SetName(round == 0 ? std::string_view(longName) : "kurz");
        EXPECT_EQ(CCounterWrapper(fake).GetName(), round == 0 ? longName : "kurz");
        EXPECT_EQ(test::ComErrorCode([&] { CCounterWrapper().SetName("x"); }), com_codes::kPointer);
    }
    EXPECT_EQ(counter->count, 7);
}

TEST(DispatchTest, RegistryCreatesByProgIdAndPassesFailureCodesOn)
{
    try {
        CProgIdRegistry::Create("Nowhere.Application");
        FAIL() << "an unregistered ProgID was created";
    } catch (const CComError& error) {
        EXPECT_EQ(error.Code(), com_codes::kInvalidClassString);
        EXPECT_EQ(error.CodeText(), "0x800401f3");
    }

    auto first = std::make_shared<CCounter>();
    CScopedProgIdRegistration outer([&] { return first; });
    EXPECT_EQ(CProgIdRegistry::Create("outlook.APPLICATION"), first);
    {
        CScopedProgIdRegistration inner([]() -> DispatchPtr { throw CComError(com_codes::kClassNotRegistered, "gone"); });
        EXPECT_EQ(test::ComErrorCode([] { CApplication::Create(); }), com_codes::kClassNotRegistered);
        CScopedProgIdRegistration empty([] { return DispatchPtr(); });
        EXPECT_EQ(test::ComErrorCode([] { CApplication::Create(); }), com_codes::kFail);
    }
    EXPECT_EQ(CApplication::Create().Object(), first);
}

TEST(DispatchTest, NullWrappersRaiseOnUseAndScansEndInOne)
{
    EXPECT_TRUE(CItems().IsNull());
    EXPECT_EQ(test::ComErrorCode([] { CItems().Find("x"); }), com_codes::kPointer);
    EXPECT_EQ(test::ComErrorCode([] { CAppointmentItem().GetSubject(); }), com_codes::kPointer);
    EXPECT_EQ(test::ComErrorCode([] { CUserProperty().SetValue(CVariant("x")); }), com_codes::kPointer);

    auto items = std::make_shared<test::CFakeItems>();
    EXPECT_TRUE(CItems(items).Find("[LastModificationTime] > '1900-01-01'").IsNull());
    EXPECT_TRUE(CItems(items).FindNext().IsNull());

    // A result that is no object is a type mismatch, not a null wrapper.
    items->SetMethod("FindNext", [](const std::vector<CVariant>&) { return CVariant("item"); });
    EXPECT_EQ(test::ComErrorCode([&] { CItems(items).FindNext(); }), com_codes::kTypeMismatch);
}

TEST(DispatchTest, TypedWrappersReadAndWriteThroughTheFake)
{
    auto fake = std::make_shared<test::CFakeItem>("IPM.Task.DRAVTask");
    const CTaskItem task(fake);
    fake->Set("Importance", 2).Set("IsRecurring", true);
    task.SetSubject("Bericht");
    task.SetDueDate(COleDate::FromFields(2024, 5, 1));
    task.SetReminderOverrideDefault(true);
    task.GetUserProperties().Item("TaskType").SetValue(CVariant("Main Task"));

    EXPECT_EQ(task.GetImportance(), 2);
    EXPECT_TRUE(task.GetIsRecurring());
    EXPECT_EQ(fake->Value("Subject"), CVariant("Bericht"));
    EXPECT_EQ(fake->UserProperty("TaskType")->Value("Value"), CVariant("Main Task"));
    EXPECT_THAT(fake->Puts(), ElementsAre("Subject", "DueDate", "ReminderOverrideDefault"));
    EXPECT_TRUE(task.GetUserProperties().Item("ContactSalutation").IsNull());

    // Any single member can fail, with the code the test chooses; the others still work.
    fake->Fail("DueDate", CComError(com_codes::kException, "locked"));
    fake->UserProperty("Assignment")->Fail("Value");
    EXPECT_EQ(test::ComErrorCode([&] { task.SetDueDate(COleDate::FromFields(2024, 5, 2)); }), com_codes::kException);
    EXPECT_EQ(test::ComErrorCode([&] { task.GetDueDate(); }), com_codes::kException);
    EXPECT_EQ(test::ComErrorCode([&] { task.GetUserProperties().Item("Assignment").GetValue(); }), com_codes::kFail);
    EXPECT_EQ(task.GetSubject(), "Bericht");
    fake->StopFailing("DueDate");
    EXPECT_EQ(task.GetDueDate(), COleDate::FromFields(2024, 5, 1));
}

TEST(DispatchTest, FakeObjectModelStandsBehindTheWholeChain)
{
    test::CFakeOutlook outlook;
    const CNameSpace nameSpace = CApplication::Create().GetNamespace("MAPI");
    nameSpace.Logon();
    EXPECT_EQ(outlook.logonArguments, std::vector<CVariant>(4, CVariant::Omitted()));
    const CItems items = nameSpace.GetDefaultFolder(default_folders::kCalendar).GetItems();
    EXPECT_EQ(test::ComErrorCode([&] { nameSpace.GetDefaultFolder(6); }), com_codes::kInvalidArgument);

    const CAppointmentItem added(items.Add("IPM.Appointment.DRAVAppointment"));
    EXPECT_EQ(added.GetEntryID(), "");
    added.SetSubject("Planung");
    added.Save();
    EXPECT_NE(added.GetEntryID(), "");
    outlook.itemsOf[9]->AddSaved("IPM.Appointment");

    // A scan that deletes every item it meets still meets each one once.
    std::vector<std::string> seen;
    for (COutlookItem item = items.Find("[LastModificationTime] > '1900-01-01'"); !item.IsNull(); item = items.FindNext()) {
        seen.push_back(item.GetMessageClass());
        item.Delete();
    }
    EXPECT_THAT(seen, ElementsAre("IPM.Appointment.DRAVAppointment", "IPM.Appointment"));
    EXPECT_TRUE(outlook.itemsOf[9]->Items().empty());
    EXPECT_THAT(outlook.nameSpace->Calls(), ElementsAre("call Logon", "call GetDefaultFolder", "call GetDefaultFolder"));

    outlook.FailCreation(CComError(com_codes::kClassNotRegistered, "not installed"));
    EXPECT_EQ(test::ComErrorCode([] { CApplication::Create(); }), com_codes::kClassNotRegistered);
}

} // namespace
} // namespace tarnwel
