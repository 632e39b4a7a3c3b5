#include "controls/NSSlider.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// One blink timer serves all sliders: only the focused one blinks. It belongs to the slider it ticks for,
// which frees it when it stops blinking or goes away.
TTimer* blinkTimer = nullptr;
TNSCustomSlider* blinkOwner = nullptr;

// Rounds halves to even and limits the result to lo ... hi (raised to lo first, then lowered to hi), in
// floating point, so that no out-of-range double is ever converted.
int RoundLimited(double value, double lo, double hi) {
    double r = std::nearbyint(value);
    if (std::isnan(r)) {
        r = lo;
    }
    r = std::max(r, lo);
    r = std::min(r, hi);
    return int(r);
}

int Saturate(std::int64_t value) {
    return int(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// A copy of a picture with every pixel of its bottom-left pixel's colour made transparent.
QImage TransparentImage(TBitmap& picture) {
    QImage image = picture.Image().convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] == transparent) {
                row[x] = 0;
            }
        }
    }
    return image;
}

} // namespace

TNSCustomSlider::TNSCustomSlider(QWidget* parent)
    : TNSCustomControl(parent), FGroove(new TNSBevel(this)), FScale(new TNSScale(this)) {
    resize(200, 40);
    SetTabStop(true);
    setMouseTracking(true);
    Bevel()->SetBorderWidth(5);
    FGroove->SetOnChange([this](QObject*) { update(); });
    FScale->SetVisible(false);
    FScale->SetOrigin(soOuter);
    FScale->SetConnect(true);
    FScale->SetOnChange([this](QObject*) { update(); });
    FPicLeft.OnChange = [this] { update(); };
    FPicRight.OnChange = [this] { update(); };
}

TNSCustomSlider::~TNSCustomSlider() {
    FGroove->SetOnChange(nullptr);
    TBitmapCache::Release(FBitmap);
    if (blinkOwner == this) {
        delete blinkTimer;
        blinkTimer = nullptr;
        blinkOwner = nullptr;
    }
    FScale->SetOnChange(nullptr);
    FPicLeft.OnChange = nullptr;
    FPicRight.OnChange = nullptr;
}

TTimer* TNSCustomSlider::BlinkTimer() {
    return blinkTimer;
}

TNSCustomSlider* TNSCustomSlider::BlinkTimerOwner() {
    return blinkOwner;
}

// ---------------------------------------------------------------------------------------------------------
// Values

std::int64_t TNSCustomSlider::Range() const {
    return std::int64_t(FMaxValue) - FMinValue;
}

int TNSCustomSlider::ClampValue(std::int64_t value) const {
    value = std::max<std::int64_t>(value, FMinValue);
    value = std::min<std::int64_t>(value, FMaxValue);
    return int(value);
}

int TNSCustomSlider::Position() const {
    const int v = ClampValue(FValue);
    if (!FLogarithmic || v == 0) {
        return v;
    }
    return MapValueToPosition(v);
}

void TNSCustomSlider::SetPosition(int value) {
    if (FLogarithmic && value != 0) {
        value = MapPositionToValue(value);
    }
    SetValue(value);
}

// The full travel spans D = -Sensitivity decibels below Position = range.
int TNSCustomSlider::MapPositionToValue(int position) const {
    const double range = double(Range());
    if (position < 0 || range <= 0) {
        // A negative position has no logarithm; it lies below every level the travel shows.
        return FMinValue;
    }
    const double d = -FSensitivity;
    const float f = float(20.0 * std::log10(position / range) + d);
    return RoundLimited(range * f / d, FMinValue, FMaxValue);
}

int TNSCustomSlider::MapValueToPosition(int value) const {
    const double range = double(Range());
    if (range <= 0) {
        return value;
    }
    const double d = -FSensitivity;
    const float p = float(range * std::pow(10.0, (value * d / range - d) / 20.0));
    return RoundLimited(p, FMinValue, FMaxValue);
}

bool TNSCustomSlider::SetValue(int value) {
    if (value == FValue) {
        return false;
    }
    FValue = ClampValue(value);
    if (Loading()) {
        repaint();
        return true;
    }
    if (ThumbRectFor(TrackArea(), FValue) != FThumbRect) {
        repaint();
    }
    Change();
    return true;
}

