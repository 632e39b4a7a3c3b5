#include "platform/Metafile.h"

#include "platform/Bitmap.h"
#include "platform/ClippedSvg.h"
#include "platform/Exceptions.h"
#include "platform/ScreenDpi.h"
#include "platform/WindowsCodePages.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QRegularExpression>

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
    header.Bounds = QRect(I16At(bytes, 6), I16At(bytes, 8), width, height);
    return header;
}

[[noreturn]] void RaiseInvalidMetafile() {
    throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
}

QByteArray EnhancedToSvg(QByteArray bytes) {
    // No namespace prefix: the converter leaves it off some closing tags (</clipPath>), and the
    // default namespace of its <svg> element serves as well.
    generatorOptions options{};
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

// [MS-WMF] 2.1.1.1 record functions.
constexpr std::uint16_t META_EOF = 0x0000;
constexpr std::uint16_t META_SETMAPMODE = 0x0103;
constexpr std::uint16_t META_SETWINDOWORG = 0x020B;
constexpr std::uint16_t META_SETWINDOWEXT = 0x020C;
constexpr std::uint16_t META_RECTANGLE = 0x041B;
constexpr std::uint16_t META_CREATEFONTINDIRECT = 0x02FB;
constexpr std::size_t RecordHeaderSize = 6;
// [MS-WMF] 2.2.1.2 Font: CharSet after five 16-bit fields and three flag bytes.
constexpr std::size_t LogFontCharsetOffset = 13;
// [MS-WMF] 2.1.1.16 MapMode: the modes in which the window extent scales the drawing.
constexpr int MM_TEXT = 1;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

// The records that draw; the window in force at the first of them is the picture's.
bool DrawsSomething(std::uint16_t function) {
    switch (function) {
    case 0x0213: // LINETO
    case 0x0228: // FILLREGION
    case 0x012A: // INVERTREGION
    case 0x012B: // PAINTREGION
    case 0x0324: // POLYGON
    case 0x0325: // POLYLINE
    case 0x0418: // ELLIPSE
    case 0x0419: // FLOODFILL
    case 0x041B: // RECTANGLE
    case 0x041F: // SETPIXEL
    case 0x0429: // FRAMEREGION
    case 0x0521: // TEXTOUT
    case 0x0538: // POLYPOLYGON
    case 0x0548: // EXTFLOODFILL
    case 0x061C: // ROUNDRECT
    case 0x061D: // PATBLT
    case 0x0817: // ARC
    case 0x081A: // PIE
    case 0x0830: // CHORD
    case 0x0922: // BITBLT
    case 0x0940: // DIBBITBLT
    case 0x0A32: // EXTTEXTOUT
    case 0x0B23: // STRETCHBLT
    case 0x0B41: // DIBSTRETCHBLT
    case 0x0D33: // SETDIBTODEV
    case 0x0F43: // STRETCHDIB
        return true;
    default:
        return false;
    }
}

// What one pass over the records of a placeable metafile tells before libwmf plays it.
struct TWindowsRecords {
    // Where the first drawing record starts (the end record or the end of the records without one): the
    // records before it set up the mapping that the picture is drawn in.
    std::size_t FirstDrawing = PlaceableHeaderSize + WmfHeaderSize;
    int MapMode = MM_TEXT;
    std::optional<QPoint> WindowOrg;
    std::optional<QSize> WindowExt;
    // The code page of the first font that names a character set with one other than 1252.
    int CodePage = CodePageOfCharset(0);
};

TWindowsRecords ScanWindowsRecords(std::span<const std::uint8_t> bytes) {
    TWindowsRecords records;
    bool drawingSeen = false;
    bool codePageSeen = false;
    std::size_t at = records.FirstDrawing;
    while (at <= bytes.size() - RecordHeaderSize) {
        const std::uint64_t size = std::uint64_t(U32At(bytes, at)) * 2;
        const std::uint16_t function = U16At(bytes, at + 4);
        if (function == META_EOF || size < RecordHeaderSize || size > bytes.size() - at) {
            break;
        }
        drawingSeen = drawingSeen || DrawsSomething(function);
        if (!drawingSeen && size >= RecordHeaderSize + 4) {
            // Extents and origins are stored y first.
            const QPoint yx(I16At(bytes, at + 8), I16At(bytes, at + 6));
            if (function == META_SETMAPMODE) {
                records.MapMode = U16At(bytes, at + 6);
            } else if (function == META_SETWINDOWORG) {
                records.WindowOrg = yx;
            } else if (function == META_SETWINDOWEXT) {
                records.WindowExt = QSize(yx.x(), yx.y());
            }
        }
        if (!codePageSeen && function == META_CREATEFONTINDIRECT &&
            size > RecordHeaderSize + LogFontCharsetOffset) {
            records.CodePage = CodePageOfCharset(bytes[at + RecordHeaderSize + LogFontCharsetOffset]);
            codePageSeen = records.CodePage != CodePageOfCharset(0);
        }
        at += std::size_t(size);
        if (!drawingSeen) {
            records.FirstDrawing = at;
        }
    }
    return records;
}

// The part of the logical plane that the picture shows: the window that the file sets, as a placeable
// metafile's player maps it onto the frame; the bounding box where the file sets none, or where its
// mapping mode gives the window no say.
QRect LogicalFrame(const TWindowsRecords& records, const QRect& bounds) {
    const bool windowScales =
        records.MapMode == MM_TEXT || records.MapMode == MM_ISOTROPIC || records.MapMode == MM_ANISOTROPIC;
    const QPoint origin = records.WindowOrg.value_or(bounds.topLeft());
    const QSize extent = windowScales && records.WindowExt ? *records.WindowExt : bounds.size();
    return QRect(origin, extent);
}

// An API with the SVG device for the metafile in memory; null when libwmf refuses it.
struct TWmfApi {
    wmfAPI* Api = nullptr;
    bool Open = false;

    explicit TWmfApi(QByteArray& bytes) {
        wmfAPI_Options options{};
        options.function = wmf_svg_function;
        const unsigned long flags =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&Api, flags, &options) != wmf_E_None) {
            return;
        }
        Open = wmf_mem_open(Api, reinterpret_cast<unsigned char*>(bytes.data()), long(bytes.size())) ==
               wmf_E_None;
    }
    ~TWmfApi() {
        if (Open) {
            wmf_mem_close(Api);
        }
        if (Api) {
            wmf_api_destroy(Api);
        }
    }
    TWmfApi(const TWmfApi&) = delete;
    TWmfApi& operator=(const TWmfApi&) = delete;

    std::optional<wmfD_Rect> Scan() {
        wmfD_Rect box{};
        if (!Open || wmf_scan(Api, 0, &box) != wmf_E_None || !std::isfinite(box.TL.x) ||
            !std::isfinite(box.TL.y) || !std::isfinite(box.BR.x) || !std::isfinite(box.BR.y)) {
            return std::nullopt;
        }
        return box;
    }
};

