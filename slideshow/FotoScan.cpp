#include "slideshow/FotoScan.h"

#include "imageio/FileExtension.h"
#include "imageio/FormatTable.h"
#include "platform/ConfigFolder.h"
#include "platform/FileNames.h"
#include "slideshow/ProcessState.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

QString ExtractFileExt(const QString& name) {
    return FileExtension(name);
}

bool HasPictureExtension(std::string_view name) {
    return LoaderReadsExtension(FileExtension(name));
}

bool HasPictureExtension(const QString& name) {
    const QByteArray bytes = name.toUtf8();
    return HasPictureExtension(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

namespace {

// The key of a name in the order: its UTF-8 form, which sorts as its characters do, with the ASCII letters
// in lower case. Short names stay inside the string object.
std::string SortKey(const QString& name) {
    std::string key = name.toStdString();
    for (char& c : key) {
        c = AsciiLower(c);
    }
    return key;
}

} // namespace

bool NameLess(const QString& a, const QString& b) {
    const int folded = SortKey(a).compare(SortKey(b));
    return folded != 0 ? folded < 0 : a < b;
}

namespace {

// One entry found in a folder: its name as text for the list and, case folded, for the order, and as
// stored for the system.
struct TFoundName {
    QString Text;
    std::string Key;
    QByteArray Stored;

    TFoundName(QString text, QByteArray stored)
        : Text(std::move(text)), Key(SortKey(Text)), Stored(std::move(stored)) {}
    // The order of NameLess, with the key made once per name.
    bool operator<(const TFoundName& other) const {
        const int folded = Key.compare(other.Key);
        return folded != 0 ? folded < 0 : Text < other.Text;
    }
};

void SortByName(std::vector<TFoundName>& names) {
    std::sort(names.begin(), names.end());
}

class TTreeScan {
public:
    TTreeScan(bool includeSubfolders, const TScanSink& sink) : FNested(includeSubfolders), FSink(sink) {}

    // prefix: the folder's path relative to the top, with a trailing "/", or empty for the top.
    bool Scan(const QByteArray& stored, const QString& prefix) {
        if (FSink.Stopped && FSink.Stopped()) {
            return true;
        }
        std::vector<TFoundName> pictures;
        std::vector<TFoundName> folders;
        TFolderId id;
        const bool listed = ListStoredFolder(stored, id, [&](std::string_view name, bool folder) {
            if (FNested && folder) {
                if (name.front() != '.') {
                    folders.emplace_back(DecodeFileName(name),
                                         QByteArray(name.data(), qsizetype(name.size())));
                }
            } else if (HasPictureExtension(name)) {
                pictures.emplace_back(DecodeFileName(name), QByteArray());
            }
        });
        if (!listed) {
            if (!prefix.isEmpty() && FSink.Unreadable) {
                FSink.Unreadable(prefix.chopped(1), QString::fromLocal8Bit(std::strerror(errno)));
            }
            return false;
        }
        // A folder reached again through a link adds nothing.
        if (!FVisited.insert(id).second) {
            return true;
        }
        Report(pictures, prefix);
        SortByName(folders);
        for (const TFoundName& folder : folders) {
            Scan(stored + '/' + folder.Stored, prefix + folder.Text + QLatin1Char('/'));
        }
        return true;
    }

private:
    void Report(std::vector<TFoundName>& pictures, const QString& prefix) {
        if (pictures.empty() || !FSink.Pictures) {
            return;
        }
        SortByName(pictures);
        QStringList paths;
        paths.reserve(qsizetype(pictures.size()));
        for (TFoundName& picture : pictures) {
            paths.append(prefix.isEmpty() ? std::move(picture.Text) : prefix + picture.Text);
        }
        FSink.Pictures(std::move(paths));
    }

    bool FNested;
    const TScanSink& FSink;
    std::set<TFolderId> FVisited;
};

} // namespace

bool ScanPictureTree(const QString& folder, bool includeSubfolders, const TScanSink& sink) {
    if (folder.isEmpty()) {
        return false;
    }
    QByteArray stored = QFile::encodeName(folder);
    while (stored.size() > 1 && stored.endsWith('/')) {
        stored.chop(1);
    }
    return TTreeScan(includeSubfolders, sink).Scan(stored, QString());
}

void ScanFotoDir() {
    const QString folder = PictureFolder();
    if (folder.isEmpty() || !QDir::setCurrent(folder)) {
        return;
    }
    TScanSink sink;
    sink.Pictures = [](QStringList&& pictures) { PictureList.append(std::move(pictures)); };
    ScanPictureTree(folder, IncludeSubfolders, sink);
    PictureList.squeeze();
}
