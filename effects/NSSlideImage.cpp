#include "effects/NSSlideImage.h"

#include "platform/Fit.h"
#include "platform/Random.h"
#include "platform/Resample.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr int StripWidth = 8;

bool BitAt(const std::uint8_t* row, int x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void PutBit(std::uint8_t* row, int x, bool on) {
    const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
    row[x >> 3] = on ? std::uint8_t(row[x >> 3] | mask) : std::uint8_t(row[x >> 3] & ~mask);
}

// The rule by which a 24-bit pixel becomes black or white in a 1-bit bitmap, the bitmap type's own.
bool IsLight(const std::uint8_t* bgr) {
    return (299 * bgr[2] + 587 * bgr[1] + 114 * bgr[0]) / 1000 >= 128;
}

// One row of pixels from..to between rows of any two pixel formats.
void CopyPixels(const std::uint8_t* from, TPixelFormat fromFormat, std::uint8_t* to, TPixelFormat toFormat,
                int x, int count) {
    if (fromFormat == TPixelFormat::pf24bit && toFormat == TPixelFormat::pf24bit) {
        std::memcpy(to + std::size_t(x) * 3, from + std::size_t(x) * 3, std::size_t(count) * 3);
        return;
    }
    for (int i = x; i < x + count; ++i) {
        if (fromFormat == TPixelFormat::pf1bit && toFormat == TPixelFormat::pf1bit) {
            PutBit(to, i, BitAt(from, i));
        } else if (fromFormat == TPixelFormat::pf1bit) {
            std::memset(to + std::size_t(i) * 3, BitAt(from, i) ? 0xFF : 0x00, 3);
        } else {
            PutBit(to, i, IsLight(from + std::size_t(i) * 3));
        }
    }
}

} // namespace

TNSSlideImage::TNSSlideImage(QWidget* parent) : QWidget(parent) {
    // The paint handler fills everything it is asked to paint, from the buffer or with Color.
    setAttribute(Qt::WA_OpaquePaintEvent);
    FBuffer.OnChange = [this] { FBufferImageStale = true; };
    FBuffer.SetBrushColor(FBackColor);
    FBuffer.SetSize(0, 1);
    FStepTimer.SetCallBackMode(cmWindow);
    FStepTimer.SetEnabled(false);
    FStepTimer.SetInterval(1);
}

TNSSlideImage::~TNSSlideImage() {
    FStepTimer.SetEnabled(false);
    FBuffer.OnChange = nullptr;
}

void TNSSlideImage::SetBackColor(TColor color) {
    if (color == FBackColor) {
        return;
    }
    FBackColor = color;
    FBuffer.SetBrushColor(color);
}

void TNSSlideImage::SetColor(TColor color) {
    if (color == FColor) {
        return;
    }
    FColor = color;
    update();
}

int TNSSlideImage::ClientWidth() const {
    return int(std::lround(width() * devicePixelRatioF()));
}

int TNSSlideImage::ClientHeight() const {
    return int(std::lround(height() * devicePixelRatioF()));
}

void TNSSlideImage::Execute() {
    FStepTimer.SetInterval(std::max(FTimerDelay, 1));
    if (!FHideMode) {
        if (FPicture.Empty()) {
            FHideMode = true;
            StopEffect();
            if (FOnError) {
                FOnError(this);
            }
            return;
        }
        PrepareSource();
    } else {
        // A fresh plane of BackColor the size of the last picture's source, also when an effect still runs
        // and the source holds a picture.
        FSource.SetBrushColor(FBackColor);
        FSource.Reset(FSavedWidth, FSavedHeight, TPixelFormat::pf24bit);
    }
    if (IsCatalogueEffect(FNEffect)) {
        StartEffect();
    } else {
        DrawAtOnce();
    }
}

void TNSSlideImage::PrepareSource() {
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    const int ow = FPicture.Width();
    const int oh = FPicture.Height();
    if (ow > 0 && oh > 0) {
        const QSize fit = FittedSize(ow, oh, cw, ch);
        FFitWidth = fit.width();
        FFitHeight = fit.height();
    }
    FLeft = (cw - FFitWidth) / 2;
    FTop = (ch - FFitHeight) / 2;
    FSavedLeft = FLeft;
    FSavedTop = FTop;
    // Reset rather than resize: margins left over from a source that an interrupted effect did not free
    // would otherwise show through.
    FSource.SetBrushColor(FBackColor);
    FSource.Reset(FFitWidth + FLeft, FFitHeight + FTop, FPicture.PixelFormat());
    FSavedWidth = FSource.Width();
    FSavedHeight = FSource.Height();
    StretchHalftone(FPicture, FSource, FLeft, FTop, FFitWidth, FFitHeight);
    if (FDelOriginal) {
        FPicture.SetWidth(0);
        FPicture.SetHeight(0);
    }
    // What the window showed stays inside the old size; new area is BackColor.
    FBuffer.SetBrushColor(FBackColor);
    if (FBuffer.Empty()) {
        FBuffer.Reset(FSource.Width(), FSource.Height(), FSource.PixelFormat());
    } else {
        FBuffer.SetPixelFormat(FSource.PixelFormat());
        FBuffer.SetSize(FSource.Width(), FSource.Height());
    }
}

