#include "imageio/TiffFields.h"

#include "imageio/PictureIO.h"

#include <climits>
#include <cmath>

std::uint8_t TiffCompressionField(std::uint32_t compression, std::uint32_t t4Options, std::uint8_t previous) {
    switch (compression) {
    case 1:
        return ioTIFF_UNCOMPRESSED;
    case 2:
        return ioTIFF_CCITT1D;
    case 3:
        return (t4Options & 1) ? ioTIFF_G3FAX2D : ioTIFF_G3FAX1D;
    case 4:
        return ioTIFF_G4FAX;
    case 5:
        return ioTIFF_LZW;
    case 6:
        return ioTIFF_OLDJPEG;
    case 7:
        return ioTIFF_JPEG;
    case 32773:
        return ioTIFF_PACKBITS;
    default:
        return previous;
    }
}

std::uint8_t TiffPhotometricField(std::uint32_t photometric, std::uint8_t previous) {
    if (photometric <= 6) {
        return std::uint8_t(photometric);
    }
    return photometric == 8 ? std::uint8_t(ioTIFF_CIELAB) : previous;
}

std::int32_t TiffDpi(double resolution, std::uint32_t unit, int screenDpi) {
    const double dpi = std::trunc(resolution * (unit == 3 ? 2.54 : 1.0));
    if (!std::isfinite(dpi) || dpi == 0.0 || dpi > INT_MAX || dpi < INT_MIN) {
        return screenDpi;
    }
    return std::int32_t(dpi);
}

std::uint8_t TiffOrientation(std::uint32_t value) {
    return value >= 1 && value <= 8 ? std::uint8_t(value) : std::uint8_t(1);
}
