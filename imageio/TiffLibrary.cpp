// TIFF through libtiff. libtiff reads the directories and decodes strips and tiles; grey and RGB of 8-bit,
// 16-bit and 32-bit floating-point samples in one plane become bitmap rows here, every other layout goes
// through libtiff's RGBA interface in bands of whole strips or tile rows. libtiff reads from the stream
// through client procedures, so it sees no more than the stream's bytes.

#include "imageio/TiffLibrary.h"

#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "imageio/TiffFields.h"

#include "platform/ScreenDpi.h"

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

// libtiff's largest single allocation (a strip or tile of a picture at the bitmap limit).
constexpr tmsize_t MaxLibraryAllocation = tmsize_t(TBitmap::MaxPixelBytes);
// A decoded strip or tile holds at most four 32-bit samples per pixel of the picture; tiles may be larger
// than a small picture, so blocks up to SmallBlockPixels are always accepted. A header that makes a block
// larger than that asks for an allocation that no picture needs.
constexpr std::int64_t MaxBlockBytesPerPixel = 16;
constexpr std::int64_t SmallBlockPixels = std::int64_t(1) << 20;
// The RGBA interface reads bands of whole strips or tile rows; small strips are taken together.
constexpr std::uint32_t MinBandRows = 64;

// The stream behind libtiff's client procedures.
TStream& StreamOf(thandle_t handle) {
    return *static_cast<TStream*>(handle);
}

tmsize_t ReadStream(thandle_t handle, void* buffer, tmsize_t size) {
    return tmsize_t(StreamOf(handle).Read(buffer, std::int64_t(size)));
}

tmsize_t WriteNothing(thandle_t, void*, tmsize_t) {
    return -1;
}

// Offsets are unsigned; a backward relative seek arrives as its two's complement. Nothing can be read
// beyond the end, so a seek there (an offset that points nowhere) fails at once.
toff_t SeekStream(thandle_t handle, toff_t offset, int whence) {
    TStream& stream = StreamOf(handle);
    const std::int64_t base = whence == SEEK_CUR ? stream.Position() : whence == SEEK_END ? stream.Size() : 0;
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, std::int64_t(offset), &target) || target < 0 || target > stream.Size()) {
        return toff_t(-1);
    }
    stream.Seek(target);
    return toff_t(stream.Position());
}

int CloseNothing(thandle_t) {
    return 0;
}

toff_t StreamSize(thandle_t handle) {
    return toff_t(StreamOf(handle).Size());
}

int MapNothing(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapNothing(thandle_t, void*, toff_t) {}

// Returning 1 tells libtiff that the message was handled, so it goes no further.
int DropMessage(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// The few messages that libtiff sends to its process-wide handlers instead of a file's go nowhere too.
void SilenceProcessHandlers() {
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandlerExt(nullptr);
        TIFFSetWarningHandlerExt(nullptr);
        return true;
    }();
    (void)silenced;
}

struct TTiffClose {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TTiffHandle = std::unique_ptr<TIFF, TTiffClose>;

TTiffHandle OpenStream(TStream& stream) {
    SilenceProcessHandlers();
    const std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                               TIFFOpenOptionsFree);
    if (!options) {
        return nullptr;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), MaxLibraryAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), DropMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), DropMessage, nullptr);
    stream.Seek(0);
    // "m": no memory mapping; the stream is all libtiff gets.
    return TTiffHandle(TIFFClientOpenExt("picture", "rm", &stream, ReadStream, WriteNothing, SeekStream,
                                         CloseNothing, StreamSize, MapNothing, UnmapNothing, options.get()));
}

// The tags of the page that decide how it is decoded.
struct TPage {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint16_t Bits = 1;
    std::uint16_t Samples = 1;
    std::uint16_t Compression = COMPRESSION_NONE;
    std::uint16_t Photometric = PHOTOMETRIC_RGB;
    std::uint16_t Planar = PLANARCONFIG_CONTIG;
    std::uint16_t SampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t ExtraCount = 0;
    const std::uint16_t* ExtraTypes = nullptr;
    bool Tiled = false;
};

TPage ReadPage(TIFF* tif) {
    TPage page;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.Width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.Height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page.Bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page.Samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &page.Compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &page.Photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &page.Planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &page.SampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &page.ExtraCount, &page.ExtraTypes);
    page.Tiled = TIFFIsTiled(tif) != 0;
    return page;
}

QString TextTag(TIFF* tif, ttag_t tag) {
    const char* text = nullptr;
    return TIFFGetField(tif, tag, &text) && text ? QString::fromLatin1(text) : QString();
}

