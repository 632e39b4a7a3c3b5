#include "platform/TickSource.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <ctime>

namespace {

const QEvent::Type TickEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class TTickEvent : public QEvent {
public:
    explicit TTickEvent(std::uint32_t id) : QEvent(TickEventType), Id(id) {}
    std::uint32_t Id;
};

std::atomic<std::uint32_t> NextTimerId{1};
std::atomic<bool> ManualTicksFlag{false};

constexpr std::int64_t NanosecondsPerMillisecond = 1'000'000;
// The longest single sleep, so that a stop never waits long for a thread with a long period.
constexpr std::int64_t LongestSleep = 2 * NanosecondsPerMillisecond;

std::int64_t MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void SleepUntil(std::int64_t deadline) {
    timespec target{};
    target.tv_sec = time_t(deadline / 1'000'000'000);
    target.tv_nsec = long(deadline % 1'000'000'000);
    // An interrupted sleep just ends early; the loop looks at the clock again.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr);
}

} // namespace

TTickSource::TTickSource(QObject* parent) : QObject(parent) {}

TTickSource::~TTickSource() {
    Stop();
}

void TTickSource::SetManualTicks(bool manual) {
    ManualTicksFlag = manual;
}

bool TTickSource::ManualTicks() {
    return ManualTicksFlag;
}

void TTickSource::Start(int intervalMs, TDelivery delivery) {
    Stop();
    FDelivery = delivery;
    FStop = false;
    FPending = 0;
    FTimerId = NextTimerId.fetch_add(1);
    if (ManualTicksFlag) {
        return;
    }
    try {
        FThread = std::thread([this, intervalMs] { Loop(std::max(intervalMs, 1)); });
    } catch (...) {
        FTimerId = 0;
        throw;
    }
}

void TTickSource::Stop() {
    FStop = true;
    if (FThread.joinable()) {
        if (FThread.get_id() == std::this_thread::get_id()) {
            // Stopped from a direct tick: the loop sees FStop when the callback returns.
            FThread.detach();
        } else {
            FThread.join();
        }
    }
    if (FTimerId != 0) {
        FTimerId = 0;
        QCoreApplication::removePostedEvents(this, TickEventType);
        FPending = 0;
    }
}

void TTickSource::Loop(int intervalMs) {
    const std::int64_t period = std::int64_t(intervalMs) * NanosecondsPerMillisecond;
    std::int64_t deadline = MonotonicNow() + period;
    while (!FStop.load(std::memory_order_relaxed)) {
        const std::int64_t now = MonotonicNow();
        if (now < deadline) {
            SleepUntil(std::min(deadline, now + LongestSleep));
            continue;
        }
        Fire();
        deadline += period;
        // A thread held up for longer than the queue could absorb resumes from now; the missed periods are
        // lost like ticks beyond the limit, not made up.
        const std::int64_t behind = now - deadline;
        if (behind > MaxPending * period) {
            const std::int64_t missed = behind / period;
            FDropped += std::uint64_t(missed);
            deadline += missed * period;
        }
    }
}

void TTickSource::Fire() {
    const std::uint32_t id = FTimerId.load();
    if (id == 0) {
        return;
    }
    if (FDelivery == TDelivery::Direct) {
        if (OnDirectTick) {
            OnDirectTick();
        }
        return;
    }
    int pending = FPending.load();
    do {
        if (pending >= MaxPending) {
            ++FDropped;
            return;
        }
    } while (!FPending.compare_exchange_weak(pending, pending + 1));
    PostTick(id);
}

void TTickSource::PostTick(std::uint32_t id) {
    QCoreApplication::postEvent(this, new TTickEvent(id));
}

bool TTickSource::event(QEvent* e) {
    if (e->type() != TickEventType) {
        return QObject::event(e);
    }
    const std::uint32_t id = static_cast<TTickEvent*>(e)->Id;
    if (id == 0 || id != FTimerId) {
        return true; // a tick of an earlier run
    }
    // The handler may stop or restart the source; the count belongs to this run only.
    struct Release {
        TTickSource* Source;
        std::uint32_t Id;
        ~Release() {
            if (Source->FTimerId == Id) {
                --Source->FPending;
            }
        }
    } release{this, id};
    if (OnTick) {
        OnTick();
    }
    return true;
}
