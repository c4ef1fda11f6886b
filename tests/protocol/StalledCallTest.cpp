// Server calls that get no answer: a server that takes the connection and
// never answers, and a stop while a call is under way.

#include "platform/base/ComError.h"
#include "platform/soap/CCurlConnector.h"
#include "protocol/CServerSession.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/ReferenceServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tarnwel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::MessageOf;

const std::string kUnexpected = "Unerwarteter Server-Fehler!\r\nBitte überprüfen Sie Ihre Verbindung\r\nzum Server";

// Shortens the stall limit for one test.
class CScopedStallLimit {
public:
    explicit CScopedStallLimit(milliseconds limit) : m_previous(CCurlConnector::SetStallLimit(limit)) {}
    ~CScopedStallLimit() { CCurlConnector::SetStallLimit(m_previous); }

private:
    milliseconds m_previous;
};

// The error code that one call of `connector` raised, and how long it took.
struct CCallEnd {
    std::int32_t code = 0;
    Clock::duration took{};
};

CCallEnd CallOnce(CCurlConnector& connector)
{
    CCallEnd end;
    const Clock::time_point start = Clock::now();
    try {
        connector.Send("<x/>");
    } catch (const CComError& error) {
        end.code = error.Code();
    }
    end.took = Clock::now() - start;
    return end;
}

TEST(StalledCall, AServerThatNeverAnswersFailsAfterTheStallLimitWhateverTheTimeout)
{
    test::CSilentServer server;
    const CScopedStallLimit stallLimit(milliseconds(500));
    for (const std::int32_t timeout : {0, -1, 4000000}) {
        CCurlConnector connector;
        connector.SetEndpointUrl(server.Url());
        connector.SetTimeout(timeout);
        const CCallEnd end = CallOnce(connector);
        EXPECT_EQ(end.code, com_codes::kTimeout) << timeout;
        EXPECT_LT(end.took, std::chrono::seconds(20)) << timeout;
    }
    // A shorter time-out still ends the call first.
    CCurlConnector connector;
    connector.SetEndpointUrl(server.Url());
    connector.SetTimeout(200);
    const CScopedStallLimit longStallLimit(milliseconds(60000));
    EXPECT_EQ(CallOnce(connector).code, com_codes::kTimeout);
}

TEST(StalledCall, TheAbortFlagEndsTheCallUnderWay)
{
    test::CSilentServer server;
    std::atomic<bool> abort{false};
    CCurlConnector connector;
    connector.SetEndpointUrl(server.Url());
    connector.SetTimeout(0);
    connector.SetAbortFlag(&abort);
    std::thread stopper([&] {
        std::this_thread::sleep_for(milliseconds(300));
        abort.store(true);
    });
    const CCallEnd end = CallOnce(connector);
    stopper.join();
    EXPECT_EQ(end.code, com_codes::kAbort);
    EXPECT_LT(end.took, std::chrono::seconds(20));
}

// A stopped call fails as a lost connection does, with the call's message,
// an addItems too; sign_out is let finish, since it closes the session only
// after the run saved its work.
TEST(StalledCall, AStopEndsTheSessionsCallsButForSignOut)
{
    const CScopedStallLimit stallLimit(milliseconds(60000));
    std::atomic<bool> abort{true};
    {
        test::CSilentServer silent;
        CServerSession session(CServerAccount{"user", "vezi", silent.Url(), 0});
        session.SetAbortFlag(&abort);
        CAppointmentArray appointments;
        EXPECT_EQ(MessageOf<ServerConnectException>(
                      [&] { session.GetAppointments(appointments, "1900-01-01", {}); }),
                  kUnexpected);
        CAppointmentArray records(1);
        records[0].id_client = "local-1";
        CStringMap errors;
        EXPECT_THROW(session.AddAppointments(records, errors), ServerConnectException);
    }
    test::CReferenceServer server({"--delay", "sign_out=1.5"});
    CServerSession session(CServerAccount{"user", "vezi", server.Url(), 20000});
    session.Authenticate(kAppointmentNamespace);
    session.SetAbortFlag(&abort);
    EXPECT_NO_THROW(session.SignOut(kAppointmentNamespace));
}

} // namespace
} // namespace tarnwel
