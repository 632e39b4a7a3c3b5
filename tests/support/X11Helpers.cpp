#include "tests/support/X11Helpers.h"

#include "tests/support/TestSupport.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

Display* Dpy(void* display) {
    return static_cast<Display*>(display);
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// The viewable children of parent (the root when 0).
std::vector<Window> ViewableChildren(Display* d, Window parent) {
    std::vector<Window> viewable;
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(d, parent != 0 ? parent : DefaultRootWindow(d), &root, &up, &children, &count) == 0) {
        return viewable;
    }
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(d, children[i], &attributes) != 0 && attributes.map_state == IsViewable) {
            viewable.push_back(children[i]);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return viewable;
}

} // namespace

// One connection for the whole test program: the X server starts afresh whenever its last client leaves,
// and a test that connected just then would find no server.
TX11Test::TX11Test() {
    static Display* shared = [] {
        XSetErrorHandler(&IgnoreErrors);
        return XOpenDisplay(nullptr);
    }();
    FDisplay = shared;
}

TX11Test::TX11Test(const QString& displayName) {
    XSetErrorHandler(&IgnoreErrors);
    FDisplay = XOpenDisplay(displayName.toLocal8Bit().constData());
    FOwned = true;
}

TX11Test::~TX11Test() {
    if (FOwned && FDisplay != nullptr) {
        XCloseDisplay(Dpy(FDisplay));
    }
}

QRect TX11Test::ScreenRect() const {
    Display* d = Dpy(FDisplay);
    return QRect(0, 0, DisplayWidth(d, DefaultScreen(d)), DisplayHeight(d, DefaultScreen(d)));
}

TX11Test::TWindow TX11Test::CreateWindow(const QRect& rect) {
    Display* d = Dpy(FDisplay);
    const Window root = DefaultRootWindow(d);
    const Window window = XCreateSimpleWindow(d, root, rect.x(), rect.y(), unsigned(rect.width()),
                                              unsigned(rect.height()), 0, 0, WhitePixel(d, DefaultScreen(d)));
    XSelectInput(d, window, StructureNotifyMask);
    XMapWindow(d, window);
    XEvent event;
    do {
        XWindowEvent(d, window, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
    XSelectInput(d, window, NoEventMask);
    return TWindow(window);
}

void TX11Test::DestroyWindow(TWindow window) {
    XDestroyWindow(Dpy(FDisplay), window);
    XSync(Dpy(FDisplay), False);
}

void TX11Test::ResizeWindow(TWindow window, int width, int height) {
    XResizeWindow(Dpy(FDisplay), window, unsigned(width), unsigned(height));
    XSync(Dpy(FDisplay), False);
}

void TX11Test::RequestClose(TWindow window) {
    Display* d = Dpy(FDisplay);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &event);
    XSync(d, False);
}

std::vector<TX11Test::TWindow> TX11Test::ViewableWindowsOf(qint64 pid, TWindow parent) {
    std::vector<TWindow> found;
    for (const Window child : ViewableChildren(Dpy(FDisplay), Window(parent))) {
        const std::vector<std::uint32_t> owner = Property32(TWindow(child), "_NET_WM_PID");
        if (!owner.empty() && qint64(owner.front()) == pid) {
            found.push_back(TWindow(child));
        }
    }
    return found;
}

std::vector<TX11Test::TWindow> TX11Test::ViewableWindowsOfClass(const QString& program, TWindow parent) {
    Display* d = Dpy(FDisplay);
    std::vector<TWindow> found;
    for (const Window child : ViewableChildren(d, Window(parent))) {
        XClassHint hint{};
        if (XGetClassHint(d, child, &hint) != 0) {
            if (hint.res_name != nullptr && program == QString::fromLocal8Bit(hint.res_name)) {
                found.push_back(TWindow(child));
            }
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        const std::vector<TWindow> below = ViewableWindowsOfClass(program, TWindow(child));
        found.insert(found.end(), below.begin(), below.end());
    }
    return found;
}

TX11Test::TWindow TX11Test::Parent(TWindow window) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(Dpy(FDisplay), window, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    if (children != nullptr) {
        XFree(children);
    }
    return TWindow(parent);
}

TX11Test::TWindow TX11Test::Root() {
    return TWindow(DefaultRootWindow(Dpy(FDisplay)));
}

QRect TX11Test::Geometry(TWindow window, bool relative) {
    Display* d = Dpy(FDisplay);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(d, window, &attributes) == 0) {
        return QRect();
    }
    if (relative) {
        return QRect(attributes.x, attributes.y, attributes.width, attributes.height);
    }
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, attributes.root, 0, 0, &x, &y, &child);
    return QRect(x, y, attributes.width, attributes.height);
}

