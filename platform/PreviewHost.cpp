#include "platform/PreviewHost.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QSocketNotifier>

#include <utility>

#ifdef AMBRELLE_HAVE_X11
#include <X11/Xlib.h>
#endif

// The host is watched over a connection of our own, so its events never mix with the toolkit's and we need
// nothing of the toolkit's internals.
struct TPreviewHost::TConnection {
#ifdef AMBRELLE_HAVE_X11
    Display* display = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;

    ~TConnection() {
        notifier.reset();
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
#endif
};

#ifdef AMBRELLE_HAVE_X11
namespace {

// Xlib's default error handler ends the process; a host that vanishes between two requests must only make
// them fail. The handler is installed around our own requests and the failure read afterwards.
int& LastError() {
    static int error = 0;
    return error;
}

int RecordError(Display*, XErrorEvent* event) {
    LastError() = event->error_code;
    return 0;
}

class TErrorTrap {
public:
    explicit TErrorTrap(Display* display) : FDisplay(display) {
        XSync(FDisplay, False);
        LastError() = 0;
        FPrevious = XSetErrorHandler(&RecordError);
    }
    ~TErrorTrap() {
        XSync(FDisplay, False);
        XSetErrorHandler(FPrevious);
    }
    bool Failed() {
        XSync(FDisplay, False);
        return LastError() != 0;
    }

private:
    Display* FDisplay;
    int (*FPrevious)(Display*, XErrorEvent*) = nullptr;
};

bool ReadAttributes(Display* display, Window window, XWindowAttributes& attributes) {
    TErrorTrap trap(display);
    const Status status = XGetWindowAttributes(display, window, &attributes);
    return status != 0 && !trap.Failed();
}

} // namespace
#endif

TPreviewHost::TPreviewHost(WId host, QObject* parent)
    : QObject(parent), FHost(host), FConnection(std::make_unique<TConnection>()) {
#ifdef AMBRELLE_HAVE_X11
    // Ids name windows only on the X server that the toolkit talks to.
    if (FHost == 0 || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return;
    }
    FConnection->display = display;
    {
        TErrorTrap trap(display);
        XSelectInput(display, static_cast<Window>(FHost), StructureNotifyMask);
        if (trap.Failed()) {
            FDestroyed = true;
            return;
        }
    }
    FConnection->notifier =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    connect(FConnection->notifier.get(), &QSocketNotifier::activated, this, [this] { ReadEvents(); });
#endif
}

TPreviewHost::~TPreviewHost() = default;

WId TPreviewHost::ScreenRoot() {
#ifdef AMBRELLE_HAVE_X11
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return 0;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 0;
    }
    const WId root = static_cast<WId>(DefaultRootWindow(display));
    XCloseDisplay(display);
    return root;
#else
    return 0;
#endif
}

bool TPreviewHost::IsWindow() {
#ifdef AMBRELLE_HAVE_X11
    if (FDestroyed || FConnection->display == nullptr) {
        return false;
    }
    XWindowAttributes attributes{};
    const bool exists = ReadAttributes(FConnection->display, static_cast<Window>(FHost), attributes);
    ReadEventsLater();
    return exists;
#else
    return false;
#endif
}

QRect TPreviewHost::ScreenRect() {
#ifdef AMBRELLE_HAVE_X11
    Display* display = FConnection->display;
    if (FDestroyed || display == nullptr) {
        return QRect();
    }
    XWindowAttributes attributes{};
    if (!ReadAttributes(display, static_cast<Window>(FHost), attributes)) {
        return QRect();
    }
    int x = 0;
    int y = 0;
    Window child = 0;
    bool failed = false;
    {
        TErrorTrap trap(display);
        XTranslateCoordinates(display, static_cast<Window>(FHost), attributes.root, 0, 0, &x, &y, &child);
        failed = trap.Failed();
    }
    ReadEventsLater();
    return failed ? QRect() : QRect(x, y, attributes.width, attributes.height);
#else
    return QRect();
#endif
}

void TPreviewHost::SetOnDestroyed(std::function<void()> handler) {
    FOnDestroyed = std::move(handler);
    // A host that went away before anyone listened is still reported, from the message loop as always.
    if (FDestroyed && FOnDestroyed) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (FOnDestroyed) {
                    FOnDestroyed();
                }
            },
            Qt::QueuedConnection);
        return;
    }
    ReadEventsLater();
}

void TPreviewHost::SetOnResized(std::function<void(QSize)> handler) {
    FOnResized = std::move(handler);
}

void TPreviewHost::ReadEventsLater() {
    QMetaObject::invokeMethod(
        this, [this] { ReadEvents(); }, Qt::QueuedConnection);
}

void TPreviewHost::ReadEvents() {
#ifdef AMBRELLE_HAVE_X11
    Display* display = FConnection->display;
    if (display == nullptr || FDestroyed) {
        return;
    }
    bool destroyed = false;
    QSize resized;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == static_cast<Window>(FHost)) {
            destroyed = true;
        } else if (event.type == ConfigureNotify && event.xconfigure.window == static_cast<Window>(FHost)) {
            resized = QSize(event.xconfigure.width, event.xconfigure.height);
        }
    }
    if (destroyed) {
        FDestroyed = true;
        FConnection->notifier->setEnabled(false);
        if (FOnDestroyed) {
            FOnDestroyed();
        }
        return;
    }
    if (resized.isValid() && FOnResized) {
        FOnResized(resized);
    }
#endif
}
