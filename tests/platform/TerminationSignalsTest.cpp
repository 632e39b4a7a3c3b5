#include "platform/TerminationSignals.h"
#include "platform/Application.h"
#include "tests/support/QtApp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Runs the message loop until the handler has been called or a generous deadline has passed.
int SignalSeenByTheLoop(int signal) {
    EnsureApplication();
    QEventLoop loop;
    int seen = 0;
    TTerminationSignals watcher([&](int number) {
        seen = number;
        loop.quit();
    });
    EXPECT_TRUE(watcher.Installed());
    std::raise(signal);
    // Nothing runs before the loop does: the handler only wrote into the pipe.
    EXPECT_EQ(seen, 0);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return seen;
}

} // namespace

TEST(TerminationSignals, EachSignalReachesTheHandlerFromTheMessageLoop) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        EXPECT_EQ(SignalSeenByTheLoop(signal), signal);
    }
}

TEST(EndApplicationNow, EndsAModalLoopAndTheMainLoopThatStartsAfterIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EnsureApplication();
            QEventLoop modal;
            QTimer::singleShot(0, [] { EndApplicationNow(); });
            modal.exec();
            // The main loop that starts afterwards ends at its first event instead of running on.
            QTimer::singleShot(10000, [] { std::_Exit(20); });
            QCoreApplication::exec();
            std::_Exit(TerminationRequested() ? 10 : 30);
        },
        testing::ExitedWithCode(10), "");
}
