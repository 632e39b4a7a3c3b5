#include "settings_dialog/FormParts.h"

#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

namespace {

// One one-pixel frame: highlight on top and left, shadow on bottom and right when raised.
void DrawBevelFrame(QPainter& painter, QRect& rect, TEdgeCut cut, const QPalette& palette) {
    if (cut == TEdgeCut::None) {
        return;
    }
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor topLeft = cut == TEdgeCut::Raised ? light : dark;
    const QColor bottomRight = cut == TEdgeCut::Raised ? dark : light;
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    rect.adjust(1, 1, -1, -1);
}

} // namespace

TPanel::TPanel(QWidget* parent, TEdgeCut outer, TEdgeCut inner)
    : QWidget(parent), FOuter(outer), FInner(inner) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
}

int TPanel::BevelWidth() const {
    return (FOuter != TEdgeCut::None ? 1 : 0) + (FInner != TEdgeCut::None ? 1 : 0);
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect rect = this->rect();
    DrawBevelFrame(painter, rect, FOuter, palette());
    DrawBevelFrame(painter, rect, FInner, palette());
}

TBevelLine::TBevelLine(QWidget* parent, TBevelShape shape, TEdgeCut cut)
    : QWidget(parent), FShape(shape), FCut(cut) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevelLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    const QColor first = FCut == TEdgeCut::Raised ? light : dark;
    const QColor second = FCut == TEdgeCut::Raised ? dark : light;
    const QRect r = rect();
    if (FShape == TBevelShape::BottomLine) {
        painter.setPen(first);
        painter.drawLine(r.left(), r.bottom() - 1, r.right(), r.bottom() - 1);
        painter.setPen(second);
        painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    } else {
        painter.setPen(first);
        painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
        painter.setPen(second);
        painter.drawLine(r.left() + 1, r.top(), r.left() + 1, r.bottom());
    }
}

TBevelEdit::TBevelEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setTextMargins(2, 2, 2, 2);
}

void TBevelEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), true);
}

QFont SansFont(int pixelHeight) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    return font;
}

QLabel* PlaceLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}