std::vector<std::uint32_t> TX11Test::Property32(TWindow window, const char* name) {
    Display* d = Dpy(FDisplay);
    std::vector<std::uint32_t> values;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, XInternAtom(d, name, False), 0, 64, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) != Success) {
        return values;
    }
    if (format == 32 && data != nullptr) {
        // Xlib hands 32-bit properties over as longs.
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            values.push_back(std::uint32_t(longs[i]));
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return values;
}

QString TX11Test::Text(TWindow window, const char* name) {
    Display* d = Dpy(FDisplay);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, XInternAtom(d, name, False), 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) != Success) {
        return QString();
    }
    QString text;
    if (format == 8 && data != nullptr) {
        text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(count));
    }
    if (data != nullptr) {
        XFree(data);
    }
    return text;
}

QStringList TX11Test::AtomNames(TWindow window, const char* name) {
    QStringList names;
    for (const std::uint32_t atom : Property32(window, name)) {
        if (char* text = XGetAtomName(Dpy(FDisplay), atom)) {
            names << QString::fromLatin1(text);
            XFree(text);
        }
    }
    return names;
}

int TX11Test::GrabKeyboard() {
    Display* d = Dpy(FDisplay);
    return XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime);
}

int TX11Test::GrabPointer() {
    Display* d = Dpy(FDisplay);
    return XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                        None, CurrentTime);
}

void TX11Test::Ungrab() {
    Display* d = Dpy(FDisplay);
    XUngrabKeyboard(d, CurrentTime);
    XUngrabPointer(d, CurrentTime);
    XSync(d, False);
}

bool XTool(const QString& program, const QStringList& arguments, const QString& displayName) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), displayName);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool SplitIntoTwoMonitors(const QString& displayName) {
    for (const QString& monitor : {QStringLiteral("left 1280/339x1024/271+0+0 screen"),
                                   QStringLiteral("right 1280/339x1024/271+1280+0 none")}) {
        if (!XTool(QStringLiteral("xrandr"),
                   QStringList{QStringLiteral("--setmonitor")} + monitor.split(QLatin1Char(' ')),
                   displayName)) {
            return false;
        }
    }
    return true;
}

bool XdoTool(const QStringList& arguments, const QString& displayName) {
    QProcess process;
    if (!displayName.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), displayName);
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    return WaitFor(condition, milliseconds);
}

// Xvfb tells the display it chose on the descriptor given with -displayfd once it accepts connections, so
// the test waits for that line instead of guessing a free number and polling for the socket.
TPrivateXServer::TPrivateXServer(const QString& screen, const QStringList& options) {
    QList<QByteArray> words{"Xvfb",      "-displayfd", "3",       "-screen", "0", screen.toLocal8Bit(),
                            "-nolisten", "tcp",        "-noreset"};
    for (const QString& option : options) {
        words << option.toLocal8Bit();
    }
    std::vector<char*> argv;
    for (QByteArray& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        return;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(ready[1], 3);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(ready[1]);
    if (pid < 0) {
        close(ready[0]);
        return;
    }
    FPid = pid;
    QByteArray number;
    QDeadlineTimer deadline(20000);
    while (!number.endsWith('\n') && !deadline.hasExpired()) {
        pollfd wait{ready[0], POLLIN, 0};
        const int polled = poll(&wait, 1, int(deadline.remainingTime()));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        char c = 0;
        if (polled <= 0 || read(ready[0], &c, 1) != 1) {
            break;
        }
        number += c;
    }
    close(ready[0]);
    if (number.endsWith('\n') && number.size() > 1) {
        FName = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    }
}

TPrivateXServer::~TPrivateXServer() {
    if (FPid > 0) {
        kill(pid_t(FPid), SIGTERM);
        int status = 0;
        waitpid(pid_t(FPid), &status, 0);
    }
}
