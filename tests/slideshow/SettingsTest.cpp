#include "slideshow/Settings.h"
#include "platform/ConfigFolder.h"
#include "slideshow/ProcessState.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(Settings, DefaultsWhenMissingOrNotANumber) {
    TempConfigHome config;
    TStoredSettings stored = ReadStoredSettings();
    EXPECT_EQ(stored.NFoto, 0);
    EXPECT_EQ(stored.TimerInterval, 15);
    EXPECT_EQ(stored.TimerDelay, 1);
    WriteFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini"),
                   "[General]\r\nNFoto=-3\r\nTimerInterval=abc\r\nTimerDelay=0x1E\r\n");
    stored = ReadStoredSettings();
    EXPECT_EQ(stored.NFoto, -3);
    EXPECT_EQ(stored.TimerInterval, 15);
    EXPECT_EQ(stored.TimerDelay, 30);
}

TEST(Settings, FotoDirDefaultsToTheProgramFolderAndRoundTrips) {
    TempConfigHome config;
    ReadFotoDir();
    EXPECT_EQ(FotoDir, ExecutableFolder());
    EXPECT_TRUE(FotoDir.endsWith(QLatin1Char('/')));
    FotoDir = QStringLiteral("/photos/Лето 2026/");
    WriteFotoDir();
    FotoDir.clear();
    ReadFotoDir();
    EXPECT_EQ(FotoDir, QStringLiteral("/photos/Лето 2026/"));
}

TEST(Settings, PositionIsWrittenBack) {
    TempConfigHome config;
    NFoto = 7;
    TimerInterval = 0;
    WritePosition();
    EXPECT_EQ(ReadFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini")),
              QByteArray("[General]\r\nNFoto=7\r\nTimerInterval=0\r\n"));
}

TEST(Settings, PictureOrderAndTheRandomPassRoundTrip) {
    TempConfigHome config;
    TStoredSettings stored = ReadStoredSettings();
    EXPECT_FALSE(stored.IncludeSubfolders);
    EXPECT_FALSE(stored.Shuffle);
    EXPECT_EQ(stored.ShuffleSeed, 0u);
    EXPECT_EQ(stored.ShuffleLast, QString());
    IncludeSubfolders = true;
    Shuffle = true;
    ShuffleSeed = 0xFEDCBA98u;
    ShuffleLast = QStringLiteral("2024/Лето/IMG_0001.jpg");
    WritePictureOrder();
    WriteShufflePass();
    IncludeSubfolders = Shuffle = false;
    stored = ReadStoredSettings();
    EXPECT_TRUE(stored.IncludeSubfolders);
    EXPECT_TRUE(stored.Shuffle);
    EXPECT_EQ(stored.ShuffleSeed, 0xFEDCBA98u);
    EXPECT_EQ(stored.ShuffleLast, QStringLiteral("2024/Лето/IMG_0001.jpg"));
    EXPECT_TRUE(ReadFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini"))
                    .contains("IncludeSubfolders=1\r\nShuffle=1\r\n"));
    ShuffleSeed = 0;
    ShuffleLast.clear();
}
