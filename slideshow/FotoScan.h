#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <string_view>

// The extension of a name: from its last "." to the end, provided that dot comes after the last path
// separator or ":"; otherwise empty.
QString ExtractFileExt(const QString& name);
// True when the name's extension, lower-cased in ASCII only, is one the loader can read (FileFormatTable).
bool HasPictureExtension(const QString& name);
// The same for a name as stored, in any byte encoding.
bool HasPictureExtension(std::string_view name);

// The order of names in a folder: as text with the ASCII letters compared regardless of case, the one
// rule by which the program compares text; names equal that way follow in the order of their characters.
bool NameLess(const QString& a, const QString& b);

// What a scan reports while it walks a folder.
struct TScanSink {
    // The pictures of one folder, in name order, as paths relative to the top folder ("a.jpg",
    // "2024/trip/b.jpg"). The folders come in the order of the final list.
    std::function<void(QStringList&& pictures)> Pictures;
    // A folder below the top that could not be listed: its path and the system's reason.
    std::function<void(const QString& folder, const QString& reason)> Unreadable;
    // Asked between folders; true ends the scan.
    std::function<bool()> Stopped;
};

// Lists the pictures of folder into sink, in name order. Without subfolders, every entry of the folder
// (files, folders, hidden ones) whose name has a picture extension counts, as the name alone says. With
// them, a folder's pictures come first and then each subfolder's in turn, subfolders in name order:
// folders whose name begins with "." are left out, symbolic links to folders are followed, but no folder
// is entered twice, so a loop of links ends. Names in any byte encoding are listed, read as DecodeFileName
// (platform/FileNames.h) reads them. False when the top folder cannot be listed.
bool ScanPictureTree(const QString& folder, bool includeSubfolders, const TScanSink& sink);

// Makes FotoDir the current directory and appends to PictureList its pictures as ScanPictureTree finds
// them, with subfolders when IncludeSubfolders is set. A folder that cannot be entered adds nothing.
void ScanFotoDir();
