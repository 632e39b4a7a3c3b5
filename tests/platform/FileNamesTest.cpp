#include "platform/FileNames.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(FileNames, NamesInAnyEncodingDecodeReadably) {
    const struct {
        const char* Stored;
        const char16_t* Text;
    } cases[] = {
        {"plain.jpg", u"plain.jpg"},
        {"na\xc3\xafve.jpg", u"naïve.jpg"},              // UTF-8
        {"caf\xe9.jpg", u"café.jpg"},                    // Latin-1
        {"Gr\xf6\xdf\x65.bmp", u"Größe.bmp"},            // Latin-1, two letters in a row
        {"\xcf\xf0\xe8\xe2\xe5\xf2.jpg", u"Привет.jpg"}, // Windows-1251
        {"\xd4\xee\xf2\xee 2001 \xb8\xeb\xea\xe0.jpg", u"Фото 2001 ёлка.jpg"},
        {"\xa8\xeb\xea\xe0_1.JPG", u"Ёлка_1.JPG"},
        {"\x80\xff.tif", u"\u0080ÿ.tif"}, // not letters of Windows-1251: Latin-1
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeFileName(c.Stored), QString::fromUtf16(c.Text)) << c.Stored;
    }
}

TEST(FileNames, OpeningFindsTheStoredNamesAgain) {
    QTemporaryDir folder;
    const std::string names[] = {"caf\xe9.jpg", "\xcf\xf0\xe8\xe2\xe5\xf2.jpg", "na\xc3\xafve.jpg"};
    for (const std::string& name : names) {
        ASSERT_TRUE(
            WriteStoredFile(folder.path(), QByteArray::fromStdString(name), QByteArray::fromStdString(name)));
    }
    for (const std::string& name : {names[0], names[1]}) {
        const QString path = folder.path() + QLatin1Char('/') + DecodeFileName(name);
        QFile file(path);
        EXPECT_FALSE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(OpenUnderStoredName(file, path, QIODevice::ReadOnly)) << name;
        EXPECT_EQ(file.readAll().toStdString(), name);
    }
    QFile utf8(folder.path() + QStringLiteral("/naïve.jpg")); // found by the ordinary open
    EXPECT_FALSE(OpenUnderStoredName(utf8, utf8.fileName(), QIODevice::ReadOnly));
    QFile missing(folder.path() + QStringLiteral("/déjà.jpg"));
    EXPECT_FALSE(OpenUnderStoredName(missing, missing.fileName(), QIODevice::ReadOnly));
    EXPECT_FALSE(missing.isOpen());
    // Folders on the way may be stored in a code page as well.
    const QByteArray stored = QFile::encodeName(folder.path()) + "/\xcf\xf0\xe8\xe2\xe5\xf2/";
    ASSERT_TRUE(MakeStoredFolder(folder.path(), "\xcf\xf0\xe8\xe2\xe5\xf2"));
    for (const char* name : {"caf\xe9.jpg", "plain.jpg"}) {
        std::FILE* out = std::fopen((stored + name).constData(), "wb");
        ASSERT_NE(out, nullptr);
        std::fputs(name, out);
        std::fclose(out);
        QFile file(folder.path() + QStringLiteral("/Привет/") + DecodeFileName(name));
        ASSERT_TRUE(OpenUnderStoredName(file, file.fileName(), QIODevice::ReadOnly)) << name;
        EXPECT_EQ(file.readAll(), QByteArray(name));
        std::remove((stored + name).constData());
    }
    RemoveStoredEntries(folder.path());
}
