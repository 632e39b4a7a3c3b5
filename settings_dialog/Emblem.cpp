#include "settings_dialog/Emblem.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace {

// Drawn on a 64 x 64 grid and scaled.
void DrawFrame(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(250, 246, 230));
    p.drawRect(QRectF(10, 30, 44, 30));
    QLinearGradient sky(0, 32, 0, 58);
    sky.setColorAt(0, QColor(120, 180, 240));
    sky.setColorAt(1, QColor(200, 230, 255));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRect(QRectF(13, 33, 38, 24));
    p.setBrush(QColor(70, 150, 70));
    QPainterPath hills;
    hills.moveTo(13, 57);
    hills.cubicTo(22, 44, 30, 46, 38, 52);
    hills.cubicTo(43, 48, 48, 47, 51, 50);
    hills.lineTo(51, 57);
    hills.closeSubpath();
    p.drawPath(hills);
}

void DrawUmbrella(QPainter& p) {
    const std::array<QColor, 4> colors{QColor(210, 40, 50), QColor(250, 210, 60), QColor(40, 110, 200),
                                       QColor(60, 170, 90)};
    const QPointF top(32, 4);
    const double left = 6;
    const double width = 52;
    const double rim = 26;
    const int panels = 4;
    for (int i = 0; i < panels; ++i) {
        const double x0 = left + width * i / panels;
        const double x1 = left + width * (i + 1) / panels;
        QPainterPath panel;
        panel.moveTo(top);
        panel.quadTo(QPointF(x0 - 2 + (i < 2 ? -4 : 4), 8 + (i == 0 || i == 3 ? 6 : 0)), QPointF(x0, rim));
        panel.quadTo(QPointF((x0 + x1) / 2, rim - 6), QPointF(x1, rim));
        panel.closeSubpath();
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(colors[std::size_t(i)]);
        p.drawPath(panel);
    }
    p.setPen(QPen(QColor(40, 40, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(32, 2), QPointF(32, 4));
    QPainterPath shaft;
    shaft.moveTo(32, 22);
    shaft.lineTo(32, 44);
    shaft.arcTo(QRectF(26, 40, 6, 8), 0, -180);
    p.drawPath(shaft);
}

} // namespace

QPixmap EmblemPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    DrawFrame(p);
    DrawUmbrella(p);
    return pixmap;
}

QIcon EmblemIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(EmblemPixmap(size));
    }
    return icon;
}
