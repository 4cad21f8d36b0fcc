#include "cli/CliRun.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QJsonObject dumpOf(const QString& path) {
    const CliRun single = cli({QStringLiteral("dump"), path});
    EXPECT_EQ(single.exitCode, 0) << qPrintable(single.err);
    return QJsonDocument::fromJson(single.out).object();
}

QList<QJsonObject> lines(const QByteArray& out) {
    QList<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        objects << QJsonDocument::fromJson(line, &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.constData();
    }
    return objects;
}

QStringList filesUnder(const QString& folder) {
    QStringList names;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot))
        names << info.fileName();
    names.sort();
    return names;
}

} // namespace

TEST(CliDump, printsOneArrayOfObjectsInArgumentOrderForSeveralFiles) {
    TestFolder folder;
    const QString first = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString second = folder.copyPhoto(QStringLiteral("BlueSquare.jpg"));
    const QString third = folder.copyPhoto(QStringLiteral("IMG_5195.HEIC"));
    const QString bad = folder.writeFile(QStringLiteral("bad.jpg"), "not a photo");
    const QStringList files = {second, bad, first, third, second};
    const CliRun many = cli(QStringList{QStringLiteral("dump")} + files);
    EXPECT_EQ(many.exitCode, 1);
    EXPECT_EQ(many.err, bad + QStringLiteral(": not a supported photo format\n"));
    QJsonParseError error;
    const QJsonArray array = QJsonDocument::fromJson(many.out, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << many.out.left(400).constData();
    const QStringList expected = {second, first, third, second};
    ASSERT_EQ(array.size(), expected.size());
    const QList<QJsonObject> theirs = exiftoolRead(expected);
    for (int i = 0; i < expected.size(); ++i) {
        QJsonObject object = array[i].toObject();
        EXPECT_EQ(object.value(QStringLiteral("SourceFile")).toString(), expected[i]);
        EXPECT_EQ(theirs[i].value(QStringLiteral("SourceFile")).toString(), expected[i]);
        object.remove(QStringLiteral("SourceFile"));
        EXPECT_EQ(object, dumpOf(expected[i])) << "each object is the file's own dump";
    }
    // One file still prints its object alone.
    const QJsonDocument one =
        QJsonDocument::fromJson(cli({QStringLiteral("dump"), first}).out, &error);
    EXPECT_TRUE(one.isObject());
    EXPECT_FALSE(one.object().contains(QStringLiteral("SourceFile")));
    // Every file unreadable: an empty array.
    const CliRun none = cli({QStringLiteral("dump"), bad, bad});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(QJsonDocument::fromJson(none.out).array().size(), 0);
}

TEST(CliDump, keepsArgumentOrderOverAThousandFiles) {
    TestFolder folder;
    QStringList files;
    const QStringList fixtures = {QStringLiteral("DSCN0010.jpg"), QStringLiteral("Canon_40D.jpg"),
                                  QStringLiteral("photo.png"), QStringLiteral("no_exif.jpg")};
    for (int i = 0; i < 1000; ++i)
        files << folder.copyPhoto(fixtures[i % fixtures.size()],
                                  QStringLiteral("p%1-%2").arg(i).arg(fixtures[i % 4]));
    const CliRun many = cli(QStringList{QStringLiteral("dump")} + files);
    ASSERT_EQ(many.exitCode, 0) << qPrintable(many.err);
    const QJsonArray array = QJsonDocument::fromJson(many.out).array();
    ASSERT_EQ(array.size(), files.size());
    QList<QJsonObject> singles;
    for (int i = 0; i < 4; ++i) {
        singles << dumpOf(files[i]);
    }
    for (int i = 0; i < files.size(); ++i) {
        QJsonObject object = array[i].toObject();
        ASSERT_EQ(object.take(QStringLiteral("SourceFile")).toString(), files[i]);
        ASSERT_EQ(object, singles[i % 4]) << i;
    }
}

TEST(CliDump, printsTheWarningsOfADamagedBlockAndTheRestOfThePhoto) {
    TestFolder folder;
    QByteArray bytes = fileBytes(fixturePath(QStringLiteral("IMG_5195.HEIC")));
    const qsizetype profile = bytes.indexOf("colrprof") + 8;
    qToBigEndian<quint32>(0xfffffff0u, bytes.data() + profile);
    bytes.replace(profile + 36, 4, "xxxx");
    const QString damaged = folder.writeFile(QStringLiteral("damaged.heic"), bytes);
    const CliRun dump = cli({QStringLiteral("dump"), damaged});
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_EQ(dump.err,
              damaged + QStringLiteral(": warning: the ICC profile could not be read (Not a "
                                       "valid ICC Profile)\n"));
    EXPECT_EQ(QJsonDocument::fromJson(dump.out).object(),
              dumpOf(fixturePath(QStringLiteral("IMG_5195.HEIC"))));
}

TEST(CliDryRun, listsTheKeysEachCommandWouldChangeAndWritesNothing) {
    TestFolder folder;
    const QString gpsPhoto = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString iptcPhoto = folder.copyPhoto(QStringLiteral("BlueSquare.jpg"));
    const QString out = folder.file(QStringLiteral("not/made"));
    const QJsonObject gps = dumpOf(gpsPhoto).value(QStringLiteral("{GPS}")).toObject();
    const QJsonObject iptc = dumpOf(iptcPhoto).value(QStringLiteral("{IPTC}")).toObject();
    QJsonObject iptcMirrors = dumpOf(iptcPhoto).value(QStringLiteral("{XMP}")).toObject();
    for (const QString& key : iptcMirrors.keys()) {
        if (!key.startsWith(QLatin1String("dc:")) || key == QLatin1String("dc:format"))
            iptcMirrors.remove(key);
    }

    const QJsonObject exif = dumpOf(gpsPhoto).value(QStringLiteral("{Exif}")).toObject();
    const QJsonObject tiff = dumpOf(gpsPhoto).value(QStringLiteral("{TIFF}")).toObject();

    auto removed = [](const QString& set, const QJsonObject& values) {
        QJsonArray changes;
        for (auto it = values.begin(); it != values.end(); ++it)
            changes.append(QJsonObject{{QStringLiteral("key"), set + QLatin1Char('.') + it.key()},
                                       {QStringLiteral("from"), it.value()},
                                       {QStringLiteral("to"), QJsonValue::Null}});
        return changes;
    };
    auto dateChange = [](const QString& key, const QJsonValue& from, const char* to) {
        return QJsonObject{{QStringLiteral("key"), key},
                           {QStringLiteral("from"), from},
                           {QStringLiteral("to"), QLatin1String(to)}};
    };
    const QString date = QStringLiteral("2020:02:03 04:05:06");
    const struct {
        const char* what;
        QStringList arguments;
        QString file;
        QJsonArray changes;
    } cases[] = {
        {"remove gps lists every GPS key",
         {QStringLiteral("remove"), QStringLiteral("gps")},
         gpsPhoto,
         removed(QStringLiteral("{GPS}"), gps)},
        {"remove iptc lists every IPTC key, lists as arrays, and their XMP copies",
         {QStringLiteral("remove"), QStringLiteral("iptc")},
         iptcPhoto,
         [&] {
             QJsonArray both = removed(QStringLiteral("{IPTC}"), iptc);
             for (const QJsonValue change : removed(QStringLiteral("{XMP}"), iptcMirrors))
                 both.append(change);
             return both;
         }()},
        {"dates set lists the three dates and their copies in the photo's XMP",
         {QStringLiteral("dates"), QStringLiteral("set"), date},
         gpsPhoto,
         QJsonArray{
             dateChange(QStringLiteral("{Exif}.DateTimeDigitized"),
                        exif.value(QStringLiteral("DateTimeDigitized")), "2020:02:03 04:05:06"),
             dateChange(QStringLiteral("{Exif}.DateTimeOriginal"),
                        exif.value(QStringLiteral("DateTimeOriginal")), "2020:02:03 04:05:06"),
             dateChange(QStringLiteral("{TIFF}.DateTime"), tiff.value(QStringLiteral("DateTime")),
                        "2020:02:03 04:05:06"),
             dateChange(QStringLiteral("{XMP}.exif:DateTimeOriginal"), QJsonValue::Null,
                        "2020-02-03T04:05:06"),
             dateChange(QStringLiteral("{XMP}.photoshop:DateCreated"), QJsonValue::Null,
                        "2020-02-03T04:05:06"),
             dateChange(QStringLiteral("{XMP}.xmp:CreateDate"), QJsonValue::Null,
                        "2020-02-03T04:05:06"),
             dateChange(QStringLiteral("{XMP}.xmp:ModifyDate"), QJsonValue::Null,
                        "2020-02-03T04:05:06")}},
        {"file-dates lists the modification date it sets",
         {QStringLiteral("file-dates")},
         gpsPhoto,
         QJsonArray{dateChange(
             QStringLiteral("FileModificationDate"),
             QFileInfo(gpsPhoto).lastModified().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")),
             "2008:10:22 16:28:39")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CliRun dry = cli(c.arguments + QStringList{QStringLiteral("--dry-run"),
                                                         QStringLiteral("--out"), out, c.file});
        EXPECT_EQ(dry.exitCode, 0) << qPrintable(dry.err);
        EXPECT_EQ(dry.err, QString());
        const QList<QJsonObject> objects = lines(dry.out);
        ASSERT_EQ(objects.size(), 1) << dry.out.constData();
        EXPECT_EQ(objects.first().value(QStringLiteral("file")).toString(), c.file);
        EXPECT_EQ(objects.first().value(QStringLiteral("changes")).toArray(), c.changes)
            << dry.out.constData();
        EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("not"))));
    }

    // The real run writes what the dry run listed.
    const CliRun real = cli({QStringLiteral("dates"), QStringLiteral("set"), date,
                             QStringLiteral("--out"), out, gpsPhoto});
    ASSERT_EQ(real.exitCode, 0) << qPrintable(real.err);
    const QJsonObject written = exiftoolRead(out + QStringLiteral("/DSCN0010.jpg"));
    EXPECT_EQ(written.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(), date);
    EXPECT_EQ(written.value(QStringLiteral("ExifIFD:CreateDate")).toString(), date);
    EXPECT_EQ(written.value(QStringLiteral("IFD0:ModifyDate")).toString(), date);
}

