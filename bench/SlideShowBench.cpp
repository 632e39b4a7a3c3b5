// The slide-show window under load, on whatever platform QT_QPA_PLATFORM names (offscreen is fine):
//  1. for a 24-megapixel picture of each format the show reads (JPEG, PNG, GIF, WebP, HEIC, AVIF, JPEG XL)
//     on a 1920 x 1080 window: the pause between the end of a hide and the first step of the next show
//     when the picture was read ahead during the display time; the same with nothing read ahead (load
//     plus fit); the decode alone (at the reduced size where the reader has one) and the fit alone; the
//     peak memory of the show above its idle level (the first format's is the JPEG's alone);
//  2. 300 pictures cycled with short effects: the growth of resident memory after the first pass.
// Usage: bench-SlideShowBench [work folder]; the pictures are made there at start, the JPEG with cjpeg,
// the others from it (or from the same pixels) with ImageMagick, cwebp, heif-enc, avifenc and cjxl.

#include "effects/NSSlideImage.h"
#include "imageio/PictureAhead.h"
#include "imageio/PictureIO.h"
#include "platform/Application.h"
#include "platform/WindowTimer.h"
#include "slideshow/ProcessState.h"
#include "slideshow/UFMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double ResidentMegabytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void MakeConfig(const QString& folder) {
    qputenv("XDG_CONFIG_HOME", folder.toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", folder.toLocal8Bit());
    QDir().mkpath(folder + QStringLiteral("/ambrelle"));
    BasePath = folder + QStringLiteral("/ambrelle/");
}

// A photograph-like 6000 x 4000 picture: smooth gradients with fine detail, so that the files are of a
// realistic size. Written row by row as PPM, so that making it leaves no mark on the peak memory.
bool WriteBigPpm(const QString& path) {
    const int width = 6000;
    const int height = 4000;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(width).arg(height).toLatin1());
    QByteArray row(width * 3, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int detail = ((x * 7 + y * 13) ^ (x * y)) & 31;
            row[3 * x] = char((x * 255 / width + detail) & 255);
            row[3 * x + 1] = char((y * 255 / height + detail) & 255);
            row[3 * x + 2] = char(((x + y) * 127 / (width + height) + 2 * detail) & 255);
        }
        file.write(row);
    }
    return true;
}

// A format of the first-step benchmark and the command that makes its file: "%in" and "%out" in the
// arguments stand for the source and the file made. The JPEG comes first, from the PPM; the other
// formats are made from the JPEG where their tool reads JPEG.
struct TBigFormat {
    QString Name;
    QString Extension;
    bool FromPpm = false;
    QString Program;
    QStringList Arguments;
};

const QList<TBigFormat>& BigFormats() {
    static const QList<TBigFormat> formats = {
        {QStringLiteral("JPEG"), QStringLiteral("jpg"), true, QStringLiteral("cjpeg"),
         QStringList{QStringLiteral("-quality"), QStringLiteral("90"), QStringLiteral("-outfile"),
                     QStringLiteral("%out"), QStringLiteral("%in")}},
        {QStringLiteral("PNG"), QStringLiteral("png"), true, QStringLiteral("/usr/bin/convert"),
         QStringList{QStringLiteral("%in"), QStringLiteral("%out")}},
        // A fixed palette without dithering: quantising 24 megapixels would take minutes.
        {QStringLiteral("GIF"), QStringLiteral("gif"), true, QStringLiteral("/usr/bin/convert"),
         QStringList{QStringLiteral("%in"), QStringLiteral("+dither"), QStringLiteral("-remap"),
                     QStringLiteral("netscape:"), QStringLiteral("%out")}},
        {QStringLiteral("WebP"), QStringLiteral("webp"), false, QStringLiteral("cwebp"),
         QStringList{QStringLiteral("-quiet"), QStringLiteral("-q"), QStringLiteral("90"),
                     QStringLiteral("%in"), QStringLiteral("-o"), QStringLiteral("%out")}},
        {QStringLiteral("HEIC"), QStringLiteral("heic"), false, QStringLiteral("heif-enc"),
         QStringList{QStringLiteral("-q"), QStringLiteral("85"), QStringLiteral("-o"), QStringLiteral("%out"),
                     QStringLiteral("%in")}},
        {QStringLiteral("AVIF"), QStringLiteral("avif"), false, QStringLiteral("avifenc"),
         QStringList{QStringLiteral("--speed"), QStringLiteral("10"), QStringLiteral("--jobs"),
                     QStringLiteral("2"), QStringLiteral("--min"), QStringLiteral("20"),
                     QStringLiteral("--max"), QStringLiteral("30"), QStringLiteral("%in"),
                     QStringLiteral("%out")}},
        {QStringLiteral("JPEG XL"), QStringLiteral("jxl"), false, QStringLiteral("cjxl"),
         QStringList{QStringLiteral("--quiet"), QStringLiteral("--lossless_jpeg=0"), QStringLiteral("-d"),
                     QStringLiteral("1"), QStringLiteral("-e"), QStringLiteral("3"), QStringLiteral("%in"),
                     QStringLiteral("%out")}},
    };
    return formats;
}

