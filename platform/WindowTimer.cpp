#include "platform/WindowTimer.h"

#include "platform/Application.h"

#include <utility>

TTimer::TTimer(QObject* owner) : QObject(owner) {
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, [this] {
        if (FOnTimer) {
            RunGuarded(this, [this] { FOnTimer(this); });
        }
    });
    UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled != FEnabled) {
        FEnabled = enabled;
        UpdateTimer();
    }
}

void TTimer::SetInterval(int milliseconds) {
    if (milliseconds != FInterval) {
        FInterval = milliseconds;
        UpdateTimer();
    }
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    FOnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    FTimer.stop();
    if (FEnabled && FInterval > 0 && FOnTimer) {
        FTimer.start(FInterval);
    }
}