std::int16_t ClampedToInt16(int value) {
    return std::int16_t(std::clamp(value, int(INT16_MIN), int(INT16_MAX)));
}

void PutU16(QByteArray& bytes, qsizetype at, std::uint16_t value) {
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}
void PutU32(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    PutU16(bytes, at, std::uint16_t(value & 0xFFFF));
    PutU16(bytes, at + 2, std::uint16_t(value >> 16));
}

// Where libwmf draws a logical point: the centre of what its scan finds of a rectangle of no size at that
// point, drawn right after the records that set up the mapping. Asking libwmf itself keeps its own rules
// for every mapping mode and its default extents.
std::optional<QPointF> DeviceOf(std::span<const std::uint8_t> bytes, std::size_t setupEnd, QPoint point) {
    QByteArray probe(reinterpret_cast<const char*>(bytes.data()), qsizetype(setupEnd));
    constexpr std::uint16_t rectangleWords = 7;
    constexpr std::uint16_t endWords = 3;
    const qsizetype rectangle = probe.size();
    probe.resize(rectangle + (rectangleWords + endWords) * 2);
    PutU32(probe, rectangle, rectangleWords);
    PutU16(probe, rectangle + 4, META_RECTANGLE);
    const auto x = std::uint16_t(point.x());
    const auto y = std::uint16_t(point.y());
    PutU16(probe, rectangle + 6, y); // bottom, right, top, left
    PutU16(probe, rectangle + 8, x);
    PutU16(probe, rectangle + 10, y);
    PutU16(probe, rectangle + 12, x);
    PutU32(probe, rectangle + 14, endWords);
    PutU16(probe, rectangle + 18, META_EOF);
    // The metafile header's size in words and its longest record describe the probe.
    PutU32(probe, PlaceableHeaderSize + 6, std::uint32_t((probe.size() - PlaceableHeaderSize) / 2));
    PutU32(probe, PlaceableHeaderSize + 12,
           std::max<std::uint32_t>(U32At(bytes, PlaceableHeaderSize + 12), rectangleWords));
    TWmfApi wmf(probe);
    const auto box = wmf.Scan();
    if (!box) {
        return std::nullopt;
    }
    return QPointF((double(box->TL.x) + box->BR.x) / 2, (double(box->TL.y) + box->BR.y) / 2);
}