TEST(CliDryRun, reportsThePhotosARunWouldSkipOnEveryWritingCommand) {
    TestFolder folder;
    const QString good = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString heic = folder.copyPhoto(QStringLiteral("IMG_5195.HEIC"));
    const QString bad = folder.writeFile(QStringLiteral("bad.jpg"), "not a photo");
    const QString out = folder.file(QStringLiteral("out"));
    const QString date = QStringLiteral("2020:02:03 04:05:06");
    const QList<QStringList> commands = {
        {QStringLiteral("remove"), QStringLiteral("exif")},
        {QStringLiteral("remove"), QStringLiteral("gps")},
        {QStringLiteral("remove"), QStringLiteral("iptc")},
        {QStringLiteral("remove"), QStringLiteral("exif-gps")},
        {QStringLiteral("dates"), QStringLiteral("edit"), QStringLiteral("--original"), date,
         QStringLiteral("--digitized"), date},
        {QStringLiteral("dates"), QStringLiteral("set"), date},
        {QStringLiteral("dates"), QStringLiteral("shift"), QStringLiteral("--add"),
         QStringLiteral("--hours"), QStringLiteral("2")},
        {QStringLiteral("dates"), QStringLiteral("preview"), QStringLiteral("--before-original"),
         date, QStringLiteral("--before-digitized"), date, QStringLiteral("--after-original"),
         QStringLiteral("2020:02:03 05:05:06"), QStringLiteral("--after-digitized"),
         QStringLiteral("2020:02:03 05:05:06")},
        {QStringLiteral("file-dates")},
    };
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(QLatin1Char(' ')).toStdString());
        // A shift copies a photo it cannot read the dates of as it is.
        const bool shift = command.contains(QStringLiteral("shift")) ||
                           command.contains(QStringLiteral("preview"));
        // Only the file that is no photo is skipped; a shift copies it as it is.
        const int skipped = shift ? 0 : 1;
        const CliRun dry =
            cli(command + QStringList{QStringLiteral("--dry-run"), QStringLiteral("--out"), out,
                                      bad, good, heic});
        EXPECT_EQ(dry.exitCode, skipped ? 1 : 0);
        const QList<QJsonObject> objects = lines(dry.out);
        // The real run's skips, on standard error.
        const CliRun real =
            cli(command + QStringList{QStringLiteral("--out"), folder.file(QStringLiteral("real")),
                                      bad, good, heic});
        EXPECT_EQ(real.exitCode, skipped ? 1 : 0);
        // The lines that name a photo; the run's log lines come in any order.
        auto skips = [&](const QString& err) {
            QStringList named;
            for (const QString& line : err.split(QLatin1Char('\n'))) {
                if (line.startsWith(folder.path()))
                    named << line;
            }
            return named;
        };
        EXPECT_EQ(skips(dry.err), skips(real.err));
        // A shift names the file that is no photo too, with what it did.
        EXPECT_EQ(skips(dry.err).size(), shift ? 1 : skipped) << qPrintable(dry.err);
        const QStringList expectedFiles =
            shift ? QStringList{bad, good, heic} : QStringList{good, heic};
        ASSERT_EQ(objects.size(), expectedFiles.size()) << dry.out.constData();
        for (int i = 0; i < objects.size(); ++i) {
            EXPECT_EQ(objects[i].value(QStringLiteral("file")).toString(), expectedFiles[i]);
            // The photos have no IPTC set: its removal changes no key but the
            // phone's XMP copy of the date it took the photo.
            const QJsonArray changes = objects[i].value(QStringLiteral("changes")).toArray();
            if (command.contains(QStringLiteral("iptc")))
                EXPECT_EQ(changes.size(), expectedFiles[i] == heic ? 1 : 0) << dry.out.constData();
            else
                EXPECT_FALSE(changes.isEmpty()) << dry.out.constData();
        }
        EXPECT_FALSE(QFileInfo::exists(out));
    }
    EXPECT_EQ(filesUnder(folder.path()),
              (QStringList{QStringLiteral("DSCN0010.jpg"), QStringLiteral("IMG_5195.HEIC"),
                           QStringLiteral("bad.jpg")}));
}

