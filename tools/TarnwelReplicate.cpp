// tarnwel-replicate: runs one replication job in the current directory with
// its "TarnwelClient.ini", writes every header, status and result text as it
// changes, and answers the run's questions from an answers file or on the
// terminal. A front end for tests and the demo.

#include "engine/CReplicationJob.h"
#include "platform/base/Signals.h"
#include "platform/eds/StoreChoice.h"
#include "platform/ui/CAnswersFileBackend.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/UiBackend.h"
#include "settings/CReplicationSettings.h"
#include "tools/CPrintingProgressSink.h"
#include "tools/CTerminalUiBackend.h"

#include <atomic>
#include <csignal>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarnwel {
namespace {

constexpr const char* kUsage =
    "Usage: tarnwel-replicate [--settings FILE] [--server URL] [--answers FILE]\n"
    "\n"
    "Runs one replication of the kinds that the settings select, in the current\n"
    "directory (the mapping files maps_*.ids lie there), and writes each header,\n"
    "status and result text as it changes. The run's own failures are shown as\n"
    "message boxes.\n"
    "\n"
    "One run at a time works in a directory and on a local store: the run holds\n"
    "a lock (the file TarnwelClient.lock in the directory, and one beside the\n"
    "store) from its start to its end; a killed run leaves no lock behind.\n"
    "\n"
    "SIGINT (Ctrl-C) or SIGTERM stops the run as the window's Stop does: it ends\n"
    "at its next step (a server call under way is ended, which is no server\n"
    "error; the items of an addItems ended so that the server made all the same\n"
    "are paired by the next run), saves what it made, and the program ends. A\n"
    "second such signal ends the program at once.\n"
    "\n"
    "Exit status:\n"
    "  0  the run has ended and every selected kind was replicated\n"
    "  1  a mapping file cannot be read or its saving failed part way (after\n"
    "     its message box), the settings file exists but cannot be read, the\n"
    "     run cannot be started, or another replication (this program or the\n"
    "     client's window) or a vacuum works in this directory or on the local\n"
    "     store and did not end within two seconds: a line on standard error\n"
    "     says so, and nothing was changed\n"
    "  2  bad arguments\n"
    "  3  the run has ended, but the run of a kind ended through a failure (a\n"
    "     wrong password, a server that is down or answers wrongly, a mapping\n"
    "     file that cannot be written, a local store other than the one its\n"
    "     pairs were made with, ...): that kind was not, or not wholly,\n"
    "     replicated\n"
    "  4  the run was stopped by SIGINT or SIGTERM and has ended cleanly\n"
    "\n"
    "Options:\n"
    "  --settings FILE  the settings file (default TarnwelClient.ini); a missing\n"
    "                   file is created with the default settings\n"
    "  --server URL     replicate with this server; the URL is kept in the\n"
    "                   settings file, which the run saves at its end\n"
    "  --answers FILE   answer the run's message boxes and dialogs from FILE\n"
    "                   instead of the terminal\n"
    "  --help           this text\n"
    "\n"
    "Answers file: one answer a line, '#' starts a comment.\n"
    "  box yes|no|ok|cancel          the button of the next message box\n"
    "  dialog [ID] ACTION...         the actions in the next dialog; ID, when\n"
    "                                given, is the dialog's template id that is\n"
    "                                expected; when another dialog comes, a note\n"
    "                                says so, the line's actions are not applied\n"
    "                                and that dialog is ended with OK\n"
    "  ACTION: click ID              click a control (radio button, check box,\n"
    "                                push button)\n"
    "          select ID INDEX       choose entry INDEX (from 0) of a list\n"
    "          ok | escape | close   end the dialog with OK, Escape or its close box\n"
    "A dialog whose actions do not end it is ended with OK. Boxes take the box\n"
    "lines in order, dialogs the dialog lines. When the file has no answer left,\n"
    "a box gets its default button and a dialog ends with OK as initialised, and\n"
    "a note goes to standard error. Every box and dialog is written with the\n"
    "answer it got. Example:\n"
    "  box yes\n"
    "  dialog 145 click 1012 ok   # the second option of the conflict dialog\n"
    "\n"
    "Without --answers the questions are asked on the terminal: a box takes one\n"
    "of its button words (an empty line: its default button), a dialog takes\n"
    "actions as above until it has ended. The end of the input answers a box\n"
    "with its default button and a dialog with Escape.\n"
    "\n"
    "The local item store, named on the first line of the output (\"Local store:\"):\n"
    "  - with TARNWEL_PIMSTORE set, the file store in the file it names;\n"
    "  - otherwise the desktop's data server (evolution-data-server: its default\n"
    "    calendar, task list and address book) when the session bus runs it or can\n"
    "    start it; the check asks the bus and waits at most two seconds;\n"
    "  - else the file store $XDG_DATA_HOME/tarnwel/pimstore.db (by default\n"
    "    ~/.local/share/tarnwel/pimstore.db).\n"
    "The mapping files of a directory belong to the store they were made with: a\n"
    "run on another store changes nothing and says so.\n";

constexpr int kReplicated = 0;
constexpr int kCannotStart = 1;
constexpr int kBadArguments = 2;
constexpr int kKindFailed = 3;
constexpr int kStoppedBySignal = 4;

struct COptions {
    std::optional<std::string> settingsPath;
    std::optional<std::string> serverUrl;
    std::optional<std::string> answersPath;
    bool help = false;
};

bool ParseOptions(int argc, char** argv, COptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        std::optional<std::string>* target = nullptr;
        if (argument == "--settings")
            target = &options.settingsPath;
        else if (argument == "--server")
            target = &options.serverUrl;
        else if (argument == "--answers")
            target = &options.answersPath;
        if (target == nullptr) {
            error = "unknown argument " + argument;
            return false;
        }
        if (i + 1 >= argc || std::string(argv[i + 1]).empty()) {
            error = argument + " needs a value";
            return false;
        }
        *target = argv[++i];
    }
    return true;
}

