#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QWindow;

// True when the application is a Wayland client. There no client can grab input or learn where the
// pointer is outside its own windows.
bool IsWaylandSession();

// Active X11 grabs of the keyboard and the pointer for one of our windows, as a screen locker holds them:
// while they are held no other client (a window manager's shortcuts included) gets a key or a click. Events
// over any window of this program still reach it as usual, so the covers of other monitors and the
// password prompt keep working.
//
// Another client may hold a grab for a moment (a menu that is open, a key held down for a shortcut), and a
// window that has only just been mapped cannot be grabbed yet, so a failed attempt is retried every
// GrabRetryInterval until GrabRetryTime has passed. Once held, the grabs are asserted again now and then,
// so that nothing of the toolkit's own can leave them released.
class TInputGrab : public QObject {
    Q_OBJECT
public:
    static constexpr int GrabRetryInterval = 50;
    static constexpr int GrabRetryTime = 1000;
    static constexpr int GrabRenewInterval = 1000;

    // held: both grabs are ours; otherwise reason says why not, in a few words.
    using TGrabResult = std::function<void(bool held, const QString& reason)>;

    explicit TInputGrab(QObject* parent = nullptr);
    ~TInputGrab() override;

    // True when the application runs on an X server, where grabs exist.
    static bool Available();

    // Starts grabbing for window; onResult is called once, from the message loop, when both grabs are
    // held or when the retries have run out.
    void Start(QWindow* window, TGrabResult onResult);
    bool Held() const { return FHeld; }
    // Gives back whatever is held; also done when the object goes.
    void Release();

private:
    void Attempt();
    void Renew();
    // One try at each grab not yet held; empty when both are held, else why not.
    QString TryBoth();

    QWindow* FWindow = nullptr;
    TGrabResult FOnResult;
    QTimer FRetry;
    QTimer FRenew;
    int FAttemptsLeft = 0;
    bool FKeyboard = false;
    bool FPointer = false;
    bool FHeld = false;
};
