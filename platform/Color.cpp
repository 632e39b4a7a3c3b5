#include "platform/Color.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QPalette::ColorRole RoleOf(TColor systemColor) {
    switch (systemColor) {
    case clActiveCaption:
        return QPalette::Highlight;
    case clWindow:
        return QPalette::Base;
    case clWindowFrame:
        return QPalette::Shadow;
    case clBtnShadow:
        return QPalette::Dark;
    case clBtnHighlight:
        return QPalette::Light;
    default:
        return QPalette::Button;
    }
}

} // namespace

TColor ColorToRGB(TColor color) {
    if ((color & 0xFF000000) != clSystemColor) {
        return color & 0x00FFFFFF;
    }
    const QColor c = QGuiApplication::palette().color(RoleOf(color));
    return RGBColor(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

QColor ToQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}
