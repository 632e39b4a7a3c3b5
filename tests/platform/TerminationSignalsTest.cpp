#include "platform/TerminationSignals.h"
#include "platform/Application.h"
#include "tests/support/QtApp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

TEST(TerminationSignals, EachSignalReachesTheHandlerFromTheMessageLoop) {
    EnsureApplication();
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QEventLoop loop;
        int seen = 0;
        TTerminationSignals watcher([&](int number) {
            seen = number;
            loop.quit();
        });
        ASSERT_TRUE(watcher.Installed());
        std::raise(signal);
        EXPECT_EQ(seen, 0); // the signal handler only wrote into the pipe
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_EQ(seen, signal);
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
