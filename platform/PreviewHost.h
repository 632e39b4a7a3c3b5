#pragma once

#include <QObject>
#include <QRect>
#include <QWindow>

#include <functional>
#include <memory>

// The window of another program that hosts our preview, given by its native id (an X11 window id). It
// reads the host's size and reports when the host changes size or goes away. On a platform that is not
// X11 no id names a window.
class TPreviewHost : public QObject {
    Q_OBJECT
public:
    explicit TPreviewHost(WId host, QObject* parent = nullptr);
    ~TPreviewHost() override;

    // The root window of the X server's default screen; 0 when there is no X server.
    static WId ScreenRoot();

    WId Host() const { return FHost; }
    // True while the id names an existing window.
    bool IsWindow();
    // The host's rectangle in screen coordinates; empty when it cannot be read.
    QRect ScreenRect();

    // Called once, from the message loop, when the host window has been destroyed.
    void SetOnDestroyed(std::function<void()> handler);
    // Called from the message loop with the host's new client size.
    void SetOnResized(std::function<void(QSize)> handler);

private:
    struct TConnection;
    void ReadEvents();
    // Our own requests may have queued the host's events where the socket no longer shows them.
    void ReadEventsLater();

    WId FHost;
    std::unique_ptr<TConnection> FConnection;
    std::function<void()> FOnDestroyed;
    std::function<void(QSize)> FOnResized;
    bool FDestroyed = false;
};
