#include "platform/Metafile.h"

#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/ScreenDpi.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

#include <emf2svg.h>
extern "C" {
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// [MS-EMF] 2.3.4.2: EMR_HEADER up to and including szlMillimeters.
constexpr std::size_t EmfHeaderMinSize = 88;
constexpr std::uint32_t EMR_HEADER = 1;
constexpr std::uint32_t EmfSignature = 0x464D4520; // " EMF"
// [MS-WMF] 2.3.2.3: the placeable header, then the 18-byte META_HEADER.
constexpr std::size_t PlaceableHeaderSize = 22;
constexpr std::size_t WmfHeaderSize = 18;
constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr int PointsPerInch = 72;
constexpr int HundredthsOfMillimetrePerInch = 2540;

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) | (std::uint32_t(bytes[at + 1]) << 8) |
           (std::uint32_t(bytes[at + 2]) << 16) | (std::uint32_t(bytes[at + 3]) << 24);
}
std::int32_t I32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::int32_t(U32At(bytes, at));
}
std::uint16_t U16At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint16_t(bytes[at] | (bytes[at + 1] << 8));
}
std::int16_t I16At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::int16_t(U16At(bytes, at));
}

// An extent in file units as screen pixels, rounded half to even; empty and inverted extents give 0.
int ScreenPixels(std::int64_t extent, int dpi, int unitsPerInch) {
    if (extent <= 0) {
        return 0;
    }
    const double pixels = std::nearbyint(double(extent) * dpi / unitsPerInch);
    return pixels >= double(INT_MAX) ? INT_MAX : int(pixels);
}

std::optional<TMetafileHeader> ReadEnhancedHeader(std::span<const std::uint8_t> bytes, int dpiX, int dpiY) {
    if (bytes.size() < EmfHeaderMinSize || U32At(bytes, 0) != EMR_HEADER ||
        U32At(bytes, 40) != EmfSignature) {
        return std::nullopt;
    }
    const std::uint32_t recordSize = U32At(bytes, 4);
    if (recordSize < EmfHeaderMinSize || recordSize > bytes.size() || recordSize % 4 != 0) {
        return std::nullopt;
    }
    TMetafileHeader header;
    header.Kind = TMetafileKind::Enhanced;
    const std::int64_t boundsLeft = I32At(bytes, 8), boundsTop = I32At(bytes, 12);
    const std::int64_t left = I32At(bytes, 24), top = I32At(bytes, 28);
    const std::int64_t right = I32At(bytes, 32), bottom = I32At(bytes, 36);
    header.Width = ScreenPixels(right - left, dpiX, HundredthsOfMillimetrePerInch);
    header.Height = ScreenPixels(bottom - top, dpiY, HundredthsOfMillimetrePerInch);
    // The converter draws in the reference device's pixels (szlDevice over szlMillimeters), shifted so
    // that the bounds start at 0.
    const std::int32_t devicePixelsX = I32At(bytes, 72), devicePixelsY = I32At(bytes, 76);
    const std::int32_t deviceMmX = I32At(bytes, 80), deviceMmY = I32At(bytes, 84);
    if (devicePixelsX > 0 && devicePixelsY > 0 && deviceMmX > 0 && deviceMmY > 0) {
        const double scaleX = double(devicePixelsX) / (100.0 * deviceMmX);
        const double scaleY = double(devicePixelsY) / (100.0 * deviceMmY);
        header.Frame =
            QRectF(double(left) * scaleX - double(boundsLeft), double(top) * scaleY - double(boundsTop),
                   double(right - left) * scaleX, double(bottom - top) * scaleY);
    }
    return header;
}

std::optional<TMetafileHeader> ReadPlaceableHeader(std::span<const std::uint8_t> bytes, int dpiX, int dpiY) {
    if (bytes.size() < PlaceableHeaderSize + WmfHeaderSize || U32At(bytes, 0) != PlaceableKey) {
        return std::nullopt;
    }
    const int unitsPerInch = U16At(bytes, 14);
    const std::uint16_t type = U16At(bytes, PlaceableHeaderSize);
    const std::uint16_t headerWords = U16At(bytes, PlaceableHeaderSize + 2);
    // The longest record, in 16-bit words, sizes the converter's record buffer; no record is longer than
    // the file.
    const std::uint64_t longestRecordBytes = std::uint64_t(U32At(bytes, PlaceableHeaderSize + 12)) * 2;
    // Type 1 is a metafile in memory, 2 one on disk; the header is always 9 words.
    if (unitsPerInch == 0 || (type != 1 && type != 2) || headerWords != WmfHeaderSize / 2 ||
        longestRecordBytes > bytes.size()) {
        return std::nullopt;
    }
    TMetafileHeader header;
    header.Kind = TMetafileKind::Windows;
    const int width = I16At(bytes, 10) - I16At(bytes, 6);
    const int height = I16At(bytes, 12) - I16At(bytes, 8);
    header.Width = ScreenPixels(width, dpiX, unitsPerInch);
    header.Height = ScreenPixels(height, dpiY, unitsPerInch);
    header.WidthPoints = std::max(width, 0) * double(PointsPerInch) / unitsPerInch;
    header.HeightPoints = std::max(height, 0) * double(PointsPerInch) / unitsPerInch;
    return header;
}

