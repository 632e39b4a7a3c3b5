#pragma once

#include <QFile>
#include <QtGlobal>

#include <QString>
#include <compare>

#include <functional>
#include <string_view>

// File names as the system stores them: bytes, in whatever encoding the program that made them used.
// The program's names are text, so a name that is not UTF-8 is read in the 8-bit code page it most likely
// comes from (an old archive's Latin-1 or Windows-1251), which shows and logs it readably; opening it
// finds the stored bytes again.

// UTF-8 names as they are. Any other name reads as Windows-1251 when all its bytes above 127 are Cyrillic
// letters there and none of them touches an ASCII letter (a Cyrillic word); otherwise as Latin-1, where
// accented letters sit inside Latin words. Both code pages decode every byte, so no name is lost.
QString DecodeFileName(std::string_view bytes);

// Calls visit with the stored name of every entry of the folder ("." and ".." left out), in the order in
// which the system lists them; the names are valid only during the call. False when the folder cannot be
// listed.
bool ForEachStoredName(const QString& folder, const std::function<void(std::string_view name)>& visit);

// Opens path read-only when its last component is a name that DecodeFileName read from an 8-bit code page
// and the file is stored under those bytes, the folders on its way stored under any of the names
// DecodeFileName may have read; false (and the file left closed) otherwise, also for a folder. For callers
// whose ordinary open of path has failed; mode is ReadOnly with any of its options.
bool OpenUnderStoredName(QFile& file, const QString& path, QIODevice::OpenMode mode);

// What tells one folder from every other, whichever path or link leads to it: its device and inode.
struct TFolderId {
    quint64 Device = 0;
    quint64 Inode = 0;
    auto operator<=>(const TFolderId&) const = default;
};

// Lists the folder stored under the bytes path: sets its id and calls visit with the stored name of every
// entry ("." and ".." left out) and whether it is a folder, a symbolic link counting as what it leads to.
// False, with errno set, when the folder cannot be opened or its listing fails part way.
bool ListStoredFolder(const QByteArray& path, TFolderId& id,
                      const std::function<void(std::string_view name, bool folder)>& visit);
