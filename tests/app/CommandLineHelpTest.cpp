#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct HelpRow {
    const char* program;
    const char* argument;
    const char* firstLine;
};

class HelpTable : public testing::TestWithParam<HelpRow> {};

// Without a display and without a platform plugin named, a program that tried to open a window would fail;
// the answer has to come before any of that, and at once.
TEST_P(HelpTable, AnswersOnStandardOutputWithoutADisplay) {
    const HelpRow& row = GetParam();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(variable));
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(BinPath(QString::fromLatin1(row.program)), {QString::fromLatin1(row.argument)});
    ASSERT_TRUE(process.waitForFinished(1000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(process.readAllStandardError(), QByteArray());
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(QRegularExpression(QString::fromLatin1(row.firstLine))
                    .match(out.section(QLatin1Char('\n'), 0, 0))
                    .hasMatch())
        << out.toStdString();
}

const char* const AmbrelleUsage = "^Usage: ambrelle \\[/c \\| /s \\| /p ID \\| /a ID\\]$";
const char* const PictureUsage = "^Usage: ambrelle-picture FILE\\.\\.\\.$";

INSTANTIATE_TEST_SUITE_P(
    Programs, HelpTable,
    testing::Values(HelpRow{"ambrelle", "--help", AmbrelleUsage}, HelpRow{"ambrelle", "-h", AmbrelleUsage},
                    HelpRow{"ambrelle", "--version", "^ambrelle [0-9]+(\\.[0-9]+)+$"},
                    HelpRow{"ambrelle-picture", "--help", PictureUsage},
                    HelpRow{"ambrelle-picture", "-h", PictureUsage},
                    HelpRow{"ambrelle-picture", "--version", "^ambrelle-picture [0-9]+(\\.[0-9]+)+$"}));

} // namespace
