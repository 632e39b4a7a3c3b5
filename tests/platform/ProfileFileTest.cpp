#include "platform/ProfileFile.h"
#include "platform/Exceptions.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class ProfileFile : public testing::Test {
protected:
    QString Path() const { return config.Config() + QStringLiteral("/test.ini"); }
    void Write(const QByteArray& text) { WriteFileBytes(Path(), text); }
    TempConfigHome config;
};

} // namespace

TEST_F(ProfileFile, BareNamesLiveInTheConfigFolder) {
    TIniFile ini(QStringLiteral("test.ini"));
    ini.WriteInteger(QStringLiteral("General"), QStringLiteral("NFoto"), 4);
    EXPECT_EQ(ReadFileBytes(Path()), QByteArray("[General]\r\nNFoto=4\r\n"));
}

TEST_F(ProfileFile, IntegersFollowTheRuntimeConversion) {
    Write("[General]\nA=0x1E\nB=abc\nC=-3\nD=$ff\nE=0x\nF=12abc\nG=  42  "
          "\nH=2147483648\nI=$FFFFFFFF\nJ=0X10\n");
    const TIniFile ini(QStringLiteral("test.ini"));
    const QString g = QStringLiteral("General");
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("A"), 15), 30);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("B"), 15), 15);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("C"), 0), -3);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("D"), 0), 255);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("E"), 7), 7); // "0x" alone is two characters: decimal, fails
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("F"), 7), 7);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("G"), 7), 42);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("H"), 7), 7);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("I"), 7), -1);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("J"), 7), 16);
    EXPECT_EQ(ini.ReadInteger(g, QStringLiteral("Missing"), 7), 7);
}

TEST_F(ProfileFile, NamesAreCaseInsensitiveAndOtherContentIsKept) {
    Write("; comment\r\n[Other]\r\nnfoto=99\r\n\r\n[general]\r\nnFoTo = 5 \r\nFotoDir=\"/a "
          "b/\"\r\n\r\n[Last]\r\nX=1\r\n");
    const TIniFile ini(QStringLiteral("test.ini"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("GENERAL"), QStringLiteral("NFoto"), 0), 5);
    EXPECT_EQ(ini.ReadString(QStringLiteral("General"), QStringLiteral("FotoDir"), QString()),
              QStringLiteral("/a b/"));
    ini.WriteInteger(QStringLiteral("General"), QStringLiteral("NFoto"), 6);
    ini.WriteInteger(QStringLiteral("General"), QStringLiteral("TimerInterval"), 20);
    ini.WriteString(QStringLiteral("New"), QStringLiteral("K"), QStringLiteral("v"));
    EXPECT_EQ(
        ReadFileBytes(Path()),
        QByteArray("; comment\r\n[Other]\r\nnfoto=99\r\n\r\n[general]\r\nNFoto=6\r\nFotoDir=\"/a b/\"\r\n"
                   "TimerInterval=20\r\n\r\n[Last]\r\nX=1\r\n\r\n[New]\r\nK=v\r\n"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Other"), QStringLiteral("NFoto"), 0), 99);
}

TEST_F(ProfileFile, StringsAreCutAt2047Characters) {
    Write("[General]\nFotoDir=" + QByteArray(5000, 'x') + "\n");
    const TIniFile ini(QStringLiteral("test.ini"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("General"), QStringLiteral("FotoDir"), QString()).size(), 2047);
}

TEST_F(ProfileFile, HostileFilesReadWithoutHarm) {
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) {
        binary.append(char(i * 37));
    }
    Write(binary);
    TIniFile ini(QStringLiteral("test.ini"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("General"), QStringLiteral("NFoto"), 3), 3);
    Write("[General]\nNFoto=" + QByteArray(50 * 1024 * 1024, '7'));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("General"), QStringLiteral("NFoto"), 3), 3);
    Write(QByteArray("[General]\0NFoto=1", 17));
    EXPECT_NO_THROW(ini.ReadInteger(QStringLiteral("General"), QStringLiteral("NFoto"), 3));
}

TEST_F(ProfileFile, RefusedWriteRaises) {
    // A folder in the file's place refuses the write even to root.
    QDir().mkpath(Path());
    const TIniFile ini(QStringLiteral("test.ini"));
    try {
        ini.WriteInteger(QStringLiteral("General"), QStringLiteral("NFoto"), 2);
        ADD_FAILURE() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unable to write to ") + Path());
    }
    EXPECT_TRUE(QFileInfo(Path()).isDir());
}

// Several programs write the same file at once (one show per monitor): no key written by one is lost.
TEST_F(ProfileFile, WritersAtOnceLoseNothing) {
    constexpr int writers = 6;
    constexpr int writes = 20;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([w] {
            for (int i = 0; i < writes; ++i) {
                WriteProfileValue(QStringLiteral("test.ini"), QStringLiteral("General"),
                                  QStringLiteral("Key%1").arg(w), QString::number(i));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int w = 0; w < writers; ++w) {
        EXPECT_EQ(ReadProfileValue(QStringLiteral("test.ini"), QStringLiteral("General"),
                                   QStringLiteral("Key%1").arg(w)),
                  QString::number(writes - 1));
    }
}
