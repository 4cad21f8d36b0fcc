#include "cli/CliRun.h"
#include "support/TestPhotos.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

void placeAt(const QString& photo, double lat, double lon) {
    int exitCode = -1;
    runTool(QStringLiteral("exiftool"),
            {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
             QStringLiteral("-GPSLatitude=%1").arg(std::abs(lat)),
             QStringLiteral("-GPSLatitudeRef=%1").arg(lat < 0 ? "S" : "N"),
             QStringLiteral("-GPSLongitude=%1").arg(std::abs(lon)),
             QStringLiteral("-GPSLongitudeRef=%1").arg(lon < 0 ? "W" : "E"), photo},
            &exitCode);
    ASSERT_EQ(exitCode, 0);
}

// The tags that differ between two readings, but those named.
QStringList changedTags(const QJsonObject& before, const QJsonObject& after,
                        const QStringList& expected) {
    QStringList changed;
    const QJsonObject a = withoutVolatileTags(before), b = withoutVolatileTags(after);
    QStringList keys = a.keys() + b.keys();
    keys.removeDuplicates();
    for (const QString& key : keys) {
        if (a.value(key) != b.value(key) && !expected.contains(key) &&
            !key.startsWith(QLatin1String("XMP-x:")))
            changed << key;
    }
    return changed;
}

const QStringList locationTags = {
    "IPTC:City",
    "IPTC:Province-State",
    "IPTC:Country-PrimaryLocationName",
    "IPTC:Country-PrimaryLocationCode",
    "XMP-photoshop:City",
    "XMP-photoshop:State",
    "XMP-photoshop:Country",
    "XMP-iptcCore:CountryCode",
};

} // namespace

// Each photo gets where it was taken in IPTC and its XMP copy, or in XMP
// alone when it has neither; nothing else changes, the pixels least of all.
TEST(CliPlaces, writesCityStateAndCountryToIptcAndXmpAndNothingElse) {
    const struct {
        const char* photo;
        double lat, lon;
        bool iptc, xmp; // expected in the written photo
        const char* city;
        const char* code;
    } rows[] = {
        {"DSCN0010.jpg", 0, 0, false, true, "*", "IT"}, // its own position, XMP only
        {"photo.png", 0, 0, true, true, "*", "IT"},     // IPTC and XMP
        {"Canon_40D.jpg", 53.9105, 14.2471, false, true, "Świnoujście", "PL"}, // neither
        {"Nikon_D70.jpg", -27.3306, -55.8667, false, true, "Encarnación", "PY"},
    };
    TestFolder folder;
    QStringList inputs;
    for (const auto& row : rows) {
        inputs << folder.copyPhoto(QString::fromLatin1(row.photo));
        if (row.lat != 0)
            placeAt(inputs.last(), row.lat, row.lon);
    }
    const QString out = folder.file(QStringLiteral("out"));
    const CliRun dry = cli(QStringList{"places", "--dry-run", "--out", out} + inputs);
    ASSERT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    for (const QByteArray& line : dry.out.split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject preview = QJsonDocument::fromJson(line).object();
        EXPECT_FALSE(preview.value("place").toString().isEmpty());
        EXPECT_LE(preview.value("distanceKm").toDouble(-1), 10);
        EXPECT_GE(preview.value("bearing").toDouble(-1), 0);
    }
    const CliRun run = cli(QStringList{"places", "--out", out} + inputs);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE(row.photo);
        const QString written = out + QLatin1Char('/') + QString::fromLatin1(row.photo);
        const QJsonObject before = exiftoolRead(inputs[i]), after = exiftoolRead(written);
        EXPECT_EQ(changedTags(before, after, locationTags), QStringList());
        EXPECT_EQ(after.contains("IPTC:City"), row.iptc);
        EXPECT_EQ(after.contains("XMP-photoshop:City"), row.xmp);
        const QString city = after.value(row.xmp ? "XMP-photoshop:City" : "IPTC:City").toString();
        if (*row.city == '*') {
            EXPECT_FALSE(city.isEmpty());
        } else {
            EXPECT_EQ(city.toStdString(), row.city);
        }
        EXPECT_EQ(
            after.value(row.xmp ? "XMP-iptcCore:CountryCode" : "IPTC:Country-PrimaryLocationCode")
                .toString()
                .toStdString(),
            row.code);
        if (row.iptc && row.xmp) {
            EXPECT_EQ(after.value("IPTC:City"), after.value("XMP-photoshop:City"));
            EXPECT_EQ(after.value("IPTC:Province-State"), after.value("XMP-photoshop:State"));
            EXPECT_EQ(after.value("IPTC:Country-PrimaryLocationName"),
                      after.value("XMP-photoshop:Country"));
        }
        if (written.endsWith(QLatin1String(".jpg"))) {
            EXPECT_EQ(jpegImageData(fileBytes(written)), jpegImageData(fileBytes(inputs[i])));
        } else {
            EXPECT_EQ(pixelSignatures(written), pixelSignatures(inputs[i]));
        }
    }
    // A second run keeps what the photos now say, unless told to overwrite.
    const QString again = folder.file(QStringLiteral("again"));
    const CliRun kept = cli({"places", "--out", again, out + QStringLiteral("/Canon_40D.jpg")});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_TRUE(kept.err.contains(QLatin1String("--overwrite"))) << kept.err.toStdString();
}

