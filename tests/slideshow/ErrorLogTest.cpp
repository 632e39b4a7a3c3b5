#include "slideshow/ErrorLog.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Day.month.year and hours:minutes:seconds.
const QLocale Russian(QLocale::Russian, QLocale::Russia);

} // namespace

TEST(ErrorLog, RecordHasTheFixedPieces) {
    const QDateTime when(QDate(2026, 12, 7), QTime(5, 36, 31));
    EXPECT_EQ(FormatErrorRecord(when, Russian, QStringLiteral("'x' is not a valid integer value"),
                                QStringLiteral("a.jpg"), 0, 0),
              QStringLiteral("Date-07.12.2026 05:36:31;  ErrorSTR-'x' is not a valid integer value; "
                             "FileNameFoto-a.jpg; NShow-0; NHide-0"));
    EXPECT_EQ(FormatErrorRecord(when, Russian, QString(), QString(), 12, -1),
              QStringLiteral("Date-07.12.2026 05:36:31;  ErrorSTR-; FileNameFoto-; NShow-12; NHide--1"));
}

TEST(ErrorLog, MidnightLeavesOutTheTime) {
    EXPECT_EQ(FormatErrorDateTime(QDateTime(QDate(2026, 1, 2), QTime(0, 0)), Russian),
              QStringLiteral("02.01.2026"));
    EXPECT_EQ(FormatErrorDateTime(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 1)), Russian),
              QStringLiteral("02.01.2026 00:00:01"));
    EXPECT_EQ(FormatErrorDateTime(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0, 5)), Russian),
              QStringLiteral("02.01.2026 00:00:00"));
}

TEST(ErrorLog, RecordsAreOnDiskAtOnceAndLaterRunsAppend) {
    TempConfigHome config;
    const QString path = config.Home() + QStringLiteral("/Error.dat");
    {
        TErrorLog log;
        ASSERT_TRUE(log.Open(path));
        log.Append(QStringLiteral("first"));
        EXPECT_EQ(ReadFileBytes(path), QByteArray("first\r\n"));
        log.Append(QStringLiteral("second"));
        EXPECT_EQ(ReadFileBytes(path), QByteArray("first\r\nsecond\r\n"));
    }
    TErrorLog again;
    ASSERT_TRUE(again.Open(path));
    again.Append(QStringLiteral("third"));
    again.Close();
    EXPECT_EQ(ReadFileBytes(path), QByteArray("first\r\nsecond\r\nthird\r\n"));
    TErrorLog nowhere;
    EXPECT_FALSE(nowhere.Open(config.Home() + QStringLiteral("/missing/Error.dat")));
    nowhere.Append(QStringLiteral("lost")); // no log: nothing happens
}