void TNSCustomSlider::SetBounds(int minValue, int maxValue) {
    if (minValue == FMinValue && maxValue == FMaxValue) {
        return;
    }
    FMinValue = minValue;
    FMaxValue = maxValue;
    if (!Loading() && FMaxValue <= FMinValue) {
        // The maximum must lie above the minimum; at the top of the integers the minimum gives way.
        FMinValue = std::min(FMinValue, INT_MAX - 1);
        FMaxValue = FMinValue + 1;
    }
    SetPosition(ClampValue(Position()));
    update();
}

void TNSCustomSlider::SetMinValue(int value) {
    SetBounds(value, FMaxValue);
}

void TNSCustomSlider::SetMaxValue(int value) {
    SetBounds(FMinValue, value);
}

void TNSCustomSlider::SetSensitivity(int value) {
    value = std::clamp(value, -96, -20);
    if (value == FSensitivity) {
        return;
    }
    const int position = Position();
    FSensitivity = value;
    SetPosition(position);
}

void TNSCustomSlider::SetLogarithmic(bool value) {
    if (value == FLogarithmic) {
        return;
    }
    const int position = Position();
    FLogarithmic = value;
    SetPosition(position);
}

void TNSCustomSlider::Change() {
    if (!Loading() && FOnChange) {
        FOnChange(this);
    }
}

void TNSCustomSlider::Track() {
    FTracking = true;
    if (FOnTrack) {
        FOnTrack(this);
    }
}

void TNSCustomSlider::TrackEnd() {
    if (!FTracking) {
        return;
    }
    if (FOnTrackEnd) {
        FOnTrackEnd(this);
    }
    FTracking = false;
}

// ---------------------------------------------------------------------------------------------------------
// Appearance properties

void TNSCustomSlider::SetFocusAction(TNSFocusAction value) {
    if (StoreIfDifferent(FFocusAction, value)) {
        RunBlink(isEnabled());
        update();
    }
}

void TNSCustomSlider::SetIndexedColor(int Index, TColor Value) {
    if (Index < 0 || Index > 3) {
        return;
    }
    if (StoreIfDifferent(FColors[Index], Value)) {
        update();
    }
}

void TNSCustomSlider::SetThumbBorder(bool value) {
    if (StoreIfDifferent(FThumbBorder, value)) {
        update();
    }
}

void TNSCustomSlider::SetOrientation(TNSOrientation value) {
    if (StoreIfDifferent(FOrientation, value)) {
        update();
    }
}

void TNSCustomSlider::SetGrooveSize(std::uint8_t value) {
    FGrooveSize = value;
    update();
}

void TNSCustomSlider::SetThumbWidth(std::uint8_t value) {
    if (StoreIfDifferent(FThumbWidth, value)) {
        FHalfThumbWidth = FThumbWidth / 2;
        FHalfThumbHeight = FThumbHeight / 2;
        update();
    }
}

void TNSCustomSlider::SetThumbHeight(std::uint8_t value) {
    if (StoreIfDifferent(FThumbHeight, value)) {
        FHalfThumbWidth = FThumbWidth / 2;
        FHalfThumbHeight = FThumbHeight / 2;
        update();
    }
}

void TNSCustomSlider::SetThumbStyle(TNSThumbStyle value) {
    if (StoreIfDifferent(FThumbStyle, value)) {
        update();
    }
}

void TNSCustomSlider::SetGrooveStyle(TNSGrooveStyle value) {
    if (StoreIfDifferent(FGrooveStyle, value)) {
        update();
    }
}

void TNSCustomSlider::SetScaleDistance(int value) {
    if (StoreIfDifferent(FScaleDistance, value)) {
        update();
    }
}

void TNSCustomSlider::SetScalePosition(TNSScalePos value) {
    if (StoreIfDifferent(FScalePosition, value)) {
        update();
    }
}

// ---------------------------------------------------------------------------------------------------------
// Geometry

bool TNSCustomSlider::ScaleShown() const {
    return FScale->Visible();
}

TRect TNSCustomSlider::TrackArea() const {
    TRect area = InnerRect();
    if (FOrientation == orHorizontal) {
        if (!FPicLeft.Empty()) {
            area.Left += FPicLeft.Width();
        }
        if (!FPicRight.Empty()) {
            area.Right -= FPicRight.Width();
        }
    } else {
        if (!FPicLeft.Empty()) {
            area.Top += FPicLeft.Height();
        }
        if (!FPicRight.Empty()) {
            area.Bottom -= FPicRight.Height();
        }
    }
    return area;
}

