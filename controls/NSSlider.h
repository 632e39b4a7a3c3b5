#pragma once

#include "controls/NSBCache.h"
#include "controls/NSObj.h"
#include "controls/NSScale.h"
#include "platform/Bitmap.h"
#include "platform/Color.h"
#include "platform/WindowTimer.h"

#include <QWidget>

#include <cstdint>
#include <functional>

enum TNSFocusAction { faNone, faFocusThumb, faFocusRect, faFocusColor, faAll };
enum TNSOrientation { orVertical, orHorizontal };
enum TNSThumbStyle { tsRect, tsOwnerDraw };
enum TNSGrooveStyle { gsRect, gsOwnerDraw };
enum TNSScalePos { spAboveOrLeft, spBelowOrRight, spBoth };

using TNSThumbDrawEvent =
    std::function<void(QObject* Sender, QPainter* aCanvas, TRect aRect, bool Dragged, bool Focused)>;
// The handler may shrink aRect to the groove's inner area, which is then filled.
using TNSGrooveDrawEvent = std::function<void(QObject* Sender, QPainter* aCanvas, TRect& aRect)>;

// A track bar drawn by itself: a groove with a rectangular thumb inside a bevel, optional pictures at both
// ends and a tick scale on one or both sides, worked by mouse and keyboard. Position relates to the
// thumb's travel linearly or, with Logarithmic, over Sensitivity decibels. The orientation follows the
// size: horizontal when the control is at least as wide as high.
//
// Every paint draws the whole control into an off-screen bitmap shared with the sliders of the same size,
// then copies it out once. Value changes that leave the thumb where it is do not repaint.
class TNSCustomSlider : public TNSCustomControl {
    Q_OBJECT
public:
    // Indices of the colour setter.
    enum ColorIndex { ciFocusColor = 0, ciGrooveColor = 1, ciThumbColor = 2, ciDisabledColor = 3 };

    explicit TNSCustomSlider(QWidget* parent = nullptr);
    ~TNSCustomSlider() override;

    // Frame of the groove; setting copies the values.
    TNSBevel* Groove() const { return FGroove; }
    void SetGroove(const TNSBevel& value) { FGroove->Assign(&value); }
    // The tick scale; setting copies the values.
    TNSScale* Scale() const { return FScale; }
    void SetScale(const TNSScale& value) { FScale->Assign(&value); }
    // Pictures at the start (left or top) and the end (right or bottom) of the track, drawn without the
    // colour of their bottom-left pixel; setting copies. Changing them in place repaints the slider too.
    TBitmap& PicLeft() { return FPicLeft; }
    void SetPicLeft(const TBitmap& value) { FPicLeft.Assign(value); }
    TBitmap& PicRight() { return FPicRight; }
    void SetPicRight(const TBitmap& value) { FPicRight.Assign(value); }

    TNSFocusAction FocusAction() const { return FFocusAction; }
    void SetFocusAction(TNSFocusAction value);
    TColor FocusColor() const { return FColors[ciFocusColor]; }
    TColor GrooveColor() const { return FColors[ciGrooveColor]; }
    TColor ThumbColor() const { return FColors[ciThumbColor]; }
    TColor DisabledColor() const { return FColors[ciDisabledColor]; }
    // Index 0 ... 3 as ColorIndex; other indices change nothing.
    void SetIndexedColor(int Index, TColor Value);
    void SetFocusColor(TColor value) { SetIndexedColor(ciFocusColor, value); }
    void SetGrooveColor(TColor value) { SetIndexedColor(ciGrooveColor, value); }
    void SetThumbColor(TColor value) { SetIndexedColor(ciThumbColor, value); }
    void SetDisabledColor(TColor value) { SetIndexedColor(ciDisabledColor, value); }
    bool ThumbBorder() const { return FThumbBorder; }
    void SetThumbBorder(bool value);
    // Over the thumb: the library's hand cursor when HandCursor is set, else ThumbCursor.
    bool HandCursor() const { return FHandCursor; }
    void SetHandCursor(bool value) { FHandCursor = value; }
    TCursor ThumbCursor() const { return FThumbCursor; }
    void SetThumbCursor(TCursor value) { FThumbCursor = value; }

