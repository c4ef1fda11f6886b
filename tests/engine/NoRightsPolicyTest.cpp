#include "engine/CNoRightsPolicyFactory.h"
#include "platform/ui/MessageBox.h"
#include "resources/StringTable.h"
#include "tests/support/BoxCapture.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

// Answers Yes/No boxes from a queue and records what they showed.
class CBoxAnswers {
public:
    explicit CBoxAnswers(std::deque<MessageBoxResult> answers)
        : m_answers(std::move(answers)), m_handler([this](const CMessageBoxRequest& request) {
              m_shown.push_back(request);
              if (m_answers.empty())
                  return MessageBoxResult::ok;
              const MessageBoxResult answer = m_answers.front();
              m_answers.pop_front();
              return answer;
          })
    {
    }

    const std::vector<CMessageBoxRequest>& Shown() const { return m_shown; }

private:
    std::deque<MessageBoxResult> m_answers;
    std::vector<CMessageBoxRequest> m_shown;
    test::CBoxCapture m_handler;
};

CAppointmentRecord Appointment(const std::string& serverId, const std::string& subject)
{
    CAppointmentRecord record;
    record.id_tarnwel = serverId;
    record.description = subject;
    return record;
}

CContactRecord Contact(const std::string& serverId, const std::string& lastName)
{
    CContactRecord record;
    record.id_tarnwel = serverId;
    record.lastName = lastName;
    return record;
}

CTaskRecord Task(const std::string& serverId, const std::string& title)
{
    CTaskRecord record;
    record.id_tarnwel = serverId;
    record.title = title;
    return record;
}

void Apply(CNoRightsPolicy& policy, CAppointmentArray& queue, const CAppointmentRecord& record)
{
    policy.ApplyToAppointment(queue, record);
}

void Apply(CNoRightsPolicy& policy, CContactArray& queue, const CContactRecord& record)
{
    policy.ApplyToContact(queue, record);
}

void Apply(CNoRightsPolicy& policy, CTaskArray& queue, const CTaskRecord& record)
{
    policy.ApplyToTask(queue, record);
}

std::vector<std::string> ServerIds(const auto& queue)
{
    std::vector<std::string> ids;
    for (const auto& record : queue)
        ids.push_back(record.id_tarnwel);
    return ids;
}

// The question text `questionId` with `description` in place of its "%s".
std::string Question(int questionId, const std::string& description)
{
    const std::string text = LoadResourceText(questionId);
    const std::size_t placeholder = text.find("%s");
    EXPECT_NE(placeholder, std::string::npos) << "question " << questionId;
    return text.substr(0, placeholder) + description + text.substr(placeholder + 2);
}

struct MakeOperation {
    const char* name;
    std::unique_ptr<CNoRightsPolicy> (CNoRightsPolicyFactory::*make)(CKindRules);
    int CKindRules::*noRights;
    int questionId;
};

const MakeOperation kMakeOperations[] = {
    {"TWDeleted", &CNoRightsPolicyFactory::MakeTWDeletedPolicy, &CKindRules::twDeletedNoRights, 238},
    {"New", &CNoRightsPolicyFactory::MakeNewPolicy, &CKindRules::newNoRights, 237},
    {"Ovr", &CNoRightsPolicyFactory::MakeOvrPolicy, &CKindRules::ovrNoRights, 239},
    {"OLDeleted", &CNoRightsPolicyFactory::MakeOLDeletedPolicy, &CKindRules::olDeletedNoRights, 240},
};

// Rules whose NoRights field `field` holds `value` and whose other NoRights
// fields hold a code that gives a different policy, so reading the wrong
// field shows.
CKindRules RulesWith(int CKindRules::*field, int value)
{
    CKindRules rules;
    const int other = value == 0 ? 2 : 0;
    rules.ovrNoRights = rules.newNoRights = rules.olDeletedNoRights = rules.twDeletedNoRights = other;
    rules.*field = value;
    return rules;
}

// Applies the policy to two records of one kind on a queue that already holds
// one, and checks the queue and the questions asked.
template <typename Record>
void CheckKind(CNoRightsPolicy& policy, const MakeOperation& operation, int noRights, MessageBoxResult answer,
               const Record& first, const Record& second, const Record& queued)
{
    CRecordArray<Record> queue{queued};
    CBoxAnswers boxes({answer, answer});
    Apply(policy, queue, first);
    Apply(policy, queue, second);

    const bool queues = noRights == 0 || (noRights == 1 && answer == MessageBoxResult::yes);
    std::vector<std::string> expected{queued.id_tarnwel};
    if (queues) {
        expected.push_back(first.id_tarnwel);
        expected.push_back(second.id_tarnwel);
    }
    EXPECT_EQ(ServerIds(queue), expected);

    if (noRights != 1) {
        EXPECT_TRUE(boxes.Shown().empty());
        return;
    }
    // One question per record, each naming its own record.
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text, Question(operation.questionId, first.GetDescription()));
    EXPECT_EQ(boxes.Shown()[1].text, Question(operation.questionId, second.GetDescription()));
    for (const CMessageBoxRequest& box : boxes.Shown()) {
        EXPECT_EQ(box.buttons, MessageBoxButtons::yesNo);
        EXPECT_EQ(box.icon, MessageBoxIcon::question);
    }
}