void FillParams(TIFF* tif, const TPage& page, TIOParams& params) {
    params.Width = std::int32_t(std::min<std::uint32_t>(page.Width, INT_MAX));
    params.Height = std::int32_t(std::min<std::uint32_t>(page.Height, INT_MAX));
    params.BitsPerSample = page.Bits;
    params.SamplesPerPixel = page.Samples;
    float xResolution = 0, yResolution = 0;
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xResolution);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yResolution);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    params.XDpi = TiffDpi(xResolution, unit, ScreenDpiX());
    params.YDpi = TiffDpi(yResolution, unit, ScreenDpiY());
    std::uint32_t t4Options = 0;
    if (page.Compression == COMPRESSION_CCITTFAX3) {
        TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &t4Options);
    }
    params.TiffCompression = TiffCompressionField(page.Compression, t4Options, params.TiffCompression);
    params.TiffPhotometric = TiffPhotometricField(page.Photometric, params.TiffPhotometric);
    params.TiffPlanarConfig = page.Planar;
    params.TiffDocumentName = TextTag(tif, TIFFTAG_DOCUMENTNAME);
    params.TiffImageDescription = TextTag(tif, TIFFTAG_IMAGEDESCRIPTION);
    params.TiffPageName = TextTag(tif, TIFFTAG_PAGENAME);
    std::uint16_t pageNumber = 0, pageTotal = 0;
    TIFFGetField(tif, TIFFTAG_PAGENUMBER, &pageNumber, &pageTotal);
    params.TiffPageNumber = pageNumber;
    params.TiffPageCount = pageTotal;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation);
    params.ExifOrientation = TiffOrientation(orientation);
    params.FreePalette();
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (page.Bits <= 8 && TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
        params.Palette.resize(std::size_t(1) << page.Bits);
        for (std::size_t i = 0; i < params.Palette.size(); ++i) {
            params.Palette[i] = {std::uint8_t(blue[i] >> 8), std::uint8_t(green[i] >> 8),
                                 std::uint8_t(red[i] >> 8)};
        }
        params.PaletteCount = std::int32_t(params.Palette.size());
    }
}

template <typename T> bool AllZero(const std::vector<T>& values) {
    return std::all_of(values.begin(), values.end(), [](T v) { return v == 0; });
}

// Grey or RGB samples in one plane that become bitmap pixels here.
struct TSamples {
    int Colours = 3;  // 1 for grey
    int PerPixel = 3; // extra samples included
    int Bytes = 1;    // 1, 2 or 4 (32-bit floating point)
    bool WhiteIsZero = false;
    int UnassociatedAlpha = -1; // the sample that is composited over black, if any
};

std::optional<TSamples> DirectSamples(const TPage& page) {
    TSamples samples;
    samples.PerPixel = page.Samples;
    samples.Bytes = page.Bits / 8;
    const bool grey =
        page.Photometric == PHOTOMETRIC_MINISBLACK || page.Photometric == PHOTOMETRIC_MINISWHITE;
    samples.Colours = grey ? 1 : 3;
    samples.WhiteIsZero = page.Photometric == PHOTOMETRIC_MINISWHITE;
    const bool integer = page.SampleFormat == SAMPLEFORMAT_UINT || page.SampleFormat == SAMPLEFORMAT_VOID;
    const bool sampleKnown = ((page.Bits == 8 || page.Bits == 16) && integer) ||
                             (page.Bits == 32 && page.SampleFormat == SAMPLEFORMAT_IEEEFP);
    // Extra samples beyond colour and alpha take the general road; so do the codecs whose raw output
    // is not the photometric's samples.
    const bool layoutKnown = (grey || page.Photometric == PHOTOMETRIC_RGB) &&
                             page.Samples >= samples.Colours && page.Samples <= samples.Colours + 1 &&
                             (page.Planar == PLANARCONFIG_CONTIG || page.Samples == 1) &&
                             page.Compression != COMPRESSION_OJPEG;
    if (!sampleKnown || !layoutKnown) {
        return std::nullopt;
    }
    if (page.Samples > samples.Colours && page.ExtraCount > 0 && page.ExtraTypes &&
        page.ExtraTypes[0] == EXTRASAMPLE_UNASSALPHA) {
        samples.UnassociatedAlpha = samples.Colours;
    }
    return samples;
}

