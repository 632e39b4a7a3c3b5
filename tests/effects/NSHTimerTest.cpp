#include "effects/NSHTimer.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/TickSource.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <vector>

namespace {

// Runs the event loop until quit() or until a generous limit, which only a broken timer reaches.
class Loop {
public:
    Loop() {
        FGuard.setSingleShot(true);
        QObject::connect(&FGuard, &QTimer::timeout, &FLoop, [this] {
            FTimedOut = true;
            FLoop.quit();
        });
    }
    // Returns false when the limit was reached.
    bool Run() {
        FGuard.start(10000);
        FLoop.exec();
        FGuard.stop();
        return !FTimedOut;
    }
    void Quit() { FLoop.quit(); }

private:
    QEventLoop FLoop;
    QTimer FGuard;
    bool FTimedOut = false;
};

// Real tick threads for one test.
class RealTicks {
public:
    RealTicks() { TTickSource::SetManualTicks(false); }
    ~RealTicks() { TTickSource::SetManualTicks(true); }
};

class HiTimer : public testing::Test {
protected:
    ~HiTimer() override { SetApplicationOnException(nullptr); }
    TNSHiTimer timer;
    int calls = 0;
};

} // namespace

TEST_F(HiTimer, DefaultsRunNothingWithoutAHandler) {
    EXPECT_EQ(timer.CallBackMode(), cmWindow);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_EQ(timer.Priority(), tpNormal);
    EXPECT_TRUE(timer.Synchronize());
    EXPECT_FALSE(timer.WaitForTerminate());
    EXPECT_FALSE(timer.Running());
    EXPECT_EQ(timer.TimerID(), 0u);
}

TEST_F(HiTimer, RunsOnlyEnabledWithIntervalAndHandler) {
    timer.SetOnTimer([this](QObject*) { ++calls; });
    EXPECT_TRUE(timer.Running());
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    timer.TimeCallback();
    timer.SetInterval(-4);
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(5);
    EXPECT_TRUE(timer.Running());
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    timer.TimeCallback();
    timer.SetEnabled(true);
    timer.SetOnTimer(nullptr);
    EXPECT_FALSE(timer.Running());
    timer.TimeCallback();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}

TEST_F(HiTimer, UnchangedEnabledKeepsTheRunAndANewHandlerRestartsIt) {
    timer.SetOnTimer([this](QObject*) { ++calls; });
    const std::uint32_t first = timer.TimerID();
    ASSERT_NE(first, 0u);
    timer.TimeCallback();
    timer.TimeCallback();
    timer.SetEnabled(true);
    EXPECT_EQ(timer.TimerID(), first);
    EXPECT_EQ(timer.Pending(), 2);
    timer.SetOnTimer([this](QObject*) { calls += 100; });
    EXPECT_NE(timer.TimerID(), first);
    EXPECT_EQ(timer.Pending(), 0); // waiting ticks went with the old run
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
    timer.TimeCallback();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 100);
}

TEST_F(HiTimer, AtMostTenTicksWaitAndTheRestAreLost) {
    int maxPending = 0;
    timer.SetInterval(1);
    timer.SetOnTimer([&](QObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++calls;
        maxPending = std::max(maxPending, timer.Pending());
        if (calls == 1) {
            for (int i = 0; i < 20; ++i) {
                timer.TimeCallback(); // ticks arriving while a slow handler runs
            }
        }
        maxPending = std::max(maxPending, timer.Pending());
    });
    for (int i = 0; i < 15; ++i) {
        timer.TimeCallback();
    }
    EXPECT_EQ(timer.Pending(), 10);
    EXPECT_EQ(timer.DroppedTicks(), 5u);
    QCoreApplication::processEvents();
    EXPECT_LE(maxPending, 10);
    // The tick being handled still counts, so all twenty that came during it were lost.
    EXPECT_EQ(calls, 10);
    EXPECT_EQ(timer.DroppedTicks(), 5u + 20u);
    EXPECT_EQ(timer.Pending(), 0);
}

TEST_F(HiTimer, DisablingInsideTheHandlerDeliversNoFurtherTick) {
    timer.SetOnTimer([this](QObject*) {
        ++calls;
        timer.SetEnabled(false);
        EXPECT_EQ(timer.Pending(), 0);
    });
    for (int i = 0; i < 6; ++i) {
        timer.TimeCallback();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(timer.Running());
    timer.TimeCallback();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
}

TEST_F(HiTimer, RestartInsideTheHandlerStartsCountingAtZero) {
    timer.SetOnTimer([this](QObject*) {
        ++calls;
        if (calls == 1) {
            timer.SetInterval(2);
            EXPECT_EQ(timer.Pending(), 0);
            timer.TimeCallback();
        }
    });
    timer.TimeCallback();
    timer.TimeCallback();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 2); // the handler's own tick of the new run; the old second tick was discarded
    EXPECT_EQ(timer.Pending(), 0);
}