QString BigPicturePath(const QString& folder, const TBigFormat& format) {
    return folder + QStringLiteral("/photo.") + format.Extension;
}

bool MakeBigPicture(const TBigFormat& format, const QString& source, const QString& path) {
    QStringList arguments = format.Arguments;
    arguments.replaceInStrings(QStringLiteral("%in"), source);
    arguments.replaceInStrings(QStringLiteral("%out"), path);
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.start(format.Program, arguments);
    return tool.waitForFinished(-1) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0 &&
           QFile::exists(path);
}

// Every format's file in folder; those whose tool fails are left out, with a word on the output.
QList<TBigFormat> MakeBigPictures(const QString& folder) {
    QDir().mkpath(folder);
    const QString ppm = folder + QStringLiteral("/photo.ppm");
    QList<TBigFormat> made;
    if (!WriteBigPpm(ppm)) {
        std::printf("could not write the 24-megapixel picture\n");
        return made;
    }
    const QString jpeg = BigPicturePath(folder, BigFormats().front());
    for (const TBigFormat& format : BigFormats()) {
        const QString path = BigPicturePath(folder, format);
        if (MakeBigPicture(format, format.FromPpm ? ppm : jpeg, path)) {
            made.append(format);
        } else {
            std::printf("could not make the 24-megapixel %s with %s\n", qPrintable(format.Name),
                        qPrintable(format.Program));
        }
    }
    QFile::remove(ppm);
    return made;
}

