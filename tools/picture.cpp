// ambrelle-picture FILE...: loads every file as the slide show does and prints one line per file:
//   path <TAB> loaded|refused|error <TAB> width <TAB> height <TAB> bits per pixel <TAB> file type <TAB>
//   Exif orientation [<TAB> message]
// The picture is reported as stored: the orientation (1 ... 8, 1 for upright) says how the slide show
// turns it.
// A folder among the arguments stands for the files in it. --ppm OUT (one FILE) also writes the loaded
// bitmap as a binary PPM (nothing for an empty picture). Exit code 0 when every file loaded (and its PPM
// was written), 1 otherwise, 2 for a wrong command line. --help and --version answer on stdout.

#include "imageio/FormatTable.h"
#include "imageio/PictureIO.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: ambrelle-picture FILE...\n"
        "       ambrelle-picture --ppm OUT FILE\n"
        "       ambrelle-picture --help | --version\n"
        "Loads each picture as the Ambrelle slide show does and prints one tab-separated line per file:\n"
        "path, status (loaded, refused, error), width, height, bits per pixel, file type, Exif\n"
        "orientation (1 to 8, 1 for upright) and, for errors, the message. A folder stands for the\n"
        "files in it.\n"
        "\n"
        "Options:\n"
        "  --ppm OUT         also write the loaded picture of the one FILE as a binary PPM\n"
        "  -h, --help        print this help and exit\n"
        "  --version         print the version and exit\n"
        "\n"
        "File types:\n",
        out);
    for (const TFileFormatInfo& format : FileFormatTable) {
        if (format.LoaderReads()) {
            std::fprintf(out, "  %2d %.*s\n", format.Code, int(format.Description.size()),
                         format.Description.data());
        }
    }
    std::fputs("   0 none: the extension names no format that can be read\n"
               "\n"
               "Exit status: 0 when every file loaded, 1 otherwise, 2 for a wrong command line.\n"
               "\n"
               "See ambrelle-picture(1).\n",
               out);
}

QStringList ExpandArguments(const QStringList& arguments) {
    QStringList files;
    for (const QString& argument : arguments) {
        const QFileInfo info(argument);
        if (!info.isDir()) {
            files << argument;
            continue;
        }
        const QDir folder(argument);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
            files << folder.filePath(name);
        }
    }
    return files;
}

// P6, 8 bits, top row first; a 1-bit pixel is black 0 or white 255.
bool WritePpm(const TBitmap& bitmap, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "ambrelle-picture: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(bitmap.Width()).arg(bitmap.Height()).toLatin1());
    QByteArray row(qsizetype(bitmap.Width()) * 3, '\0');
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* line = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            char* out = row.data() + x * 3;
            if (bitmap.PixelFormat() == TPixelFormat::pf1bit) {
                const char level = ((line[x >> 3] >> (7 - (x & 7))) & 1) ? char(255) : char(0);
                out[0] = out[1] = out[2] = level;
            } else {
                out[0] = char(line[x * 3 + 2]);
                out[1] = char(line[x * 3 + 1]);
                out[2] = char(line[x * 3]);
            }
        }
        if (file.write(row) != row.size()) {
            break;
        }
    }
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "ambrelle-picture: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

// A reader may leave a picture of width or height 0, which has no rows to write: the PPM is then left
// alone and the line on stderr says why.
bool WriteLoadedPpm(const TBitmap& bitmap, const QString& picturePath, const QString& ppmPath) {
    if (bitmap.Empty()) {
        std::fprintf(stderr, "ambrelle-picture: %s is an empty picture (%d x %d); %s not written\n",
                     qPrintable(picturePath), bitmap.Width(), bitmap.Height(), qPrintable(ppmPath));
        return false;
    }
    try {
        return WritePpm(bitmap, ppmPath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ambrelle-picture: cannot write %s: %s\n", qPrintable(ppmPath),
                     qPrintable(ExceptionMessage(e)));
        return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* first = argc > 1 ? argv[1] : "";
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (std::strcmp(first, "--version") == 0) {
        std::fputs("ambrelle-picture " AMBRELLE_VERSION "\n", stdout);
        return 0;
    }
    // Drawing metafiles needs fonts, which need a GUI application; the tool shows no window, so it needs
    // no display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    QString ppmPath;
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--ppm")) {
        if (arguments.size() != 3) {
            PrintUsage(stderr);
            return 2;
        }
        ppmPath = arguments.at(1);
        arguments = arguments.mid(2);
    }
    if (arguments.isEmpty()) {
        PrintUsage(stderr);
        return 2;
    }
    const QStringList files = ExpandArguments(arguments);
    if (!ppmPath.isEmpty() && files.size() != 1) {
        PrintUsage(stderr);
        return 2;
    }

    bool allLoaded = true;
    for (const QString& path : files) {
        // A fresh bitmap for every file, so that a refused file shows as empty, not as its predecessor.
        TBitmap bitmap;
        TPictureIO loader;
        loader.SetAttachedBitmap(&bitmap);
        QString status = QStringLiteral("loaded");
        QString message;
        try {
            loader.LoadFromFile(path);
            if (loader.Aborted()) {
                status = QStringLiteral("refused");
            }
        } catch (const std::exception& e) {
            status = QStringLiteral("error");
            message = ExceptionMessage(e);
        }
        QString line = QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7")
                           .arg(path, status)
                           .arg(bitmap.Width())
                           .arg(bitmap.Height())
                           .arg(bitmap.PixelFormat() == TPixelFormat::pf1bit ? 1 : 24)
                           .arg(loader.FileType())
                           .arg(loader.Params().ExifOrientation);
        if (!message.isEmpty()) {
            line += QLatin1Char('\t') + message.simplified();
        }
        std::fputs(line.toLocal8Bit().constData(), stdout);
        std::fputc('\n', stdout);
        if (status != QLatin1String("loaded")) {
            allLoaded = false;
        } else if (!ppmPath.isEmpty() && !WriteLoadedPpm(bitmap, path, ppmPath)) {
            allLoaded = false;
        }
    }
    std::fflush(stdout);
    return allLoaded ? 0 : 1;
}