TEST_F(HiTimer, TickOfAnEarlierRunIsIgnored) {
    timer.SetOnTimer([this](QObject*) { ++calls; });
    const std::uint32_t old = timer.TimerID();
    timer.SetInterval(3);
    timer.TickSource().PostTick(old);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
    timer.TickSource().PostTick(timer.TimerID());
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
}

TEST_F(HiTimer, HandlerExceptionsGoToTheApplicationAndTheTimerGoesOn) {
    std::vector<QString> messages;
    SetApplicationOnException([&](QObject* sender, const std::exception& e) {
        EXPECT_EQ(sender, &timer);
        messages.push_back(ExceptionMessage(e));
    });
    timer.SetOnTimer([this](QObject*) {
        ++calls;
        throw EInOutError(QStringLiteral("step failed"));
    });
    timer.TimeCallback();
    timer.TimeCallback();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(messages, (std::vector<QString>{QStringLiteral("step failed"), QStringLiteral("step failed")}));
    EXPECT_TRUE(timer.Running());
    EXPECT_EQ(timer.Pending(), 0);
}

TEST_F(HiTimer, CallbackModeIsRefusedWithAMessage) {
    QString caption;
    QString text;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    timer.SetOnTimer([this](QObject*) { ++calls; });
    const std::uint32_t id = timer.TimerID();
    timer.SetCallBackMode(cmCallback);
    EXPECT_EQ(caption, QStringLiteral("TNSHiTimer"));
    EXPECT_EQ(text, QStringLiteral("\"CallBacks\" are called at interrupt time !\n\r"
                                   "This is currently only supported under Windows 95"));
    EXPECT_EQ(timer.CallBackMode(), cmWindow);
    EXPECT_EQ(timer.TimerID(), id);
}

TEST_F(HiTimer, TickThreadDeliversOnTheOwningThread) {
    RealTicks real;
    Loop loop;
    timer.SetInterval(1);
    timer.SetOnTimer([&](QObject*) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        if (++calls == 25) {
            timer.SetEnabled(false);
            loop.Quit();
        }
    });
    ASSERT_TRUE(loop.Run());
    EXPECT_EQ(calls, 25);
    EXPECT_FALSE(timer.Running());
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 25);
}

TEST_F(HiTimer, ThreadModeSynchronisedRunsOnTheMainThread) {
    Loop loop;
    timer.SetCallBackMode(cmThread);
    timer.SetInterval(1);
    timer.SetWaitForTerminate(true);
    timer.SetOnTimer([&](QObject*) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        ++calls;
        timer.SetEnabled(false); // from inside a synchronised tick: no wait for the worker
        loop.Quit();
    });
    EXPECT_TRUE(timer.ThreadRunning());
    timer.TimeCallback();
    ASSERT_TRUE(loop.Run());
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(timer.ThreadRunning());
    EXPECT_FALSE(timer.Running());
}

TEST_F(HiTimer, ThreadModeUnsynchronisedRunsInTheWorker) {
    std::promise<bool> onWorker;
    auto result = onWorker.get_future();
    timer.SetCallBackMode(cmThread);
    timer.SetSynchronize(false);
    timer.SetInterval(1);
    timer.SetOnTimer([&](QObject*) {
        if (++calls == 1) {
            onWorker.set_value(QThread::currentThread() != QCoreApplication::instance()->thread());
        }
    });
    timer.TimeCallback();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(result.get());
    timer.SetWaitForTerminate(true);
    timer.SetEnabled(false); // waits for the worker to leave
    EXPECT_FALSE(timer.ThreadRunning());
    EXPECT_EQ(calls, 1);
}

TEST_F(HiTimer, ThreadModeExceptionReachesTheApplication) {
    Loop loop;
    QString message;
    SetApplicationOnException([&](QObject*, const std::exception& e) {
        message = ExceptionMessage(e);
        loop.Quit();
    });
    timer.SetCallBackMode(cmThread);
    timer.SetInterval(1);
    timer.SetOnTimer([this](QObject*) {
        ++calls;
        throw std::runtime_error("tick failed");
    });
    timer.TimeCallback();
    ASSERT_TRUE(loop.Run());
    EXPECT_EQ(message, QStringLiteral("tick failed"));
    EXPECT_EQ(calls, 1);
}

TEST_F(HiTimer, StoppedThreadModeStopsWaitingSynchronisedTicks) {
    timer.SetCallBackMode(cmThread);
    timer.SetInterval(1);
    timer.SetOnTimer([this](QObject*) { ++calls; });
    timer.TimeCallback(); // the worker posts a synchronised tick and waits for it
    timer.SetWaitForTerminate(true);
    timer.SetOnTimer(nullptr); // discards it and lets the worker go
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(timer.ThreadRunning());
}
