#include "effects/NSHTimer.h"

#include "platform/Application.h"
#include "platform/Exceptions.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <semaphore>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

const QEvent::Type SyncTickEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

// How long a start waits for the worker thread to report, and a stop for it to finish.
constexpr auto ThreadWait = std::chrono::milliseconds(5000);

QString ThreadErrorText() {
    return QStringLiteral("HiTimer:\n\rCould not create thread");
}

class TAutoResetEvent {
public:
    void Set() {
        {
            std::lock_guard lock(FMutex);
            FSignalled = true;
        }
        FCondition.notify_one();
    }
    void Wait() {
        std::unique_lock lock(FMutex);
        FCondition.wait(lock, [this] { return FSignalled; });
        FSignalled = false;
    }
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(FMutex);
        if (!FCondition.wait_for(lock, timeout, [this] { return FSignalled; })) {
            return false;
        }
        FSignalled = false;
        return true;
    }

private:
    std::mutex FMutex;
    std::condition_variable FCondition;
    bool FSignalled = false;
};

// The worker's wait for a tick that the main thread runs. Destroying the event releases the worker, also
// when the event is discarded unhandled because the timer stopped or went away.
struct TSyncDone {
    std::binary_semaphore Done{0};
    std::exception_ptr Error;
};

class TSyncTickEvent : public QEvent {
public:
    explicit TSyncTickEvent(std::shared_ptr<TSyncDone> done)
        : QEvent(SyncTickEventType), Done(std::move(done)) {}
    ~TSyncTickEvent() override { Done->Done.release(); }
    std::shared_ptr<TSyncDone> Done;
};

int NiceValue(TThreadPriority priority) {
    switch (priority) {
    case tpIdle:
        return 19;
    case tpLowest:
        return 10;
    case tpLower:
        return 5;
    case tpNormal:
        return 0;
    case tpHigher:
        return -5;
    case tpHighest:
        return -10;
    case tpTimeCritical:
        return -20;
    }
    return 0;
}

void ApplyPriority(pid_t thread, TThreadPriority priority) {
    // Raising the priority needs a privilege most users lack; the thread then keeps the normal one.
    setpriority(PRIO_PROCESS, id_t(thread), NiceValue(priority));
}

void ReportWorkerException(const QString& message) {
    if (auto* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            app, [message] { HandleApplicationException(nullptr, Exception(message)); },
            Qt::QueuedConnection);
    }
}

} // namespace

// What the timer and its worker thread share. The worker keeps it alive for as long as it runs, so a stop
// can let the worker go without waiting for it.
struct TNSTimerThreadState {
    // Held by the worker whenever it uses its owner, and by the timer when it clears Owner: once Owner is
    // clear the worker never touches the timer again.
    std::recursive_mutex Lock;
    TNSHiTimer* Owner = nullptr;
    std::atomic<bool> Stop{false};
    std::atomic<pid_t> ThreadId{0};
    std::thread::id Worker;
    TThreadPriority Priority = tpNormal;
    TAutoResetEvent TickEvent;
    TAutoResetEvent ReadyEvent;

    static void Run(const std::shared_ptr<TNSTimerThreadState>& self);
};

void TNSTimerThreadState::Run(const std::shared_ptr<TNSTimerThreadState>& self) {
    self->ThreadId = gettid();
    ApplyPriority(gettid(), self->Priority);
    {
        std::lock_guard lock(self->Lock);
        self->Worker = std::this_thread::get_id();
    }
    self->ReadyEvent.Set();
    try {
        while (!self->Stop) {
            self->TickEvent.Wait();
            if (self->Stop) {
                break;
            }
            std::unique_lock lock(self->Lock);
            TNSHiTimer* owner = self->Owner;
            if (!owner) {
                break;
            }
            if (owner->Synchronize()) {
                auto done = std::make_shared<TSyncDone>();
                QCoreApplication::postEvent(owner, new TSyncTickEvent(done));
                lock.unlock();
                done->Done.acquire();
                if (done->Error) {
                    std::rethrow_exception(done->Error);
                }
            } else {
                owner->DoTimer(); // unsynchronised: in the worker itself
            }
        }
        std::lock_guard lock(self->Lock);
        if (self->Owner) {
            self->ReadyEvent.Set();
        }
    } catch (const std::exception& e) {
        ReportWorkerException(ExceptionMessage(e));
    } catch (...) {
        ReportWorkerException(QStringLiteral("Unknown exception"));
    }
}

TNSHiTimer::TNSHiTimer(QObject* owner) : QObject(owner) {
    FTicks.OnTick = [this] { HandleWindowTick(); };
}

