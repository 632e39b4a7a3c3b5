#include "slideshow/EffectLists.h"
#include "platform/Exceptions.h"
#include "tests/support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(EffectLists, LineEndVariantsReadTheSame) {
    const QStringList expected{QStringLiteral("3"), QStringLiteral(""), QStringLiteral("5")};
    EXPECT_EQ(ParseStringList("3\r\n\r\n5\r\n"), expected);
    EXPECT_EQ(ParseStringList("3\r\n\r\n5"), expected);
    EXPECT_EQ(ParseStringList("3\n\n5\n"), expected);
    EXPECT_EQ(ParseStringList("3\r\r5\r"), expected);
    EXPECT_EQ(ParseStringList("3\r\n\n5"), expected);
    EXPECT_EQ(ParseStringList(""), QStringList());
    EXPECT_EQ(ParseStringList("\r\n"), QStringList{QString()});
    EXPECT_EQ(ParseStringList(" 7 \r\nx"), (QStringList{QStringLiteral(" 7 "), QStringLiteral("x")}));
}

TEST(EffectLists, NulEndsTheText) {
    EXPECT_EQ(ParseStringList(QByteArray("1\r\n2\0"
                                         "3\r\n4",
                                         8)),
              (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(ParseStringList(QByteArray("\0"
                                         "1",
                                         2)),
              QStringList());
}

TEST(EffectLists, HugeLineWithoutEndIsOneEntry) {
    const QStringList list = ParseStringList(QByteArray(50 * 1024 * 1024, '1'));
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].size(), 50 * 1024 * 1024);
}

TEST(EffectLists, WrittenWithCrLfAfterEveryEntry) {
    EXPECT_EQ(FormatStringList({QStringLiteral("0"), QStringLiteral("1")}), QByteArray("0\r\n1\r\n"));
    EXPECT_EQ(FormatStringList({}), QByteArray());
}

TEST(EffectLists, TextOrderIsNotNumeric) {
    QStringList list = DefaultEffectList();
    SortEffectList(list);
    const QStringList expected =
        QStringLiteral("0 1 10 11 12 13 14 15 16 17 18 19 2 20 21 3 4 5 6 7 8 9").split(' ');
    EXPECT_EQ(list, expected);
    QStringList small{QStringLiteral("5"), QStringLiteral("12"), QStringLiteral("3")};
    SortEffectList(small);
    EXPECT_EQ(small, (QStringList{QStringLiteral("12"), QStringLiteral("3"), QStringLiteral("5")}));
    for (const QString& entry : expected) {
        EXPECT_EQ(FindEffectText(expected, entry), expected.indexOf(entry));
    }
    EXPECT_EQ(FindEffectText(expected, QStringLiteral("22")), -1);
    EXPECT_EQ(CompareEffectText(QStringLiteral("a"), QStringLiteral("A")), 0);
}

TEST(EffectLists, MissingFileIsCreatedWithTheDefaults) {
    TempConfigHome config;
    const QString path = config.Home() + QStringLiteral("/list.Dat");
    QStringList list;
    LoadOrCreateEffectList(list, path);
    EXPECT_EQ(list, DefaultEffectList());
    QByteArray expected;
    for (int n = 0; n <= 21; ++n) {
        expected += QByteArray::number(n) + "\r\n";
    }
    EXPECT_EQ(ReadFileBytes(path), expected);
    WriteFileBytes(path, QByteArray());
    LoadOrCreateEffectList(list, path);
    EXPECT_TRUE(list.isEmpty());
}

TEST(EffectLists, UnreadableOrUncreatableFilesRaiseFileErrors) {
    TempConfigHome config;
    const QString folder = config.Home() + QStringLiteral("/folder.Dat");
    QDir().mkpath(folder);
    EXPECT_THROW(SaveStringsToFile({QStringLiteral("1")}, folder), EFCreateError);
    try {
        SaveStringsToFile({}, config.Home() + QStringLiteral("/no/such/folder/x.Dat"));
        ADD_FAILURE();
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot create file \""))) << e.what();
    }
    try {
        LoadStringsFromFile(config.Home() + QStringLiteral("/missing.Dat"));
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file \""))) << e.what();
    }
}