// The frame in the units that libwmf draws in; libwmf's own box of what is drawn when the mapping cannot
// be found out, so that the drawing at least fills the picture.
QRectF DeviceFrame(std::span<const std::uint8_t> bytes, const TWindowsRecords& records, const QRect& frame,
                   const wmfD_Rect& drawn) {
    const QPoint first(ClampedToInt16(frame.left()), ClampedToInt16(frame.top()));
    const QPoint last(ClampedToInt16(frame.x() + frame.width()), ClampedToInt16(frame.y() + frame.height()));
    const auto deviceFirst = DeviceOf(bytes, records.FirstDrawing, first);
    const auto deviceLast = DeviceOf(bytes, records.FirstDrawing, last);
    if (deviceFirst && deviceLast && first.x() != last.x() && first.y() != last.y()) {
        // libwmf's mapping is linear in each direction, which carries it to corners beyond 16 bits.
        const auto along = [](double from, double to, double deviceFrom, double deviceTo, double at) {
            return deviceFrom + (at - from) * (deviceTo - deviceFrom) / (to - from);
        };
        const QPointF topLeft(along(first.x(), last.x(), deviceFirst->x(), deviceLast->x(), frame.x()),
                              along(first.y(), last.y(), deviceFirst->y(), deviceLast->y(), frame.y()));
        const QPointF bottomRight(
            along(first.x(), last.x(), deviceFirst->x(), deviceLast->x(), double(frame.x()) + frame.width()),
            along(first.y(), last.y(), deviceFirst->y(), deviceLast->y(),
                  double(frame.y()) + frame.height()));
        const QRectF device = QRectF(topLeft, bottomRight).normalized();
        if (device.isValid() && std::isfinite(device.width()) && std::isfinite(device.height())) {
            return device;
        }
    }
    return QRectF(QPointF(drawn.TL.x, drawn.TL.y), QPointF(drawn.BR.x, drawn.BR.y));
}

// libwmf copies text into the SVG as the file's bytes, unescaped: each <text> element's content is read
// in the file's code page and written as escaped UTF-8, so that the SVG is well-formed XML.
QByteArray TextAsUtf8(const QByteArray& svg, int codePage) {
    QByteArray result;
    result.reserve(svg.size());
    qsizetype done = 0;
    for (;;) {
        const qsizetype element = svg.indexOf("<text", done);
        const qsizetype content = element < 0 ? -1 : svg.indexOf('>', element);
        const qsizetype end = content < 0 ? -1 : svg.indexOf("</text>", content);
        if (end < 0) {
            break;
        }
        result += svg.mid(done, content + 1 - done);
        const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(svg.constData()) + content + 1,
                                     std::size_t(end - content - 1));
        QString text = DecodeCodePage(bytes, codePage);
        // XML 1.0 allows no control characters but tab and the line ends.
        text.removeIf([](QChar c) { return c < QChar(0x20) && c != u'\t' && c != u'\n' && c != u'\r'; });
        result += text.toHtmlEscaped().toUtf8();
        done = end;
    }
    result += svg.mid(done);
    return result;
}