// Runs the message loop until the condition holds.
template <typename Condition> void LoopUntil(Condition condition) {
    while (!condition()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

double Milliseconds(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

// ShowTimerTimer up to the first step of the show effect, then the show ended at once, which starts
// reading the next picture ahead.
double TimedShow(TFMain& window) {
    QElapsedTimer clock;
    clock.start();
    window.ShowTimerTimer(window.ShowTimer);
    const double ms = Milliseconds(clock);
    window.NSSlideImage->StopEffect();
    window.HideTimer->SetEnabled(false);
    return ms;
}

// The reader alone, at the reduced size for the window where it has one and at full size, and the fit of
// the reduced picture alone.
void BenchDecodeAndFit(TFMain& window, const QString& photo) {
    TBitmap decoded;
    TPictureIO loader;
    loader.SetAttachedBitmap(&decoded);
    loader.Params().JpegFitWidth = window.NSSlideImage->ClientWidth();
    loader.Params().JpegFitHeight = window.NSSlideImage->ClientHeight();
    QElapsedTimer clock;
    clock.start();
    loader.LoadFromFile(photo);
    const double reducedMs = Milliseconds(clock);
    const QSize reduced(decoded.Width(), decoded.Height());
    window.NSSlideImage->Picture().Assign(decoded);
    clock.start();
    window.NSSlideImage->Execute();
    const double fitMs = Milliseconds(clock);
    window.NSSlideImage->StopEffect();
    window.HideTimer->SetEnabled(false);
    loader.Params().JpegFitWidth = 0;
    loader.Params().JpegFitHeight = 0;
    clock.start();
    loader.LoadFromFile(photo);
    const double fullMs = Milliseconds(clock);
    std::printf("  decode alone at %d x %d %.1f ms (full size %.1f ms); fit alone into %d x %d %.1f ms\n",
                reduced.width(), reduced.height(), reducedMs, fullMs, window.NSSlideImage->FitWidth(),
                window.NSSlideImage->FitHeight(), fitMs);
}

// The display time is 1 s, or twice the load with nothing read ahead where that takes longer: the pause
// measured is that of a picture whose read ahead has ended (with a display time shorter than the decode,
// the show waits for the rest of the decode).
void BenchFirstStep(const QString& pictures, const TBigFormat& format) {
    const QString photo = BigPicturePath(pictures, format);
    const QByteArray label = format.Name.toUtf8();
    FotoDir = pictures;
    PictureList = {QFileInfo(photo).fileName()};
    ShowEffects = {QStringLiteral("0")};
    HideEffects = {QStringLiteral("0")};
    NFoto = 0;
    TFMain window;
    window.PictureIO->SetAttachedBitmap(&window.NSSlideImage->Picture());
    window.resize(1920, 1080);
    window.show();
    QCoreApplication::processEvents();
    std::printf("24 MP %s on 1920 x 1080:\n", label.constData());
    const double idle = ResidentMegabytes();
    for (int run = 0; run < 3; ++run) {
        window.PictureIO->Prepare(pictures + QStringLiteral("/none.jpg")); // drops what was read ahead
        const double cold = TimedShow(window);
        const unsigned long displayMs = std::max(1000ul, 2 * static_cast<unsigned long>(cold));
        QThread::msleep(displayMs); // the display time, in which the next picture is read
        const double pause = TimedShow(window);
        std::printf(
            "  end of hide to first step %.1f ms when read ahead in a display time of %lu ms (target < "
            "50 ms); load and fit with nothing read ahead %.1f ms (target < 200 ms)\n",
            pause, displayMs, cold);
        QThread::msleep(displayMs);
    }
    std::printf("  peak memory of the show so far %.0f MB above this window's idle level of %.0f MB (target "
                "< 60 MB)\n",
                PeakMegabytes() - idle, idle);
    BenchDecodeAndFit(window, photo);
}

void BenchLongCycle(const QString& work) {
    const QString pictures = work + QStringLiteral("/many");
    QDir().mkpath(pictures);
    QStringList names;
    for (int i = 0; i < 10; ++i) {
        QImage image(640 + 16 * i, 480 - 8 * i, QImage::Format_RGB888);
        image.fill(QColor::fromHsv(36 * i, 200, 200));
        const QString name =
            QStringLiteral("p%1.%2").arg(i).arg(i % 2 ? QStringLiteral("jpg") : QStringLiteral("bmp"));
        image.save(pictures + QLatin1Char('/') + name, i % 2 ? "JPG" : "BMP");
        names.append(name);
    }
    FotoDir = pictures;
    PictureList = names;
    ShowEffects = {QStringLiteral("9"), QStringLiteral("19")};
    HideEffects = {QStringLiteral("8"), QStringLiteral("20")};
    NFoto = 0;
    TFMain window;
    window.PictureIO->SetAttachedBitmap(&window.NSSlideImage->Picture());
    window.resize(160, 120);
    window.show();
    window.NSSlideImage->SetTimerDelay(1);
    int pictureCount = 0;
    double afterFirstPass = 0;
    int lastNFoto = -1;
    window.ShowTimerTimer(window.ShowTimer);
    window.HideTimer->SetInterval(1);
    while (pictureCount < 300) {
        LoopUntil([&] { return NFoto != lastNFoto; });
        lastNFoto = NFoto;
        ++pictureCount;
        if (pictureCount == names.size()) {
            afterFirstPass = ResidentMegabytes();
        }
    }
    std::printf(
        "300 pictures: resident memory after the first pass %.1f MB, after 300 %.1f MB, growth %.2f MB "
        "(target < 2 MB)\n",
        afterFirstPass, ResidentMegabytes(), ResidentMegabytes() - afterFirstPass);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    TApplication application(argc, argv);
    QTemporaryDir temporary;
    const QString work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    MakeConfig(work);
    const QString big = work + QStringLiteral("/big");
    for (const TBigFormat& format : MakeBigPictures(big)) {
        BenchFirstStep(big, format);
    }
    BenchLongCycle(work);
    return 0;
}
