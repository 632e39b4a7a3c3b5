#pragma once

#include <QString>

// The extension of a name: from its last "." to the end, provided that dot comes after the last path
// separator or ":"; otherwise empty.
QString ExtractFileExt(const QString& name);
// True when the name's extension, lower-cased in ASCII only, is one of the picture extensions.
bool HasPictureExtension(const QString& name);

// Makes FotoDir the current directory and appends to PictureList the name of every entry there (files,
// folders, hidden ones too; no subfolders) that has a picture extension, in the order of the listing.
// A folder that cannot be entered adds nothing.
void ScanFotoDir();