TNSHiTimer::~TNSHiTimer() {
    FOnTimer = nullptr;
    FEnabled = false;
    UpdateTimer();
}

void TNSHiTimer::SetCallBackMode(TMMCBMode mode) {
    if (mode == FCallBackMode) {
        return;
    }
    if (mode == cmCallback) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("TNSHiTimer"),
                        QStringLiteral("\"CallBacks\" are called at interrupt time !\n\r"
                                       "This is currently only supported under Windows 95"),
                        QMessageBox::Ok);
        box.exec();
        return;
    }
    FCallBackMode = mode;
    UpdateTimer();
}

void TNSHiTimer::SetEnabled(bool enabled) {
    if (enabled != FEnabled) {
        FEnabled = enabled;
        UpdateTimer();
    }
}

void TNSHiTimer::SetInterval(int milliseconds) {
    if (milliseconds != FInterval) {
        FInterval = milliseconds;
        UpdateTimer();
    }
}

void TNSHiTimer::SetOnTimer(TNotifyEvent handler) {
    FOnTimer = std::move(handler);
    UpdateTimer();
}

void TNSHiTimer::SetPriority(TThreadPriority priority) {
    if (priority == FPriority) {
        return;
    }
    FPriority = priority;
    if (FThread && FThread->ThreadId != 0) {
        ApplyPriority(FThread->ThreadId, priority);
    }
}

void TNSHiTimer::UpdateTimer() {
    // The tick thread goes first: it is the only reader of FThread outside this thread.
    FTicks.Stop();
    StopThread();
    if (FInterval <= 0 || !FEnabled || !FOnTimer) {
        return;
    }
    const bool threaded = FCallBackMode == cmThread;
    if (threaded) {
        StartThread();
        FTicks.OnDirectTick = [state = FThread.get()] { state->TickEvent.Set(); };
    }
    try {
        FTicks.Start(FInterval, threaded ? TTickSource::TDelivery::Direct : TTickSource::TDelivery::Posted);
    } catch (const std::system_error&) {
        throw EOutOfResources(QStringLiteral("SNoTimers"));
    }
}

void TNSHiTimer::StartThread() {
    auto state = std::make_shared<TNSTimerThreadState>();
    state->Owner = this;
    state->Priority = FPriority;
    FThread = state;
    try {
        std::thread([state] { TNSTimerThreadState::Run(state); }).detach();
    } catch (const std::system_error&) {
        throw ENSHiTimerError(ThreadErrorText());
    }
    FThreadRunning = true;
    if (!state->ReadyEvent.WaitFor(ThreadWait)) {
        throw ENSHiTimerError(ThreadErrorText());
    }
}

void TNSHiTimer::StopThread() {
    if (!FThread) {
        return;
    }
    const std::shared_ptr<TNSTimerThreadState> state = std::move(FThread);
    state->Stop = true;
    state->TickEvent.Set();
    // A worker waiting for a synchronised tick is released when its event is discarded.
    QCoreApplication::removePostedEvents(this, SyncTickEventType);
    bool onWorker = false;
    {
        std::lock_guard lock(state->Lock);
        onWorker = state->Worker == std::this_thread::get_id();
    }
    // Inside a synchronised tick the worker waits for us, and on the worker itself nobody would signal.
    if (FWaitForTerminate && !FInSync && !onWorker) {
        state->ReadyEvent.WaitFor(ThreadWait);
    }
    {
        std::lock_guard lock(state->Lock);
        state->Owner = nullptr;
    }
    FThreadRunning = false;
}

void TNSHiTimer::DoTimer() {
    if (FOnTimer && FEnabled) {
        // A copy, because the handler may replace OnTimer while it runs.
        const TNotifyEvent handler = FOnTimer;
        handler(this);
    }
}

void TNSHiTimer::HandleWindowTick() {
    try {
        DoTimer();
    } catch (const std::exception& e) {
        HandleApplicationException(this, e);
    } catch (...) {
        HandleApplicationException(this, Exception(QStringLiteral("Unknown exception")));
    }
}

void TNSHiTimer::RunSynchronisedTick(QEvent* e) {
    auto* tick = static_cast<TSyncTickEvent*>(e);
    if (FCallBackMode != cmThread || !FThreadRunning) {
        return;
    }
    FInSync = true;
    try {
        DoTimer();
    } catch (...) {
        tick->Done->Error = std::current_exception();
    }
    FInSync = false;
}

bool TNSHiTimer::event(QEvent* e) {
    if (e->type() == SyncTickEventType) {
        RunSynchronisedTick(e);
        return true;
    }
    return QObject::event(e);
}
