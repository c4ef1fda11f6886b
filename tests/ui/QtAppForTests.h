#pragma once
// One QApplication for a test program's Qt tests (the offscreen platform, set
// by the test registration), and running its event loop for a while.

#include <QApplication>
#include <QElapsedTimer>

#include <functional>

namespace tarnwel::test {

inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "tarnwel-tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: widgets of static objects may outlive main.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Processes events until `done` holds or `timeoutMs` have passed; returns
// whether `done` holds.
inline bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    TestApplication();
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

inline void RunEventsFor(int ms)
{
    RunEventsUntil([] { return false; }, ms);
}

} // namespace tarnwel::test
