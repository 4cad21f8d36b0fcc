#include "cli/CliRun.h"
#include "support/TestPhotos.h"
#include "templates/PropertyListCodec.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

// Property-list exports and imports from the command line.
TEST(CliTemplate, exportsATemplateAndImportsItIntoPhotos) {
    TestFolder folder;
    const QString out = folder.file(QStringLiteral("out"));
    const CliRun exported =
        cli({QStringLiteral("template"), QStringLiteral("export"), QStringLiteral("--artist"),
             QStringLiteral("Ana"), QStringLiteral("--keywords"), QStringLiteral("lake, hills"),
             QStringLiteral("--lat"), QStringLiteral("-33.8568"), QStringLiteral("--lon"),
             QStringLiteral("151.2153"), QStringLiteral("--altitude"), QStringLiteral("-5"),
             QStringLiteral("--out"), out});
    ASSERT_EQ(exported.exitCode, 0) << qPrintable(exported.err);
    const QString plist = out + QStringLiteral("/templatefile.plist");
    EXPECT_EQ(exported.out.trimmed(), QFile::encodeName(plist));

    const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString photos = folder.file(QStringLiteral("photos"));
    // A dry run says what would change and writes nothing.
    const CliRun dry = cli({QStringLiteral("import"), QStringLiteral("template"), plist,
                            QStringLiteral("--dry-run"), QStringLiteral("--out"), photos, photo});
    ASSERT_EQ(dry.exitCode, 0) << qPrintable(dry.err);
    EXPECT_TRUE(dry.out.contains("\"{GPS}.LatitudeRef\""));
    EXPECT_FALSE(QFileInfo::exists(photos));

    const CliRun imported = cli({QStringLiteral("import"), QStringLiteral("template"), plist,
                                 QStringLiteral("--out"), photos, photo});
    ASSERT_EQ(imported.exitCode, 0) << qPrintable(imported.err);
    const QJsonObject tags = exiftoolRead(photos + QStringLiteral("/DSCN0010.jpg"));
    EXPECT_EQ(tags.value(QStringLiteral("IFD0:Artist")).toString(), QStringLiteral("Ana"));
    EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSLatitudeRef")).toString(), QStringLiteral("S"));
    EXPECT_NEAR(tags.value(QStringLiteral("GPS:GPSLatitude")).toDouble(), 33.8568, 1e-5);
    EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSAltitudeRef")).toInt(), 1);
}

TEST(CliTemplate, exportsEachKindAndNamesWhatItCannotDo) {
    TestFolder folder;
    const QString photo =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("IMG_0001.JPG"));
    const QString out = folder.file(QStringLiteral("out"));
    const struct {
        const char* kind;
        const char* file;
        QStringList keys;
    } cases[] = {
        {"exif-tiff", "IMG_0001.plist", {QStringLiteral("{Exif}"), QStringLiteral("{TIFF}")}},
        {"exif-gps", "IMG_0001.plist", {QStringLiteral("{Exif}"), QStringLiteral("{GPS}")}},
        {"tiff", "IMG_0001_Tiff.plist", {}},
        {"exif", "IMG_0001_Exif.plist", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        const CliRun run = cli(
            {QStringLiteral("export"), QLatin1String(c.kind), QStringLiteral("--out"), out, photo});
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
        const auto read =
            readPropertyListDictionary(fileBytes(out + QLatin1Char('/') + QLatin1String(c.file)));
        ASSERT_TRUE(read.isOk()) << qPrintable(read.error());
        if (!c.keys.isEmpty()) {
            EXPECT_EQ(read->keys(), c.keys);
        }
    }
    // The export's dry run writes nothing.
    const QString nowhere = folder.file(QStringLiteral("nowhere"));
    const CliRun dry = cli({QStringLiteral("export"), QStringLiteral("all"),
                            QStringLiteral("--dry-run"), QStringLiteral("--out"), nowhere, photo});
    EXPECT_EQ(dry.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(dry.out).object().value(QStringLiteral("output")).toString(),
              nowhere + QStringLiteral("/IMG_0001.plist"));
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    // A photo without the set, and a file that is no property list, are named.
    const QString bare =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("bare.jpg"));
    runTool(QStringLiteral("exiftool"),
            {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
             QStringLiteral("-exif:all="), bare});
    const CliRun none =
        cli({QStringLiteral("export"), QStringLiteral("exif"), QStringLiteral("--out"), out, bare});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains(QLatin1String("has no {Exif} set"))) << qPrintable(none.err);
    const QString notes = folder.writeFile(QStringLiteral("notes.plist"), "shopping");
    const CliRun bad = cli({QStringLiteral("import"), QStringLiteral("all"), notes,
                            QStringLiteral("--out"), out, photo});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.startsWith(notes + QStringLiteral(": not a property list")))
        << qPrintable(bad.err);
}
