#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

// A connection of the test's own to the X server in DISPLAY, to make host windows and to look at the
// windows of the program under test. Requests that name a window which has gone meanwhile fail quietly.
class TX11Test {
public:
    using TWindow = std::uint32_t;

    // The server in DISPLAY, over one connection shared by the whole test program.
    TX11Test();
    // The server of that display name, over a connection of this object's own.
    explicit TX11Test(const QString& displayName);
    ~TX11Test();
    TX11Test(const TX11Test&) = delete;
    TX11Test& operator=(const TX11Test&) = delete;

    bool Connected() const { return FDisplay != nullptr; }
    QRect ScreenRect() const;

    // A plain mapped top-level window, waited for until the server has mapped it.
    TWindow CreateWindow(const QRect& rect);
    void DestroyWindow(TWindow window);
    void ResizeWindow(TWindow window, int width, int height);
    // Asks the window to close as a window manager does (WM_DELETE_WINDOW).
    void RequestClose(TWindow window);

    // The viewable windows among the children of parent (the root when 0) that belong to the process.
    std::vector<TWindow> ViewableWindowsOf(qint64 pid, TWindow parent = 0);
    // The viewable windows anywhere below parent (the root when 0) whose WM_CLASS names the program, for
    // programs that another one started.
    std::vector<TWindow> ViewableWindowsOfClass(const QString& program, TWindow parent = 0);
    // The parent of a window; 0 when it cannot be read.
    TWindow Parent(TWindow window);
    TWindow Root();
    // The window's rectangle, relative to its parent when relative, else in screen coordinates.
    QRect Geometry(TWindow window, bool relative = false);
    // The 32-bit values of a property, empty when it is missing.
    std::vector<std::uint32_t> Property32(TWindow window, const char* name);
    // The names of the atoms in an atom-list property.
    QStringList AtomNames(TWindow window, const char* name);
    // A text property (such as _NET_WM_NAME) read as UTF-8; empty when it is missing.
    QString Text(TWindow window, const char* name);

    // Active grabs on the root window, as another program would take them; the X status (0 GrabSuccess,
    // 1 AlreadyGrabbed, ...). Held until Ungrab or the end of the connection.
    int GrabKeyboard();
    int GrabPointer();
    void Ungrab();

private:
    void* FDisplay = nullptr;
    bool FOwned = false;
};

// An Xvfb of the test's own (1280 x 1024, 24 bits unless given), so that tests which run at the same time
// never see each other's windows, focus or keys. Name() is its display name (":N"), empty when it could not
// be started. It never resets when its last client leaves, so settings made with xset and xsetroot stay.
class TPrivateXServer {
public:
    explicit TPrivateXServer(const QString& screen = QStringLiteral("1280x1024x24"),
                             const QStringList& options = {});
    ~TPrivateXServer();
    TPrivateXServer(const TPrivateXServer&) = delete;
    TPrivateXServer& operator=(const TPrivateXServer&) = delete;

    const QString& Name() const { return FName; }

private:
    qint64 FPid = 0;
    QString FName;
};

// Runs a program of the X server's tools (xset, xsetroot, xrandr) on the display; true when it ended with
// exit code 0.
bool XTool(const QString& program, const QStringList& arguments, const QString& displayName);

// Splits the 2560 x 1024 screen of that display into two monitors side by side (xrandr --setmonitor), the
// left one primary; true when both were made.
bool SplitIntoTwoMonitors(const QString& displayName);

// Runs xdotool with the arguments (keys and typing go through XTEST as a real keyboard would); true when it
// ended with exit code 0.
// The display is DISPLAY's unless named.
bool XdoTool(const QStringList& arguments, const QString& displayName = QString());

// Waits until condition holds or the deadline passes; true when it holds. For states of other processes
// that announce themselves by no event the test could wait on.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 10000);
