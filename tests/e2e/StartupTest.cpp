#include "tests/support/ProgramRun.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QByteArray DefaultListFile() {
    QByteArray text;
    for (int n = 0; n <= 21; ++n) {
        text += QByteArray::number(n) + "\r\n";
    }
    return text;
}

class Startup : public testing::Test {
protected:
    void SetUp() override {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.Home());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), config.Runtime());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment = env;
        // A folder with pictures, so that the copy runs its show instead of handing over to the settings.
        WriteFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini"),
                       "[General]\r\nFotoDir=" + QByteArray(AMBRELLE_SOURCE_DIR) + "/samples/\r\n");
    }

    std::unique_ptr<QProcess> Start(const QStringList& arguments = {QStringLiteral("/s")}) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(workingFolder.path());
        process->start(BinPath(QStringLiteral("ambrelle")), arguments);
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }

    static void Stop(QProcess& process) {
        process.kill();
        process.waitForFinished();
    }

    QString ConfigFile(const QString& name) const { return config.Config() + QLatin1Char('/') + name; }

    TempConfigHome config;
    QTemporaryDir workingFolder;
    QProcessEnvironment environment;
};

} // namespace

TEST_F(Startup, FirstRunCreatesBothEffectListsAndASecondCopyLeavesAtOnce) {
    auto first = Start();
    const QString show = ConfigFile(QStringLiteral("ssShowEffects.Dat"));
    const QString hide = ConfigFile(QStringLiteral("ssHideEffects.Dat"));
    ASSERT_TRUE(WaitFor([&] { return ReadFileBytes(hide) == DefaultListFile(); }));
    EXPECT_EQ(ReadFileBytes(show), DefaultListFile());
    // Give the first copy time to reach its message loop, then make a change a second copy would undo.
    ASSERT_TRUE(WaitFor([&] { return first->state() == QProcess::Running; }));
    QFile::remove(hide);
    WriteFileBytes(show, "5\r\n");

    auto second = Start();
    ASSERT_TRUE(second->waitForFinished(5000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(hide));
    EXPECT_EQ(ReadFileBytes(show), QByteArray("5\r\n"));
    EXPECT_EQ(first->state(), QProcess::Running);

    // A killed copy leaves no lock behind: the next one starts normally.
    Stop(*first);
    auto third = Start();
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(hide) == DefaultListFile(); }));
    EXPECT_EQ(ReadFileBytes(show), QByteArray("5\r\n"));
    Stop(*third);
}

TEST_F(Startup, WithoutAConfigFolderTheFilesGoToTheCurrentFolder) {
    const QString blocker = config.Home() + QStringLiteral("/plain-file");
    WriteFileBytes(blocker, "x");
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), blocker + QStringLiteral("/below"));
    // Without a config folder the settings file is not found either; the show runs over the program's
    // folder, which holds no pictures, and hands over to a settings copy, which finds the lists here too.
    auto copy = Start();
    const QString here = workingFolder.path() + QStringLiteral("/ssShowEffects.Dat");
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(here) == DefaultListFile(); }));
    // Having handed over, the copy ends by itself; the settings copy stays with its dialog until ended.
    EXPECT_TRUE(copy->waitForFinished(10000));
    Stop(*copy);
    KillSettingsCopies(blocker + QStringLiteral("/below"));
}
