#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/WindowTimer.h"
#include "tests/support/QtApp.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <gtest/gtest.h>

namespace {

class Thrower : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw EConvertError(QStringLiteral("thrown from a handler"));
        }
        return QObject::event(e);
    }
};

// Runs the message loop for a while; timers fire only inside it.
void RunLoop(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

} // namespace

TEST(Application, ExceptionsLeavingAHandlerReachTheApplicationHandler) {
    EnsureApplication();
    QString message;
    QObject* sender = nullptr;
    SetApplicationOnException([&](QObject* s, const std::exception& e) {
        sender = s;
        message = ExceptionMessage(e);
    });
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(message, QStringLiteral("thrown from a handler"));
    EXPECT_EQ(sender, &thrower);

    message.clear();
    HandleApplicationException(nullptr, EAbort(QStringLiteral("silent")));
    EXPECT_TRUE(message.isEmpty());
    SetApplicationOnException(nullptr);
}

TEST(WindowTimer, FiresOnlyWhenEnabledWithAnIntervalAndAHandler) {
    EnsureApplication();
    int ticks = 0;
    TTimer timer;
    timer.SetInterval(0);
    timer.SetOnTimer([&](QObject*) { ++ticks; });
    RunLoop(60);
    EXPECT_EQ(ticks, 0) << "interval 0 never fires";

    timer.SetInterval(5);
    timer.SetEnabled(false);
    RunLoop(60);
    EXPECT_EQ(ticks, 0) << "a disabled timer never fires";

    timer.SetEnabled(true);
    EXPECT_TRUE(WaitFor([&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return ticks >= 2;
    }));
}

TEST(WindowTimer, ExceptionsInTheHandlerGoToTheApplicationHandler) {
    EnsureApplication();
    int reported = 0;
    SetApplicationOnException([&](QObject*, const std::exception&) { ++reported; });
    TTimer timer;
    timer.SetInterval(1);
    timer.SetOnTimer([&](QObject*) {
        timer.SetEnabled(false);
        throw EInOutError(QStringLiteral("tick failed"));
    });
    EXPECT_TRUE(WaitFor([&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return reported == 1;
    }));
    SetApplicationOnException(nullptr);
}
