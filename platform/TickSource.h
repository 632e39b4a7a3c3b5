#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

// A periodic tick of millisecond resolution. A thread of its own sleeps to absolute deadlines on the
// monotonic clock and calls Fire() once per period. Fire() either posts a tick event to this object, to be
// handled on the thread that owns it, or, in direct mode, runs OnDirectTick in the tick thread itself.
//
// Posted ticks are limited: while MaxPending of them wait or run, further ticks are dropped rather than
// queued, so a slow handler never floods the event queue and late ticks are not made up. The count of waiting
// ticks is the only value the two threads share; it changes atomically.
class TTickSource : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxPending = 10;
    enum class TDelivery { Posted, Direct };

    explicit TTickSource(QObject* parent = nullptr);
    ~TTickSource() override;

    // Runs on the owning thread for each posted tick of the current run.
    std::function<void()> OnTick;
    // Runs in the tick thread in direct mode. Must not throw.
    std::function<void()> OnDirectTick;

    // Stops any run, then starts a new one with a fresh id and no waiting ticks. Throws std::system_error
    // when the thread cannot be started.
    void Start(int intervalMs, TDelivery delivery);
    // Ends the run: the tick thread has finished and every waiting tick is discarded when this returns.
    // Allowed from inside OnTick.
    void Stop();

    bool Running() const { return FTimerId != 0; }
    // The id of the current run, 0 when stopped. Ids are never reused within the process.
    std::uint32_t TimerId() const { return FTimerId; }
    int Pending() const { return FPending.load(); }
    // Ticks lost since construction, because MaxPending were waiting or because the thread fell behind.
    std::uint64_t Dropped() const { return FDropped.load(); }

    // What the tick thread does once per period. Public so that tests can tick by hand.
    void Fire();
    // Posts a tick event carrying the given id, as Fire() would for that run. Lets tests replay a tick that
    // arrives late from an earlier run.
    void PostTick(std::uint32_t id);

    // While set, Start() starts no thread, and ticks come only from explicit Fire() calls. For tests, which
    // step time by hand rather than waiting for it.
    static void SetManualTicks(bool manual);
    static bool ManualTicks();

protected:
    bool event(QEvent* e) override;

private:
    void Loop(int intervalMs);

    std::atomic<std::uint32_t> FTimerId{0};
    std::atomic<int> FPending{0};
    std::atomic<std::uint64_t> FDropped{0};
    std::atomic<bool> FStop{false};
    TDelivery FDelivery = TDelivery::Posted;
    std::thread FThread;
};
