#pragma once

#include "platform/WindowTimer.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWindow>

#include <cstdint>
#include <functional>
#include <initializer_list>

class QScreen;
class QWidget;
class TInputGrab;
class TPreviewHost;

// ---- The command line of a screen saver ----------------------------------------------------------------

// Hack: the show inside a window of a screen-saver daemon (xscreensaver), which owns input and locking.
enum class TScreenSaverMode { Settings, FullScreen, Preview, ChangePassword, Hack };

struct TScreenSaverCommand {
    TScreenSaverMode Mode = TScreenSaverMode::Settings;
    // The preview host, the daemon's window, or the parent of the password-change dialog; 0 in the other
    // modes.
    WId Window = 0;
    // A hack on the root window of the screen, which only the X server can name.
    bool OnRoot = false;
};

// The mode the system asks for. Only the second character of the first argument counts (so /s, -s and xs
// are alike); "C" opens the settings whatever follows, "A" and "P" need a second argument with the window,
// and everything else, no arguments aside, runs the show full screen.
//
// The hack convention of xscreensaver comes first: "-root" or "-window-id ID" as the first argument (also
// with two dashes), or the daemon's window in xscreensaverWindow (its environment variable
// XSCREENSAVER_WINDOW) on a command line that asks for no settings, preview or password change. The
// daemon's variable names the window for "-root" too; "-window-id" names its own.
TScreenSaverCommand ParseScreenSaverCommandLine(const QStringList& arguments,
                                                const QString& xscreensaverWindow = QString());

// The environment variable in which xscreensaver gives its hacks the window to draw in.
inline constexpr const char* XScreenSaverWindowVariable = "XSCREENSAVER_WINDOW";

// A window handle as the system writes it: decimal digits, or "0x" and hexadecimal digits as X11 window
// ids are usually written. Anything else, or a value beyond 32 bits, gives 0.
WId ParseWindowHandle(const QString& text);

// True when the command line makes this copy one of a daemon's hacks. A daemon starts one hack per
// monitor, so hacks run side by side where every other mode runs alone.
bool IsHackCommandLine(const QStringList& arguments, const QString& xscreensaverWindow);

// The position (index of the picture shown last) with which hack number instance starts in a list of count
// pictures, so that the hacks on several monitors do not all show the same picture: hack 0 starts where
// the stored position says, each further hack one picture later.
int SpreadHackPosition(int position, int instance, qsizetype count);

// ---- The pointer rule of the full-screen show ------------------------------------------------------------

// The pointer must move more than this many pixels along one axis between two checks to end the show.
inline constexpr int CursorMoveTolerance = 25;
inline constexpr int MouseTimerInterval = 500;

// True when the pointer moved from last to now by more than the tolerance along x or along y.
bool CursorMovedTooFar(QPoint last, QPoint now);

// ---- The component ----------------------------------------------------------------------------------------

enum TScreenSaverOption {
    ssoAutoAdjustFormProperties = 0,
    ssoAutoHookKeyboardEvents = 1,
    ssoAutoHookMouseEvents = 2,
    ssoEnhancedMouseMoveDetection = 3,
};

// A set of TScreenSaverOption, one bit per option.
class TScreenSaverOptions {
public:
    constexpr TScreenSaverOptions() = default;
    constexpr TScreenSaverOptions(std::initializer_list<TScreenSaverOption> options) {
        for (TScreenSaverOption option : options) {
            FMask |= Bit(option);
        }
    }
    static constexpr TScreenSaverOptions FromMask(std::uint32_t mask) {
        TScreenSaverOptions options;
        options.FMask = mask & AllMask;
        return options;
    }
    constexpr std::uint32_t Mask() const { return FMask; }
    constexpr bool Contains(TScreenSaverOption option) const { return (FMask & Bit(option)) != 0; }
    constexpr bool operator==(const TScreenSaverOptions&) const = default;

private:
    static constexpr std::uint32_t AllMask = 0xF;
    static constexpr std::uint32_t Bit(TScreenSaverOption option) { return 1u << unsigned(option); }
    std::uint32_t FMask = 0;
};

inline constexpr TScreenSaverOptions DefaultScreenSaverOptions{
    ssoAutoAdjustFormProperties, ssoAutoHookKeyboardEvents, ssoEnhancedMouseMoveDetection};

// The first words of the error record written when the full-screen show cannot lock the screen.
inline const QString NotLockedMessage = QStringLiteral("the screen is not locked: ");

using TNotLockedEvent = std::function<void(QObject* Sender, const QString& message)>;
using TScreenSaverPreviewEvent = std::function<void(QObject* Sender, WId previewHwnd)>;
using TCloseQueryEvent = std::function<void(QObject* Sender, bool& CanClose)>;

// Turns the form that owns it into a screen saver: Loaded() reads the command line and sets the form up
// for the mode; in full-screen mode keys and pointer end the show through QueryClose, which asks for the
// password when the user wants one. On X11 the full-screen show holds the keyboard and the pointer from
// the moment it is on the screen. Owned by its form and freed with it.
class TScreenSaver : public QObject {
    Q_OBJECT
public:
    explicit TScreenSaver(QObject* owner);
    ~TScreenSaver() override;

