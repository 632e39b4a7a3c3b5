#include "app/ScreenSaver.h"

#include "app/PasswordPrompt.h"
#include "platform/Application.h"
#include "platform/InputGrab.h"
#include "platform/MessageBox.h"
#include "platform/Password.h"
#include "platform/PreviewHost.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPalette>
#include <QScopedValueRollback>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

// ---- The command line ------------------------------------------------------------------------------------

namespace {

QChar ModeLetter(const QString& firstArgument) {
    if (firstArgument.size() < 2) {
        return QChar();
    }
    const char16_t c = firstArgument[1].unicode();
    return (c >= u'a' && c <= u'z') ? QChar(char16_t(c - u'a' + u'A')) : QChar(c);
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

} // namespace

WId ParseWindowHandle(const QString& text) {
    const bool hex = text.size() > 2 && text[0] == QLatin1Char('0') &&
                     (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'));
    const qsizetype start = hex ? 2 : 0;
    const unsigned base = hex ? 16 : 10;
    if (text.size() <= start) {
        return 0;
    }
    std::uint64_t value = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        const int digit = HexDigit(text[i].unicode());
        if (digit < 0 || unsigned(digit) >= base) {
            return 0;
        }
        value = value * base + unsigned(digit);
        // Window handles and X11 ids are 32-bit values; a longer number names no window.
        if (value > 0xFFFFFFFFull) {
            return 0;
        }
    }
    return static_cast<WId>(value);
}

namespace {

bool IsHackOption(const QString& argument, QLatin1StringView name) {
    return argument == QLatin1String("-") + name || argument == QLatin1String("--") + name;
}

TScreenSaverCommand WindowsConvention(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        return {TScreenSaverMode::Settings, 0};
    }
    const QChar letter = ModeLetter(arguments[0]);
    if (letter == QLatin1Char('C')) {
        return {TScreenSaverMode::Settings, 0};
    }
    if (arguments.size() == 1) {
        return {TScreenSaverMode::FullScreen, 0};
    }
    if (letter == QLatin1Char('A')) {
        return {TScreenSaverMode::ChangePassword, ParseWindowHandle(arguments[1])};
    }
    if (letter == QLatin1Char('P')) {
        return {TScreenSaverMode::Preview, ParseWindowHandle(arguments[1])};
    }
    return {TScreenSaverMode::FullScreen, 0};
}

} // namespace

TScreenSaverCommand ParseScreenSaverCommandLine(const QStringList& arguments,
                                                const QString& xscreensaverWindow) {
    const bool daemonWindow = !xscreensaverWindow.isEmpty();
    if (!arguments.isEmpty() && IsHackOption(arguments[0], QLatin1StringView("window-id"))) {
        return {TScreenSaverMode::Hack, arguments.size() > 1 ? ParseWindowHandle(arguments[1]) : 0};
    }
    if (!arguments.isEmpty() && IsHackOption(arguments[0], QLatin1StringView("root"))) {
        if (daemonWindow) {
            return {TScreenSaverMode::Hack, ParseWindowHandle(xscreensaverWindow)};
        }
        return {TScreenSaverMode::Hack, 0, true};
    }
    TScreenSaverCommand command = WindowsConvention(arguments);
    // Only a daemon sets the variable, and it starts its hacks with its own options; an explicit request
    // for the settings, a preview or a password change is still honoured.
    const bool plainStart = command.Mode == TScreenSaverMode::FullScreen || arguments.isEmpty();
    if (daemonWindow && plainStart) {
        command = {TScreenSaverMode::Hack, ParseWindowHandle(xscreensaverWindow)};
    }
    return command;
}

bool IsHackCommandLine(const QStringList& arguments, const QString& xscreensaverWindow) {
    return ParseScreenSaverCommandLine(arguments, xscreensaverWindow).Mode == TScreenSaverMode::Hack;
}

int SpreadHackPosition(int position, int instance, qsizetype count) {
    if (count <= 0 || instance <= 0) {
        return position;
    }
    const qsizetype first = position >= 0 && position < count - 1 ? position + 1 : 0;
    return int((first + instance % count) % count) - 1;
}

bool CursorMovedTooFar(QPoint last, QPoint now) {
    const std::int64_t dx = std::int64_t(now.x()) - last.x();
    const std::int64_t dy = std::int64_t(now.y()) - last.y();
    return std::llabs(dx) > CursorMoveTolerance || std::llabs(dy) > CursorMoveTolerance;
}

// ---- The component
// -----------------------------------------------------------------------------------------

TScreenSaver::TScreenSaver(QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("ScreenSaver1"));
}

TScreenSaver::~TScreenSaver() {
    ShowCursor();
}

