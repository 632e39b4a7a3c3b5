#pragma once

// Every picture format the program knows, one constant row each. The loader's dispatch, the folder scan's
// choice of files and the picture checker's list of file types all come from these rows, so a new format
// is its reader and one row in FormatTable.cpp.

#include "imageio/IOParams.h"

#include <QString>
#include <QStringView>

#include <span>
#include <string_view>

class TBitmap;
class TStream;

// The signature every stream reader has; the loader opens the file and hands the stream over at
// position 0.
using TStreamReader = void (*)(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);

// The metafile import tells the two kinds apart by their content, not by the row it came through.
constexpr int MetafileFileType = 9;
constexpr int EnhancedMetafileFileType = 10;

struct TFileFormatInfo {
    // TIOParams::FileType after a load; 0 stands for no format.
    int Code;
    std::string_view Description;
    // ";"-separated, upper case, no dot: the extensions the format is known by.
    std::string_view Extensions;
    // How the loader reads the format: this reader, or the metafile import by path. With neither the
    // loader refuses the format's files and the folder scan passes them over.
    TStreamReader Reader = nullptr;
    bool ImportedByPath = false;
    // Where the loader's extensions differ from Extensions (same notation): the ones it also dispatches
    // to this row, and the ones it does not.
    std::string_view AlsoLoaded = {};
    std::string_view NotLoaded = {};

    bool LoaderReads() const { return Reader != nullptr || ImportedByPath; }
};

// The rows, in the order of their codes from 1.
extern const std::span<const TFileFormatInfo> FileFormatTable;

// The code of FileFormatTable that lists an extension (without the dot, any case), else 0.
int FileFormatOfExtension(const QString& extension);

// The row the loader dispatches an extension to (dot included, ASCII letters in any case), else null.
const TFileFormatInfo* LoaderFormatOf(QStringView extension);
const TFileFormatInfo* LoaderFormatOf(std::string_view extension);

// True when the loader has a reader or import for the extension: the files the folder scan lists.
bool LoaderReadsExtension(std::string_view extension);
