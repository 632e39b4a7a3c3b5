#include "settings_dialog/Emblem.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

QSvgRenderer& EmblemDrawing() {
    static QSvgRenderer renderer(QStringLiteral(":/ambrelle/ambrelle.svg"));
    return renderer;
}

} // namespace

QPixmap EmblemPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    EmblemDrawing().render(&painter);
    return pixmap;
}

QIcon EmblemIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(EmblemPixmap(size));
    }
    return icon;
}
