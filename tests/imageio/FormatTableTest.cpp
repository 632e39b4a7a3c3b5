#include "imageio/FormatTable.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

QStringList Names(std::string_view list) {
    return QString::fromLatin1(list.data(), qsizetype(list.size()))
        .split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

// The extensions the loader dispatches to a row, with the dot, lower case.
QStringList LoadedExtensions(const TFileFormatInfo& format) {
    QStringList loaded;
    const QStringList notLoaded = Names(format.NotLoaded);
    for (const QString& name : Names(format.Extensions) + Names(format.AlsoLoaded)) {
        if (!notLoaded.contains(name)) {
            loaded << QLatin1Char('.') + name.toLower();
        }
    }
    return loaded;
}

} // namespace

// What a new row must not break: one code per row, one row per extension, and the loader and the folder
// scan both finding the row by each of its extensions in any case.
TEST(FormatTable, EveryExtensionLeadsToItsOwnRow) {
    std::set<int> codes;
    std::map<QString, int> owner;
    for (const TFileFormatInfo& format : FileFormatTable) {
        EXPECT_TRUE(codes.insert(format.Code).second) << format.Code;
        for (const QString& extension : LoadedExtensions(format)) {
            const auto [it, added] = owner.emplace(extension, format.Code);
            EXPECT_TRUE(added) << extension.toStdString() << " is also in row " << it->second;
            for (const QString& spelling : {extension, extension.toUpper()}) {
                EXPECT_EQ(LoaderFormatOf(QStringView(spelling)), &format) << spelling.toStdString();
                const QByteArray bytes = spelling.toLatin1();
                EXPECT_EQ(
                    LoaderReadsExtension(std::string_view(bytes.constData(), std::size_t(bytes.size()))),
                    format.LoaderReads())
                    << spelling.toStdString();
            }
        }
    }
    EXPECT_EQ(LoaderFormatOf(QStringView(u".pix")), nullptr);
    EXPECT_EQ(LoaderFormatOf(QStringView(u".")), nullptr);
    EXPECT_EQ(LoaderFormatOf(QStringView(u"jpg")), nullptr);
}
