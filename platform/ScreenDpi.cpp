#include "platform/ScreenDpi.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr int FallbackDpi = 96;

struct TScreenDpi {
    bool Known = false;
    int X = FallbackDpi;
    int Y = FallbackDpi;
};

const TScreenDpi& Dpi() {
    static TScreenDpi dpi;
    if (!dpi.Known && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const int x = qRound(screen->logicalDotsPerInchX());
            const int y = qRound(screen->logicalDotsPerInchY());
            // A screen that reports nothing sensible keeps the fallback.
            dpi.X = x > 0 ? x : FallbackDpi;
            dpi.Y = y > 0 ? y : FallbackDpi;
            dpi.Known = true;
        }
    }
    return dpi;
}

} // namespace

int ScreenDpiX() {
    return Dpi().X;
}
int ScreenDpiY() {
    return Dpi().Y;
}