// An element's start tag with each negative width or height turned round, its position moved to the other
// edge.
QString WithPositiveSizes(const QString& tag) {
    static const QRegularExpression attribute(QStringLiteral("\\b(x|y|width|height|rx|ry)=\"([^\"]*)\""));
    QHash<QString, double> values;
    for (auto it = attribute.globalMatch(tag); it.hasNext();) {
        const QRegularExpressionMatch value = it.next();
        values.insert(value.captured(1), value.captured(2).toDouble());
    }
    const auto turn = [&values](const QString& size, const QString& position) {
        if (values.value(size) < 0) {
            values[position] += values[size];
            values[size] = -values[size];
        }
    };
    turn(QStringLiteral("width"), QStringLiteral("x"));
    turn(QStringLiteral("height"), QStringLiteral("y"));
    // Radii belong to a centre, which stays.
    values[QStringLiteral("rx")] = std::abs(values.value(QStringLiteral("rx")));
    values[QStringLiteral("ry")] = std::abs(values.value(QStringLiteral("ry")));
    QString result;
    qsizetype done = 0;
    for (auto it = attribute.globalMatch(tag); it.hasNext();) {
        const QRegularExpressionMatch value = it.next();
        result += QStringView(tag).mid(done, value.capturedStart(2) - done);
        result += QString::number(values.value(value.captured(1)), 'f', 6);
        done = value.capturedEnd(2);
    }
    result += QStringView(tag).mid(done);
    return result;
}

// libwmf writes the sizes of rectangles, ellipses and images as a flipped window makes them, negative,
// and SVG draws nothing of a negative size.
QByteArray PositiveSizes(const QByteArray& svg) {
    static const QRegularExpression negativeSize(
        QStringLiteral("<(rect|ellipse|image)\\s[^>]*\\b(width|height|rx|ry)=\"-[^>]*>"));
    const QString text = QString::fromUtf8(svg);
    QString result;
    qsizetype done = 0;
    for (auto it = negativeSize.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch tag = it.next();
        result += QStringView(text).mid(done, tag.capturedStart() - done);
        result += WithPositiveSizes(tag.captured());
        done = tag.capturedEnd();
    }
    if (done == 0) {
        return svg;
    }
    result += QStringView(text).mid(done);
    return result.toUtf8();
}

// The frame of the placeable header (the window that the file sets, in libwmf's units) becomes the
// SVG's whole width and height: libwmf would otherwise fit the drawn extent alone to them.
QByteArray WindowsToSvg(QByteArray bytes, const TMetafileHeader& header) {
    const auto data =
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    const TWindowsRecords records = ScanWindowsRecords(data);
    TWmfApi wmf(bytes);
    const auto drawn = wmf.Scan();
    if (!drawn) {
        return QByteArray();
    }
    wmf_svg_t* device = WMF_SVG_GetData(wmf.Api);
    device->out = wmf_stream_create(wmf.Api, nullptr);
    if (!device->out) {
        return QByteArray();
    }
    const QRectF frame = DeviceFrame(data, records, LogicalFrame(records, header.Bounds), *drawn);
    wmfD_Rect box{};
    box.TL = {float(frame.left()), float(frame.top())};
    box.BR = {float(frame.right()), float(frame.bottom())};
    device->Description = const_cast<char*>("");
    device->bbox = box;
    device->width = unsigned(std::max(header.Width, 1));
    device->height = unsigned(std::max(header.Height, 1));
    const bool played = wmf_play(wmf.Api, 0, &box) == wmf_E_None;
    char* text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(wmf.Api, device->out, &text, &length);
    QByteArray svg;
    if (played && text) {
        svg = PositiveSizes(TextAsUtf8(QByteArray(text, qsizetype(length)), records.CodePage));
    }
    if (text) {
        wmf_free(wmf.Api, text);
    }
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
    FRenderer = std::make_unique<TClippedSvg>(svg);
    if (svg.isEmpty() || !FRenderer->IsValid()) {
        RaiseInvalidMetafile();
    }
    if (Enhanced() && !FHeader.Frame.isEmpty()) {
        FRenderer->SetViewBox(FHeader.Frame);
    }
}

TMetafile::~TMetafile() = default;

void TMetafile::Draw(TBitmap& bitmap, int width, int height) const {
    if (!FRenderer || bitmap.Empty() || width <= 0 || height <= 0) {
        return;
    }
    QImage image = bitmap.Image();
    FRenderer->Render(image, QRectF(0, 0, width, height));
}