TEST(CliPlaces, skipsAPhotoWithoutAPositionRefusesABadDistanceAndNamesTheCityInALanguage) {
    TestFolder folder;
    const QString photo = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"));
    const CliRun run = cli({"places", "--out", folder.file("out"), photo});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("no GPS position"))) << run.err.toStdString();
    EXPECT_EQ(cli({"places", "--max-distance", "far", "--out", folder.file("out"), photo}).exitCode,
              2);
    // Placed in Munich, it takes the city's German name when asked.
    placeAt(photo, 48.137, 11.575);
    const CliRun german =
        cli({"places", "--lang", "de", "--dry-run", "--out", folder.file("out"), photo});
    EXPECT_TRUE(german.out.contains("\"to\": \"M\xc3\xbcnchen\"")) << german.out.toStdString();
    EXPECT_EQ(cli({"places", "--help"}).exitCode, 0);
    EXPECT_TRUE(cli({"dates", "zone", "--help"}).out.contains("--keep-instant"));
}

// The zone of the position (Tuscany, summer time in October 2008) written to
// the EXIF offsets and the XMP copies; keeping the instant of a camera on
// UTC moves every date on by the zone's offset at that date.
TEST(CliDatesZone, writesTheOffsetOfThePositionsZoneToEveryCopyOfTheDates) {
    TestFolder folder;
    const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString wall = folder.file(QStringLiteral("wall")), moved = folder.file("moved");
    const CliRun keep = cli({"dates", "zone", "--from-position", "--out", wall, photo});
    ASSERT_EQ(keep.exitCode, 0) << keep.err.toStdString();
    const CliRun instant = cli({"dates", "zone", "--from-position", "--keep-instant", "--from-zone",
                                "UTC", "--out", moved, photo});
    ASSERT_EQ(instant.exitCode, 0) << instant.err.toStdString();
    const QJsonObject before = exiftoolRead(photo);
    const QJsonObject a = exiftoolRead(wall + QStringLiteral("/DSCN0010.jpg"));
    const QJsonObject b = exiftoolRead(moved + QStringLiteral("/DSCN0010.jpg"));
    EXPECT_EQ(a.value("ExifIFD:OffsetTimeOriginal").toString(), "+02:00");
    EXPECT_EQ(a.value("ExifIFD:DateTimeOriginal"), before.value("ExifIFD:DateTimeOriginal"));
    EXPECT_EQ(b.value("ExifIFD:DateTimeOriginal").toString(), "2008:10:22 18:28:39");
    EXPECT_EQ(b.value("ExifIFD:OffsetTimeOriginal").toString(), "+02:00");
    // The photo was last changed on 1 November, after summer time had ended.
    EXPECT_EQ(b.value("IFD0:ModifyDate").toString(), "2008:11:01 22:15:07");
    for (const QJsonObject* tags : {&a, &b}) {
        EXPECT_EQ(tags->value("ExifIFD:OffsetTimeDigitized").toString(), "+02:00");
        EXPECT_EQ(tags->value("ExifIFD:OffsetTime").toString(), "+01:00");
        // The offsets came with EXIF 2.31; the photo said 2.2.
        EXPECT_EQ(tags->value("ExifIFD:ExifVersion").toString(), "0231");
        if (tags->contains("XMP-xmp:CreateDate")) {
            EXPECT_TRUE(tags->value("XMP-xmp:CreateDate").toString().endsWith("+02:00"));
        }
    }
    EXPECT_EQ(changedTags(before, a,
                          {"ExifIFD:OffsetTimeOriginal", "ExifIFD:OffsetTimeDigitized",
                           "ExifIFD:OffsetTime", "ExifIFD:ExifVersion", "XMP-xmp:CreateDate",
                           "XMP-xmp:ModifyDate", "XMP-exif:DateTimeOriginal",
                           "XMP-photoshop:DateCreated"}),
              QStringList());
    EXPECT_EQ(jpegImageData(fileBytes(wall + QStringLiteral("/DSCN0010.jpg"))),
              jpegImageData(fileBytes(photo)));
    // Without a position there is no zone to take.
    const QString unplaced = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"));
    const CliRun skipped = cli({"dates", "zone", "--from-position", "--out", wall, unplaced});
    EXPECT_EQ(skipped.exitCode, 1);
    EXPECT_TRUE(skipped.err.contains(QLatin1String("no GPS position")));
}