TRect TNSCustomSlider::ThumbRectFor(const TRect& area, int value) const {
    const std::int64_t range = Range();
    const bool horizontal = FOrientation == orHorizontal;
    const int travel = horizontal ? area.Width() - FThumbWidth : area.Height() - FThumbHeight;
    const double offset =
        range > 0 ? double(std::int64_t(value) - FMinValue) * (double(travel) / double(range)) : 0;
    const int along = RoundLimited(offset, 0, travel);
    const bool below = ScaleShown() && FScalePosition == spBelowOrRight;
    const bool above = ScaleShown() && FScalePosition == spAboveOrLeft;
    int left;
    int top;
    if (horizontal) {
        left = area.Left + along;
        top = below   ? area.Top
              : above ? area.Bottom - FThumbHeight
                      : area.Top + area.Height() / 2 - FHalfThumbHeight;
    } else {
        // The value grows upwards.
        top = area.Top + std::min(std::max(area.Height() - along - FThumbHeight, 0), travel);
        left = below   ? area.Left
               : above ? area.Right - FThumbWidth
                       : area.Left + area.Width() / 2 - FHalfThumbWidth;
    }
    return {left, top, left + FThumbWidth, top + FThumbHeight};
}

int TNSCustomSlider::ValueAtPoint(int x, int y) const {
    const TRect area = TrackArea();
    double fraction;
    if (FOrientation == orHorizontal) {
        const int travel = area.Width() - FThumbWidth;
        if (travel <= 0) {
            return FValue;
        }
        fraction = double(x - area.Left - FHalfThumbWidth) / travel;
    } else {
        const int h = area.Height() - FThumbHeight;
        if (h <= 0) {
            return FValue;
        }
        const int t = y - area.Top - FHalfThumbHeight;
        fraction = double(h - t) / h;
    }
    return RoundLimited(fraction * double(Range()) + FMinValue, FMinValue, FMaxValue);
}

// ---------------------------------------------------------------------------------------------------------
// Size, loading, enabled state

void TNSCustomSlider::UpdateOrientationFromSize() {
    SetOrientation(width() >= height() ? orHorizontal : orVertical);
}

void TNSCustomSlider::UpdateBitmap() {
    if (Loading()) {
        return;
    }
    TBitmapCache::Release(FBitmap);
    FBitmap = TBitmapCache::Acquire(width(), height());
    update();
}

void TNSCustomSlider::Loaded() {
    TNSCustomControl::Loaded();
    UpdateBitmap();
}

void TNSCustomSlider::resizeEvent(QResizeEvent* event) {
    TNSCustomControl::resizeEvent(event);
    UpdateOrientationFromSize();
    UpdateBitmap();
}

void TNSCustomSlider::showEvent(QShowEvent* event) {
    TNSCustomControl::showEvent(event);
    if (!FBitmap) {
        UpdateOrientationFromSize();
        UpdateBitmap();
    }
}

void TNSCustomSlider::changeEvent(QEvent* event) {
    TNSCustomControl::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        repaint();
    }
}

// ---------------------------------------------------------------------------------------------------------
// Keyboard and mouse

bool TNSCustomSlider::WantsKey(int Key) const {
    switch (Key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return false;
    }
}

void TNSCustomSlider::KeyDown(int& Key, Qt::KeyboardModifiers Shift) {
    const std::int64_t v = FValue;
    const bool vertical = FOrientation == orVertical;
    std::int64_t next = v;
    switch (Key) {
    case Qt::Key_PageUp:
        next = std::min<std::int64_t>(v + FPageSize, FMaxValue);
        break;
    case Qt::Key_PageDown:
        next = std::max<std::int64_t>(v - FPageSize, FMinValue);
        break;
    case Qt::Key_End:
        next = vertical ? FMinValue : FMaxValue;
        break;
    case Qt::Key_Home:
        next = vertical ? FMaxValue : FMinValue;
        break;
    case Qt::Key_Up:
    case Qt::Key_Right:
        next = v < FMaxValue ? v + FLineSize : v;
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        next = v > FMinValue ? v - FLineSize : v;
        break;
    default:
        break;
    }
    if (WantsKey(Key) && SetValue(Saturate(next))) {
        Track();
    }
    TNSCustomControl::KeyDown(Key, Shift);
}

