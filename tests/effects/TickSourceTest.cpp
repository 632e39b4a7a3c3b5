#include "platform/TickSource.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

TEST(TickSource, FiresOnlyWhileRunning) {
    TTickSource source;
    int ticks = 0;
    source.OnTick = [&] { ++ticks; };
    source.Fire();
    EXPECT_EQ(source.Pending(), 0);
    source.Start(1, TTickSource::TDelivery::Posted);
    EXPECT_TRUE(source.Running());
    source.Fire();
    source.Fire();
    EXPECT_EQ(source.Pending(), 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(source.Pending(), 0);
    source.Stop();
    EXPECT_FALSE(source.Running());
    EXPECT_EQ(source.TimerId(), 0u);
    source.Fire();
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 2);
}

TEST(TickSource, EveryRunHasANewId) {
    TTickSource source;
    source.Start(1, TTickSource::TDelivery::Posted);
    const std::uint32_t first = source.TimerId();
    source.Start(1, TTickSource::TDelivery::Posted);
    EXPECT_NE(source.TimerId(), first);
    EXPECT_NE(source.TimerId(), 0u);
    TTickSource other;
    other.Start(1, TTickSource::TDelivery::Posted);
    EXPECT_NE(other.TimerId(), source.TimerId());
}

TEST(TickSource, StopDiscardsWaitingTicks) {
    TTickSource source;
    int ticks = 0;
    source.OnTick = [&] { ++ticks; };
    source.Start(1, TTickSource::TDelivery::Posted);
    for (int i = 0; i < 4; ++i) {
        source.Fire();
    }
    source.Stop();
    EXPECT_EQ(source.Pending(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 0);
}

TEST(TickSource, DirectTicksRunInTheCallerAndAreNotCounted) {
    TTickSource source;
    int direct = 0;
    int posted = 0;
    source.OnDirectTick = [&] { ++direct; };
    source.OnTick = [&] { ++posted; };
    source.Start(1, TTickSource::TDelivery::Direct);
    for (int i = 0; i < 15; ++i) {
        source.Fire();
    }
    EXPECT_EQ(direct, 15);
    EXPECT_EQ(source.Pending(), 0);
    EXPECT_EQ(source.Dropped(), 0u);
    QCoreApplication::processEvents();
    EXPECT_EQ(posted, 0);
}

TEST(TickSource, ThreadKeepsTicking) {
    TTickSource::SetManualTicks(false);
    TTickSource source;
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    int ticks = 0;
    source.OnTick = [&] {
        if (++ticks == 10) {
            source.Stop(); // from inside a tick
            loop.quit();
        }
    };
    source.Start(1, TTickSource::TDelivery::Posted);
    guard.start(10000);
    loop.exec();
    TTickSource::SetManualTicks(true);
    EXPECT_EQ(ticks, 10);
    EXPECT_FALSE(source.Running());
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 10);

    std::atomic<int> direct{0};
    TTickSource::SetManualTicks(false);
    TTickSource threaded;
    threaded.OnDirectTick = [&] {
        ++direct;
        direct.notify_all();
    };
    threaded.Start(1, TTickSource::TDelivery::Direct);
    TTickSource::SetManualTicks(true);
    direct.wait(0); // wakes once the thread has ticked
    threaded.Stop();
    const int seen = direct;
    EXPECT_GE(seen, 1);
    EXPECT_EQ(direct, seen); // nothing after the stop returned
}
