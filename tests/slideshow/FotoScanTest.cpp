#include "slideshow/FotoScan.h"
#include "platform/FileNames.h"
#include "slideshow/ProcessState.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TEST(FotoScan, ExtensionRules) {
    EXPECT_EQ(ExtractFileExt(QStringLiteral("a.b.JPG")), QStringLiteral(".JPG"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("dir.x/name")), QString());
    EXPECT_EQ(ExtractFileExt(QStringLiteral("c:name")), QString());
    EXPECT_EQ(ExtractFileExt(QStringLiteral("noext")), QString());
    for (const char* taken : {"Photo.JPG", "scan.Tiff", "x.jpeg", ".jpg",  "a.JPE", "b.Targa", "c.WIN",
                              "d.icb",     "e.vst",     "f.vda",  "g.rle", "h.dib", "i.cur",   "j.ico",
                              "k.emf",     "l.wmf",     "m.pcx",  "n.png", "o.GIF", "p.webp"}) {
        EXPECT_TRUE(HasPictureExtension(QString::fromLatin1(taken))) << taken;
    }
    for (const char* refused :
         {"archive.jpg.zip", "readme.txt", "picture.psd", "anim.mng", "nodot", "x.jpg ", "y.jp", "z.jpgx"}) {
        EXPECT_FALSE(HasPictureExtension(QString::fromLatin1(refused))) << refused;
    }
    // Only ASCII letters are lower-cased: a dotless capital I does not become "i".
    EXPECT_FALSE(HasPictureExtension(QStringLiteral("x.t\u0130f")));
}

TEST(FotoScan, ListsOneLevelWithHiddenEntriesAndPictureNamedFolders) {
    QTemporaryDir folder;
    const QString root = folder.path();
    for (const char* name : {"Photo.JPG", ".hidden.bmp", ".jpg", "readme.txt", "picture.psd"}) {
        WriteFileBytes(root + QLatin1Char('/') + QString::fromLatin1(name), "x");
    }
    QDir(root).mkpath(QStringLiteral("holiday.jpg"));
    QDir(root).mkpath(QStringLiteral("my.photos"));
    WriteFileBytes(root + QStringLiteral("/my.photos/inner.jpg"), "x");

    const QString oldCurrent = QDir::currentPath();
    PictureList.clear();
    FotoDir = root + QLatin1Char('/');
    ScanFotoDir();
    QStringList found = PictureList;
    found.sort();
    EXPECT_EQ(found, (QStringList{QStringLiteral(".hidden.bmp"), QStringLiteral(".jpg"),
                                  QStringLiteral("Photo.JPG"), QStringLiteral("holiday.jpg")}));
    EXPECT_EQ(QDir::currentPath(), QDir(root).canonicalPath());

    ScanFotoDir(); // without clearing, every picture twice
    EXPECT_EQ(PictureList.size(), 8);

    PictureList.clear();
    FotoDir = root + QStringLiteral("/missing");
    ScanFotoDir();
    EXPECT_TRUE(PictureList.isEmpty());
    QDir::setCurrent(oldCurrent);
}

TEST(FotoScan, NamesInAnyEncodingAreListedInTheFoldersOwnOrder) {
    QTemporaryDir folder;
    for (const char* stored :
         {"caf\xe9.jpg", "\xcf\xf0\xe8\xe2\xe5\xf2.JPG", "na\xc3\xafve.bmp", "r\xe9sum\xe9.txt"}) {
        ASSERT_TRUE(WriteStoredFile(folder.path(), stored, "x")) << stored;
    }
    const QString oldCurrent = QDir::currentPath();
    PictureList.clear();
    FotoDir = folder.path();
    ScanFotoDir();
    QStringList inListingOrder;
    ForEachStoredName(folder.path(), [&](std::string_view name) {
        if (name.find(".txt") == std::string_view::npos) {
            inListingOrder.append(DecodeFileName(name));
        }
    });
    EXPECT_EQ(PictureList, inListingOrder);
    QStringList found = PictureList;
    found.sort();
    EXPECT_EQ(found, (QStringList{QStringLiteral("café.jpg"), QStringLiteral("naïve.bmp"),
                                  QStringLiteral("Привет.JPG")}));
    QDir::setCurrent(oldCurrent);
    RemoveStoredEntries(folder.path());
}
