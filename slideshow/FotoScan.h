#pragma once

#include <QString>
#include <QtGlobal>

#include <string_view>

// The extension of a name: from its last "." to the end, provided that dot comes after the last path
// separator or ":"; otherwise empty.
QString ExtractFileExt(const QString& name);
// True when the name's extension, lower-cased in ASCII only, is one the loader can read (FileFormatTable).
bool HasPictureExtension(const QString& name);
// The same for a name as stored, in any byte encoding.
bool HasPictureExtension(std::string_view name);

// Makes FotoDir the current directory and appends to PictureList the name of every entry there (files,
// folders, hidden ones too; no subfolders) that has a picture extension, in the order of the listing.
// Names in any byte encoding are listed, read as DecodeFileName (platform/FileNames.h) reads them.
// A folder that cannot be entered adds nothing.
void ScanFotoDir();
