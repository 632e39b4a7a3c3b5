#include "platform/ClippedSvg.h"

#include "tests/support/TestSupport.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

// Drawings with clip paths against librsvg's rendering of them (tests/data/svg-clip/make.sh), which
// honours clip paths: the pictures agree but for a few antialiased edge pixels. The layer counts show
// that elements sharing a clip path are drawn through one mask.
TEST(ClippedSvg, DrawsWhatTheClipPathsLeaveVisible) {
    for (const auto& [name, layers] : {std::pair{"transforms", 3}, std::pair{"nested", 3}}) {
        SCOPED_TRACE(name);
        const QString base = TestDataPath(QStringLiteral("svg-clip/") + QLatin1String(name));
        const TClippedSvg drawing(ReadFileBytes(base + QStringLiteral(".svg")));
        ASSERT_TRUE(drawing.IsValid());
        EXPECT_EQ(drawing.LayerCount(), layers);
        QImage picture(64, 48, QImage::Format_RGB888);
        picture.fill(Qt::black);
        drawing.Render(picture, QRectF(0, 0, 64, 48));
        EXPECT_LE(PixelsApart(picture, QImage(base + QStringLiteral(".png")), 24), 64 * 48 / 100);
    }
}

namespace {

QString SvgOf(const QString& body) {
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\">"
               "<defs><clipPath id=\"half\"><rect width=\"16\" height=\"32\"/></clipPath>"
               "<clipPath id=\"box\" clipPathUnits=\"objectBoundingBox\"><rect width=\".5\" height=\"1\"/>"
               "</clipPath></defs>%1</svg>")
        .arg(body);
}

QImage Black() {
    QImage picture(32, 32, QImage::Format_RGB888);
    picture.fill(Qt::black);
    return picture;
}

QImage Rendered(const TClippedSvg& drawing) {
    QImage picture = Black();
    drawing.Render(picture, QRectF(0, 0, 32, 32));
    return picture;
}

QImage RenderedByQtSvg(const QByteArray& svg) {
    QImage picture = Black();
    QPainter painter(&picture);
    QSvgRenderer(svg).render(&painter, QRectF(0, 0, 32, 32));
    return picture;
}

} // namespace

// What cannot be split is drawn whole, as Qt SVG draws it: a clip path that is not there, one in units of
// the element's extent, and a drawing that would need more layers than allowed.
TEST(ClippedSvg, WhatCannotBeSplitIsDrawnWhole) {
    const QString circle =
        QStringLiteral("<circle cx=\"16\" cy=\"16\" r=\"12\" fill=\"#c04020\" clip-path=\"url(#%1)\"/>");
    QString alternating;
    for (int i = 0; i <= TClippedSvg::MaxLayers; ++i) {
        alternating += circle.arg(i % 2 ? QStringLiteral("half") : QStringLiteral("none"));
    }
    for (const QString& body :
         {circle.arg(QStringLiteral("missing")), circle.arg(QStringLiteral("box")), alternating}) {
        const QByteArray svg = SvgOf(body).toUtf8();
        const TClippedSvg drawing(svg);
        EXPECT_EQ(drawing.LayerCount(), 1);
        EXPECT_EQ(PixelsApart(Rendered(drawing), RenderedByQtSvg(svg), 0), 0);
    }
    // One clipped circle: its left half only.
    const QImage half = Rendered(TClippedSvg(SvgOf(circle.arg(QStringLiteral("half"))).toUtf8()));
    EXPECT_EQ(half.pixelColor(10, 16), QColor(0xc0, 0x40, 0x20));
    EXPECT_EQ(half.pixelColor(22, 16), QColor(Qt::black));
}
