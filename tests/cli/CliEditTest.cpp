#include "cli/CliRun.h"
#include "metadata/MetadataService.h"
#include "support/ForeignXmp.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimeZone>
#include <QUrl>

#include <sys/xattr.h>

#include <functional>

#include <gtest/gtest.h>

TEST(CliGpsSet, writesThePositionGoesPastAnUnreadablePhotoAndDatesTheFiles) {
    TestFolder folder;
    const QString out = folder.file(QStringLiteral("out"));
    const QString bad = folder.writeFile(QStringLiteral("bad.jpg"), "not a photo");
    const CliRun result = cli({"gps", "set", "--lat", "-33.8568", "--lon", "151.2153", "--alt",
                               "-5", "--date", "2014-05-06", "--time", "12:34:56", "--out", out,
                               folder.copyPhoto(QStringLiteral("DSCN0010.jpg")), bad,
                               folder.copyPhoto(QStringLiteral("Canon_40D.jpg"))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith(bad + QStringLiteral(": "))) << qPrintable(result.err);
    for (const QString name : {"DSCN0010.jpg", "Canon_40D.jpg"}) {
        SCOPED_TRACE(name.toStdString());
        const QString written = out + QLatin1Char('/') + name;
        const QJsonObject tags = exiftoolRead(written);
        EXPECT_EQ(tags.value("GPS:GPSLatitudeRef").toString(), "S");
        EXPECT_EQ(tags.value("GPS:GPSLongitudeRef").toString(), "E");
        EXPECT_EQ(tags.value("GPS:GPSAltitudeRef").toInt(), 1);
        EXPECT_EQ(tags.value("GPS:GPSDateStamp").toString(), "2014:05:06");
        EXPECT_EQ(QFileInfo(written).lastModified().toUTC(),
                  QDateTime(QDate(2014, 5, 6), QTime(12, 34, 56), QTimeZone::utc()));
    }
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/bad.jpg")));
}

TEST(CliEdit, writesOnlyTheFieldsGivenAndADryRunWritesNothing) {
    TestFolder folder;
    const QString out = folder.file(QStringLiteral("out"));
    const QString photo = folder.copyPhoto(QStringLiteral("Nikon_D70.jpg"));
    const QStringList fields = {"--artist",        "Ann",    "--keywords",
                                "lake, hills,sky", "--date", "2020-01-02 03:04:05"};

    const CliRun dry =
        cli(QStringList{"edit", "--dry-run"} + fields + QStringList{"--out", out, photo});
    EXPECT_EQ(dry.exitCode, 0) << qPrintable(dry.err);
    EXPECT_FALSE(QFileInfo::exists(out));
    QStringList keys;
    for (const QJsonValue change :
         QJsonDocument::fromJson(dry.out).object().value("changes").toArray())
        keys << change.toObject().value("key").toString();
    // The photo keeps XMP and no IPTC: the keywords go to its XMP alone, and
    // the dates' copies keep the zone they carry.
    EXPECT_EQ(keys,
              (QStringList{"{Exif}.DateTimeDigitized", "{Exif}.DateTimeOriginal", "{TIFF}.Artist",
                           "{XMP}.dc:creator", "{XMP}.dc:subject", "{XMP}.exif:DateTimeOriginal",
                           "{XMP}.photoshop:DateCreated", "{XMP}.xmp:CreateDate"}));

    const CliRun real = cli(QStringList{"edit"} + fields + QStringList{"--out", out, photo});
    EXPECT_EQ(real.exitCode, 0) << qPrintable(real.err);
    const QString written = out + QStringLiteral("/Nikon_D70.jpg");
    const QJsonObject tags = exiftoolRead(written);
    EXPECT_EQ(tags.value("IFD0:Artist").toString(), "Ann");
    EXPECT_EQ(tags.value("IFD0:Make").toString(), "NIKON CORPORATION");
    EXPECT_EQ(tags.value("XMP-dc:Subject").toArray(), (QJsonArray{"lake", "hills", "sky"}));
    EXPECT_FALSE(tags.contains("IPTC:Keywords"));
    EXPECT_EQ(tags.value("ExifIFD:DateTimeOriginal").toString(), "2020:01:02 03:04:05");
    EXPECT_EQ(tags.value("XMP-photoshop:DateCreated").toString(), "2020:01:02 03:04:05-04:00");
    EXPECT_EQ(tags.value("GPS:GPSLatitude"), exiftoolRead(photo).value("GPS:GPSLatitude"));
    EXPECT_EQ(jpegImageData(fileBytes(written)), jpegImageData(fileBytes(photo)));
}

TEST(CliEdit, refusesBadValuesNamingTheFieldAndWritesNothing) {
    TestFolder folder;
    const QString out = folder.file(QStringLiteral("out"));
    const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QStringList position = {"--date", "2014:05:06", "--time", "12:34:56"};
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {QStringList{"gps", "set", "--lat", "abc", "--lon", "1"} + position, "latitude: \"abc\""},
        {QStringList{"gps", "set", "--lat", "91", "--lon", "1"} + position, "latitude: 91"},
        {QStringList{"gps", "set", "--lat", "1", "--lon", "1", "--alt", "up"} + position,
         "altitude: \"up\""},
        {QStringList{"gps", "set", "--lat", "1", "--lon", "1", "--alt", "1e300"} + position,
         "altitude: 1e+300 is outside"},
        {{"gps", "set", "--lat", "1", "--lon", "1", "--date", "YYYY:MM:DD", "--time", "12:00:00"},
         "GPS date:"},
        {{"gps", "set", "--lat", "1", "--lon", "1", "--date", "2014:05:06", "--time", "HH:MM:SS"},
         "GPS time:"},
        {{"gps", "set", "--lat", "1", "--date", "2014:05:06", "--time", "12:00:00"},
         "gps set needs --lon"},
        {{"edit", "--date", "yesterday"}, "date: \"yesterday\""},
        {{"edit", "--rating", "6"}, "rating: \"6\" is not a number of stars"},
        {{"edit", "--rating", "four"}, "rating: \"four\""},
        {{"edit", "--rating", "-1"}, "rating: \"-1\""},
        {{"edit", "--lat", "1", "--lon", "2"}, "--gps-date is missing"},
        {{"edit"}, "at least one field"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CliRun result = cli(c.arguments + QStringList{"--out", out, photo});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.contains(QLatin1String(c.message))) << qPrintable(result.err);
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

// The title goes to IPTC and XMP where the photo keeps either, to XMP alone
// where it keeps neither; the stars to XMP. Empty, both go again.
TEST(CliEdit, theTitleAndTheRatingGoWhereThePhotoKeepsItsTexts) {
    const struct {
        const char* fixture;
        QStringList arguments;
        const char* tag;
        const char* value; // nullptr: absent
    } cases[] = {
        {"no_exif.jpg", {"--title", "Lake at dawn"}, "IPTC:ObjectName", "Lake at dawn"},
        {"no_exif.jpg", {"--title", "Lake at dawn"}, "XMP-dc:Title", "Lake at dawn"},
        {"DSCN0010.jpg", {"--title", "Lake at dawn"}, "XMP-dc:Title", "Lake at dawn"},
        {"DSCN0010.jpg", {"--title", "Lake at dawn"}, "IPTC:ObjectName", nullptr},
        {"DSCN0010.jpg", {"--rating", "4"}, "XMP-xmp:Rating", "4"},
        {"Nikon_D70.jpg", {"--rating", "0", "--title", "T"}, "XMP-xmp:Rating", "0"},
        {"Nikon_D70.jpg", {"--rating", "0", "--title", "T"}, "XMP-dc:Title", "T"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((QLatin1String(c.fixture) + QLatin1Char(' ') + c.arguments.join(' ') +
                      QLatin1Char(' ') + QLatin1String(c.tag))
                         .toStdString());
        TestFolder folder;
        const QString out = folder.file(QStringLiteral("out"));
        const QString photo = folder.copyPhoto(QString::fromLatin1(c.fixture));
        const CliRun result =
            cli(QStringList{"edit"} + c.arguments + QStringList{"--out", out, photo});
        ASSERT_EQ(result.exitCode, 0) << qPrintable(result.err);
        const QString written = out + QLatin1Char('/') + QFileInfo(photo).fileName();
        const QJsonObject tags = exiftoolRead(written);
        if (!c.value) {
            EXPECT_FALSE(tags.contains(QLatin1String(c.tag)));
            continue;
        }
        EXPECT_EQ(tags.value(QLatin1String(c.tag)).toVariant().toString(), c.value);
        EXPECT_EQ(jpegImageData(fileBytes(written)), jpegImageData(fileBytes(photo)));

        // Given empty, each copy goes.
        QStringList emptied = {"edit"};
        for (int i = 0; i < c.arguments.size(); i += 2)
            emptied << c.arguments[i] << QString();
        const CliRun again = cli(emptied + QStringList{"--out", folder.file("again"), written});
        ASSERT_EQ(again.exitCode, 0) << qPrintable(again.err);
        EXPECT_FALSE(exiftoolRead(folder.file("again/") + QFileInfo(photo).fileName())
                         .contains(QLatin1String(c.tag)));
    }
}

// A photo whose plan cannot be carried out in full is skipped with the
// reason by the dry run and the real run alike, and nothing is written.
TEST(CliEdit, aWriteThatCannotBeCarriedOutWholeIsSkippedWithItsReason) {
    TestFolder folder;
    const QString out = folder.file(QStringLiteral("out"));
    const QString letters63046(63046, QLatin1Char('A'));
    const struct {
        const char* photo;
        QStringList fields;
        const char* reason; // nullptr: written
    } cases[] = {
        {"Canon_40D.jpg", {"--artist", letters63046}, "Artist too long for a JPEG's EXIF segment"},
        {"Canon_40D.jpg", {"--artist", letters63046.left(63045)}, nullptr},
        {"DSCN0010.jpg",
         {"--artist", QString(70000, QLatin1Char('A'))},
         "Artist too long for a JPEG's EXIF segment"},
        // Neither has a place for IPTC: the keywords go to their XMP, in a
        // new item where a HEIF has none.
        {"photo.webp", {"--keywords", "a,b,c"}, nullptr},
        {"IMG_5195.HEIC", {"--keywords", "a,b,c"}, nullptr},
        {"HMD_Nokia_8.3_5G_hdr.heif", {"--keywords", "a,b,c"}, nullptr},
        // A photo without XMP keeps its keywords in IPTC, 64 bytes each.
        {"Canon_40D.jpg",
         {"--keywords", QString(65, QLatin1Char('k'))},
         "{IPTC}.Keywords: \"kkkkk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((QString::fromLatin1(c.photo) + QLatin1Char(' ') + c.fields.join(' ').left(60))
                         .toStdString());
        const QString photo = folder.copyPhoto(QString::fromLatin1(c.photo));
        const QString written = out + QLatin1Char('/') + QString::fromLatin1(c.photo);
        for (const bool dryRun : {true, false}) {
            const QStringList mode = dryRun ? QStringList{"--dry-run"} : QStringList{};
            const CliRun result =
                cli(QStringList{"edit"} + mode + c.fields + QStringList{"--out", out, photo});
            EXPECT_EQ(result.exitCode, c.reason ? 1 : 0) << qPrintable(result.err.left(300));
            if (c.reason) {
                EXPECT_TRUE(result.err.startsWith(photo + QStringLiteral(": ")) &&
                            result.err.contains(QLatin1String(c.reason)))
                    << qPrintable(result.err.left(300));
            }
            EXPECT_EQ(QFileInfo::exists(written), !dryRun && !c.reason);
        }
        if (!c.reason && c.fields.first() == QLatin1String("--artist")) {
            EXPECT_EQ(exiftoolRead(written).value("IFD0:Artist").toString().size(), 63045);
        } else if (!c.reason) {
            EXPECT_EQ(exiftoolRead(written).value("XMP-dc:Subject").toArray(),
                      (QJsonArray{"a", "b", "c"}));
        }
        QFile::remove(written);
    }
}

namespace {
// A copy of the PNG fixture whose compressed text chunks no longer inflate,
// each chunk's checksum made good again.
QByteArray withDamagedTextChunks(QByteArray png) {
    auto crc = [](const QByteArray& bytes) {
        quint32 c = 0xffffffffu;
        for (char byte : bytes) {
            c ^= quint8(byte);
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
        }
        return c ^ 0xffffffffu;
    };
    auto number = [&](qsizetype at) {
        return (quint32(quint8(png[at])) << 24) | (quint32(quint8(png[at + 1])) << 16) |
               (quint32(quint8(png[at + 2])) << 8) | quint32(quint8(png[at + 3]));
    };
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = number(at);
        if (png.mid(at + 4, 4) == "zTXt") {
            const qsizetype text = png.indexOf('\0', at + 8) + 2;
            png[text + 6] = char(~png[text + 6]);
            png[text + 7] = char(~png[text + 7]);
            const quint32 sum = crc(png.mid(at + 4, length + 4));
            for (int i = 0; i < 4; ++i)
                png[at + 8 + length + i] = char((sum >> (24 - 8 * i)) & 0xff);
        }
        at += 12 + length;
    }
    return png;
}
} // namespace

// The system's log lines stay out of the messages a script reads, unless
// asked for, and every message names its file.
TEST(CliDates, logLinesReachStandardErrorOnlyWhenVerbose) {
    TestFolder folder;
    const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    for (const bool verbose : {false, true}) {
        const QString out = folder.file(verbose ? QStringLiteral("v") : QStringLiteral("q"));
        const QStringList option = verbose ? QStringList{"--verbose"} : QStringList{};
        const CliRun result = cli(QStringList{"dates", "shift"} + option +
                                  QStringList{"--add", "--hours", "1", "--out", out, photo});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.err.contains(QLatin1String("2008:10:22 17:28:39=")), verbose)
            << qPrintable(result.err);
    }
    const QString damaged = folder.writeFile(
        QStringLiteral("damaged.png"),
        withDamagedTextChunks(fileBytes(fixturePath(QStringLiteral("photo.png")))));
    const QStringList out = {"--out", folder.file(QStringLiteral("d"))};
    for (const QStringList& command : {QStringList{"dump"}, QStringList{"remove", "iptc"} + out,
                                       QStringList{"edit", "--keywords", "a"} + out}) {
        const CliRun result = cli(command + QStringList{damaged});
        for (const QString& line : result.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            EXPECT_TRUE(line.startsWith(damaged + QStringLiteral(": ")) ||
                        line.startsWith(QStringLiteral("tessaview-cli: 0 of 1 photos written")))
                << qPrintable(line);
    }
}