void TScreenSaver::SetOptions(TScreenSaverOptions options) {
    if (options != FOptions) {
        FOptions = options;
    }
}

void TScreenSaver::SetHonourWindowsPassword(bool honour) {
    if (honour != FHonourWindowsPassword) {
        FHonourWindowsPassword = honour;
    }
}

void TScreenSaver::SetAboutString(const QString& text) {
    if (text != FAboutString) {
        FAboutString = text;
    }
}

void TScreenSaver::SetOnPropertiesRequested(TNotifyEvent handler) {
    FOnPropertiesRequested = std::move(handler);
}

void TScreenSaver::SetOnExecute(TNotifyEvent handler) {
    FOnExecute = std::move(handler);
}

void TScreenSaver::SetOnPreview(TScreenSaverPreviewEvent handler) {
    FOnPreview = std::move(handler);
}

void TScreenSaver::SetOnCloseQuery(TCloseQueryEvent handler) {
    FOnCloseQuery = std::move(handler);
}

void TScreenSaver::SetOnNotLocked(TNotLockedEvent handler) {
    FOnNotLocked = std::move(handler);
}

void TScreenSaver::SetCursorPosSource(std::function<QPoint()> source) {
    FCursorPosSource = std::move(source);
}

void TScreenSaver::SetPasswordCheck(std::function<bool(QWidget*)> check) {
    FPasswordCheck = std::move(check);
}

QWidget* TScreenSaver::OwnerForm() const {
    return qobject_cast<QWidget*>(parent());
}

void TScreenSaver::Loaded() {
    Loaded(QCoreApplication::arguments().mid(1), qEnvironmentVariable(XScreenSaverWindowVariable));
}

void TScreenSaver::Loaded(const QStringList& arguments, const QString& xscreensaverWindow) {
    if (FLoaded) {
        return;
    }
    FLoaded = true;
    const TScreenSaverCommand command = ParseScreenSaverCommandLine(arguments, xscreensaverWindow);
    FMode = command.Mode;
    // Nobody may be there to press OK: the show's error boxes go by themselves, and inside a daemon's
    // window, which would hide them, there are none.
    if (FMode == TScreenSaverMode::FullScreen || FMode == TScreenSaverMode::Preview) {
        SetErrorBoxMode(TErrorBoxMode::SelfClosing);
    } else if (FMode == TScreenSaverMode::Hack) {
        SetErrorBoxMode(TErrorBoxMode::None);
    }
    switch (command.Mode) {
    case TScreenSaverMode::Settings:
        DoConfigure();
        break;
    case TScreenSaverMode::ChangePassword:
        DoChangePassword();
        break;
    case TScreenSaverMode::Preview:
        DoPreview(command.Window);
        break;
    case TScreenSaverMode::FullScreen:
        DoExecute();
        break;
    case TScreenSaverMode::Hack:
        DoHack(command);
        break;
    }
}

void TScreenSaver::DoConfigure() {
    // Settings never turn into a show, handler or not, and also when the handler fails.
    struct TEndAfterwards {
        ~TEndAfterwards() { RequestTermination(); }
    } endAfterwards;
    if (FOnPropertiesRequested) {
        FOnPropertiesRequested(this);
    } else if (!FAboutString.isEmpty()) {
        ShowMessage(FAboutString);
    }
}

void TScreenSaver::DoChangePassword() {
    // The login password is changed with the system's own tools; there is no screen-saver password here.
    RequestTermination();
}

void TScreenSaver::DoPreview(WId previewHwnd) {
    if (!EmbedInHost(previewHwnd)) {
        return;
    }
    if (FOnPreview) {
        FOnPreview(this, previewHwnd);
    }
}

// As a preview, only without the preview's arrow pointer: the daemon blanks the screen and owns keys,
// pointer and locking, so nothing here watches input.
void TScreenSaver::DoHack(const TScreenSaverCommand& command) {
    // A copy started from here (the settings, when the folder holds no pictures) is no hack of the daemon.
    qunsetenv(XScreenSaverWindowVariable);
    if (!EmbedInHost(command.OnRoot ? TPreviewHost::ScreenRoot() : command.Window)) {
        return;
    }
    const QPoint centre = FPreviewHost->ScreenRect().center();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (screens[i]->geometry().contains(centre)) {
            FHackMonitor = int(i);
            break;
        }
    }
}