// The form's location fields (edit --city …) go where places writes them:
// both copies where the photo keeps IPTC and XMP, else the one it keeps,
// XMP for a photo with neither; an empty field takes both copies away.
TEST(CliEditLocation, writesTheLocationFieldsWhereThePhotoKeepsThemAndRemovesEmptyOnes) {
    const struct {
        const char* photo;
        bool iptc, xmp;
    } rows[] = {
        {"DSCN0010.jpg", false, true}, {"photo.png", true, true}, {"Canon_40D.jpg", false, true}};
    TestFolder folder;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.photo);
        const QString input = folder.copyPhoto(QString::fromLatin1(row.photo));
        const QString out = folder.file(QStringLiteral("out")), cleared = folder.file("cleared");
        const CliRun run = cli({"edit", "--city", "Görlitz", "--state", "Saxony", "--country",
                                "Germany", "--country-code", "DE", "--out", out, input});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString written = out + QLatin1Char('/') + QString::fromLatin1(row.photo);
        const QJsonObject after = exiftoolRead(written);
        // A name beyond ASCII marks the IPTC set as UTF-8.
        EXPECT_EQ(changedTags(exiftoolRead(input), after,
                              locationTags + QStringList{"IPTC:CodedCharacterSet"}),
                  QStringList());
        EXPECT_EQ(after.contains("IPTC:City"), row.iptc);
        EXPECT_EQ(after.value("XMP-photoshop:City").toString(), "Görlitz");
        EXPECT_EQ(after.value("XMP-iptcCore:CountryCode").toString(), "DE");
        if (row.iptc) {
            EXPECT_EQ(after.value("IPTC:Province-State"), after.value("XMP-photoshop:State"));
            EXPECT_EQ(after.value("IPTC:Country-PrimaryLocationCode").toString(), "DE");
        }
        const CliRun clear = cli({"edit", "--city", "", "--out", cleared, written});
        ASSERT_EQ(clear.exitCode, 0) << clear.err.toStdString();
        const QJsonObject gone = exiftoolRead(cleared + QLatin1Char('/') + row.photo);
        EXPECT_FALSE(gone.contains("IPTC:City") || gone.contains("XMP-photoshop:City"));
        EXPECT_EQ(gone.value("XMP-photoshop:Country").toString(), "Germany");
    }
    const CliRun refused = cli({"edit", "--country-code", "Germany", "--out", folder.file("x"),
                                folder.copyPhoto(QStringLiteral("Canon_40D.jpg"), "y.jpg")});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.err.contains("country code")) << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.file("x")));
}
