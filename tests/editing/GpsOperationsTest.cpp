#include "editing/GpsOperations.h"
#include "metadata/DateText.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <ctime>

using namespace PropertyKeys;

namespace {

// File dates must be read as UTC whatever the zone: run in one that is not.
void awayFromUtc() {
    if (QDateTime::currentDateTime().offsetFromUtc() == 0) {
        qputenv("TZ", "Etc/GMT-2");
        tzset();
    }
    ASSERT_NE(QDateTime::currentDateTime().offsetFromUtc(), 0);
}

QVariantMap gpsOf(const QString& path) {
    const auto properties = workerService().readProperties(path);
    EXPECT_TRUE(properties) << qPrintable(properties.error());
    return properties ? properties->dictionary.value(GpsSet).toMap() : QVariantMap();
}

} // namespace

TEST(GpsTexts, areReadOrRefusedNamingTheField) {
    const struct {
        GpsTexts texts;
        const char* refusalNames; // empty: accepted
        double latitude;
        QString date;
    } cases[] = {
        {{"-33.8568", "151.2153", "-5", "2014:05:06", "12:34:56"}, "", -33.8568, "2014:05:06"},
        {{"12.5 m", " 1e1", "", "2014-05-06", "12:34:56.25"}, "", 12.5, "2014:05:06"},
        {{"north", "1", "0", "2014:05:06", "12:34:56"}, "latitude", 0, {}},
        {{"", "1", "0", "2014:05:06", "12:34:56"}, "latitude", 0, {}},
        {{"90.5", "1", "0", "2014:05:06", "12:34:56"}, "latitude", 0, {}},
        {{"1", "-180.01", "0", "2014:05:06", "12:34:56"}, "longitude", 0, {}},
        {{"1", "east", "0", "2014:05:06", "12:34:56"}, "longitude", 0, {}},
        {{"1", "1", "high", "2014:05:06", "12:34:56"}, "altitude", 0, {}},
        {{"1", "1", "0", "YYYY:MM:DD", "12:34:56"}, "GPS date", 0, {}},
        {{"1", "1", "0", "2014:05:06", "HH:MM:SS"}, "GPS time", 0, {}},
        {{"1", "1", "0", "2014:02:30", "12:34:56"}, "GPS date", 0, {}},
        {{"1", "1", "0", "2014:05-06", "12:34:56"}, "GPS date", 0, {}},
        {{"1", "1", "0", "2014:05:06", "24:00:00"}, "GPS time", 0, {}},
        {{"1", "1", "0", "2014:05:06", "12:34"}, "GPS time", 0, {}},
        {{"1", "1", "0", "", "12:34:56"}, "GPS date", 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts.latitude.toStdString() + " " + c.texts.date.toStdString() + " " +
                     c.texts.time.toStdString());
        const auto values = readGpsTexts(c.texts, GpsDateRule::Required);
        if (*c.refusalNames) {
            ASSERT_FALSE(values);
            EXPECT_TRUE(values.error().startsWith(QLatin1String(c.refusalNames) + QLatin1Char(':')))
                << qPrintable(values.error());
            continue;
        }
        ASSERT_TRUE(values) << qPrintable(values.error());
        EXPECT_EQ(values->latitude, c.latitude);
        EXPECT_EQ(values->date, c.date);
    }
}

TEST(GpsSetRule, changesWhatWasTypedWithFloatsAndReferencesAndNothingElse) {
    const auto values = readGpsTexts({"-33.8568", "151.2153", "-5", "2014:05:06", "12:34:56"},
                                     GpsDateRule::Required);
    ASSERT_TRUE(values);
    const QVariantMap typed = {
        {Latitude, double(float(33.8568))},
        {LatitudeRef, "S"},
        {Longitude, double(float(151.2153))},
        {LongitudeRef, "E"},
        {Altitude, 5.0},
        {AltitudeRef, 1},
        {DateStamp, "2014:05:06"},
        {TimeStamp, "12:34:56"},
    };
    // A photo with a GPS set keeps its version; one without gets the one EXIF requires.
    const QVariantMap placed = {{GpsSet, QVariantMap{{QStringLiteral("MapDatum"), "WGS-84"}}}};
    EXPECT_EQ(gpsChangesFor(values.value(), placed), typed);
    QVariantMap fresh = typed;
    fresh.insert(GPSVersion, "2.2.0.0");
    EXPECT_EQ(gpsChangesFor(values.value(), {}), fresh);
    const QDateTime utc(QDate(2014, 5, 6), QTime(12, 34, 56), QTimeZone::utc());
    EXPECT_EQ(values->instant, utc);
    // Zero is north, east and above sea level; no altitude typed, none written.
    const auto zero =
        readGpsTexts({"0", "0", "0", "2014:05:06", "00:00:00"}, GpsDateRule::Required);
    const QVariantMap set = gpsChangesFor(zero.value(), placed);
    EXPECT_EQ(set.value(LatitudeRef), "N");
    EXPECT_EQ(set.value(LongitudeRef), "E");
    EXPECT_EQ(set.value(AltitudeRef), 0);
    const auto noAltitude =
        readGpsTexts({"1", "2", "", "2014:05:06", "00:00:00"}, GpsDateRule::Required);
    ASSERT_TRUE(noAltitude) << qPrintable(noAltitude.error());
    EXPECT_FALSE(gpsChangesFor(noAltitude.value(), placed).contains(Altitude));
}

