#pragma once

#include "platform/Color.h"
#include "platform/WindowTimer.h"

#include <QCursor>
#include <QObject>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>

class QPainter;

// A rectangle as the drawing rules give it: left and top inclusive, right and bottom exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    TRect Inflated(int d) const { return {Left - d, Top - d, Right + d, Bottom + d}; }
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// A cursor number: 0 is the default cursor, 2001 ... 2031 the library's own cursors.
using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crFirstLibraryCursor = 2001;
constexpr TCursor crLastLibraryCursor = 2031;
constexpr TCursor crLibraryHand = 2005;

// Enters the library's cursors 2001 ... 2031 into the process-wide cursor list. Idempotent; ScreenCursor
// calls it on first use.
void RegisterLibraryCursors();
// The cursor of that number; unknown numbers give the arrow.
QCursor ScreenCursor(TCursor number);

// Property setters compare before storing: true when the field took a new value.
template <typename T> bool StoreIfDifferent(T& field, T value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

// A persistent object with update bracketing: BeginUpdate ... EndUpdate pairs may nest, and only the
// outermost EndUpdate notifies, so a batch of changes reaches OnChange once.
class TNSObject : public QObject {
    Q_OBJECT
public:
    explicit TNSObject(QObject* owner = nullptr);
    ~TNSObject() override;

    // Copies the values of another object of the same kind. This base refuses every source with
    // EConvertError.
    virtual void Assign(const QObject* Source);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

protected:
    virtual void SetUpdateState(bool Updating);
    // Calls OnChange, unless an update is in progress.
    virtual void Changed();

private:
    int FUpdateCount = 0;
    TNotifyEvent FOnChange;
};

// Throws EConvertError "Cannot assign a <source class> to a <target class>".
[[noreturn]] void RaiseAssignError(const QObject* source, const QObject* target);

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle };
using TBevelWidth = int;
using TBorderWidth = int;

// Up to five nested frames, from the outside in: a 1-pixel window-frame line (bsSingle), the outer bevel,
// a flat border, the inner bevel and a flat inner band.
class TNSBevel : public TNSObject {
    Q_OBJECT
public:
    // Indices of the colour setter.
    enum ColorIndex {
        ciBorderColor = 0,
        ciBorderSpaceColor = 1,
        ciInnerLightColor = 2,
        ciInnerShadowColor = 3,
        ciOuterLightColor = 4,
        ciOuterShadowColor = 5
    };

    explicit TNSBevel(QObject* owner = nullptr);

    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    TBevelWidth BevelInnerWidth() const { return FBevelInnerWidth; }
    void SetBevelInnerWidth(TBevelWidth value);
    TBevelWidth BevelOuterWidth() const { return FBevelOuterWidth; }
    void SetBevelOuterWidth(TBevelWidth value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TBorderWidth BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(TBorderWidth value);
    TBorderWidth BorderSpace() const { return FBorderSpace; }
    void SetBorderSpace(TBorderWidth value);

    TColor BorderColor() const { return FColors[ciBorderColor]; }
    TColor BorderSpaceColor() const { return FColors[ciBorderSpaceColor]; }
    TColor InnerLightColor() const { return FColors[ciInnerLightColor]; }
    TColor InnerShadowColor() const { return FColors[ciInnerShadowColor]; }
    TColor OuterLightColor() const { return FColors[ciOuterLightColor]; }
    TColor OuterShadowColor() const { return FColors[ciOuterShadowColor]; }
    // Index 0 ... 5 as ColorIndex; any other index stores nothing but still notifies.
    void SetColor(int Index, TColor Value);
    void SetBorderColor(TColor value) { SetColor(ciBorderColor, value); }
    void SetBorderSpaceColor(TColor value) { SetColor(ciBorderSpaceColor, value); }
    void SetInnerLightColor(TColor value) { SetColor(ciInnerLightColor, value); }
    void SetInnerShadowColor(TColor value) { SetColor(ciInnerShadowColor, value); }
    void SetOuterLightColor(TColor value) { SetColor(ciOuterLightColor, value); }
    void SetOuterShadowColor(TColor value) { SetColor(ciOuterShadowColor, value); }

    // Takes all thirteen values of another bevel with at most one notification. Assigning a bevel to
    // itself does nothing; other sources are refused.
    void Assign(const QObject* Source) override;

    // Pixels the frames take from each side; a bvSpace bevel counts although it paints nothing.
    int BevelWidth() const;
    // Paints the frames inside Rect and returns in Inner what is left. With DrawBorder false the flat
    // border is only left out, not painted.
    virtual void Draw(QPainter& Canvas, const TRect& Rect, TRect& Inner, bool DrawBorder);

private:
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvLowered;
    TBevelWidth FBevelInnerWidth = 1;
    TBevelWidth FBevelOuterWidth = 1;
    TBorderStyle FBorderStyle = bsNone;
    TBorderWidth FBorderWidth = 0;
    TBorderWidth FBorderSpace = 0;
    TColor FColors[6] = {clBtnFace, clBlack, clBtnHighlight, clBtnShadow, clBtnHighlight, clBtnShadow};
};

// Draws a 3-D frame of the given width: nested 1-pixel rectangles from the outside in, top and left edges
// in Top, bottom and right edges in Bottom (which own the top-right and bottom-left corner pixels). R
// shrinks by Width on every side; a width of 0 or less draws nothing.
void Frame3D(QPainter& canvas, TRect& r, TColor top, TColor bottom, int width);

using TKeyEvent = std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;
using TMouseEvent =
    std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>;

// A self-painting control with a bevel around its edge. It paints its whole client area (it is opaque);
// Paint runs inside the paint handler, with Canvas() the painter of the control.
class TNSCustomControl : public QWidget {
    Q_OBJECT
public:
    explicit TNSCustomControl(QWidget* parent = nullptr);
    ~TNSCustomControl() override;