void TNSCustomSlider::KeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    TrackEnd();
    TNSCustomControl::KeyUp(Key, Shift);
}

void TNSCustomSlider::ShowThumbCursor() {
    ShowCursor(FHandCursor ? crLibraryHand : FThumbCursor);
}

void TNSCustomSlider::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) {
    setFocus(Qt::MouseFocusReason);
    if (FThumbRect.Contains(X, Y)) {
        if (Button == Qt::LeftButton) {
            FGrabbed = true;
        }
        ShowThumbCursor();
    }
    if (Button == Qt::LeftButton) {
        FDragOrigin = FOrientation == orHorizontal ? X : Y;
        FDragValue = FValue;
        if (!FGrabbed && !SetValue(ValueAtPoint(X, Y))) {
            update();
        }
        Track();
    }
    TNSCustomControl::MouseDown(Button, Shift, X, Y);
}

void TNSCustomSlider::MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y) {
    if (!FGrabbed) {
        if (FThumbRect.Contains(X, Y)) {
            ShowThumbCursor();
        } else {
            ShowCursor(Cursor());
        }
    }
    if ((Buttons & Qt::LeftButton) && FGrabbed) {
        const TRect area = TrackArea();
        const bool horizontal = FOrientation == orHorizontal;
        const int travel = horizontal ? area.Width() - FThumbWidth : area.Height() - FThumbHeight;
        if (travel > 0) {
            // In 64 bits: a wide range times a long way would overflow 32 and send the thumb the other way.
            const std::int64_t moved =
                horizontal ? std::int64_t(X) - FDragOrigin : std::int64_t(FDragOrigin) - Y;
            const double delta = std::nearbyint(double(moved * Range()) / travel);
            const int value = RoundLimited(double(FDragValue) + delta, FMinValue, FMaxValue);
            if (SetValue(value)) {
                Track();
            }
        }
    }
    TNSCustomControl::MouseMove(Buttons, Shift, X, Y);
}

void TNSCustomSlider::MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) {
    if (Button == Qt::LeftButton) {
        FGrabbed = false;
        update();
        TrackEnd();
    }
    TNSCustomControl::MouseUp(Button, Shift, X, Y);
}

// ---------------------------------------------------------------------------------------------------------
// Focus and blinking

void TNSCustomSlider::DoEnter() {
    TNSCustomControl::DoEnter();
    if (FFocusAction != faNone) {
        RunBlink(true);
        update();
    }
}

void TNSCustomSlider::DoExit() {
    TNSCustomControl::DoExit();
    if (FFocusAction != faNone) {
        RunBlink(false);
        update();
    }
}

void TNSCustomSlider::RunBlink(bool start) {
    if (blinkTimer && blinkOwner == this) {
        delete blinkTimer;
        blinkTimer = nullptr;
        blinkOwner = nullptr;
        FBlinkPhase = false;
    }
    if (!start || !hasFocus() || (FFocusAction != faFocusThumb && FFocusAction != faAll)) {
        return;
    }
    if (!blinkTimer) {
        blinkTimer = new TTimer;
    } else if (blinkOwner) {
        // The timer moves to this slider; the one it leaves must not keep its dots, nor free the timer
        // that now ticks for another.
        blinkOwner->FBlinkPhase = false;
        blinkOwner->update();
    }
    blinkOwner = this;
    blinkTimer->SetOnTimer([this](QObject*) { BlinkTick(); });
    blinkTimer->SetInterval(500);
    blinkTimer->SetEnabled(true);
}

void TNSCustomSlider::BlinkTick() {
    if (FGrabbed) {
        FBlinkPhase = true;
        return;
    }
    FBlinkPhase = !FBlinkPhase;
    update();
}

// ---------------------------------------------------------------------------------------------------------
// Painting