// How the picture is cut into strips or tiles, and one decoded block at a time.
class TBlocks {
public:
    TBlocks(TIFF* tif, const TPage& page) : FTif(tif), FPage(page) {
        if (page.Tiled) {
            TIFFGetField(tif, TIFFTAG_TILEWIDTH, &FBlockWidth);
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &FBlockLength);
            FBlockBytes = TIFFTileSize64(tif);
            FRowBytes = TIFFTileRowSize64(tif);
        } else {
            FBlockWidth = page.Width;
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &FBlockLength);
            FBlockLength = std::min(FBlockLength, page.Height);
            FBlockBytes = TIFFStripSize64(tif);
            FRowBytes = TIFFScanlineSize64(tif);
        }
    }

    // Blocks of no size, or larger than any picture of this size needs, are refused before decoding.
    bool Sensible() const {
        if (FBlockWidth == 0 || FBlockLength == 0 || FBlockBytes == 0 || FRowBytes == 0) {
            return false;
        }
        const std::int64_t pixels =
            std::max<std::int64_t>(std::int64_t(FPage.Width) * FPage.Height, SmallBlockPixels);
        return FBlockBytes <= std::uint64_t(pixels * MaxBlockBytesPerPixel) &&
               FBlockBytes <= std::uint64_t(MaxLibraryAllocation);
    }

    std::uint32_t Width() const { return FBlockWidth; }
    std::uint32_t Length() const { return FBlockLength; }
    std::size_t RowBytes() const { return std::size_t(FRowBytes); }

    // The decoded block whose top left pixel is (x, y); the block decoded last is kept. A block that fails
    // to decode keeps what libtiff gave of it, the rest 0.
    const std::uint8_t* Block(std::uint32_t x, std::uint32_t y) {
        const std::uint32_t index =
            FPage.Tiled ? TIFFComputeTile(FTif, x, y, 0, 0) : TIFFComputeStrip(FTif, y, 0);
        if (!FDecoded || index != FIndex) {
            Decode(index);
        }
        return FBuffer.data();
    }

    // Decodes the first block: false when libtiff gives nothing of it (a codec that refuses the layout,
    // data that is no such code), which refuses the page before the bitmap is touched. A block that
    // breaks off gives its beginning.
    bool FirstDecodes() { return Decode(0) || !AllZero(FBuffer); }

private:
    // A block that fails is decoded again into zeros, so that no byte of the block before it remains.
    bool Decode(std::uint32_t index) {
        FBuffer.resize(std::size_t(FBlockBytes));
        FIndex = index;
        FDecoded = true;
        if (DecodeInto(index)) {
            return true;
        }
        std::fill(FBuffer.begin(), FBuffer.end(), std::uint8_t(0));
        return DecodeInto(index);
    }

    bool DecodeInto(std::uint32_t index) {
        const tmsize_t size = tmsize_t(FBuffer.size());
        const tmsize_t got = FPage.Tiled ? TIFFReadEncodedTile(FTif, index, FBuffer.data(), size)
                                         : TIFFReadEncodedStrip(FTif, index, FBuffer.data(), size);
        return got > 0;
    }

    TIFF* FTif;
    const TPage& FPage;
    std::uint32_t FBlockWidth = 0;
    std::uint32_t FBlockLength = 0;
    std::uint64_t FBlockBytes = 0;
    std::uint64_t FRowBytes = 0;
    std::vector<std::uint8_t> FBuffer;
    std::uint32_t FIndex = 0;
    bool FDecoded = false;
};

// Walks the blocks row of blocks by row of blocks and hands each decoded row piece to put(row, x, y,
// pixels). After each row of blocks: progress, and the stop a caller may ask for.
template <typename TPut>
bool ForEachRowPiece(TBlocks& blocks, const TPage& page, ProgressContext* context, TPut put) {
    for (std::uint32_t y = 0; y < page.Height; y += blocks.Length()) {
        const std::uint32_t rows = std::min(blocks.Length(), page.Height - y);
        for (std::uint32_t x = 0; x < page.Width; x += blocks.Width()) {
            const std::uint8_t* block = blocks.Block(x, y);
            const std::uint32_t pixels = std::min(blocks.Width(), page.Width - x);
            for (std::uint32_t r = 0; r < rows; ++r) {
                put(block + r * blocks.RowBytes(), x, y + r, pixels);
            }
        }
        if (context) {
            context->Counter += int(rows);
            context->Report();
            if (context->IsAborted()) {
                return false;
            }
        }
    }
    return true;
}

