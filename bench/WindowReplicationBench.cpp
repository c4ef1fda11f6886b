// The initial replication of 10,000 appointments through the client's main
// window (CMainDialog with the Qt backend, on whatever platform Qt runs:
// offscreen by default here) against the same run through tarnwel-replicate,
// in one run of the benchmark. Each side gets a fresh reference server seeded
// with the appointments, an empty local store and a fresh working directory.
//
// It reports the wall time of each run, the window run's as a multiple of the
// command line's (goal: at most 1.2), and the user-interface thread's longest
// wait while the window's run goes: the lateness of a 10 ms timer (goal: under
// 50 ms). Best of three for each side.
//
//   tarnwel_bench_window [N]     N appointments (default 10000)

#include "bench/BenchSeeds.h"
#include "client/CMainDialog.h"
#include "platform/base/ByteFile.h"
#include "platform/pimstore/PimStore.h"
#include "platform/ui/MainWindow.h"
#include "platform/ui/UiBackend.h"
#include "platform/ui/qt/CQtDialogWindow.h"
#include "platform/ui/qt/CQtUiBackend.h"
#include "resources/client/ClientResources.h"
#include "resources/client/MainMenuIds.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/TemporaryDirectory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace tarnwel {
namespace {

constexpr int kRepeats = 3;
constexpr int kTickMs = 10;
constexpr double kRatioGoal = 1.2;
constexpr double kLatenessGoalMs = 50.0;

void WriteSeed(const std::string& path, int count)
{
    std::ofstream out(path);
    bench::WriteAppointmentSeed(out, count);
}

int MappingLines(const std::string& path)
{
    std::string bytes;
    if (ReadFileBytes(path, bytes) != FileReadResult::ok)
        return 0;
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

struct CRunCost {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double longestWaitMs = 0;  // the window run only
};

// A fresh server with `count` appointments, an empty store and a working
// directory whose settings select appointments only.
class CRunSetup {
public:
    explicit CRunSetup(int count)
    {
        WriteSeed(m_dir.Path("seed.json"), count);
        m_server = std::make_unique<test::CReferenceServer>(
            std::vector<std::string>{"--seed", m_dir.Path("seed.json"), "--store", m_dir.Path("server.db")});
        std::ofstream ini(m_dir.Path("TarnwelClient.ini"), std::ios::binary);
        ini << "URL = " << m_server->Url() << "\r\nusername = user\r\npassword = vezi\r\n"
            << "Category checkboxes = 1 0 0\r\n";
        ::setenv("TARNWEL_PIMSTORE", m_dir.Path("store.db").c_str(), 1);
    }
    std::string Path(const std::string& name) const { return m_dir.Path(name); }
    std::string Directory() const { return m_dir.Path().string(); }

private:
    test::CTemporaryDirectory m_dir;
    std::unique_ptr<test::CReferenceServer> m_server;
};

CRunCost RunCommandLine(int count)
{
    CRunSetup setup(count);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(setup.Directory().c_str()) != 0)
            ::_exit(126);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execl(TARNWEL_REPLICATE_PROGRAM, TARNWEL_REPLICATE_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    CRunCost cost;
    cost.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || MappingLines(setup.Path("maps_appo.ids")) != count)
        throw std::runtime_error("tarnwel-replicate did not replicate every appointment");
    return cost;
}

CRunCost RunWindow(int count)
{
    CRunSetup setup(count);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(setup.Directory());

    CMainDialog dialog;
    CScopedMainWindow mainWindow(dialog);
    CRunCost cost;
    bool started = false;
    bool sawRunning = false;
    bool finished = false;
    QElapsedTimer clock;
    std::chrono::steady_clock::time_point wallStart;
    double cpuStart = 0;
    qint64 lastTick = 0;

    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(kTickMs);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (!started) {
            // The window is up: start the run as the "Replicate" button does.
            started = true;
            wallStart = std::chrono::steady_clock::now();
            cpuStart = ProcessCpuSeconds();
            lastTick = clock.nsecsElapsed();
            dialog.SendCommand(main_menu::kSynchronize);
            return;
        }
        cost.longestWaitMs = std::max(cost.longestWaitMs, (now - lastTick) / 1e6 - kTickMs);
        lastTick = now;
        // The stop button is enabled exactly while a run is active.
        const bool running = dialog.IsItemEnabled(1006);
        sawRunning = sawRunning || running;
        if (sawRunning && !running && !finished) {
            finished = true;
            cost.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
            cost.cpuSeconds = ProcessCpuSeconds() - cpuStart;
            ticks.stop();
            // As a signal ends the client: Escape, posted to the window.
            ActiveUiBackend().Post([&dialog] { dialog.UserEscape(); });
        }
    });
    clock.start();
    ticks.start();
    dialog.DoModal();
    std::filesystem::current_path(previous);
    if (!finished || MappingLines(setup.Path("maps_appo.ids")) != count)
        throw std::runtime_error("the window's run did not replicate every appointment");
    return cost;
}

int Main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (count <= 0) {
        std::fprintf(stderr, "Usage: tarnwel_bench_window [N]   (N > 0, default 10000)\n");
        return 2;
    }
    CQtUiBackend backend(&ClientResources());
    CScopedUiBackend scopedBackend(backend);
    RegisterPimStore();

    CRunCost line, window;
    double longestWaitMs = 0;  // over every window run
    try {
        for (int repeat = 0; repeat < kRepeats; ++repeat) {
            const CRunCost l = RunCommandLine(count);
            const CRunCost w = RunWindow(count);
            std::printf("run %d: tarnwel-replicate %.3f s (CPU %.3f s), window %.3f s (CPU %.3f s, longest wait %.1f ms)\n",
                        repeat + 1, l.wallSeconds, l.cpuSeconds, w.wallSeconds, w.cpuSeconds, w.longestWaitMs);
            std::fflush(stdout);
            longestWaitMs = std::max(longestWaitMs, w.longestWaitMs);
            if (repeat == 0 || l.wallSeconds < line.wallSeconds)
                line = l;
            if (repeat == 0 || w.wallSeconds < window.wallSeconds)
                window = w;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnwel_bench_window: %s\n", error.what());
        return 1;
    }
    const double ratio = window.wallSeconds / line.wallSeconds;
    std::printf("Initial replication of %d appointments, best of %d\n", count, kRepeats);
    std::printf("tarnwel-replicate  %8.3f s wall  %8.3f s CPU\n", line.wallSeconds, line.cpuSeconds);
    std::printf("main window        %8.3f s wall  %8.3f s CPU\n", window.wallSeconds, window.cpuSeconds);
    std::printf("window / command line: %.2fx (goal at most %.1fx)%s\n", ratio, kRatioGoal,
                ratio > kRatioGoal ? "  -- OVER THE GOAL" : "");
    std::printf("longest wait of the user-interface thread in any run: %.1f ms (goal under %.0f ms)%s\n", longestWaitMs,
                kLatenessGoalMs, longestWaitMs >= kLatenessGoalMs ? "  -- OVER THE GOAL" : "");
    return 0;
}

} // namespace
} // namespace tarnwel

int main(int argc, char** argv)
{
    return tarnwel::Main(argc, argv);
}