bool TScreenSaver::EmbedInHost(WId host) {
    FPreviewHost = new TPreviewHost(host, this);
    // A host that is not there has nothing to show the show in: end before anything is shown.
    if (!FPreviewHost->IsWindow()) {
        RequestTermination();
        return false;
    }
    QWidget* form = OwnerForm();
    if (FOptions.Contains(ssoAutoAdjustFormProperties) && form != nullptr) {
        const QRect rect = FPreviewHost->ScreenRect();
        form->setWindowFlag(Qt::FramelessWindowHint, true);
        form->winId();
        // The foreign window lives as long as the application, so it never takes our window down with it.
        QWindow* hostWindow = QWindow::fromWinId(host);
        hostWindow->QObject::setParent(QCoreApplication::instance());
        form->windowHandle()->setParent(hostWindow);
        form->setGeometry(0, 0, rect.width(), rect.height());
        form->setCursor(Qt::BlankCursor);
        FPreviewHost->SetOnResized([form](QSize size) { form->resize(size); });
    }
    // The show must not outlive the window it is shown in. The loop is ended outright: a quit request
    // would first ask every window to close, and the toolkit refuses that for a child of a foreign window.
    FPreviewHost->SetOnDestroyed([] { EndApplicationNow(); });
    return true;
}

void TScreenSaver::DoExecute() {
    FCanLock = !IsWaylandSession();
    if (QWidget* form = OwnerForm()) {
        if (FOptions.Contains(ssoAutoAdjustFormProperties)) {
            form->setWindowFlags(form->windowFlags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
            QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
            if (screen == nullptr) {
                screen = QGuiApplication::primaryScreen();
            }
            if (screen != nullptr) {
                form->setScreen(screen);
                form->setGeometry(screen->geometry());
            }
            form->setWindowState(Qt::WindowFullScreen);
            CoverOtherScreens(form, screen);
        }
        FHookKeys = FOptions.Contains(ssoAutoHookKeyboardEvents);
        FHookMouse = FOptions.Contains(ssoAutoHookMouseEvents);
        // Closing by the window manager (Alt+F4, the close button of a window list) must not skip the
        // password either.
        FGuardClose = true;
        // Keys and moves are watched where they reach the form's window, which is once per event and
        // before any control of the form sees them.
        QCoreApplication::instance()->installEventFilter(this);
        // A Wayland client learns where the pointer is only from the moves over its own windows.
        FPointerFromEvents = FOptions.Contains(ssoEnhancedMouseMoveDetection) && IsWaylandSession();
        if (FOptions.Contains(ssoEnhancedMouseMoveDetection) && !FPointerFromEvents) {
            FMouseTimer = new TTimer(this);
            FMouseTimer->SetInterval(MouseTimerInterval);
            FMouseTimer->SetOnTimer([this](QObject* Sender) { MouseTimerTimer(Sender); });
            FMouseTimer->SetEnabled(true);
            MouseTimerTimer(this);
        }
    }
    if (FOnExecute) {
        FOnExecute(this);
    }
    HideCursor();
}

// The show runs on one screen; every other screen gets a black window of its own, so that no part of the
// desktop stays visible (nor usable behind a password). The covers belong to the form: they come and go
// with it, and input on them counts as input on the show.
void TScreenSaver::CoverOtherScreens(QWidget* form, const QScreen* showScreen) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == showScreen) {
            continue;
        }
        auto* cover = new QWidget(form, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        cover->setWindowTitle(form->windowTitle());
        QPalette black = cover->palette();
        black.setColor(QPalette::Window, Qt::black);
        cover->setPalette(black);
        cover->setAutoFillBackground(true);
        cover->setCursor(Qt::BlankCursor);
        // Where windows cannot place themselves (Wayland), the screen picks the output to fill.
        cover->setScreen(screen);
        cover->setGeometry(screen->geometry());
        cover->setWindowState(Qt::WindowFullScreen);
        FCovers.append(cover);
    }
}

void TScreenSaver::SetCoversVisible(bool visible) {
    for (QWidget* cover : std::as_const(FCovers)) {
        cover->setVisible(visible);
    }
}

bool TScreenSaver::IsFormWindow(QObject* watched) const {
    const QWidget* form = OwnerForm();
    if (form == nullptr || watched == nullptr) {
        return false;
    }
    if (watched == form->windowHandle()) {
        return true;
    }
    for (const QWidget* cover : FCovers) {
        if (watched == cover->windowHandle()) {
            return true;
        }
    }
    return false;
}

bool TScreenSaver::IsFormOrCover(QObject* watched) const {
    return watched != nullptr &&
           (watched == OwnerForm() || std::ranges::find(FCovers, watched) != FCovers.end());
}

