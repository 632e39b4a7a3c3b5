#include "slideshow/FotoScan.h"
#include "platform/FileNames.h"
#include "slideshow/ProcessState.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

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

TEST(FotoScan, NamesInAnyEncodingAreListedInNameOrder) {
    QTemporaryDir folder;
    for (const char* stored :
         {"caf\xe9.jpg", "\xcf\xf0\xe8\xe2\xe5\xf2.JPG", "na\xc3\xafve.bmp", "r\xe9sum\xe9.txt"}) {
        ASSERT_TRUE(WriteStoredFile(folder.path(), stored, "x")) << stored;
    }
    const QString oldCurrent = QDir::currentPath();
    PictureList.clear();
    FotoDir = folder.path();
    ScanFotoDir();
    EXPECT_EQ(PictureList, (QStringList{QStringLiteral("café.jpg"), QStringLiteral("naïve.bmp"),
                                        QStringLiteral("Привет.JPG")}));
    QDir::setCurrent(oldCurrent);
    RemoveStoredEntries(folder.path());
}

// One tree, listed flat and with its subfolders: names sorted regardless of ASCII case, a folder's
// pictures before its subfolders', hidden folders left out, links to folders followed once, a loop ended,
// a folder named in a code page entered.
TEST(FotoScan, ATreeIsListedFolderByFolderInNameOrder) {
    QTemporaryDir folder;
    QTemporaryDir elsewhere;
    const QString root = folder.path();
    const auto file = [&](const QString& path) {
        QDir(root).mkpath(QFileInfo(path).path());
        WriteFileBytes(root + QLatin1Char('/') + path, "x");
    };
    for (const char* path :
         {"b.jpg", "A.JPG", "c.txt", "Zeta.bmp", "sub2/x.jpg", "Sub1/y.jpg", "Sub1/deeper/z.jpg",
          "Sub1/deeper/deepest/w.jpg", ".hidden/h.jpg", "holiday.jpg/inner.bmp"}) {
        file(QString::fromLatin1(path));
    }
    WriteFileBytes(elsewhere.filePath(QStringLiteral("o.jpg")), "x");
    ASSERT_TRUE(QFile::link(root, root + QStringLiteral("/Sub1/deeper/loop")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), root + QStringLiteral("/outside")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/sub2"), root + QStringLiteral("/sub2link")));
    ASSERT_TRUE(MakeStoredFolder(root, "\xcf\xf0\xe8\xe2\xe5\xf2"));
    ASSERT_TRUE(WriteStoredFile(root, "\xcf\xf0\xe8\xe2\xe5\xf2/p.jpg", "x"));

    const struct {
        bool IncludeSubfolders;
        QStringList Expected;
    } rows[] = {
        {false, {"A.JPG", "b.jpg", "holiday.jpg", "Zeta.bmp"}},
        {true,
         {"A.JPG", "b.jpg", "Zeta.bmp", "holiday.jpg/inner.bmp", "outside/o.jpg", "Sub1/y.jpg",
          "Sub1/deeper/z.jpg", "Sub1/deeper/deepest/w.jpg", "sub2/x.jpg", "Привет/p.jpg"}},
    };
    const QString oldCurrent = QDir::currentPath();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.IncludeSubfolders);
        PictureList.clear();
        FotoDir = root;
        IncludeSubfolders = row.IncludeSubfolders;
        ScanFotoDir();
        EXPECT_EQ(PictureList, row.Expected);
    }
    IncludeSubfolders = false;
    PictureList.clear();
    QDir::setCurrent(oldCurrent);
    ::unlink((QFile::encodeName(root) + "/\xcf\xf0\xe8\xe2\xe5\xf2/p.jpg").constData());
    RemoveStoredEntries(root);
}

TEST(FotoScan, AFolderThatCannotBeListedIsReportedAndPassedOver) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "every folder can be read by root";
    }
    QTemporaryDir folder;
    WriteFileBytes(folder.filePath(QStringLiteral("a.jpg")), "x");
    QDir(folder.path()).mkdir(QStringLiteral("closed"));
    WriteFileBytes(folder.filePath(QStringLiteral("closed/b.jpg")), "x");
    QFile::setPermissions(folder.filePath(QStringLiteral("closed")), QFileDevice::Permissions());
    QStringList found;
    QStringList unreadable;
    TScanSink sink;
    sink.Pictures = [&](QStringList&& pictures) { found.append(pictures); };
    sink.Unreadable = [&](const QString& where, const QString&) { unreadable.append(where); };
    EXPECT_TRUE(ScanPictureTree(folder.path(), true, sink));
    EXPECT_EQ(found, QStringList{QStringLiteral("a.jpg")});
    EXPECT_EQ(unreadable, QStringList{QStringLiteral("closed")});
    QFile::setPermissions(folder.filePath(QStringLiteral("closed")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