    TScreenSaverOptions Options() const { return FOptions; }
    void SetOptions(TScreenSaverOptions options);
    // Kept and streamed; the password check runs whatever its value.
    bool HonourWindowsPassword() const { return FHonourWindowsPassword; }
    void SetHonourWindowsPassword(bool honour);
    const QString& AboutString() const { return FAboutString; }
    void SetAboutString(const QString& text);

    const TNotifyEvent& OnPropertiesRequested() const { return FOnPropertiesRequested; }
    void SetOnPropertiesRequested(TNotifyEvent handler);
    const TNotifyEvent& OnExecute() const { return FOnExecute; }
    void SetOnExecute(TNotifyEvent handler);
    const TScreenSaverPreviewEvent& OnPreview() const { return FOnPreview; }
    void SetOnPreview(TScreenSaverPreviewEvent handler);
    const TCloseQueryEvent& OnCloseQuery() const { return FOnCloseQuery; }
    void SetOnCloseQuery(TCloseQueryEvent handler);
    // The full-screen show asks for a password but cannot keep other programs from the keyboard and
    // pointer; message is the record to write. On X11 the program then ends with exit code 1; on Wayland,
    // where no program can lock the screen, the show goes on without the password.
    const TNotLockedEvent& OnNotLocked() const { return FOnNotLocked; }
    void SetOnNotLocked(TNotLockedEvent handler);

    // The owner runs this once its components exist and before its own creation handler: picks the mode
    // from the program's command line and sets the form up for it.
    void Loaded();
    // The same with the arguments after the program name and the daemon's window variable given.
    void Loaded(const QStringList& arguments, const QString& xscreensaverWindow = QString());

    // True when the form is being closed: OnCloseQuery agreed and the password, if one is wanted, was
    // right. An error reading the password setting leaves it by an exception, without closing.
    bool QueryClose();

    TScreenSaverMode Mode() const { return FMode; }
    int MouseMoveSkip() const { return FMouseMoveSkip; }
    TTimer* MouseTimer() const { return FMouseTimer; }
    // The black windows over the screens that the full-screen show does not use.
    const QList<QWidget*>& Covers() const { return FCovers; }
    QPoint LastCursorPos() const { return FLastCursorPos; }
    // In hack mode, the number of the monitor (in the order of QGuiApplication::screens()) that holds the
    // daemon's window; 0 otherwise.
    int HackMonitor() const { return FHackMonitor; }

    // The 500 ms pointer check. Given the component itself as sender it only records the position.
    void MouseTimerTimer(QObject* Sender);

    // Where the pointer is; the screen's pointer unless replaced (tests step the rule with their own).
    void SetCursorPosSource(std::function<QPoint()> source);
    // The stand-in for the system's password dialog, given the form; true lets the form close. The
    // program's own prompt unless replaced.
    void SetPasswordCheck(std::function<bool(QWidget* form)> check);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* OwnerForm() const;
    // The form's window or one of the covers' windows: where keys and moves are watched.
    bool IsFormWindow(QObject* watched) const;
    bool IsFormOrCover(QObject* watched) const;
    void DoConfigure();
    void DoChangePassword();
    void DoPreview(WId previewHwnd);
    void DoHack(const TScreenSaverCommand& command);
    // Makes the form a borderless child of the host at the host's size, following it in size and ending
    // the program when it goes. False when the host is not a window; the program then ends at once.
    bool EmbedInHost(WId host);
    void DoExecute();
    void CoverOtherScreens(QWidget* form, const QScreen* showScreen);
    void SetCoversVisible(bool visible);
    void FormKeyPress();
    void FormMouseMove();
    // Holds keyboard and pointer once the form is on the screen (X11), or tells that it cannot.
    void LockScreen();
    void GrabResult(bool held, const QString& reason);
    void ReportNotLocked(const QString& reason);
    // Where no global pointer position can be had (Wayland), the rule of MouseTimerTimer applied to the
    // moves a window of the show receives: a move that lies more than the tolerance from the first one the
    // window saw ends the show.
    void PointerMovedIn(QObject* window, QPoint at);
    QPoint CurrentCursorPos() const;
    void HideCursor();
    void ShowCursor();

    TScreenSaverOptions FOptions = DefaultScreenSaverOptions;
    bool FHonourWindowsPassword = true;
    QString FAboutString;
    TNotifyEvent FOnPropertiesRequested;
    TNotifyEvent FOnExecute;
    TScreenSaverPreviewEvent FOnPreview;
    TCloseQueryEvent FOnCloseQuery;

    TScreenSaverMode FMode = TScreenSaverMode::Settings;
    bool FLoaded = false;
    int FMouseMoveSkip = 5;
    TTimer* FMouseTimer = nullptr;
    QPoint FLastCursorPos;
    TPreviewHost* FPreviewHost = nullptr;
    QList<QWidget*> FCovers;
    TInputGrab* FGrab = nullptr;
    TNotLockedEvent FOnNotLocked;
    bool FLockStarted = false;
    // False on Wayland, where no client can hold the screen: no password is asked for a show that is no
    // lock.
    bool FCanLock = true;
    bool FPointerFromEvents = false;
    QHash<QObject*, QPoint> FPointerStarts;
    int FHackMonitor = 0;

    bool FHookKeys = false;
    bool FHookMouse = false;
    bool FGuardClose = false;
    bool FClosing = false;
    bool FQuerying = false;
    bool FCursorHidden = false;
    std::function<QPoint()> FCursorPosSource;
    std::function<bool(QWidget*)> FPasswordCheck;
};
