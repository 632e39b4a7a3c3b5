// Effect 0 in a full-HD control at one step per millisecond: wall time against the ideal, ticks lost, CPU
// and allocations per step; then the cost of one step alone and of fitting a 24-megapixel photo to a 4K
// control. Run under an X server (xvfb-run -a -s "-screen 0 1920x1080x24").
#include "effects/NSSlideImage.h"
#include "platform/Application.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

namespace {

std::atomic<std::uint64_t> Allocations{0};

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void FillPattern(TBitmap& b, int width, int height) {
    b.Reset(width, height, TPixelFormat::pf24bit);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = std::uint8_t(x);
            row[x * 3 + 1] = std::uint8_t(y);
            row[x * 3 + 2] = std::uint8_t(x + y);
        }
    }
}

void WaitForExposure(QWidget& widget) {
    QElapsedTimer waited;
    waited.start();
    while (!(widget.windowHandle() && widget.windowHandle()->isExposed()) && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
}

// Counts the paint events the control receives.
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++Paints;
        }
        return false;
    }
};

} // namespace

void* operator new(std::size_t size) {
    ++Allocations;
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TNSSlideImage image;
    image.setWindowFlag(Qt::FramelessWindowHint);
    image.setGeometry(0, 0, 1920, 1080);
    image.SetBackColor(clBlack);
    image.SetColor(clBlack);
    image.SetDelOriginal(false);
    image.SetTimerDelay(1);
    image.show();
    WaitForExposure(image);
    TPaintCounter paints;
    image.installEventFilter(&paints);
    std::printf("control %d x %d device pixels, exposed: %s\n", image.ClientWidth(), image.ClientHeight(),
                image.windowHandle()->isExposed() ? "yes" : "no");
    FillPattern(image.Picture(), 1920, 1080);

    QEventLoop loop;
    image.SetOnEndProcess([&](QObject*) { loop.quit(); });
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    double totalWall = 0;
    for (int run = 0; run < runs; ++run) {
        image.SetHideMode(true);
        image.SetNEffect(-1);
        image.Execute(); // clear to black, at once
        image.SetHideMode(false);
        image.SetNEffect(0);
        const std::uint64_t droppedBefore = image.StepTimer().DroppedTicks();
        paints.Paints = 0;
        const double threadBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        image.Execute(); // includes the fit of the picture
        const auto start = std::chrono::steady_clock::now();
        const std::uint64_t allocationsBefore = Allocations;
        const double stepThreadBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const double stepProcessBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        loop.exec();
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const std::uint64_t allocations = Allocations - allocationsBefore;
        const double uiCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - stepThreadBefore;
        const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - stepProcessBefore;
        const int steps = image.StepIndex();
        const int paintEvents = paints.Paints;
        const double ideal = steps; // one step per millisecond
        totalWall += wallMs;
        std::printf(
            "run %d: %d steps in %.1f ms (ideal %.0f ms, %+.2f %%), ticks dropped %llu, CPU per step: "
            "UI thread %.4f ms, whole process %.4f ms; allocations per step %.2f; paint events %d; fit %.1f "
            "ms\n",
            run + 1, steps, wallMs, ideal, (wallMs / ideal - 1) * 100,
            static_cast<unsigned long long>(image.StepTimer().DroppedTicks() - droppedBefore),
            uiCpu * 1000 / steps, processCpu * 1000 / steps, double(allocations) / steps, paintEvents,
            (stepThreadBefore - threadBefore) * 1000);
    }
    std::printf("mean wall time %.1f ms\n", totalWall / runs);

    // The tick source alone with an empty handler: what the 1 ms ticks cost the two threads.
    {
        TNSHiTimer ticks;
        ticks.SetInterval(1);
        int count = 0;
        QEventLoop idle;
        ticks.SetOnTimer([&](QObject*) {
            if (++count == 2000) {
                ticks.SetEnabled(false);
                idle.quit();
            }
        });
        const double processBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double threadBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto start = std::chrono::steady_clock::now();
        ticks.SetEnabled(true);
        idle.exec();
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const double ui = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadBefore;
        const double all = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore;
        std::printf("empty ticks: 2000 in %.1f ms, CPU per tick: UI thread %.4f ms, other threads %.4f ms, "
                    "dropped %llu\n",
                    wallMs, ui * 1000 / count, (all - ui) * 1000 / count,
                    static_cast<unsigned long long>(ticks.DroppedTicks()));
    }

    // One step by itself, copy and repaint, without the timer; then without painting (hidden).
    for (const bool visible : {true, false}) {
        if (!visible) {
            image.hide();
        }
        image.SetNEffect(0);
        image.Execute();
        image.StepTimer().SetEnabled(false);
        const std::uint64_t allocationsBefore = Allocations;
        const double before = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        int steps = 0;
        while (image.Running()) {
            image.Step();
            ++steps;
        }
        const double cpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before;
        std::printf("stepped by hand (%s): %d steps, %.4f ms CPU per step, %.2f allocations per step\n",
                    visible ? "copy and repaint" : "copy only, hidden", steps, cpu * 1000 / steps,
                    double(Allocations - allocationsBefore) / steps);
    }

    // Fitting a 24-megapixel photo to a 4K control, the work done once per picture.
    TNSSlideImage large;
    large.resize(3840, 2160);
    large.SetNEffect(-1);
    FillPattern(large.Picture(), 6000, 4000);
    QElapsedTimer fit;
    fit.start();
    large.Execute();
    std::printf("fit of 6000 x 4000 into 3840 x 2160: %lld ms (fitted %d x %d)\n", fit.elapsed(),
                large.FitWidth(), large.FitHeight());
    return 0;
}