TEST(CliRequiredEntries, aNewExifBlockOrDirectoryHoldsWhatTheStandardRequires) {
    TestFolder folder;
    // A JPEG without any metadata, as an editor that strips it leaves one.
    const QString bare =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("bare.jpg"));
    runTool(QStringLiteral("exiftool"),
            {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-all="),
             bare});
    const QString tiff = folder.copyPhoto(QStringLiteral("Jobagent.tiff"));
    const QStringList resolution = {"IFD0:XResolution", "IFD0:YResolution", "IFD0:ResolutionUnit",
                                    "IFD0:YCbCrPositioning"};
    const QStringList exifDirectory = {"ExifIFD:ExifVersion", "ExifIFD:FlashpixVersion",
                                       "ExifIFD:ColorSpace"};
    const QStringList compressed = {"ExifIFD:ComponentsConfiguration", "ExifIFD:ExifImageWidth",
                                    "ExifIFD:ExifImageHeight"};
    const struct {
        QString photo;
        QStringList command;
        QStringList required; // as exiftool names them
        QStringList listed;   // as a dry run lists them
    } cases[] = {
        {bare, {"edit", "--artist", "Ann"}, resolution, {"{TIFF}.XResolution"}},
        {bare,
         {"dates", "set", "2020:01:02 03:04:05"},
         resolution + exifDirectory + compressed,
         {"{TIFF}.YCbCrPositioning", "{Exif}.ExifVersion", "{Exif}.PixelXDimension"}},
        {tiff, {"dates", "set", "2020:01:02 03:04:05"}, exifDirectory, {"{Exif}.FlashpixVersion"}},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.join(QLatin1Char(' ')).toStdString());
        const QString out = folder.file(QString::number(++run));
        const CliRun dry = cli(c.command + QStringList{"--dry-run", "--out", out, c.photo});
        QStringList keys;
        for (const QJsonObject& line : lines(dry.out))
            for (const QJsonValue change : line.value("changes").toArray())
                keys << change.toObject().value("key").toString();
        for (const QString& key : c.listed)
            EXPECT_TRUE(keys.contains(key)) << qPrintable(key);
        const CliRun real = cli(c.command + QStringList{"--out", out, c.photo});
        ASSERT_EQ(real.exitCode, 0) << qPrintable(real.err);
        const QString written = out + QLatin1Char('/') + QFileInfo(c.photo).fileName();
        const QJsonObject tags = exiftoolRead(written);
        const QJsonObject facts = exiftoolRead(c.photo);
        for (const QString& key : c.required)
            EXPECT_TRUE(tags.contains(key)) << qPrintable(key);
        if (c.required.contains("ExifIFD:ExifImageWidth")) {
            EXPECT_EQ(tags.value("ExifIFD:ExifImageWidth"), facts.value("File:ImageWidth"));
            EXPECT_EQ(tags.value("ExifIFD:ExifImageHeight"), facts.value("File:ImageHeight"));
        }
        const QList<QStringList> warnings = validationWarnings({c.photo, written});
        for (const QString& warning : warnings.value(1))
            EXPECT_TRUE(warnings.value(0).contains(warning)) << qPrintable(warning);
    }
}
