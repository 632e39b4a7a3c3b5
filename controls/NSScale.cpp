#include "controls/NSScale.h"

#include "platform/Exceptions.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

TNSCustomScale::TNSCustomScale(QObject* owner) : QObject(owner) {}

void TNSCustomScale::Assign(const QObject* Source) {
    RaiseAssignError(Source, this);
}

void TNSCustomScale::Changed() {
    DoChange();
}

void TNSCustomScale::DoChange() {
    if (FOnChange) {
        FOnChange(this);
    }
}

TNSScale::TNSScale(QObject* owner) : TNSCustomScale(owner) {}

void TNSScale::SetVisible(bool value) {
    if (StoreIfDifferent(FVisible, value)) {
        Changed();
    }
}

void TNSScale::SetColor(TColor value) {
    if (StoreIfDifferent(FColor, value)) {
        Changed();
    }
}

void TNSScale::SetStyle(TNSScaleStyle value) {
    if (StoreIfDifferent(FStyle, value)) {
        Changed();
    }
}

void TNSScale::SetTickCount(int value) {
    if (StoreIfDifferent(FTickCount, std::max(value, 2))) {
        Changed();
    }
}

void TNSScale::SetEnlargeEvery(int value) {
    if (StoreIfDifferent(FEnlargeEvery, std::max(value, 1))) {
        Changed();
    }
}

void TNSScale::SetSize(int value) {
    if (StoreIfDifferent(FSize, std::max(value, 1))) {
        Changed();
    }
}

void TNSScale::SetOrigin(TNSScaleOrigin value) {
    if (StoreIfDifferent(FOrigin, value)) {
        Changed();
    }
}

void TNSScale::SetConnect(bool value) {
    if (StoreIfDifferent(FConnect, value)) {
        Changed();
    }
}

void TNSScale::Assign(const QObject* Source) {
    const auto* source = qobject_cast<const TNSScale*>(Source);
    if (!source) {
        TNSCustomScale::Assign(Source);
        return;
    }
    FVisible = source->FVisible;
    FColor = source->FColor;
    FStyle = source->FStyle;
    FTickCount = source->FTickCount;
    FEnlargeEvery = source->FEnlargeEvery;
    FSize = source->FSize;
    FOrigin = source->FOrigin;
    FConnect = source->FConnect;
    Changed();
}

int TNSScale::Width() const {
    int width = FSize;
    if (FConnect) {
        width += FStyle == stColor ? 1 : 2;
    }
    return width;
}

namespace {

// A line from (x1, y1) up to but not including (x2, y2), as a pen of one pixel draws it.
void PlotLine(QPainter& canvas, const QColor& color, int x1, int y1, int x2, int y2) {
    if (y1 == y2) {
        const int from = std::min(x1, x2 + 1);
        const int to = std::max(x1, x2 - 1);
        if (x1 != x2) {
            canvas.fillRect(QRect(from, y1, to - from + 1, 1), color);
        }
        return;
    }
    if (x1 == x2) {
        const int from = std::min(y1, y2 + 1);
        const int to = std::max(y1, y2 - 1);
        canvas.fillRect(QRect(x1, from, 1, to - from + 1), color);
        return;
    }
    canvas.setPen(color);
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    while (x1 != x2 || y1 != y2) {
        canvas.drawPoint(x1, y1);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y1 += sy;
        }
    }
}

int RoundHalfEven(float value) {
    return int(std::nearbyint(value));
}

} // namespace

void TNSScale::DrawStyledLine(int x1, int y1, int x2, int y2) {
    QPainter& canvas = *Canvas();
    if (FStyle == stColor) {
        PlotLine(canvas, ToQColor(FColor), x1, y1, x2, y2);
        return;
    }
    // The second line lies one pixel down for lines flatter than 45 degrees; else one pixel to the right
    // for vertical lines and lines rising to the right, to the left for lines falling to the right.
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    int shiftX = 0;
    int shiftY = 0;
    if (std::abs(dy) < std::abs(dx)) {
        shiftY = 1;
    } else {
        const bool fallsToTheRight = dx != 0 && (dx > 0) == (dy > 0);
        shiftX = fallsToTheRight ? -1 : 1;
    }
    const QColor first = FStyle == stLowered ? QColor(Qt::black) : QColor(Qt::white);
    const QColor second = FStyle == stLowered ? QColor(Qt::white) : QColor(Qt::black);
    PlotLine(canvas, first, x1, y1, x2, y2);
    PlotLine(canvas, second, x1 + shiftX, y1 + shiftY, x2 + shiftX, y2 + shiftY);
}

void TNSScale::Draw(const TRect& R, bool Flip) {
    if (!Canvas()) {
        throw ENSScaleError(QStringLiteral("Canvas needed for this operation"));
    }
    const bool horizontal = R.Height() < R.Width();
    const float len = float(horizontal ? R.Width() : R.Height());
    const bool far = Flip ? FOrigin == soInner : FOrigin == soOuter;
    const int ext = FConnect && FStyle != stColor ? 1 : 0;

    if (FConnect) {
        if (horizontal) {
            const int y = far ? R.Bottom - ext : R.Top - 1;
            DrawStyledLine(R.Left, y, R.Right + 1, y);
        } else {
            const int x = far ? R.Right - 1 - ext : R.Left;
            DrawStyledLine(x, R.Top + 1, x, R.Bottom + 1);
        }
    }
    for (int i = 0; i < FTickCount; ++i) {
        const float p = len / float(FTickCount - 1) * float(i);
        const int l = i % FEnlargeEvery == 0 ? FSize : FSize / 2;
        if (horizontal) {
            const int x = R.Left + int(p);
            if (far) {
                DrawStyledLine(x, R.Bottom - l, x, R.Bottom);
            } else {
                DrawStyledLine(x, R.Top, x, R.Top + l);
            }
        } else {
            const int y = R.Top + RoundHalfEven(p);
            if (far) {
                DrawStyledLine(R.Right - l - ext, y, R.Right - ext, y);
            } else {
                DrawStyledLine(R.Left + ext, y, R.Left + ext + l, y);
            }
        }
    }
}