void TNSCustomSlider::Paint() {
    if (!FBitmap || FBitmap->Width() != width() || FBitmap->Height() != height()) {
        return;
    }
    if (FBitmap->Empty()) {
        return;
    }
    QImage image = FBitmap->Image();
    {
        QPainter canvas(&image);
        TRect area;
        Bevel()->Draw(canvas, ClientRect(), area, true);
        canvas.fillRect(area.ToQRect(), ToQColor(Color()));
        PaintPictures(canvas, area);
        FThumbRect = ThumbRectFor(area, FValue);
        PaintGroove(canvas, area);
        if (FThumbStyle == tsRect) {
            PaintThumb(canvas, FThumbRect);
        } else {
            DrawThumb(canvas, FThumbRect);
        }
    }
    Canvas()->drawImage(0, 0, image);
}

void TNSCustomSlider::PaintPictures(QPainter& canvas, TRect& area) {
    const bool horizontal = FOrientation == orHorizontal;
    int centre;
    if (horizontal) {
        centre = area.Top + area.Height() / 2;
        if (ScaleShown() && FScalePosition == spAboveOrLeft) {
            centre = area.Bottom - FThumbHeight / 2;
        } else if (ScaleShown() && FScalePosition == spBelowOrRight) {
            centre = area.Top + FThumbHeight / 2;
        }
    } else {
        centre = area.Left + area.Width() / 2;
        if (ScaleShown() && FScalePosition == spAboveOrLeft) {
            centre = area.Right - FThumbWidth / 2;
        } else if (ScaleShown() && FScalePosition == spBelowOrRight) {
            centre = area.Left + FThumbWidth / 2;
        }
    }
    if (!FPicLeft.Empty()) {
        const QImage picture = TransparentImage(FPicLeft);
        if (horizontal) {
            canvas.drawImage(area.Left, centre - picture.height() / 2, picture);
            area.Left += picture.width();
        } else {
            canvas.drawImage(centre - picture.width() / 2, area.Top, picture);
            area.Top += picture.height();
        }
    }
    if (!FPicRight.Empty()) {
        const QImage picture = TransparentImage(FPicRight);
        if (horizontal) {
            area.Right -= picture.width();
            canvas.drawImage(area.Right, centre - picture.height() / 2, picture);
        } else {
            area.Bottom -= picture.height();
            canvas.drawImage(centre - picture.width() / 2, area.Bottom, picture);
        }
    }
}

void TNSCustomSlider::PaintGroove(QPainter& canvas, const TRect& area) {
    const int gb = FGroove->BevelWidth();
    const int thickness = 2 * gb + FGrooveSize;
    const bool below = ScaleShown() && FScalePosition == spBelowOrRight;
    const bool above = ScaleShown() && FScalePosition == spAboveOrLeft;
    TRect groove;
    if (FOrientation == orHorizontal) {
        const int top = below   ? area.Top + FHalfThumbHeight - gb - FGrooveSize / 2
                        : above ? area.Bottom - FHalfThumbHeight - gb - FGrooveSize / 2 - 1
                                : area.Top + area.Height() / 2 - gb - FGrooveSize / 2;
        groove = {area.Left, top, area.Right, top + thickness};
    } else {
        const int left = below   ? area.Left + FHalfThumbWidth - gb - FGrooveSize / 2
                         : above ? area.Right - FHalfThumbWidth - gb - FGrooveSize / 2 - 1
                                 : area.Left + area.Width() / 2 - gb - FGrooveSize / 2;
        groove = {left, area.Top, left + thickness, area.Bottom};
    }

    if (ScaleShown()) {
        PaintScale(canvas, groove);
    }
    TRect inner;
    if (FGrooveStyle == gsRect) {
        FGroove->Draw(canvas, groove, inner, true);
    } else {
        inner = {groove.Left, groove.Top + gb, groove.Right, groove.Bottom - gb};
        DrawGroove(canvas, inner);
    }
    TColor brush = GrooveColor();
    if (hasFocus()) {
        if (FFocusAction == faFocusRect || FFocusAction == faAll) {
            const bool grow =
                (Bevel()->BorderWidth() > 0 && Bevel()->BevelInner() == bvNone) || Bevel()->BorderSpace() > 0;
            PaintFocusRect(grow ? area.Inflated(1) : area);
        }
        if (FFocusAction == faFocusColor || FFocusAction == faAll) {
            brush = FocusColor();
        }
    }
    canvas.fillRect(inner.ToQRect(), ToQColor(brush));
}