[[noreturn]] void RaiseInvalidMetafile() {
    throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
}

QByteArray EnhancedToSvg(QByteArray bytes) {
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("svg");
    options.svgDelimiter = true;
    char* out = nullptr;
    std::size_t length = 0;
    const int done = emf2svg(bytes.data(), std::size_t(bytes.size()), &out, &length, &options);
    QByteArray svg;
    if (done && out) {
        svg = QByteArray(out, qsizetype(length));
    }
    std::free(out);
    return svg;
}

// The placeable bounding box, in points from the window origin, is what the SVG's width and height
// stand for; libwmf would otherwise fit the drawn extent alone to them.
QByteArray WindowsToSvg(QByteArray bytes, const TMetafileHeader& header) {
    wmfAPI* api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) {
            wmf_api_destroy(api);
        }
        return QByteArray();
    }
    QByteArray svg;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(bytes.data()), long(bytes.size())) == wmf_E_None) {
        wmfD_Rect box{};
        if (wmf_scan(api, 0, &box) == wmf_E_None) {
            wmf_svg_t* device = WMF_SVG_GetData(api);
            device->out = wmf_stream_create(api, nullptr);
            device->Description = const_cast<char*>("");
            box.TL = {0.0f, 0.0f};
            box.BR = {float(header.WidthPoints), float(header.HeightPoints)};
            device->bbox = box;
            device->width = unsigned(std::max(header.Width, 1));
            device->height = unsigned(std::max(header.Height, 1));
            const bool played = device->out && wmf_play(api, 0, &box) == wmf_E_None;
            char* text = nullptr;
            unsigned long length = 0;
            if (device->out) {
                wmf_stream_destroy(api, device->out, &text, &length);
            }
            if (played && text) {
                svg = QByteArray(text, qsizetype(length));
            }
            if (text) {
                wmf_free(api, text);
            }
        }
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return svg;
}

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        RaiseFileOpenError(path, file.errorString());
    }
    if (file.size() > TMetafile::MaxFileBytes) {
        RaiseInvalidMetafile();
    }
    return file.readAll();
}

} // namespace

std::optional<TMetafileHeader> ReadMetafileHeader(std::span<const std::uint8_t> bytes, int dpiX, int dpiY) {
    if (auto header = ReadEnhancedHeader(bytes, dpiX, dpiY)) {
        return header;
    }
    return ReadPlaceableHeader(bytes, dpiX, dpiY);
}

TMetafile::TMetafile(const QString& path) {
    // Qt ends the process when SVG text asks for a font without a GUI application.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        throw EInvalidGraphic(QStringLiteral("Metafiles can only be drawn in a GUI application"));
    }
    const QByteArray bytes = ReadWholeFile(path);
    const auto header = ReadMetafileHeader(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
        ScreenDpiX(), ScreenDpiY());
    if (!header) {
        RaiseInvalidMetafile();
    }
    FHeader = *header;
    // An empty picture has nothing to draw, and the converters refuse an empty frame.
    if (FHeader.Width == 0 || FHeader.Height == 0) {
        return;
    }
    const QByteArray svg = Enhanced() ? EnhancedToSvg(bytes) : WindowsToSvg(bytes, FHeader);
    FRenderer = std::make_unique<QSvgRenderer>(svg);
    if (svg.isEmpty() || !FRenderer->isValid()) {
        RaiseInvalidMetafile();
    }
    if (Enhanced() && !FHeader.Frame.isEmpty()) {
        FRenderer->setViewBox(FHeader.Frame);
    }
}

TMetafile::~TMetafile() = default;

void TMetafile::Draw(TBitmap& bitmap, int width, int height) const {
    if (!FRenderer || bitmap.Empty() || width <= 0 || height <= 0) {
        return;
    }
    QImage image = bitmap.Image();
    QPainter painter(&image);
    FRenderer->render(&painter, QRectF(0, 0, width, height));
}
