#include "platform/ClippedSvg.h"

#include "tests/support/TestSupport.h"

#include <QImage>

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