void TNSCustomSlider::PaintScale(QPainter& canvas, const TRect& g) {
    const int w = FScale->Width();
    const int d = FScaleDistance;
    const bool before = FScalePosition == spAboveOrLeft || FScalePosition == spBoth;
    const bool after = FScalePosition == spBelowOrRight || FScalePosition == spBoth;
    FScale->SetCanvas(&canvas);
    struct CanvasReset {
        TNSScale* Scale;
        ~CanvasReset() { Scale->SetCanvas(nullptr); }
    } reset{FScale};
    if (FOrientation == orHorizontal) {
        if (before) {
            FScale->Draw(
                {g.Left + FHalfThumbWidth, g.Top - w - d - 1, g.Right - FHalfThumbWidth, g.Top - d - 1},
                true);
        }
        if (after) {
            FScale->Draw(
                {g.Left + FHalfThumbWidth, g.Bottom + d + 1, g.Right - FHalfThumbWidth, g.Bottom + w + d + 1},
                false);
        }
    } else {
        if (before) {
            FScale->Draw({g.Left - w - d, g.Top + FHalfThumbHeight, g.Left - d, g.Bottom - FHalfThumbHeight},
                         true);
        }
        if (after) {
            FScale->Draw(
                {g.Right + d, g.Top + FHalfThumbHeight, g.Right + w + d, g.Bottom - FHalfThumbHeight}, false);
        }
    }
}

// A dotted rectangle: every other pixel of the outline inverted, so it shows on any background.
void TNSCustomSlider::PaintFocusRect(const TRect& r) {
    const auto invert = [this](int x, int y) {
        if (x < 0 || y < 0 || x >= FBitmap->Width() || y >= FBitmap->Height() || ((x ^ y) & 1) != 0) {
            return;
        }
        std::uint8_t* pixel = FBitmap->ScanLine(y) + 3 * x;
        pixel[0] = std::uint8_t(~pixel[0]);
        pixel[1] = std::uint8_t(~pixel[1]);
        pixel[2] = std::uint8_t(~pixel[2]);
    };
    if (r.Width() <= 0 || r.Height() <= 0) {
        return;
    }
    for (int x = r.Left; x < r.Right; ++x) {
        invert(x, r.Top);
        if (r.Bottom - 1 != r.Top) {
            invert(x, r.Bottom - 1);
        }
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        invert(r.Left, y);
        if (r.Right - 1 != r.Left) {
            invert(r.Right - 1, y);
        }
    }
}

void TNSCustomSlider::PaintThumb(QPainter& canvas, const TRect& rect) {
    TRect r = rect;
    const QColor frame = ToQColor(clWindowFrame);
    if (FThumbBorder) {
        Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
    } else {
        canvas.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), frame);
        canvas.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), frame);
        --r.Right;
        --r.Bottom;
    }
    const TRect raised = r;
    Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
    if (raised.Width() > 0 && raised.Height() > 0) {
        const QColor light = ToQColor(clBtnHighlight);
        canvas.fillRect(QRect(raised.Right - 1, raised.Top, 1, 1), light);
        canvas.fillRect(QRect(raised.Left, raised.Bottom - 1, 1, 1), light);
    }
    canvas.fillRect(r.ToQRect(), ToQColor(ThumbColor()));
    if (!isEnabled() || FBlinkPhase) {
        const QColor dot = isEnabled() ? QColor(Qt::black) : ToQColor(DisabledColor());
        for (int y = r.Top; y < r.Bottom; ++y) {
            for (int x = r.Left + ((r.Left ^ y) & 1); x < r.Right; x += 2) {
                canvas.fillRect(QRect(x, y, 1, 1), dot);
            }
        }
    }
}

void TNSCustomSlider::DrawThumb(QPainter& canvas, const TRect& rect) {
    if (FOnDrawThumb) {
        FOnDrawThumb(this, &canvas, rect, FGrabbed, FBlinkPhase);
    }
}

void TNSCustomSlider::DrawGroove(QPainter& canvas, TRect& rect) {
    if (FOnDrawGroove) {
        FOnDrawGroove(this, &canvas, rect);
    }
}

// ---------------------------------------------------------------------------------------------------------

TNSSlider::TNSSlider(QWidget* parent) : TNSCustomSlider(parent) {}