TEST(NoRightsPolicy, EachMakeOperationReadsItsNoRightsCodeAndTheQueueFollowsTheAnswer)
{
    CNoRightsPolicyFactory factory;
    for (const MakeOperation& operation : kMakeOperations) {
        for (const int noRights : {0, 1, 2, 5, -1}) {
            for (const MessageBoxResult answer : {MessageBoxResult::yes, MessageBoxResult::no}) {
                SCOPED_TRACE(std::string(operation.name) + " NoRights " + std::to_string(noRights) + " answer " +
                             (answer == MessageBoxResult::yes ? "Yes" : "No"));
                const std::unique_ptr<CNoRightsPolicy> policy =
                    (factory.*operation.make)(RulesWith(operation.noRights, noRights));
                if (noRights < 0 || noRights > 2) {
                    EXPECT_EQ(policy, nullptr);
                    continue;
                }
                ASSERT_NE(policy, nullptr);
                CheckKind(*policy, operation, noRights, answer, Appointment("a1", "Planung"),
                          Appointment("a2", "Review"), Appointment("a0", "schon da"));
                CheckKind(*policy, operation, noRights, answer, Contact("c1", "M\xC3\xBCller"),
                          Contact("c2", "Schulz"), Contact("c0", "schon da"));
                CheckKind(*policy, operation, noRights, answer, Task("t1", "Bericht"), Task("t2", "Abnahme"),
                          Task("t0", "schon da"));
            }
        }
    }
}

TEST(NoRightsPolicy, AskPolicyAsksAfreshForEveryRecordAndQueuesACopy)
{
    CNoRightsPolicyFactory factory;
    CKindRules rules;
    rules.olDeletedNoRights = 1;
    const std::unique_ptr<CNoRightsPolicy> policy = factory.MakeOLDeletedPolicy(rules);
    ASSERT_NE(policy, nullptr);

    CAppointmentRecord first = Appointment("a1", "Planung");
    const CAppointmentRecord second = Appointment("a2", "Review");
    const CAppointmentRecord third = Appointment("a3", "Abschluss");
    CAppointmentArray queue;
    CBoxAnswers boxes({MessageBoxResult::yes, MessageBoxResult::no, MessageBoxResult::yes});
    policy->ApplyToAppointment(queue, first);
    policy->ApplyToAppointment(queue, second);
    policy->ApplyToAppointment(queue, third);

    EXPECT_EQ(ServerIds(queue), (std::vector<std::string>{"a1", "a3"}));
    ASSERT_EQ(boxes.Shown().size(), 3u);
    // Question 240 has no blank before the description.
    EXPECT_EQ(boxes.Shown()[1].text.rfind("Die folgenden Daten" + second.GetDescription() + "\nsollten", 0), 0u);
    first.description = "changed later";
    EXPECT_EQ(queue[0].description, "Planung");
}

TEST(NoRightsPolicy, AskPolicyInsertsTheDescriptionAsItStandsHoweverLong)
{
    CNoRightsPolicyFactory factory;
    CKindRules rules;
    rules.ovrNoRights = 1;
    const std::unique_ptr<CNoRightsPolicy> policy = factory.MakeOvrPolicy(rules);
    ASSERT_NE(policy, nullptr);

    // Format directives inside the description, and one far beyond any buffer.
    const CTaskRecord directives = Task("t1", "%s %d %n 100%% %");
    const CTaskRecord longTask = Task("t2", std::string(70000, 'x') + "Ende");
    CTaskArray queue;
    CBoxAnswers boxes({MessageBoxResult::no, MessageBoxResult::no});
    policy->ApplyToTask(queue, directives);
    policy->ApplyToTask(queue, longTask);

    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_NE(boxes.Shown()[0].text.find("%s %d %n 100%% %"), std::string::npos);
    EXPECT_EQ(boxes.Shown()[0].text, Question(239, directives.GetDescription()));
    EXPECT_EQ(boxes.Shown()[1].text, Question(239, longTask.GetDescription()));
    EXPECT_TRUE(queue.empty());
}

} // namespace
} // namespace tarnwel
