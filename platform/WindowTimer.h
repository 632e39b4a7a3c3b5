#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

using TNotifyEvent = std::function<void(QObject* Sender)>;

// A message-loop timer with the toolkit's rules: it runs while Enabled, the interval is 0 and an unassigned
// OnTimer never fire, and setting Enabled or Interval starts the countdown anew.
class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject* owner = nullptr);

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    int Interval() const { return FInterval; }
    void SetInterval(int milliseconds);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent handler);

private:
    void UpdateTimer();

    bool FEnabled = true;
    int FInterval = 1000;
    TNotifyEvent FOnTimer;
    QTimer FTimer;
};
