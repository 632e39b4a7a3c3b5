#include "imageio/FormatTable.h"

#include "imageio/FileExtension.h"
#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include <string>

namespace {

// Adapters of the readers that take more than the common signature.

void LoadBmp(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    ReadBmp(stream, bitmap, stream.Size(), params, context);
}

// The page count matters to callers that page through a file; the slide show shows the first page.
void LoadTiff(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    int pageCount = 0;
    ReadTiff(stream, bitmap, pageCount, params, context);
}

void LoadPcx(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    ReadPcx(stream, bitmap, stream.Size(), params, context);
}

// Targa files are also loaded from ".win", which the list of extensions does not name, and not from
// ".pix", which it does. The metafiles are imported by path rather than read from a stream.
constexpr TFileFormatInfo Formats[] = {
    {.Code = 1, .Description = "TIFF Bitmap", .Extensions = "TIF;TIFF", .Reader = LoadTiff},
    {.Code = 2, .Description = "CompuServe Bitmap", .Extensions = "GIF", .Reader = ReadGif},
    {.Code = 3, .Description = "JPEG Bitmap", .Extensions = "JPG;JPEG;JPE", .Reader = ReadJpeg},
    {.Code = 4, .Description = "PaintBrush", .Extensions = "PCX", .Reader = LoadPcx},
    {.Code = 5, .Description = "Windows Bitmap", .Extensions = "BMP;DIB;RLE", .Reader = LoadBmp},
    {.Code = 6, .Description = "Windows Icon", .Extensions = "ICO", .Reader = ReadIcon},
    {.Code = 7, .Description = "Windows Cursor", .Extensions = "CUR", .Reader = ReadCursor},
    {.Code = 8, .Description = "Portable Network Graphics", .Extensions = "PNG", .Reader = ReadPng},
    {.Code = MetafileFileType,
     .Description = "Windows Metafile",
     .Extensions = "WMF",
     .ImportedByPath = true},
    {.Code = EnhancedMetafileFileType,
     .Description = "Enhanced Windows Metafile",
     .Extensions = "EMF",
     .ImportedByPath = true},
    {.Code = 11,
     .Description = "Targa Bitmap",
     .Extensions = "TGA;TARGA;VDA;ICB;VST;PIX",
     .Reader = ReadTga,
     .AlsoLoaded = "WIN",
     .NotLoaded = "PIX"},
    {.Code = 12, .Description = "WebP Bitmap", .Extensions = "WEBP", .Reader = ReadWebp},
    {.Code = 13,
     .Description = "High Efficiency Image File",
     .Extensions = "HEIC;HEIF;HIF",
     .Reader = ReadHeif},
    {.Code = 14, .Description = "AV1 Image File", .Extensions = "AVIF", .Reader = ReadHeif},
    {.Code = 15, .Description = "JPEG XL", .Extensions = "JXL", .Reader = ReadJxl},
};

// True when one of the ";"-separated names of the list is the extension as same(name) says.
template <typename Same> bool ListNames(std::string_view list, Same same) {
    while (!list.empty()) {
        const std::size_t end = list.find(';');
        if (same(list.substr(0, end))) {
            return true;
        }
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    }
    return false;
}

// A table name (upper case) against an extension without its dot, ASCII letters in any case.
template <typename Char> bool SameName(std::string_view name, std::basic_string_view<Char> extension) {
    if (name.size() != extension.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (AsciiLower(extension[i]) != Char(AsciiLower(name[i]))) {
            return false;
        }
    }
    return true;
}

template <typename Char> const TFileFormatInfo* LoaderFormatOfName(std::basic_string_view<Char> extension) {
    if (extension.size() < 2 || extension.front() != Char('.')) {
        return nullptr;
    }
    const std::basic_string_view<Char> name = extension.substr(1);
    const auto same = [name](std::string_view listed) { return SameName(listed, name); };
    for (const TFileFormatInfo& format : Formats) {
        if (ListNames(format.AlsoLoaded, same) ||
            (ListNames(format.Extensions, same) && !ListNames(format.NotLoaded, same))) {
            return &format;
        }
    }
    return nullptr;
}

} // namespace

constinit const std::span<const TFileFormatInfo> FileFormatTable(Formats);

int FileFormatOfExtension(const QString& extension) {
    const std::string wanted = extension.toUpper().toStdString();
    if (wanted.empty()) {
        return 0;
    }
    for (const TFileFormatInfo& format : Formats) {
        if (ListNames(format.Extensions, [&wanted](std::string_view listed) { return listed == wanted; })) {
            return format.Code;
        }
    }
    return 0;
}

const TFileFormatInfo* LoaderFormatOf(QStringView extension) {
    return LoaderFormatOfName(std::u16string_view(reinterpret_cast<const char16_t*>(extension.utf16()),
                                                  std::size_t(extension.size())));
}

const TFileFormatInfo* LoaderFormatOf(std::string_view extension) {
    return LoaderFormatOfName(extension);
}

bool LoaderReadsExtension(std::string_view extension) {
    const TFileFormatInfo* format = LoaderFormatOf(extension);
    return format && format->LoaderReads();
}
