#include "cli/CliRun.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimeZone>

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
        {{"gps", "set", "--lat", "1", "--lon", "1", "--date", "YYYY:MM:DD", "--time", "12:00:00"},
         "GPS date:"},
        {{"gps", "set", "--lat", "1", "--lon", "1", "--date", "2014:05:06", "--time", "HH:MM:SS"},
         "GPS time:"},
        {{"gps", "set", "--lat", "1", "--date", "2014:05:06", "--time", "12:00:00"},
         "gps set needs --lon"},
        {{"edit", "--date", "yesterday"}, "date: \"yesterday\""},
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
