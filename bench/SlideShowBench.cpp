// The slide-show window under load, on whatever platform QT_QPA_PLATFORM names (offscreen is fine):
//  1. a 24-megapixel JPEG on a 1920 x 1080 window: the pause between the end of a hide and the first step
//     of the next show when the picture was read ahead during the display time; the same with nothing
//     read ahead (load plus fit); the reduced decode and the fit alone; the peak memory of the show above
//     its idle level;
//  2. 300 pictures cycled with short effects: the growth of resident memory after the first pass.
// Usage: bench-SlideShowBench [work folder]; the pictures are made there with cjpeg and Qt.

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
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

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

// A photograph-like 6000 x 4000 picture: smooth gradients with fine detail, so that the JPEG is of a
// realistic size. Written row by row as PPM, so that making it leaves no mark on the peak memory, and
// compressed with cjpeg.
bool MakeBigJpeg(const QString& path) {
    const int width = 6000;
    const int height = 4000;
    const QString ppm = path + QStringLiteral(".ppm");
    QFile file(ppm);
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
    file.close();
    const int result =
        QProcess::execute(QStringLiteral("cjpeg"), {QStringLiteral("-quality"), QStringLiteral("90"),
                                                    QStringLiteral("-outfile"), path, ppm});
    QFile::remove(ppm);
    return result == 0;
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

void BenchFirstStep(const QString& work) {
    const QString pictures = work + QStringLiteral("/big");
    QDir().mkpath(pictures);
    const QString photo = pictures + QStringLiteral("/photo.jpg");
    if (!MakeBigJpeg(photo)) {
        std::printf("could not make the 24-megapixel picture\n");
        return;
    }
    FotoDir = pictures;
    PictureList = {QStringLiteral("photo.jpg")};
    ShowEffects = {QStringLiteral("0")};
    HideEffects = {QStringLiteral("0")};
    NFoto = 0;
    TFMain window;
    window.PictureIO->SetAttachedBitmap(&window.NSSlideImage->Picture());
    window.resize(1920, 1080);
    window.show();
    QCoreApplication::processEvents();
    const double idle = ResidentMegabytes();
    for (int run = 0; run < 3; ++run) {
        window.PictureIO->Prepare(pictures + QStringLiteral("/none.jpg")); // drops what was read ahead
        const double cold = TimedShow(window);
        QThread::msleep(1000); // the display time, in which the next picture is read
        const double pause = TimedShow(window);
        std::printf(
            "24 MP JPEG on 1920 x 1080: end of hide to first step %.1f ms when read ahead (target < 50 "
            "ms); load and fit with nothing read ahead %.1f ms (target < 200 ms)\n",
            pause, cold);
        QThread::msleep(1000);
    }
    std::printf("peak memory of the show %.0f MB above its idle level of %.0f MB (target < 60 MB)\n",
                PeakMegabytes() - idle, idle);

    TBitmap decoded;
    TPictureIO loader;
    loader.SetAttachedBitmap(&decoded);
    loader.Params().JpegFitWidth = window.NSSlideImage->ClientWidth();
    loader.Params().JpegFitHeight = window.NSSlideImage->ClientHeight();
    QElapsedTimer clock;
    clock.start();
    loader.LoadFromFile(photo);
    const double decodeMs = Milliseconds(clock);
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
                reduced.width(), reduced.height(), decodeMs, fullMs, window.NSSlideImage->FitWidth(),
                window.NSSlideImage->FitHeight(), fitMs);
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
    BenchFirstStep(work);
    BenchLongCycle(work);
    return 0;
}
