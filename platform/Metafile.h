#pragma once

#include <QRect>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

class TClippedSvg;
class TBitmap;

enum class TMetafileKind { Windows, Enhanced };

// What a metafile's own header says, checked before any library sees the file.
struct TMetafileHeader {
    TMetafileKind Kind = TMetafileKind::Windows;
    // The natural size in screen pixels: an enhanced metafile's frame (0.01 mm), a placeable Windows
    // metafile's bounding box over its units per inch. 0 for an empty or inverted extent.
    int Width = 0;
    int Height = 0;
    // Enhanced metafiles: the frame in the coordinates the converter draws in (reference-device pixels
    // from the top left of the bounds); empty when the header gives no usable reference device.
    QRectF Frame;
    // Placeable Windows metafiles: the bounding box in the file's logical units (left, top, width, height).
    QRect Bounds;
};

// Recognises an enhanced metafile (EMR_HEADER with the " EMF" signature) or a placeable Windows metafile
// (the 22-byte placeable header followed by a standard metafile header); anything else gives nothing.
std::optional<TMetafileHeader> ReadMetafileHeader(std::span<const std::uint8_t> bytes, int dpiX, int dpiY);

// The stand-in for the system's metafile object: loads a file, reports its natural size and draws it.
// Enhanced metafiles are converted to SVG by libemf2svg, Windows metafiles by libwmf, both when the file
// is loaded; drawing renders that SVG with Qt SVG, clip paths included.
class TMetafile {
public:
    // Files larger than this are refused: the SVG text grows with the record count, and no drawing
    // worth showing needs 64 MiB of records.
    static constexpr std::int64_t MaxFileBytes = std::int64_t(64) << 20;

    // Raises EFOpenError when the file cannot be read, and EInvalidGraphic "Metafile is not valid" when
    // its header is not that of a metafile or the converter cannot make a picture of it. Needs a
    // QGuiApplication (SVG text needs fonts); without one it raises EInvalidGraphic.
    explicit TMetafile(const QString& path);
    ~TMetafile();
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    bool Enhanced() const { return FHeader.Kind == TMetafileKind::Enhanced; }
    int Width() const { return FHeader.Width; }
    int Height() const { return FHeader.Height; }

    // Draws the picture stretched to width x height with its top left at the bitmap's top left; what
    // falls outside the bitmap is clipped. The bitmap must be 24 bits per pixel. A picture of empty
    // natural size draws nothing.
    void Draw(TBitmap& bitmap, int width, int height) const;

private:
    TMetafileHeader FHeader;
    std::unique_ptr<TClippedSvg> FRenderer;
};