    int MinValue() const { return FMinValue; }
    void SetMinValue(int value);
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int value);
    int LineSize() const { return FLineSize; }
    void SetLineSize(int value) { FLineSize = value; }
    int PageSize() const { return FPageSize; }
    void SetPageSize(int value) { FPageSize = value; }
    TNSOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TNSOrientation value);
    // The value, through the logarithmic mapping when Logarithmic is set.
    int Position() const;
    void SetPosition(int value);
    bool Logarithmic() const { return FLogarithmic; }
    void SetLogarithmic(bool value);
    // Decibels spanned by the logarithmic travel, kept in -96 ... -20.
    int Sensitivity() const { return FSensitivity; }
    void SetSensitivity(int value);

    std::uint8_t GrooveSize() const { return FGrooveSize; }
    void SetGrooveSize(std::uint8_t value);
    std::uint8_t ThumbWidth() const { return FThumbWidth; }
    void SetThumbWidth(std::uint8_t value);
    std::uint8_t ThumbHeight() const { return FThumbHeight; }
    void SetThumbHeight(std::uint8_t value);
    TNSThumbStyle ThumbStyle() const { return FThumbStyle; }
    void SetThumbStyle(TNSThumbStyle value);
    TNSGrooveStyle GrooveStyle() const { return FGrooveStyle; }
    void SetGrooveStyle(TNSGrooveStyle value);
    int ScaleDistance() const { return FScaleDistance; }
    void SetScaleDistance(int value);
    TNSScalePos ScalePosition() const { return FScalePosition; }
    void SetScalePosition(TNSScalePos value);

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }
    const TNotifyEvent& OnTrack() const { return FOnTrack; }
    void SetOnTrack(TNotifyEvent handler) { FOnTrack = std::move(handler); }
    const TNotifyEvent& OnTrackEnd() const { return FOnTrackEnd; }
    void SetOnTrackEnd(TNotifyEvent handler) { FOnTrackEnd = std::move(handler); }
    const TNSThumbDrawEvent& OnDrawThumb() const { return FOnDrawThumb; }
    void SetOnDrawThumb(TNSThumbDrawEvent handler) { FOnDrawThumb = std::move(handler); }
    const TNSGrooveDrawEvent& OnDrawGroove() const { return FOnDrawGroove; }
    void SetOnDrawGroove(TNSGrooveDrawEvent handler) { FOnDrawGroove = std::move(handler); }

    // The stored value, unmapped; within MinValue ... MaxValue after any change at run time.
    int Value() const { return FValue; }
    // Where the thumb was last painted, in client coordinates.
    TRect ThumbRect() const { return FThumbRect; }
    // The track area: the inner rectangle less the pictures.
    TRect TrackArea() const;
    bool Grabbed() const { return FGrabbed; }
    bool Tracking() const { return FTracking; }
    bool BlinkPhase() const { return FBlinkPhase; }
    // The off-screen bitmap, shared through TBitmapCache; null until the control has a size.
    const TBitmap* OffscreenBitmap() const { return FBitmap; }

    // The one blink timer of all sliders and the slider it blinks; null while none runs.
    static TTimer* BlinkTimer();
    static TNSCustomSlider* BlinkTimerOwner();

    void Loaded() override;

protected:
    virtual void Change();
    virtual void Track();
    virtual void TrackEnd();
    virtual void DrawThumb(QPainter& canvas, const TRect& rect);
    virtual void DrawGroove(QPainter& canvas, TRect& rect);

    void Paint() override;
    void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) override;
    void MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y) override;
    void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) override;
    void KeyDown(int& Key, Qt::KeyboardModifiers Shift) override;
    void KeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    bool WantsKey(int Key) const override;
    void DoEnter() override;
    void DoExit() override;

    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool SetValue(int value);
    void SetBounds(int minValue, int maxValue);
    int ClampValue(std::int64_t value) const;
    std::int64_t Range() const;
    TRect ThumbRectFor(const TRect& area, int value) const;
    int ValueAtPoint(int x, int y) const;
    int MapPositionToValue(int position) const;
    int MapValueToPosition(int value) const;
    bool ScaleShown() const;
    void UpdateBitmap();
    void UpdateOrientationFromSize();
    void RunBlink(bool start);
    void BlinkTick();
    void ShowThumbCursor();
    void PaintPictures(QPainter& canvas, TRect& area);
    void PaintGroove(QPainter& canvas, const TRect& area);
    void PaintScale(QPainter& canvas, const TRect& groove);
    void PaintFocusRect(const TRect& area);
    void PaintThumb(QPainter& canvas, const TRect& rect);

    TNSBevel* FGroove;
    TNSScale* FScale;
    TBitmap FPicLeft;
    TBitmap FPicRight;
    TBitmap* FBitmap = nullptr;

    TNSFocusAction FFocusAction = faFocusRect;
    TColor FColors[4] = {clActiveCaption, clBtnFace, clBtnFace, clWhite};
    bool FThumbBorder = true;
    bool FHandCursor = false;
    TCursor FThumbCursor = crDefault;
    int FMinValue = 0;
    int FMaxValue = 10;
    int FLineSize = 1;
    int FPageSize = 5;
    TNSOrientation FOrientation = orHorizontal;
    int FValue = 0;
    bool FLogarithmic = false;
    int FSensitivity = -24;
    std::uint8_t FGrooveSize = 3;
    std::uint8_t FThumbWidth = 11;
    std::uint8_t FThumbHeight = 23;
    int FHalfThumbWidth = 5;
    int FHalfThumbHeight = 11;
    TNSThumbStyle FThumbStyle = tsRect;
    TNSGrooveStyle FGrooveStyle = gsRect;
    int FScaleDistance = 10;
    TNSScalePos FScalePosition = spBelowOrRight;

    TRect FThumbRect;
    bool FGrabbed = false;
    int FDragOrigin = 0;
    int FDragValue = 0;
    bool FTracking = false;
    bool FBlinkPhase = false;

    TNotifyEvent FOnChange;
    TNotifyEvent FOnTrack;
    TNotifyEvent FOnTrackEnd;
    TNSThumbDrawEvent FOnDrawThumb;
    TNSGrooveDrawEvent FOnDrawGroove;
};

// The slider with everything published; the settings dialog's interval and speed sliders.
class TNSSlider : public TNSCustomSlider {
    Q_OBJECT
public:
    explicit TNSSlider(QWidget* parent = nullptr);
};