TEST(GpsSave, changesOnlyTheTypedEntriesKeepsThePixelsAndDatesTheFilesInUtc) {
    awayFromUtc();
    TestFolder folder;
    const QString storage = folder.file(QStringLiteral("storage"));
    const QString placed = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    runTool(QStringLiteral("exiftool"),
            {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
             QStringLiteral("-GPSDOP=2.5"), placed});
    const std::vector<SelectedPhoto> photos = {
        {0, placed, QStringLiteral("DSCN0010.jpg")},
        {1, folder.copyPhoto(QStringLiteral("no_exif.jpg")), QStringLiteral("no_exif.jpg")},
    };
    const QVariantMap before = gpsOf(placed);
    ASSERT_TRUE(before.contains(QStringLiteral("DOP")));
    const auto values =
        readGpsTexts({"-33.8568", "151.2153", "", "2014-05-06", "12:34:56"}, GpsDateRule::Required);
    ASSERT_TRUE(values);
    // The dry run names only what was typed, and the file date.
    const auto previews = previewGpsSet(values.value(), photos, storage, workerService());
    ASSERT_EQ(previews.size(), 2u);
    for (const KeyChange& change : previews[0].changes)
        EXPECT_FALSE(change.key.contains("Speed") || change.key.contains("Track") ||
                     change.key.contains("MapDatum") || change.key.contains("Altitude"))
            << qPrintable(change.key);
    EXPECT_EQ(previews[1].changes.last().key, "FileModificationDate");
    EXPECT_EQ(previews[1].changes.last().to,
              DateText::normalise(DateText::timePointText(
                  QDateTime(QDate(2014, 5, 6), QTime(12, 34, 56), QTimeZone::utc()))));
    EXPECT_FALSE(QFileInfo::exists(storage));

    const OperationReport report = runGpsSet(values.value(), photos, storage, workerService());
    ASSERT_EQ(report.written.size(), 2) << qPrintable(report.skipped.value(0).reason);
    const QDateTime instant(QDate(2014, 5, 6), QTime(12, 34, 56), QTimeZone::utc());
    for (const SelectedPhoto& photo : photos) {
        SCOPED_TRACE(photo.fileName.toStdString());
        const QString output = storage + QLatin1Char('/') + photo.fileName;
        const QJsonObject tags = exiftoolRead(output);
        EXPECT_EQ(tags.value("GPS:GPSLatitudeRef").toString(), "S");
        EXPECT_EQ(tags.value("GPS:GPSLongitudeRef").toString(), "E");
        EXPECT_NEAR(tags.value("GPS:GPSLatitude").toDouble(), double(float(33.8568)), 1e-6);
        EXPECT_NEAR(tags.value("GPS:GPSLongitude").toDouble(), double(float(151.2153)), 1e-6);
        EXPECT_EQ(tags.value("GPS:GPSDateStamp").toString(), "2014:05:06");
        EXPECT_FALSE(tags.contains("GPS:GPSSpeed") || tags.contains("GPS:GPSTrack") ||
                     tags.contains("GPS:GPSAltitude"));
        EXPECT_EQ(QFileInfo(output).lastModified().toUTC(), instant);
        EXPECT_EQ(jpegImageData(fileBytes(output)), jpegImageData(fileBytes(photo.inputPath)));
    }
    // The datum, satellites, precision and the rest stay; nothing is added.
    const QVariantMap after = gpsOf(storage + "/DSCN0010.jpg");
    EXPECT_EQ(after.keys(), before.keys());
    for (const char* kept : {"MapDatum", "Satellites", "DOP", "AltitudeRef"})
        EXPECT_EQ(after.value(kept), before.value(kept)) << kept;
    EXPECT_EQ(gpsOf(storage + "/no_exif.jpg").keys(),
              (QStringList{DateStamp, GPSVersion, Latitude, LatitudeRef, Longitude, LongitudeRef,
                           TimeStamp}));
    EXPECT_EQ(exiftoolRead(storage + "/DSCN0010.jpg").value("IFD0:Make").toString(), "NIKON");
}

TEST(FixedPosition, writesTheBuiltInPositionOrTheDeviceCopyWithoutExif) {
    TestFolder folder;
    const QString storage = folder.file(QStringLiteral("storage"));
    const SelectedPhoto withGps{0, folder.copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                QStringLiteral("DSCN0010.jpg")};
    ASSERT_EQ(
        runFixedPosition(SourceMode::Computer, withGps, storage, workerService()).written.size(),
        1);
    const QVariantMap gps = gpsOf(storage + "/DSCN0010.jpg");
    EXPECT_NEAR(gps.value(Latitude).toDouble(), 22.53478, 1e-6);
    EXPECT_NEAR(gps.value(Longitude).toDouble(), 113.969215, 1e-6);
    EXPECT_NEAR(gps.value(Altitude).toDouble(), 1.20166015625, 1e-6);
    EXPECT_EQ(gps.value(LatitudeRef), "N");
    EXPECT_EQ(gps.value(QStringLiteral("MapDatum")), "WGS-84   "); // its other keys stay

    const SelectedPhoto without{0, folder.copyPhoto(QStringLiteral("no_exif.jpg")),
                                QStringLiteral("no_exif.jpg")};
    ASSERT_EQ(
        runFixedPosition(SourceMode::Computer, without, storage, workerService()).written.size(),
        1);
    // A photo without a GPS set gets one: the command writes what it names.
    const QVariantMap added = gpsOf(storage + "/no_exif.jpg");
    EXPECT_NEAR(added.value(Latitude).toDouble(), 22.53478, 1e-6);
    EXPECT_EQ(added.value(GPSVersion), "2.2.0.0");

    ASSERT_EQ(
        runFixedPosition(SourceMode::Device, withGps, storage, workerService()).written.size(), 1);
    const QJsonObject copy = exiftoolRead(storage + "/noExif_DSCN0010.jpg");
    EXPECT_FALSE(copy.contains("ExifIFD:DateTimeOriginal"));
    EXPECT_EQ(copy.value("IFD0:Make").toString(), "NIKON");
}