int Main(int argc, char** argv)
{
    // A reader that goes away (a pipe closed early) or a file-size limit must
    // not kill the run half-way, before it has saved its mapping files; a
    // failed write only sets the stream's error state or reports its error.
    IgnoreFileWriteSignals();
    COptions options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::cerr << "tarnwel-replicate: " << error << "\n(see tarnwel-replicate --help)\n";
        return kBadArguments;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }

    // Made before any other thread, which inherits the blocked signals; the
    // job, made once the settings are read, outlives the watch that stops it.
    std::unique_ptr<CReplicationJob> job;
    std::mutex jobMutex;
    std::atomic<int> stopSignal{0};
    CSignalWatch signalWatch([&job, &jobMutex, &stopSignal](int signal, int count) {
        if (count > 1)
            CSignalWatch::EndProcessBySignal(signal);
        stopSignal.store(signal);
        std::cerr << "tarnwel-replicate: " << (signal == SIGINT ? "SIGINT" : "SIGTERM")
                  << " received, the run stops at its next step (a second signal ends the program at once)"
                  << std::endl;
        std::lock_guard lock(jobMutex);
        if (job)
            job->Stop(1);
    });

    std::unique_ptr<IUiBackend> backend;
    if (options.answersPath) {
        std::ifstream answers(*options.answersPath);
        if (!answers) {
            std::cerr << "tarnwel-replicate: cannot open " << *options.answersPath << "\n";
            return kBadArguments;
        }
        auto fromFile = std::make_unique<CAnswersFileBackend>(std::cout, std::cerr);
        if (!fromFile->Load(answers, *options.answersPath, error)) {
            std::cerr << "tarnwel-replicate: " << error << "\n";
            return kBadArguments;
        }
        backend = std::move(fromFile);
    } else {
        backend = std::make_unique<CTerminalUiBackend>(std::cin, std::cout);
    }
    CScopedUiBackend scopedBackend(*backend);

    SetApplicationTitle("DRAV replicator");
    std::cout << "Local store: " << RegisterChosenStore().description << std::endl;

    const std::string settingsPath = options.settingsPath.value_or(CReplicationSettings::kFileName);
    CPrintingProgressSink sink(std::cout);
    CReplicationSettings settings;
    settings.Load(settingsPath);
    if (options.serverUrl)
        settings.serverUrl = *options.serverUrl;
    {
        std::lock_guard lock(jobMutex);
        job = std::make_unique<CReplicationJob>(settings, sink, settingsPath);
    }
    job->SetBusyReport([](std::string text) {
        // One line: the box's line breaks become blanks.
        for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
            text.replace(at, 2, " ");
        std::cerr << "tarnwel-replicate: " << text << std::endl;
    });
    if (!job->Start(nullptr, 0)) {
        std::cerr << "tarnwel-replicate: cannot start the replication thread\n";
        return kCannotStart;
    }
    // A signal that came before the run began stops it all the same.
    if (stopSignal.load() != 0)
        job->Stop(1);
    job->Join();
    std::cout.flush();
    if (stopSignal.load() != 0)
        return kStoppedBySignal;
    // The job refused to replicate: defaults in place of the user's
    // settings, or another run held the lock.
    if (job->Settings().CameFromUnreadableFile() || !job->Settings().DoubtfulKeys().empty() || job->Busy())
        return kCannotStart;
    return job->KindFailed() ? kKindFailed : kReplicated;
}

} // namespace
} // namespace tarnwel

int main(int argc, char** argv)
{
    return tarnwel::Main(argc, argv);
}