float FloatAt(const std::uint8_t* p) {
    float value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

std::uint16_t WordAt(const std::uint8_t* p) {
    std::uint16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// One sample as an 8-bit level: 16-bit samples rounded to the nearest level, floating point from 0 to 1.
std::uint8_t Level(const TSamples& samples, const std::uint8_t* p) {
    switch (samples.Bytes) {
    case 1:
        return p[0];
    case 2:
        return std::uint8_t((std::uint32_t(WordAt(p)) * 255 + 32767) / 65535);
    default: {
        const float value = FloatAt(p);
        return value > 0.0f ? value < 1.0f ? std::uint8_t(value * 255.0f + 0.5f) : 255 : 0;
    }
    }
}

// The largest grey sample of a 16-bit grey picture, MaxSampleValue included, for TGrey16Scale.
std::uint32_t LargestGrey16(TIFF* tif, TBlocks& blocks, const TPage& page, const TSamples& samples) {
    std::uint16_t largest = 0;
    TIFFGetField(tif, TIFFTAG_MAXSAMPLEVALUE, &largest);
    if (largest > TGrey16Scale::Largest12Bit) {
        return largest;
    }
    const std::size_t step = std::size_t(samples.PerPixel) * 2;
    ForEachRowPiece(blocks, page, nullptr,
                    [&](const std::uint8_t* row, std::uint32_t, std::uint32_t, std::uint32_t pixels) {
                        for (std::uint32_t i = 0; i < pixels; ++i) {
                            largest = std::max(largest, WordAt(row + i * step));
                        }
                    });
    return largest;
}

// Pixels of one row piece into blue, green, red.
class TPixelWriter {
public:
    TPixelWriter(const TSamples& samples, std::optional<TGrey16Scale> grey16)
        : FSamples(samples), FGrey16(grey16) {}

    void Put(const std::uint8_t* in, std::uint32_t pixels, std::uint8_t* out) const {
        const std::size_t step = std::size_t(FSamples.PerPixel) * FSamples.Bytes;
        if (FSamples.Bytes == 1 && FSamples.Colours == 3 && FSamples.UnassociatedAlpha < 0) {
            for (std::uint32_t i = 0; i < pixels; ++i, in += step, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            return;
        }
        for (std::uint32_t i = 0; i < pixels; ++i, in += step, out += 3) {
            std::uint8_t rgb[3];
            for (int c = 0; c < FSamples.Colours; ++c) {
                rgb[c] = Colour(in + c * FSamples.Bytes);
            }
            if (FSamples.Colours == 1) {
                rgb[1] = rgb[2] = rgb[0];
            }
            if (FSamples.UnassociatedAlpha >= 0) {
                const unsigned alpha = Level(FSamples, in + FSamples.UnassociatedAlpha * FSamples.Bytes);
                for (std::uint8_t& level : rgb) {
                    level = std::uint8_t((level * alpha + 127) / 255);
                }
            }
            out[0] = rgb[2];
            out[1] = rgb[1];
            out[2] = rgb[0];
        }
    }

private:
    std::uint8_t Colour(const std::uint8_t* p) const {
        if (FGrey16) {
            return (*FGrey16)(WordAt(p));
        }
        const std::uint8_t level = Level(FSamples, p);
        return FSamples.WhiteIsZero ? std::uint8_t(255 - level) : level;
    }

    TSamples FSamples;
    std::optional<TGrey16Scale> FGrey16;
};

void DecodeDirect(TIFF* tif, TBlocks& blocks, const TPage& page, const TSamples& samples, TBitmap& bitmap,
                  ProgressContext& context) {
    std::optional<TGrey16Scale> grey16;
    if (samples.Colours == 1 && samples.Bytes == 2) {
        grey16.emplace(LargestGrey16(tif, blocks, page, samples), samples.WhiteIsZero);
    }
    const TPixelWriter writer(samples, grey16);
    ForEachRowPiece(blocks, page, &context,
                    [&](const std::uint8_t* row, std::uint32_t x, std::uint32_t y, std::uint32_t pixels) {
                        writer.Put(row, pixels, bitmap.ScanLine(int(y)) + std::size_t(x) * 3);
                    });
}

// Everything else through libtiff's RGBA interface, which also composites unassociated alpha over black,
// in bands of whole strips or tile rows. The rows come as stored: the requested orientation is the
// file's own.
class TRgbaBands {
public:
    TRgbaBands(TIFFRGBAImage& image, const TBlocks& blocks) : FImage(image) {
        FImage.req_orientation = FImage.orientation;
        const std::uint64_t blocksPerBand = (MinBandRows + blocks.Length() - 1) / blocks.Length();
        FBand = std::uint32_t(std::min<std::uint64_t>(blocks.Length() * blocksPerBand, image.height));
    }

    std::uint32_t Rows() const { return FBand; }

    // The band of rows from y. A strip or tile that fails to decode gives what libtiff made of it.
    void Read(std::uint32_t y) {
        const std::uint32_t rows = std::min(FBand, FImage.height - y);
        FRaster.assign(std::size_t(FImage.width) * rows, 0);
        FImage.row_offset = int(y);
        FImage.col_offset = 0;
        TIFFRGBAImageGet(&FImage, FRaster.data(), FImage.width, rows);
    }

    // The first band, stopping at the first strip or tile that fails: false when nothing of it came
    // (every pixel that libtiff puts is opaque, so not 0), which refuses the page as TBlocks does.
    bool FirstDecodes() {
        FImage.stoponerr = 1;
        Read(0);
        FImage.stoponerr = 0;
        return !AllZero(FRaster);
    }

    void Put(std::uint32_t y, TBitmap& bitmap) const {
        const std::uint32_t width = FImage.width;
        const std::uint32_t rows = std::min(FBand, FImage.height - y);
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t* in = FRaster.data() + std::size_t(r) * width;
            std::uint8_t* out = bitmap.ScanLine(int(y + r));
            for (std::uint32_t x = 0; x < width; ++x, out += 3) {
                out[0] = std::uint8_t(TIFFGetB(in[x]));
                out[1] = std::uint8_t(TIFFGetG(in[x]));
                out[2] = std::uint8_t(TIFFGetR(in[x]));
            }
        }
    }

private:
    TIFFRGBAImage& FImage;
    std::uint32_t FBand = 0;
    std::vector<std::uint32_t> FRaster;
};

// Reads the bands after the first, which is in bands already.
void DecodeRgba(TRgbaBands& bands, std::uint32_t height, TBitmap& bitmap, ProgressContext& context) {
    for (std::uint32_t y = 0; y < height; y += bands.Rows()) {
        if (y > 0) {
            bands.Read(y);
        }
        bands.Put(y, bitmap);
        context.Counter += int(std::min(bands.Rows(), height - y));
        context.Report();
        if (context.IsAborted()) {
            return;
        }
    }
}

struct TRgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

// The bitmap takes the page's size, black, and progress starts.
void StartBitmap(TBitmap& bitmap, const TPage& page, ProgressContext& context) {
    ResetBitmapBlack(bitmap, int(page.Width), int(page.Height), TPixelFormat::pf24bit);
    context.Counter = 0;
    context.Factor = 100.0 / bitmap.Height();
}

} // namespace

void ReadTiffThroughLibrary(TStream& stream, TBitmap& bitmap, int& pageCount, TIOParams& params,
                            ProgressContext& context) {
    pageCount = 0;
    const TTiffHandle tif = OpenStream(stream);
    if (!tif) {
        context.Abort();
        return;
    }
    const tdir_t pages = TIFFNumberOfDirectories(tif.get());
    pageCount = int(std::min<tdir_t>(pages, INT_MAX));
    if (params.TiffImageIndex < 0 || tdir_t(params.TiffImageIndex) >= pages) {
        return;
    }
    if (!TIFFSetDirectory(tif.get(), tdir_t(params.TiffImageIndex))) {
        context.Abort();
        return;
    }
    const TPage page = ReadPage(tif.get());
    FillParams(tif.get(), page, params);
    TBlocks blocks(tif.get(), page);
    if (page.Width == 0 || page.Height == 0 || page.Width > INT_MAX || page.Height > INT_MAX ||
        !blocks.Sensible()) {
        context.Abort();
        return;
    }
    CheckBitmapSize(int(page.Width), int(page.Height), TPixelFormat::pf24bit);
    const std::optional<TSamples> samples = DirectSamples(page);
    if (samples) {
        if (!blocks.FirstDecodes()) {
            context.Abort();
            return;
        }
        StartBitmap(bitmap, page, context);
        DecodeDirect(tif.get(), blocks, page, *samples, bitmap, context);
        return;
    }
    TIFFRGBAImage image{};
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif.get(), message) || !TIFFRGBAImageBegin(&image, tif.get(), 0, message)) {
        context.Abort();
        return;
    }
    const std::unique_ptr<TIFFRGBAImage, TRgbaImageEnd> imageEnd(&image);
    TRgbaBands bands(image, blocks);
    if (!bands.FirstDecodes()) {
        context.Abort();
        return;
    }
    StartBitmap(bitmap, page, context);
    DecodeRgba(bands, page.Height, bitmap, context);
}
