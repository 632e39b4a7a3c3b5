// JPEG files through libjpeg (version 6b interface). The library decodes; this file feeds it from the
// stream, turns its fatal errors into Aborted, and places its rows in the bitmap as blue, green, red.

#include "imageio/Orientation.h"
#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include "platform/Exceptions.h"
#include "platform/Fit.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr std::size_t InputBufferSize = 4096;

// A progressive file may hold any number of scans, and each scan walks every block of the picture, so a
// small file could keep the decoder busy for minutes. Encoders write about ten; 500 is generous.
constexpr int MaxScans = 500;

// The library's own buffers of a progressive picture take 2 bytes per sample for the whole picture, also
// when only a reduced size is wanted. Twice the bitmap limit is what a full-size 3-colour picture at the
// bitmap limit needs; a header that asks for more is refused before anything is allocated.
constexpr long MaxLibraryMemory = long(2 * TBitmap::MaxPixelBytes);

// The library's fatal-error routine must not return to it: it jumps back to the read, which cleans up.
// While finishing, Aborted is null, so that errors then are ignored.
struct TJpegError {
    jpeg_error_mgr Manager;
    bool* Aborted;
    std::jmp_buf Jump;
};

void ErrorExit(j_common_ptr info) {
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    if (error->Aborted) {
        *error->Aborted = true;
    }
    std::longjmp(error->Jump, 1);
}

void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) {
    buffer[0] = '\0';
}

void ResetErrorManager(j_common_ptr info) {
    info->err->num_warnings = 0;
    info->err->msg_code = 0;
}

struct TJpegSource {
    jpeg_source_mgr Manager;
    TStream* Stream;
    JOCTET* Buffer;
    bool StartOfFile;
};

TJpegSource* SourceOf(j_decompress_ptr info) {
    return reinterpret_cast<TJpegSource*>(info->src);
}

void InitSource(j_decompress_ptr info) {
    SourceOf(info)->StartOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr info) {
    TJpegSource* source = SourceOf(info);
    std::int64_t count = source->Stream->Read(source->Buffer, InputBufferSize);
    if (count <= 0) {
        if (source->StartOfFile) {
            ERREXIT(info, JERR_INPUT_EMPTY);
        }
        // A file that ends early is fed an end-of-image marker; the library fills the missing rows.
        WARNMS(info, JWRN_JPEG_EOF);
        source->Buffer[0] = JOCTET(0xFF);
        source->Buffer[1] = JOCTET(JPEG_EOI);
        count = 2;
    }
    source->Manager.next_input_byte = source->Buffer;
    source->Manager.bytes_in_buffer = std::size_t(count);
    source->StartOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
    if (count <= 0) {
        return;
    }
    TJpegSource* source = SourceOf(info);
    while (count > long(source->Manager.bytes_in_buffer)) {
        count -= long(source->Manager.bytes_in_buffer);
        FillInputBuffer(info);
    }
    source->Manager.next_input_byte += count;
    source->Manager.bytes_in_buffer -= std::size_t(count);
}

void TermSource(j_decompress_ptr) {}

void ProgressMonitor(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxScans) {
        info->err->msg_code = JERR_NOT_COMPILED;
        (*info->err->error_exit)(info);
    }
}

// Everything the library touches lives here, on the heap and trivially destructible, because a fatal
// error jumps over the frames between the library call and the read.
struct TJpegRead {
    jpeg_decompress_struct Info;
    TJpegError Error;
    TJpegSource Source;
    jpeg_progress_mgr Progress;
    bool Created;
};

struct TJpegReadDeleter {
    void operator()(TJpegRead* read) const {
        if (read->Created) {
            jpeg_destroy_decompress(&read->Info);
        }
        delete read;
    }
};

// JpegScale 0: the reduction 1/2^i whose pixel count comes closest to the target; a tie keeps the
// larger picture.
unsigned AutomaticDenominator(std::int64_t target, JDIMENSION width, JDIMENSION height) {
    if (target == 0) {
        return 1;
    }
    unsigned best = 1;
    std::int64_t bestDifference = -1;
    for (int i = 0; i < 4; ++i) {
        const std::int64_t pixels = std::int64_t(width >> i) * std::int64_t(height >> i);
        const std::int64_t difference = pixels > target ? pixels - target : target - pixels;
        if (bestDifference < 0 || difference < bestDifference) {
            bestDifference = difference;
            best = 1u << i;
        }
    }
    return best;
}

// The orientation of the first APP1 segment that gives one; the header read kept their bytes.
int OrientationOf(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1) {
            continue;
        }
        const int orientation =
            ExifOrientation(std::span<const std::uint8_t>(marker->data, marker->data_length));
        if (orientation != UprightOrientation) {
            return orientation;
        }
    }
    return UprightOrientation;
}

void CmykRowToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, JDIMENSION width) {
    // Adobe writes inverted values (255 = no ink), which the library passes through unchanged.
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned black = cmyk[3];
        bgr[0] = std::uint8_t(cmyk[2] * black / 255);
        bgr[1] = std::uint8_t(cmyk[1] * black / 255);
        bgr[2] = std::uint8_t(cmyk[0] * black / 255);
    }
}

// What the library hands over per pixel: blue, green, red straight into the bitmap, or four inks that
// CmykRowToBgr turns into them.
enum class TOutputColours { Bgr, Cmyk, Unsupported };

TOutputColours ChooseOutputColours(jpeg_decompress_struct& info, TIOParams& params) {
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        params.JpegColorSpace = ioJPEG_GRAYLEV;
        info.out_color_space = JCS_EXT_BGR;
        return TOutputColours::Bgr;
    case JCS_RGB:
        params.JpegColorSpace = ioJPEG_RGB;
        info.out_color_space = JCS_EXT_BGR;
        return TOutputColours::Bgr;
    case JCS_YCbCr:
        params.JpegColorSpace = ioJPEG_YCBCR;
        info.out_color_space = JCS_EXT_BGR;
        return TOutputColours::Bgr;
    case JCS_CMYK:
        params.JpegColorSpace = ioJPEG_CMYK;
        info.out_color_space = JCS_CMYK;
        return TOutputColours::Cmyk;
    case JCS_YCCK:
        params.JpegColorSpace = ioJPEG_YCBCRK;
        info.out_color_space = JCS_CMYK;
        return TOutputColours::Cmyk;
    default:
        // 2 or more than 4 components: nothing that maps onto three bytes per pixel.
        return TOutputColours::Unsupported;
    }
}

void ChooseDctMethod(jpeg_decompress_struct& info, const TIOParams& params) {
    switch (params.JpegDctMethod) {
    case ioJPEG_ISLOW:
        info.dct_method = JDCT_ISLOW;
        break;
    case ioJPEG_IFAST:
        info.dct_method = JDCT_IFAST;
        break;
    case ioJPEG_FLOAT:
        info.dct_method = JDCT_FLOAT;
        break;
    default:
        break;
    }
}

// Resolution, sample layout and scan structure as the header gives them.
void RecordHeaderFields(jpeg_decompress_struct& info, TIOParams& params) {
    if (info.density_unit == 0 || info.density_unit == 1) {
        params.XDpi = info.X_density;
        params.YDpi = info.Y_density;
    } else if (info.density_unit == 2) {
        // Dots per centimetre times 2.54, truncated.
        params.XDpi = std::int32_t(std::int64_t(info.X_density) * 254 / 100);
        params.YDpi = std::int32_t(std::int64_t(info.Y_density) * 254 / 100);
    }
    params.BitsPerSample = 8;
    params.SamplesPerPixel = 3;
    params.FreePalette();
    params.JpegProgressive = jpeg_has_multiple_scans(&info) ? 1 : 0;
}

void ChooseScale(jpeg_decompress_struct& info, const TIOParams& params) {
    info.scale_num = 1;
    switch (params.JpegScale) {
    case ioJPEG_AUTOCALC:
        info.scale_denom = AutomaticDenominator(std::int64_t(params.Width) * params.Height, info.image_width,
                                                info.image_height);
        break;
    case ioJPEG_FULLSIZE:
        info.scale_denom =
            JpegReductionFor(int(info.image_width), int(info.image_height), params.ExifOrientation,
                             params.JpegFitWidth, params.JpegFitHeight);
        break;
    case ioJPEG_HALF:
        info.scale_denom = 2;
        break;
    case ioJPEG_QUARTER:
        info.scale_denom = 4;
        break;
    case ioJPEG_EIGHTH:
        info.scale_denom = 8;
        break;
    default:
        break;
    }
}

// The bitmap would refuse this size only after the library had allocated its buffers for it.
void CheckOutputSize(jpeg_decompress_struct& info) {
    jpeg_calc_output_dimensions(&info);
    if (TBitmap::PixelBytesFor(int(info.output_width), int(info.output_height), TPixelFormat::pf24bit) >
            TBitmap::MaxPixelBytes ||
        info.output_width > JDIMENSION(INT32_MAX / 4)) {
        throw EOutOfMemory(
            QStringLiteral("A bitmap of %1 x %2 pixels would need more than the limit of 1 GiB")
                .arg(info.output_width)
                .arg(info.output_height));
    }
}

// The decompressed rows, top to bottom, into the sized bitmap; a CMYK row goes through the row buffer.
void ReadScanlines(jpeg_decompress_struct& info, TBitmap& bitmap, bool cmyk, ProgressContext& context,
                   std::vector<std::uint8_t>& rowBuffer) {
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = cmyk ? rowBuffer.data() : bitmap.ScanLine(int(info.output_scanline));
        const int y = int(info.output_scanline);
        const JDIMENSION got = jpeg_read_scanlines(&info, &row, 1);
        if (cmyk && got > 0) {
            CmykRowToBgr(rowBuffer.data(), bitmap.ScanLine(y), info.output_width);
        }
        context.Counter += int(got);
        context.Report();
        if (context.IsAborted()) {
            return;
        }
    }
}