    TNSBevel* Bevel() const { return FBevel; }
    // Copies the values; the control keeps its own bevel.
    void SetBevel(const TNSBevel& value) { FBevel->Assign(&value); }
    int BevelWidth() const;
    // The client rectangle shrunk by BevelWidth on every side.
    TRect InnerRect() const;
    TRect ClientRect() const { return {0, 0, width(), height()}; }

    // The fill colour. Until it is set, the control follows its parent's background colour
    // (ParentColor); without a parent it is the window colour.
    TColor Color() const;
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    // The cursor shown over the control where no other rule applies.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value);

    // Property changes made between BeginLoading and Loaded take values as they come, as when a form is
    // read; Loaded ends that state.
    bool Loading() const { return FLoading; }
    void BeginLoading() { FLoading = true; }
    virtual void Loaded();

    const TNotifyEvent& OnEnter() const { return FOnEnter; }
    void SetOnEnter(TNotifyEvent handler) { FOnEnter = std::move(handler); }
    const TNotifyEvent& OnExit() const { return FOnExit; }
    void SetOnExit(TNotifyEvent handler) { FOnExit = std::move(handler); }
    const TKeyEvent& OnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(TKeyEvent handler) { FOnKeyDown = std::move(handler); }
    const TKeyPressEvent& OnKeyPress() const { return FOnKeyPress; }
    void SetOnKeyPress(TKeyPressEvent handler) { FOnKeyPress = std::move(handler); }
    const TKeyEvent& OnKeyUp() const { return FOnKeyUp; }
    void SetOnKeyUp(TKeyEvent handler) { FOnKeyUp = std::move(handler); }
    const TMouseEvent& OnMouseDown() const { return FOnMouseDown; }
    void SetOnMouseDown(TMouseEvent handler) { FOnMouseDown = std::move(handler); }

protected:
    // Invalidates the control.
    virtual void BevelChanged();
    // Draws the bevel and fills what it leaves with Color.
    virtual void Paint();
    // Shows that cursor over the control now; crDefault is the platform's default.
    void ShowCursor(TCursor number);
    // The painter of the paint handler; null outside Paint.
    QPainter* Canvas() const { return FCanvas; }

    // The toolkit-style input operations; these bases call the events.
    virtual void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    virtual void MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y);
    virtual void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    virtual void KeyDown(int& Key, Qt::KeyboardModifiers Shift);
    virtual void KeyUp(int& Key, Qt::KeyboardModifiers Shift);
    virtual void KeyPress(QChar& Key);
    // Whether the control takes this key for itself instead of leaving it to the dialog (Escape, Enter and
    // the like go on to the parent when the control neither takes them nor clears Key in KeyDown).
    virtual bool WantsKey(int Key) const;
    virtual void DoEnter();
    virtual void DoExit();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TNSBevel* FBevel;
    QPainter* FCanvas = nullptr;
    TColor FColor = clWindow;
    bool FParentColor = true;
    TCursor FCursor = crDefault;
    bool FTabStop = false;
    bool FLoading = false;
    TNotifyEvent FOnEnter;
    TNotifyEvent FOnExit;
    TKeyEvent FOnKeyDown;
    TKeyPressEvent FOnKeyPress;
    TKeyEvent FOnKeyUp;
    TMouseEvent FOnMouseDown;
};
