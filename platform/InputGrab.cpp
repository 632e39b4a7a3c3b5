#include "platform/InputGrab.h"

#include <QGuiApplication>
#include <QWindow>

#include <utility>

#ifdef AMBRELLE_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace {

#ifdef AMBRELLE_HAVE_X11
// The toolkit's own connection: a grab only lets events through to windows of the client that holds it.
Display* ApplicationDisplay() {
    auto* app = qGuiApp;
    if (app == nullptr) {
        return nullptr;
    }
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
}

QString GrabFailure(int status, const QString& device) {
    switch (status) {
    case AlreadyGrabbed:
        return QStringLiteral("another program holds the %1").arg(device);
    case GrabFrozen:
        return QStringLiteral("another program's grab has frozen the %1").arg(device);
    case GrabNotViewable:
        return QStringLiteral("the window for the %1 grab is not on the screen").arg(device);
    case GrabInvalidTime:
        return QStringLiteral("the %1 grab came after a newer one").arg(device);
    default:
        return QStringLiteral("the %1 cannot be grabbed").arg(device);
    }
}

bool GrabKeyboard(Display* display, Window window, QString& reason) {
    const int status = XGrabKeyboard(display, window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status != GrabSuccess) {
        reason = GrabFailure(status, QStringLiteral("keyboard"));
    }
    return status == GrabSuccess;
}

bool GrabPointer(Display* display, Window window, QString& reason) {
    constexpr unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    const int status =
        XGrabPointer(display, window, True, mask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (status != GrabSuccess) {
        reason = GrabFailure(status, QStringLiteral("pointer"));
    }
    return status == GrabSuccess;
}
#endif

} // namespace

bool IsWaylandSession() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

TInputGrab::TInputGrab(QObject* parent) : QObject(parent) {
    FRetry.setInterval(GrabRetryInterval);
    FRenew.setInterval(GrabRenewInterval);
    connect(&FRetry, &QTimer::timeout, this, &TInputGrab::Attempt);
    connect(&FRenew, &QTimer::timeout, this, &TInputGrab::Renew);
}

TInputGrab::~TInputGrab() {
    Release();
}

bool TInputGrab::Available() {
#ifdef AMBRELLE_HAVE_X11
    return ApplicationDisplay() != nullptr;
#else
    return false;
#endif
}

void TInputGrab::Start(QWindow* window, TGrabResult onResult) {
    Release();
    FWindow = window;
    FOnResult = std::move(onResult);
    FAttemptsLeft = GrabRetryTime / GrabRetryInterval;
    // The first try waits for the message loop, which sends the window's map request to the server.
    FRetry.start();
    QTimer::singleShot(0, this, &TInputGrab::Attempt);
}

void TInputGrab::Attempt() {
    if (!FRetry.isActive()) {
        return;
    }
    const QString reason = TryBoth();
    --FAttemptsLeft;
    if (!reason.isEmpty() && FAttemptsLeft > 0) {
        return;
    }
    FRetry.stop();
    FHeld = reason.isEmpty();
    if (FHeld) {
        FRenew.start();
    }
    if (FOnResult) {
        // The handler may end the program or free this object.
        TGrabResult onResult = std::exchange(FOnResult, nullptr);
        onResult(FHeld, reason);
    }
}

void TInputGrab::Renew() {
    FKeyboard = FPointer = false;
    TryBoth();
}

QString TInputGrab::TryBoth() {
#ifdef AMBRELLE_HAVE_X11
    Display* display = ApplicationDisplay();
    if (display == nullptr || FWindow == nullptr) {
        return QStringLiteral("there is no X server to grab the keyboard and the pointer of");
    }
    const auto window = static_cast<Window>(FWindow->winId());
    QString reason;
    FKeyboard = FKeyboard || GrabKeyboard(display, window, reason);
    FPointer = FPointer || GrabPointer(display, window, reason);
    return reason;
#else
    return QStringLiteral("this build cannot grab the keyboard and the pointer");
#endif
}

void TInputGrab::Release() {
    FRetry.stop();
    FRenew.stop();
#ifdef AMBRELLE_HAVE_X11
    if (Display* display = ApplicationDisplay(); display != nullptr && (FKeyboard || FPointer)) {
        if (FKeyboard) {
            XUngrabKeyboard(display, CurrentTime);
        }
        if (FPointer) {
            XUngrabPointer(display, CurrentTime);
        }
        XFlush(display);
    }
#endif
    FKeyboard = FPointer = FHeld = false;
}