// The library calls of one read. A fatal error leaves through ErrorExit, so no local here or in the
// functions it calls may need a destructor; the row buffer belongs to the caller.
void Decode(TJpegRead& read, TBitmap& bitmap, TIOParams& params, ProgressContext& context,
            std::vector<std::uint8_t>& rowBuffer) {
    jpeg_decompress_struct& info = read.Info;
    // Exif blocks are APP1 segments of at most 64 KiB, each as large as the file bytes it came from.
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    params.ExifOrientation = std::uint8_t(OrientationOf(info));

    const TOutputColours colours = ChooseOutputColours(info, params);
    if (colours == TOutputColours::Unsupported) {
        context.Abort();
        return;
    }
    const bool cmyk = colours == TOutputColours::Cmyk;
    ChooseDctMethod(info, params);
    RecordHeaderFields(info, params);
    ChooseScale(info, params);
    CheckOutputSize(info);

    jpeg_start_decompress(&info);
    const int width = int(info.output_width);
    const int height = int(info.output_height);
    params.Width = width;
    params.Height = height;
    ResetBitmapBlack(bitmap, width, height, TPixelFormat::pf24bit);
    if (cmyk) {
        rowBuffer.resize(std::size_t(width) * 4);
    }
    context.Factor = height > 0 ? 100.0 / height : 0.0;
    context.Counter = 0;
    ReadScanlines(info, bitmap, cmyk, context, rowBuffer);
}

} // namespace

unsigned JpegReductionFor(int width, int height, int orientation, int boxWidth, int boxHeight) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        return 1;
    }
    if (OrientationSwapsSides(orientation)) {
        std::swap(width, height);
    }
    const QSize fit = FittedSize(width, height, boxWidth, boxHeight);
    for (const unsigned denominator : {8u, 4u, 2u}) {
        // The library rounds reduced sides up.
        const int reducedWidth = int((unsigned(width) + denominator - 1) / denominator);
        const int reducedHeight = int((unsigned(height) + denominator - 1) / denominator);
        if (reducedWidth >= fit.width() && reducedHeight >= fit.height()) {
            return denominator;
        }
    }
    return 1;
}

void ReadJpeg(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    std::uint8_t signature[3] = {};
    const std::int64_t start = stream.Position();
    const std::int64_t got = stream.Read(signature, 3);
    stream.Seek(start);
    if (got < 3 || signature[0] != 0xFF || signature[1] != 0xD8 || signature[2] != 0xFF) {
        context.Abort();
        return;
    }

    std::unique_ptr<TJpegRead, TJpegReadDeleter> read(new TJpegRead{});
    std::vector<std::uint8_t> rowBuffer;
    jpeg_decompress_struct& info = read->Info;

    info.err = jpeg_std_error(&read->Error.Manager);
    read->Error.Manager.error_exit = ErrorExit;
    read->Error.Manager.emit_message = EmitMessage;
    read->Error.Manager.output_message = OutputMessage;
    read->Error.Manager.format_message = FormatMessage;
    read->Error.Manager.reset_error_mgr = ResetErrorManager;
    read->Error.Aborted = context.Aborted;

    if (setjmp(read->Error.Jump) == 0) {
        jpeg_CreateDecompress(&info, JPEG_LIB_VERSION, sizeof(info));
        read->Created = true;
        info.mem->max_memory_to_use = MaxLibraryMemory;

        read->Source.Stream = &stream;
        read->Source.Buffer = static_cast<JOCTET*>((*info.mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(&info), JPOOL_PERMANENT, InputBufferSize));
        read->Source.Manager.init_source = InitSource;
        read->Source.Manager.fill_input_buffer = FillInputBuffer;
        read->Source.Manager.skip_input_data = SkipInputData;
        read->Source.Manager.resync_to_restart = jpeg_resync_to_restart;
        read->Source.Manager.term_source = TermSource;
        read->Source.Manager.bytes_in_buffer = 0;
        read->Source.Manager.next_input_byte = nullptr;
        info.src = &read->Source.Manager;

        read->Progress.progress_monitor = ProgressMonitor;
        info.progress = &read->Progress;

        Decode(*read, bitmap, params, context, rowBuffer);
    }

    if (!context.IsAborted() && read->Created) {
        // Reads on to the end-of-image marker; whatever goes wrong there no longer matters.
        read->Error.Aborted = nullptr;
        if (setjmp(read->Error.Jump) == 0) {
            jpeg_finish_decompress(&info);
        }
    }
}
