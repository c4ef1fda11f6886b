#include "engine/CReplicator.h"
#include "tests/support/SilentProgressSink.h"

#include <gtest/gtest.h>

namespace tarnwel {
namespace {

TEST(Replicator, StartAndStopTraceTheirState)
{
    CReplicationSettings settings;
    settings.SetDefaults();
    settings.serverUrl = "http://127.0.0.1:1/x";
    test::CSilentProgressSink sink;
    CReplicator replicator(sink, settings);
    std::vector<std::string> trace;
    replicator.SetTraceListener([&](const std::string& line, bool) { trace.push_back(line); });

    EXPECT_FALSE(replicator.CheckStarted());
    replicator.Stop();
    replicator.Start();
    replicator.Start();
    EXPECT_TRUE(replicator.CheckStarted());
    replicator.Stop();
    EXPECT_FALSE(replicator.CheckStarted());
    EXPECT_EQ(trace, (std::vector<std::string>{"Replicator error: not yet started!", "Replicator error: not yet started!",
                                               "Replicator STARTED", "Replicator error: already started!",
                                               "Replicator SHUTTED DOWN", "Replicator error: not yet started!"}));
    EXPECT_EQ(replicator.Account().serverUrl, "http://127.0.0.1:1/x");
    EXPECT_EQ(replicator.Account().soapTimeout, settings.soapTimeout);
    EXPECT_FALSE(replicator.AbortRequested());
    replicator.RequestAbort();
    EXPECT_TRUE(replicator.AbortRequested());
}

} // namespace
} // namespace tarnwel