void TNSSlideImage::StartEffect() {
    const TEffectGeometry geometry{ClientWidth(),   ClientHeight(),   FLeft,     FTop,
                                   FSource.Width(), FSource.Height(), FFitWidth, FFitHeight};
    FPlan.Start(FNEffect, geometry, TRandom::Shared());
    FStepIndex = 0;
    if (FPlan.LastStep() < 0) {
        StopEffect(); // random lines with no line to visit
        return;
    }
    FRunning = true;
    FStepTimer.SetOnTimer([this](QObject*) { Step(); });
    FStepTimer.SetEnabled(true);
}

void TNSSlideImage::DrawAtOnce() {
    CopyToBuffer(0, 0, FSource.Width(), FSource.Height());
    RepaintRect(0, 0, FSource.Width(), FSource.Height());
    UpdateNow();
    StopEffect();
}

void TNSSlideImage::Step() {
    if (!FRunning) {
        return;
    }
    std::array<TSegment, TEffectPlan::MaxSegments> segments;
    const int count = FPlan.Segments(FStepIndex, segments);
    for (int i = 0; i < count; ++i) {
        const TSegment& s = segments[std::size_t(i)];
        CopyToBuffer(s.Left, s.Top, s.Right - s.Left, s.Bottom - s.Top);
        RepaintRect(s.Left, s.Top, s.Right, s.Bottom);
    }
    ++FStepIndex;
    UpdateNow();
    if (FStepIndex > FPlan.LastStep()) {
        StopEffect();
    }
}

void TNSSlideImage::StopEffect() {
    FRunning = false;
    FStepTimer.SetEnabled(false);
    FSource.SetWidth(0);
    FSource.SetHeight(0);
    if (FOnEndProcess) {
        FOnEndProcess(this);
    }
}

void TNSSlideImage::CopyToBuffer(int x, int y, int width, int height) {
    const int left = std::max(x, 0);
    const int top = std::max(y, 0);
    const int right = std::min({x + width, FSource.Width(), FBuffer.Width()});
    const int bottom = std::min({y + height, FSource.Height(), FBuffer.Height()});
    if (left >= right || top >= bottom) {
        return;
    }
    for (int row = top; row < bottom; ++row) {
        CopyPixels(FSource.ScanLine(row), FSource.PixelFormat(), FBuffer.ScanLine(row), FBuffer.PixelFormat(),
                   left, right - left);
    }
}

void TNSSlideImage::RepaintRect(int left, int top, int right, int bottom) {
    FUpdateRect = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    if (FUpdateRect.isValid()) {
        update(LogicalRect(FUpdateRect));
    }
}

void TNSSlideImage::UpdateNow() {
    // Painting the last invalidated rectangle now paints everything the step invalidated, in one pass.
    if (FUpdateRect.isValid() && isVisible()) {
        repaint(LogicalRect(FUpdateRect));
    }
}

QRect TNSSlideImage::LogicalRect(const QRect& device) const {
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1.0) {
        return device;
    }
    const int left = int(std::floor(device.left() / ratio));
    const int top = int(std::floor(device.top() / ratio));
    const int right = int(std::ceil((device.right() + 1) / ratio));
    const int bottom = int(std::ceil((device.bottom() + 1) / ratio));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void TNSSlideImage::FillStrip(const QRect& r) {
    std::uint8_t* strip = FStrip.bits();
    const qsizetype stripBytes = FStrip.bytesPerLine();
    const bool mono = FBuffer.PixelFormat() == TPixelFormat::pf1bit;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const std::uint8_t* from = FBuffer.ScanLine(y);
        auto* to = reinterpret_cast<QRgb*>(strip + y * stripBytes);
        for (int x = r.left(); x <= r.right(); ++x) {
            if (mono) {
                to[x - r.left()] = BitAt(from, x) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            } else {
                const std::uint8_t* p = from + std::size_t(x) * 3;
                to[x - r.left()] = qRgb(p[2], p[1], p[0]);
            }
        }
    }
}

void TNSSlideImage::paintEvent(QPaintEvent* event) {
    if (FBufferImageStale) {
        FBufferImage = FBuffer.Image();
        FStrip = FBuffer.Empty() ? QImage() : QImage(StripWidth, FBuffer.Height(), QImage::Format_RGB32);
        FBufferImageStale = false;
    }
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const QRect bufferDevice(0, 0, FBuffer.Width(), FBuffer.Height());
    const QRect bufferLogical = FBuffer.Empty() ? QRect() : LogicalRect(bufferDevice);
    for (const QRect& r : event->region()) {
        const QRect device =
            ratio == 1.0 ? r
                         : QRect(QPoint(int(std::floor(r.left() * ratio)), int(std::floor(r.top() * ratio))),
                                 QPoint(int(std::ceil((r.right() + 1) * ratio)) - 1,
                                        int(std::ceil((r.bottom() + 1) * ratio)) - 1));
        const QRect inside = device & bufferDevice;
        if (!inside.isEmpty()) {
            const QRectF target(inside.left() / ratio, inside.top() / ratio, inside.width() / ratio,
                                inside.height() / ratio);
            if (inside.width() <= StripWidth) {
                FillStrip(inside);
                painter.drawImage(target, FStrip, QRectF(0, inside.top(), inside.width(), inside.height()));
            } else {
                painter.drawImage(target, FBufferImage, QRectF(inside));
            }
        }
    }
    if (!bufferLogical.contains(event->rect())) {
        // Where the buffer does not reach the window shows its own colour.
        painter.setClipRegion(event->region() - bufferLogical);
        painter.fillRect(event->rect(), ToQColor(FColor));
    }
}
