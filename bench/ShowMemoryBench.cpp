// Resident memory of a long slide show, the program's beside feh's, both full screen on the X server in
// DISPLAY and one after the other on the same pictures, one picture a second:
//  1. twelve photographs of 2 to 6 megapixels as JPEG, landscape and portrait;
//  2. four photographs of 24 megapixels as uncompressed TIFF.
// For each it reports the peak resident memory (VmHWM) and the mean of samples taken every quarter second
// after the first pass, and their ratios to feh's (targets: at most 1.5 x).
// Usage: bench/show-memory [seconds per show], which provides feh and a 1920 x 1080 X server; or
//   bench-ShowMemoryBench [seconds per show] [work folder] with both at hand.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <tiffio.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct TResident {
    double PeakMb = 0;
    double MeanMb = 0;
};

// A field of /proc/<pid>/status in MiB, 0 when the process is gone.
double StatusMb(qint64 pid, const char* field) {
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

// Photograph-like rows: smooth gradients with fine detail, different for each seed, so that the JPEG
// files are of a realistic size.
void PhotoRow(int width, int height, int y, int seed, std::uint8_t* rgb) {
    for (int x = 0; x < width; ++x) {
        const int detail = ((x * 7 + y * 13 + seed * 5) ^ (x * y)) & 31;
        rgb[3 * x] = std::uint8_t((x * 255 / width + detail + seed * 40) & 255);
        rgb[3 * x + 1] = std::uint8_t((y * 255 / height + detail) & 255);
        rgb[3 * x + 2] = std::uint8_t(((x + y) * 127 / (width + height) + 2 * detail + seed * 9) & 255);
    }
}

bool MakeJpeg(const QString& path, int width, int height, int seed) {
    const QString ppm = path + QStringLiteral(".ppm");
    QFile file(ppm);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(width).arg(height).toLatin1());
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        PhotoRow(width, height, y, seed, row.data());
        file.write(reinterpret_cast<const char*>(row.data()), qint64(row.size()));
    }
    file.close();
    const int result =
        QProcess::execute(QStringLiteral("cjpeg"), {QStringLiteral("-quality"), QStringLiteral("90"),
                                                    QStringLiteral("-outfile"), path, ppm});
    QFile::remove(ppm);
    return result == 0;
}

bool MakeTiff(const QString& path, int width, int height, int seed) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff) {
        return false;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    bool written = true;
    for (int y = 0; y < height && written; ++y) {
        PhotoRow(width, height, y, seed, row.data());
        written = TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0) == 1;
    }
    TIFFClose(tiff);
    return written;
}

// Samples the resident memory of the running process for that long; the mean leaves out the first
// quarter of the time, the first pass of a show that starts from nothing.
TResident Watch(QProcess& process, int seconds) {
    TResident resident;
    double sum = 0;
    int samples = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000 && process.state() == QProcess::Running) {
        QThread::msleep(250);
        const double now = StatusMb(process.processId(), "VmRSS:");
        if (clock.elapsed() > seconds * 250 && now > 0) {
            sum += now;
            ++samples;
        }
    }
    resident.PeakMb = StatusMb(process.processId(), "VmHWM:");
    resident.MeanMb = samples > 0 ? sum / samples : 0;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return resident;
}

TResident RunAmbrelle(const QString& pictures, const QString& work, int seconds) {
    const QString config = work + QStringLiteral("/config");
    const QString runtime = work + QStringLiteral("/runtime");
    QDir().mkpath(config + QStringLiteral("/ambrelle"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile ini(config + QStringLiteral("/ambrelle/ssAmbrelle.ini"));
    if (ini.open(QIODevice::WriteOnly)) {
        ini.write("[General]\r\nNFoto=0\r\nTimerInterval=1\r\nFotoDir=" + QFile::encodeName(pictures) +
                  "/\r\n");
        ini.close();
    }
    for (const char* list : {"/ambrelle/ssShowEffects.Dat", "/ambrelle/ssHideEffects.Dat"}) {
        QFile effects(config + QLatin1String(list));
        if (effects.open(QIODevice::WriteOnly)) {
            effects.write("");
        }
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ambrelle"), {});
    process.waitForStarted();
    return Watch(process, seconds);
}

TResident RunFeh(const QString& pictures, int seconds) {
    QProcess process;
    process.start(QStringLiteral("feh"), {QStringLiteral("--fullscreen"), QStringLiteral("--hide-pointer"),
                                          QStringLiteral("--quiet"), QStringLiteral("--slideshow-delay"),
                                          QStringLiteral("1"), pictures});
    if (!process.waitForStarted()) {
        return {};
    }
    return Watch(process, seconds);
}

void Compare(const char* title, const QString& pictures, const QString& work, int seconds) {
    const TResident ours = RunAmbrelle(pictures, work, seconds);
    const TResident feh = RunFeh(pictures, seconds);
    std::printf("%s, %d s each:\n  ambrelle: peak %.1f MiB, mean %.1f MiB\n", title, seconds, ours.PeakMb,
                ours.MeanMb);
    if (feh.PeakMb <= 0) {
        std::printf("  feh did not run here (bench/show-memory installs it)\n");
        return;
    }
    std::printf("  feh:      peak %.1f MiB, mean %.1f MiB\n  ratio:    peak %.2f x, mean %.2f x (target <= "
                "1.5 x)\n",
                feh.PeakMb, feh.MeanMb, ours.PeakMb / feh.PeakMb, ours.MeanMb / feh.MeanMb);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(atoi(argv[1]), 5) : 40;
    QTemporaryDir temporary;
    const QString work = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();

    const QString jpegs = work + QStringLiteral("/jpeg");
    QDir().mkpath(jpegs);
    const int jpegSizes[][2] = {{1600, 1200}, {1200, 1600}, {2048, 1536}, {2400, 1600},
                                {1920, 2560}, {2816, 2112}, {3000, 2000}, {2272, 1704},
                                {1536, 2048}, {2592, 1944}, {1800, 1200}, {2000, 3000}};
    int seed = 0;
    for (const auto& size : jpegSizes) {
        const QString path = jpegs + QStringLiteral("/photo%1.jpg").arg(seed, 2, 10, QLatin1Char('0'));
        if (!QFile::exists(path) && !MakeJpeg(path, size[0], size[1], seed)) {
            std::printf("could not make %s (cjpeg)\n", qPrintable(path));
            return 1;
        }
        ++seed;
    }
    const QString tiffs = work + QStringLiteral("/tiff");
    QDir().mkpath(tiffs);
    const int tiffSizes[][2] = {{6000, 4000}, {4000, 6000}, {6000, 4000}, {6000, 4000}};
    for (const auto& size : tiffSizes) {
        const QString path = tiffs + QStringLiteral("/photo%1.tif").arg(seed, 2, 10, QLatin1Char('0'));
        if (!QFile::exists(path) && !MakeTiff(path, size[0], size[1], seed)) {
            std::printf("could not make %s\n", qPrintable(path));
            return 1;
        }
        ++seed;
    }
    Compare("12 JPEG photographs of 2 to 6 megapixels", jpegs, work + QStringLiteral("/run-jpeg"), seconds);
    Compare("4 uncompressed TIFF photographs of 24 megapixels", tiffs, work + QStringLiteral("/run-tiff"),
            seconds);
    return 0;
}
