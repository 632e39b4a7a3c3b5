#pragma once

#include "platform/TickSource.h"
#include "platform/WindowTimer.h"

#include <QObject>

#include <cstdint>
#include <memory>

// How a tick reaches OnTimer: as an event handled on the thread that started the timer (cmWindow), in the
// timer's own thread (cmCallback, refused on this platform), or through a worker thread of the timer's own,
// which may hand it on to the main thread (cmThread).
enum TMMCBMode { cmWindow = 0, cmCallback = 1, cmThread = 2 };

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

struct TNSTimerThreadState;

// A periodic timer of millisecond resolution. It runs while Enabled, Interval is above 0 and OnTimer is
// assigned; every property write that matters goes through UpdateTimer, which stops whatever runs and starts
// afresh, so a restarted timer never sees a tick of its earlier run. Exceptions from OnTimer go to the
// application-wide handler.
class TNSHiTimer : public QObject {
    Q_OBJECT
public:
    explicit TNSHiTimer(QObject* owner = nullptr);
    ~TNSHiTimer() override;

    TMMCBMode CallBackMode() const { return FCallBackMode; }
    // cmCallback would run OnTimer off the user-interface thread; it is refused with a message box and the
    // mode stays as it was.
    void SetCallBackMode(TMMCBMode mode);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    int Interval() const { return FInterval; }
    void SetInterval(int milliseconds);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    // Always restarts a running timer.
    void SetOnTimer(TNotifyEvent handler);
    TThreadPriority Priority() const { return FPriority; }
    void SetPriority(TThreadPriority priority);
    bool Synchronize() const { return FSynchronize; }
    void SetSynchronize(bool synchronize) { FSynchronize = synchronize; }
    bool WaitForTerminate() const { return FWaitForTerminate; }
    void SetWaitForTerminate(bool wait) { FWaitForTerminate = wait; }

    // Stops everything, then starts anew when the timer should run. Throws ENSHiTimerError when the worker
    // thread of cmThread cannot be started and EOutOfResources when the tick thread cannot.
    void UpdateTimer();

    // Whether ticks are being produced, the id of the current run (0 when stopped), the ticks waiting to be
    // handled, and the ticks lost so far because ten were waiting.
    bool Running() const { return FTicks.Running(); }
    std::uint32_t TimerID() const { return FTicks.TimerId(); }
    int Pending() const { return FTicks.Pending(); }
    std::uint64_t DroppedTicks() const { return FTicks.Dropped(); }
    // What the tick thread runs once per period; tests call it to tick by hand (see
    // TTickSource::ManualTicks).
    void TimeCallback() { FTicks.Fire(); }
    TTickSource& TickSource() { return FTicks; }
    bool ThreadRunning() const { return FThreadRunning; }

protected:
    // Calls OnTimer when it is assigned and the timer is enabled.
    virtual void DoTimer();
    bool event(QEvent* e) override;

private:
    friend struct TNSTimerThreadState;

    void StopThread();
    void StartThread();
    void HandleWindowTick();
    void RunSynchronisedTick(QEvent* e);

    TThreadPriority FPriority = tpNormal;
    std::shared_ptr<TNSTimerThreadState> FThread;
    bool FSynchronize = true;
    bool FThreadRunning = false;
    bool FWaitForTerminate = false;
    bool FInSync = false;
    bool FEnabled = true;
    int FInterval = 1000;
    TMMCBMode FCallBackMode = cmWindow;
    TNotifyEvent FOnTimer;
    TTickSource FTicks;
};