bool TScreenSaver::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        // Every key reaches the form's window once, before the control with the focus sees it; keys that
        // produce no character (Shift, Ctrl, arrows, function keys) carry no text.
        if (FHookKeys && IsFormWindow(watched) && !static_cast<QKeyEvent*>(event)->text().isEmpty()) {
            RunGuarded(this, [this] { FormKeyPress(); });
        }
        break;
    case QEvent::MouseMove:
        if (FHookMouse && IsFormWindow(watched)) {
            RunGuarded(this, [this] { FormMouseMove(); });
        }
        if (FPointerFromEvents && IsFormWindow(watched)) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            RunGuarded(this, [this, watched, at] { PointerMovedIn(watched, at); });
        }
        break;
    case QEvent::Show:
        if (FGuardClose && !FLockStarted && watched == OwnerForm()) {
            FLockStarted = true;
            RunGuarded(this, [this] { LockScreen(); });
        }
        [[fallthrough]];
    case QEvent::Hide:
        // The covers are windows of their own; they follow the form on and off the screen.
        if (watched == OwnerForm() && !FCovers.isEmpty()) {
            SetCoversVisible(event->type() == QEvent::Show);
        }
        break;
    case QEvent::Close:
        if (FGuardClose && !FClosing && IsFormOrCover(watched)) {
            event->ignore();
            // Asked from the message loop, not from inside the close request of the window system.
            QMetaObject::invokeMethod(
                this, [this] { RunGuarded(this, [this] { QueryClose(); }); }, Qt::QueuedConnection);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TScreenSaver::FormKeyPress() {
    QueryClose();
}

void TScreenSaver::FormMouseMove() {
    if (FMouseMoveSkip > 0) {
        --FMouseMoveSkip;
        return;
    }
    QueryClose();
}

void TScreenSaver::PointerMovedIn(QObject* window, QPoint at) {
    const auto start = FPointerStarts.constFind(window);
    if (start == FPointerStarts.cend()) {
        FPointerStarts.insert(window, at);
    } else if (CursorMovedTooFar(*start, at) && !QueryClose()) {
        FPointerStarts.clear();
    }
}

void TScreenSaver::LockScreen() {
    if (!FCanLock) {
        if (ScreenSaveUsePassword()) {
            ReportNotLocked(QStringLiteral("a Wayland session lets no program hold the keyboard and the "
                                           "pointer; the compositor's own locker must lock it"));
        }
        return;
    }
    QWidget* form = OwnerForm();
    if (!TInputGrab::Available() || form == nullptr || form->windowHandle() == nullptr) {
        return;
    }
    FGrab = new TInputGrab(this);
    FGrab->Start(form->windowHandle(), [this](bool held, const QString& reason) {
        RunGuarded(this, [this, held, &reason] { GrabResult(held, reason); });
    });
}

// Without the password nothing is lost when another program keeps a grab; with it, a show that looks
// like a lock but is none must not stay.
void TScreenSaver::GrabResult(bool held, const QString& reason) {
    if (held || !ScreenSaveUsePassword()) {
        return;
    }
    ReportNotLocked(reason);
    SetApplicationExitCode(1);
    EndApplicationNow();
}

void TScreenSaver::ReportNotLocked(const QString& reason) {
    if (FOnNotLocked) {
        FOnNotLocked(this, NotLockedMessage + reason);
    }
}

void TScreenSaver::MouseTimerTimer(QObject* Sender) {
    const QPoint p = CurrentCursorPos();
    const QPoint last = FLastCursorPos;
    FLastCursorPos = p;
    if (Sender == this || !CursorMovedTooFar(last, p)) {
        return;
    }
    if (QueryClose()) {
        if (FMouseTimer != nullptr) {
            FMouseTimer->SetEnabled(false);
        }
    } else {
        // The pointer may have been used on the password prompt; measure from where it is now.
        FLastCursorPos = CurrentCursorPos();
    }
}

QPoint TScreenSaver::CurrentCursorPos() const {
    return FCursorPosSource ? FCursorPosSource() : QCursor::pos();
}

bool TScreenSaver::QueryClose() {
    // One question at a time: input that arrives while the password prompt is open does not open another.
    if (FQuerying) {
        return false;
    }
    QScopedValueRollback<bool> busy(FQuerying, true);
    bool result = true;
    if (FOnCloseQuery) {
        FOnCloseQuery(this, result);
        if (!result) {
            return false;
        }
    }
    if (FCanLock && ScreenSaveUsePassword()) {
        result = FPasswordCheck ? FPasswordCheck(OwnerForm()) : VerifyScreenSavePwd(OwnerForm());
    }
    if (result) {
        ShowCursor();
        if (QWidget* form = OwnerForm()) {
            QScopedValueRollback<bool> closing(FClosing, true);
            form->close();
        }
    }
    return result;
}

void TScreenSaver::HideCursor() {
    if (!FCursorHidden && QGuiApplication::instance() != nullptr) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        FCursorHidden = true;
    }
}

void TScreenSaver::ShowCursor() {
    if (FCursorHidden) {
        FCursorHidden = false;
        if (QGuiApplication::instance() != nullptr) {
            QGuiApplication::restoreOverrideCursor();
        }
    }
}
