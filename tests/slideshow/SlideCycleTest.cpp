#include "slideshow/SlideCycle.h"
#include "effects/NSSlideImage.h"
#include "platform/Exceptions.h"
#include "platform/WindowTimer.h"
#include "slideshow/ProcessState.h"
#include "tests/support/QtApp.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

namespace {

// A cycle on a bare surface over a folder of three files, with the rules under test.
class SlideCycle : public testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        surface = std::make_unique<TNSSlideImage>();
        surface->resize(60, 40);
        FotoDir = folder.path();
        ShowEffects.clear();
        HideEffects.clear();
    }

    void TearDown() override { PictureList.clear(); }

    void AddFiles(bool readable) {
        QImage picture(30, 20, QImage::Format_RGB888);
        picture.fill(Qt::red);
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
            const QString path = folder.filePath(QLatin1String(name));
            if (readable) {
                ASSERT_TRUE(picture.save(path, "BMP"));
            } else {
                WriteFileBytes(path, "not a picture");
            }
        }
    }

    QTemporaryDir folder;
    std::unique_ptr<TNSSlideImage> surface;
};

} // namespace

TEST_F(SlideCycle, AfterAWholePassOfRefusedPicturesTheHostDecidesWhetherToTryAgain) {
    AddFiles(false);
    for (const bool retry : {false, true}) {
        SCOPED_TRACE(retry);
        TSlideCycle cycle(surface.get(), {.Guard = nullptr, .RetryAfterWholePass = retry}, nullptr);
        cycle.ListPictures();
        ASSERT_EQ(PictureList.size(), 3);
        NFoto = 2;
        cycle.ShowTimerTimer();
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(NFoto, 2); // every picture tried once, the last one last
        EXPECT_EQ(cycle.ShowTimer->Enabled(), retry);
        EXPECT_FALSE(cycle.HideTimer->Enabled());
    }
}

TEST_F(SlideCycle, EveryFailureOfAStepGoesToTheHostsGuard) {
    AddFiles(true);
    ShowEffects = {QStringLiteral("x")};
    HideEffects = {QStringLiteral("y")};
    QStringList failures;
    const auto guard = [&](const std::function<void()>& step) {
        try {
            step();
        } catch (const Exception& e) {
            failures.append(e.Message());
        }
    };
    TSlideCycle cycle(surface.get(), {.Guard = guard, .RetryAfterWholePass = false}, nullptr);
    cycle.ListPictures();
    cycle.ShowTimerTimer();
    cycle.HideTimerTimer();
    EXPECT_EQ(failures, QStringList({QStringLiteral("'x' is not a valid integer value"),
                                     QStringLiteral("'y' is not a valid integer value")}));
    EXPECT_FALSE(cycle.ShowTimer->Enabled());
    EXPECT_FALSE(cycle.HideTimer->Enabled());
}
