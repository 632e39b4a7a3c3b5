#pragma once

#include <QColor>

#include <cstdint>

// An RGB colour (red in the lowest byte, then green, then blue) or, with the high byte 0x80, one of the
// system colours, resolved through the application palette when drawing.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clBtnHighlight = clSystemColor | 20;

constexpr TColor RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr std::uint8_t RedOf(TColor c) {
    return std::uint8_t(c);
}
constexpr std::uint8_t GreenOf(TColor c) {
    return std::uint8_t(c >> 8);
}
constexpr std::uint8_t BlueOf(TColor c) {
    return std::uint8_t(c >> 16);
}

// The plain RGB value of a colour; system colours are looked up in the application palette.
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
