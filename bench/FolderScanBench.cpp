// The folder scan over folders of 1,000 and 100,000 picture files: the time of ScanFotoDir and the heap
// that PictureList keeps afterwards, beside the same listing through QDir::entryList for comparison. Then
// a tree of 100,000 pictures in 2,000 folders listed with its subfolders.
// Usage: bench-FolderScanBench [work folder]; the empty files are made there.

#include "slideshow/FotoScan.h"
#include "slideshow/ProcessState.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double HeapMegabytes() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

bool MakeFolder(const QString& folder, int count) {
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QByteArray path =
            QFile::encodeName(folder) + QByteArray("/IMG_") + QByteArray::number(i) + ".jpg";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        ::close(fd);
    }
    return true;
}

// The fastest of several runs, in milliseconds.
template <typename Scan> double BestOf(int runs, Scan scan) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        scan();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return *std::min_element(times.begin(), times.end());
}

void ClearList() {
    PictureList.clear();
    PictureList.squeeze();
}

// ScanFotoDir over the folder FotoDir names: the best of five runs, then the heap the list it leaves keeps
// and its length. The list is left empty.
struct TScanCost {
    double Milliseconds = 0;
    double KeptMegabytes = 0;
    qsizetype Listed = 0;
};

TScanCost MeasureScan() {
    TScanCost cost;
    cost.Milliseconds = BestOf(5, [] {
        ClearList();
        ScanFotoDir();
    });
    ClearList();
    const double before = HeapMegabytes();
    ScanFotoDir();
    cost.KeptMegabytes = HeapMegabytes() - before;
    cost.Listed = PictureList.size();
    ClearList();
    return cost;
}

void BenchFolder(const QString& work, int count, double targetMs) {
    const QString folder = work + QStringLiteral("/scan-%1").arg(count);
    if (!MakeFolder(folder, count)) {
        std::printf("could not make the folder of %d files\n", count);
        return;
    }
    FotoDir = folder;
    const TScanCost cost = MeasureScan();
    const double qdirMs = BestOf(3, [&] {
        const QStringList names = QDir(folder).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
        (void)names;
    });
    std::printf("%6d entries: ScanFotoDir %.1f ms (target < %.0f ms), %lld listed, %.2f MB kept "
                "(%.0f bytes per entry); QDir::entryList alone %.1f ms\n",
                count, cost.Milliseconds, targetMs, static_cast<long long>(cost.Listed), cost.KeptMegabytes,
                cost.KeptMegabytes * 1024 * 1024 / count, qdirMs);
}

// years/trips: 40 year folders of 50 trip folders, each trip 50 pictures.
bool MakeTree(const QString& root) {
    for (int year = 0; year < 40; ++year) {
        for (int trip = 0; trip < 50; ++trip) {
            if (!MakeFolder(root + QStringLiteral("/%1/trip-%2").arg(1990 + year).arg(trip), 50)) {
                return false;
            }
        }
    }
    return true;
}

void BenchTree(const QString& work, double targetMs, double targetMb) {
    const QString root = work + QStringLiteral("/tree");
    if (!MakeTree(root)) {
        std::printf("could not make the tree\n");
        return;
    }
    FotoDir = root;
    IncludeSubfolders = true;
    const TScanCost cost = MeasureScan();
    std::printf("tree of 2,000 folders: ScanFotoDir %.1f ms (target < %.0f ms), %lld listed, %.2f MB kept "
                "(target < %.0f MB)\n",
                cost.Milliseconds, targetMs, static_cast<long long>(cost.Listed), cost.KeptMegabytes,
                targetMb);
    IncludeSubfolders = false;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication application(argc, argv);
    QTemporaryDir temporary;
    const QString work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString current = QDir::currentPath();
    BenchFolder(work, 1000, 10);
    BenchFolder(work, 100000, 200);
    std::printf("target for 100,000 entries: < 15 MB kept\n");
    BenchTree(work, 300, 20);
    QDir::setCurrent(current);
    return 0;
}
