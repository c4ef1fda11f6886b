// One replication of every kind between a server and the data server of the
// session bus in the environment, in the current directory (its settings
// file and mapping files lie there). For scripts/screenshots-desktop, which
// fills a private data server with the demo's items: every message box is
// answered with its default button and written to standard error.
//
//   tarnwel_dataserver_run URL     exit status 0 when every kind was replicated

#include "engine/CReplicationJob.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/eds/DataServerStore.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/BoxCapture.h"
#include "tests/support/SilentProgressSink.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    using namespace tarnwel;
    if (argc != 2) {
        std::fprintf(stderr, "Usage: tarnwel_dataserver_run URL\n");
        return 2;
    }
    const test::CBoxCapture boxes([](const CMessageBoxRequest& request) {
        std::fprintf(stderr, "message box: %s\n", request.text.c_str());
        return request.defaultButton;
    });
    const CScopedProgIdRegistration store([] { return OpenDataServerStore(); });
    CReplicationSettings settings;
    settings.SetDefaults();
    settings.serverUrl = argv[1];
    settings.userName = "user";
    settings.password = "vezi";
    settings.all = 1;
    test::CSilentProgressSink sink;
    CReplicationJob job(settings, sink, "TarnwelClient.ini");
    if (!job.Start(nullptr, 0)) {
        std::fprintf(stderr, "tarnwel_dataserver_run: cannot start the replication job\n");
        return 1;
    }
    job.Join();
    return job.KindFailed() ? 3 : 0;
}
