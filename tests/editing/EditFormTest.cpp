#include "editing/EditFormOperation.h"
#include "editing/FormField.h"
#include "metadata/MetadataService.h"
#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <ctime>

using namespace PropertyKeys;

namespace {

QVariantMap dictionaryOf(const QString& path) {
    const auto properties = workerService().readProperties(path);
    EXPECT_TRUE(properties) << qPrintable(properties.error());
    return properties ? properties->dictionary : QVariantMap();
}

// The fields as the window hands them for one photo filled from it: the
// date, title and rating only where changed.
EditFormFields windowFields(const QVariantMap& dictionary) {
    EditFormFields fields = shownFields(dictionary);
    fields.date = fields.title = fields.rating = std::nullopt;
    return fields;
}

// Applies the fields to a copy of the fixture; the written photo's path.
QString applied(const TestFolder& folder, const QString& fixture, const EditFormFields& fields) {
    const QString name = QFileInfo(fixture).fileName();
    const SelectedPhoto photo{0, folder.copyPhoto(fixture, name), name};
    const auto plan = editFormPlan(fields);
    EXPECT_TRUE(plan) << qPrintable(plan.error());
    const QString storage = folder.file(QStringLiteral("storage"));
    const OperationReport report = runEditForm(plan.value(), {photo}, storage, workerService());
    EXPECT_EQ(report.written.size(), 1) << qPrintable(report.skipped.value(0).reason);
    EXPECT_EQ(jpegImageData(fileBytes(report.written.value(0))),
              jpegImageData(fileBytes(photo.inputPath)));
    return report.written.value(0);
}

} // namespace

TEST(EditForm, anEmptyPositionLeavesEachGpsSetAsItIs) {
    TestFolder folder;
    EditFormFields fields;
    fields.artist = QStringLiteral("Ann");
    fields.latitude = fields.longitude = fields.altitude = QString();
    fields.gpsDate = fields.gpsTime = QString();
    const QString withGps = applied(folder, QStringLiteral("DSCN0010.jpg"), fields);
    EXPECT_EQ(dictionaryOf(withGps).value(GpsSet),
              dictionaryOf(fixturePath(QStringLiteral("DSCN0010.jpg"))).value(GpsSet));
    const QString without = applied(folder, QStringLiteral("no_exif.jpg"), fields);
    const QJsonObject tags = exiftoolRead(without);
    for (const QString& key : tags.keys())
        EXPECT_FALSE(key.startsWith(QLatin1String("GPS:"))) << qPrintable(key);
    EXPECT_EQ(tags.value("IFD0:Artist").toString(), "Ann");
}

TEST(EditForm, writesKeywordsAsAListInThePhotosOwnIptcSet) {
    TestFolder folder;
    EditFormFields fields;
    fields.keywords = QStringLiteral(" lake, hills,, sky ,");
    const QString output = applied(folder, QStringLiteral("no_exif.jpg"), fields);
    const QJsonObject tags = exiftoolRead(output);
    EXPECT_EQ(shownFields(dictionaryOf(output)).keywords, QStringLiteral("lake, hills, sky"));
    EXPECT_EQ(tags.value("IPTC:Keywords").toArray(), (QJsonArray{"lake", "hills", "sky"}));
    EXPECT_EQ(tags.value("IPTC:By-line").toString(), "CREDIT");
    EXPECT_EQ(tags.value("IPTC:Caption-Abstract").toString(), "Der Goalie bin ig");
    EXPECT_EQ(runTool("exiv2", {"-pi", output}).count(QLatin1String("Iptc.Application2.Keywords")),
              3);
}

TEST(EditForm, keepsTheCameraMakeOfAPhotoWithoutLensMake) {
    const struct {
        const char* fixture;
        const char* make;
    } cases[] = {{"DSCN0010.jpg", "NIKON"},
                 {"Nikon_D70.jpg", "NIKON CORPORATION"},
                 {"makernotes/Nikon_D300.jpg", "NIKON CORPORATION"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        TestFolder folder;
        const QString fixture = QString::fromLatin1(c.fixture);
        const QVariantMap photo = dictionaryOf(fixturePath(fixture));
        ASSERT_TRUE(photo.contains(ExifSet));
        ASSERT_FALSE(photo.value(ExifSet).toMap().contains(LensMake));
        EXPECT_EQ(shownFields(photo).make, QString::fromLatin1(c.make));

        // The command line's edit of the artist alone.
        EditFormFields artistOnly;
        artistOnly.artist = QStringLiteral("Ann");
        const QString output = applied(folder, fixture, artistOnly);
        EXPECT_EQ(exiftoolRead(output).value("IFD0:Make").toString(), c.make);
        EXPECT_FALSE(exiftoolRead(output).contains("ExifIFD:LensMake"));

        // The window's apply of every field as it showed them, artist changed.
        EditFormFields window = windowFields(photo);
        window.artist = QStringLiteral("Bo");
        QFile::remove(output);
        const QJsonObject tags = exiftoolRead(applied(folder, fixture, window));
        EXPECT_EQ(tags.value("IFD0:Make").toString(), c.make);
        EXPECT_EQ(tags.value("IFD0:Artist").toString(), "Bo");
    }
}

TEST(EditForm, writesThePositionAndDatesTheFileInUtc) {
    if (QDateTime::currentDateTime().offsetFromUtc() == 0) {
        qputenv("TZ", "Etc/GMT-2");
        tzset();
    }
    TestFolder folder;
    EditFormFields fields = windowFields(dictionaryOf(fixturePath("DSCN0010.jpg")));
    fields.latitude = QStringLiteral("-33.8568");
    fields.longitude = QStringLiteral("151.2153");
    fields.altitude = QStringLiteral("-5 m");
    fields.gpsDate = QStringLiteral("2014:05:06");
    fields.gpsTime = QStringLiteral("12:34:56");
    fields.date = QStringLiteral("2020-01-02 03:04:05");
    const QString output = applied(folder, QStringLiteral("DSCN0010.jpg"), fields);
    const QJsonObject tags = exiftoolRead(output);
    EXPECT_EQ(tags.value("GPS:GPSLatitudeRef").toString(), "S");
    EXPECT_EQ(tags.value("GPS:GPSLongitudeRef").toString(), "E");
    EXPECT_EQ(tags.value("GPS:GPSAltitudeRef").toInt(), 1);
    EXPECT_EQ(tags.value("GPS:GPSAltitude").toDouble(), 5);
    EXPECT_EQ(tags.value("ExifIFD:DateTimeOriginal").toString(), "2020:01:02 03:04:05");
    EXPECT_EQ(tags.value("ExifIFD:CreateDate").toString(), "2020:01:02 03:04:05");
    EXPECT_EQ(QFileInfo(output).lastModified().toUTC(),
              QDateTime(QDate(2014, 5, 6), QTime(12, 34, 56), QTimeZone::utc()));
}

TEST(EditForm, refusesBadFieldsBeforeWritingAndPreviewsWithoutWriting) {
    const struct {
        EditFormFields fields;
        const char* field;
    } cases[] = {
        {{.date = "2014:13:40 00:00:00"}, "date"},
        {{.latitude = "abc", .longitude = "1"}, "latitude"},
        {{.latitude = "1", .longitude = ""}, "longitude"},
        {{.latitude = "1", .longitude = "2", .gpsDate = "YYYY:MM:DD", .gpsTime = "HH:MM:SS"},
         "GPS date"},
        {{.gpsDate = "2014:05:06", .gpsTime = "HH:MM:SS"}, "GPS time"},
        {{.rating = "6"}, "rating"},
        {{.rating = "3.5"}, "rating"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        const auto plan = editFormPlan(c.fields);
        ASSERT_FALSE(plan);
        EXPECT_TRUE(plan.error().startsWith(QLatin1String(c.field) + QLatin1Char(':')))
            << qPrintable(plan.error());
    }

    TestFolder folder;
    const QString storage = folder.file(QStringLiteral("storage"));
    const auto plan = editFormPlan({.artist = "Ann", .keywords = "a,b"});
    ASSERT_TRUE(plan);
    const auto previews =
        previewEditForm(plan.value(), {{0, folder.copyPhoto("no_exif.jpg"), "no_exif.jpg"}},
                        storage, workerService());
    ASSERT_EQ(previews.size(), 1u);
    QStringList keys;
    for (const KeyChange& change : previews[0].changes)
        keys << change.key;
    // With their copies in the photo's IPTC, XMP and Windows tags.
    EXPECT_EQ(keys,
              (QStringList{"{IPTC}.By-line", "{IPTC}.Keywords", "{TIFF}.Artist", "{TIFF}.XPAuthor",
                           "{TIFF}.XPKeywords", "{XMP}.dc:creator", "{XMP}.dc:subject"}));
    EXPECT_FALSE(QFileInfo::exists(storage));
}

TEST(EditForm, theFieldsShownKeepAPositionBelowSeaLevelAndNoPositionIsNotZero) {
    TestFolder folder;
    EditFormFields below;
    below.latitude = QStringLiteral("31.5");
    below.longitude = QStringLiteral("35.5");
    below.altitude = QStringLiteral("-430");
    const QString first = applied(folder, QStringLiteral("DSCN0010.jpg"), below);
    EXPECT_EQ(shownFields(dictionaryOf(first)).altitude, QStringLiteral("-430"));

    // The window's apply of what it showed, with another artist, leaves the
    // photo below sea level.
    EditFormFields window = windowFields(dictionaryOf(first));
    window.artist = QStringLiteral("Cy");
    const auto plan = editFormPlan(window);
    ASSERT_TRUE(plan) << qPrintable(plan.error());
    const OperationReport report =
        runEditForm(plan.value(), {SelectedPhoto{0, first, QStringLiteral("again.jpg")}},
                    folder.file(QStringLiteral("second")), workerService());
    ASSERT_EQ(report.written.size(), 1);
    const QJsonObject tags = exiftoolRead(report.written.value(0));
    EXPECT_EQ(tags.value("GPS:GPSAltitudeRef").toInt(), 1);
    EXPECT_DOUBLE_EQ(tags.value("GPS:GPSAltitude").toDouble(), 430);

    // A GPS set holding only its version is not a position at 0, 0.
    const QVariantMap canon = dictionaryOf(fixturePath(QStringLiteral("Canon_40D.jpg")));
    ASSERT_TRUE(canon.contains(GpsSet));
    EXPECT_FALSE(photoDisplayFor(canon).hasPosition);
    EXPECT_TRUE(photoDisplayFor(dictionaryOf(first)).hasPosition);
}

// A photo's date is the one it holds: the digitized date, else the date it
// was taken, the TIFF date, then the XMP and IPTC dates (the form and the
// summary show it; the date windows take it as their photo's).
TEST(EditForm, theDateShownIsTheFirstThePhotoHoldsInTheOrderReadersTakeThem) {
    const QVariantMap both = {{ExifSet, QVariantMap{{DateTimeOriginal, "2001:01:01 01:01:01"},
                                                    {DateTimeDigitized, "2002:02:02 02:02:02"}}}};
    const struct {
        const char* what;
        QVariantMap dictionary;
        const char* shown;    // photoDate; nullptr: none
        const char* original; // photoOriginalDate
    } cases[] = {
        {"both EXIF dates", both, "2002:02:02 02:02:02", "2001:01:01 01:01:01"},
        {"the original date alone",
         {{ExifSet, QVariantMap{{DateTimeOriginal, "2001:01:01 01:01:01"}}}},
         "2001:01:01 01:01:01",
         "2001:01:01 01:01:01"},
        {"the TIFF date alone",
         {{TiffSet, QVariantMap{{DateTime, "2003:03:03 03:03:03"}}}},
         "2003:03:03 03:03:03",
         "2003:03:03 03:03:03"},
        {"XMP dates in a zone",
         {{XmpSet, QVariantMap{{"xmp:CreateDate", "2004-04-04T04:04:04.5+02:00"},
                               {"photoshop:DateCreated", "2005-05-05"}}}},
         "2004:04:04 04:04:04",
         "2005:05:05 00:00:00"},
        {"IPTC dates",
         {{IptcSet, QVariantMap{{"DateCreated", "2006-06-06"}, {"TimeCreated", "06:06:06+01:00"}}}},
         "2006:06:06 06:06:06",
         "2006:06:06 06:06:06"},
        {"none",
         {{ExifSet, QVariantMap{{DateTimeOriginal, "    :  :     :  :  "}}}},
         nullptr,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto shown = photoDate(c.dictionary);
        if (!c.shown) {
            EXPECT_FALSE(shown.has_value());
            continue;
        }
        EXPECT_EQ(shown.value_or(QString()), QLatin1String(c.shown));
        EXPECT_EQ(photoOriginalDate(c.dictionary).value_or(QString()), QLatin1String(c.original));
        EXPECT_EQ(shownFields(c.dictionary).date, QLatin1String(c.shown));
    }
    // A camera's photo with an original date and its XMP copies, and no digitized date.
    EXPECT_EQ(shownFields(dictionaryOf(fixturePath(QStringLiteral("Nikon_D70.jpg")))).date,
              QStringLiteral("2008:03:15 09:52:01"));
}

// What the form writes beside the camera's own: the title where the photo
// keeps its texts, the stars in XMP, a date in its zone; and what an
// unrelated edit leaves: the fractions, the zones and the other date.
TEST(EditForm, theTitleRatingAndZoneGoWhereThePhotoKeepsThemAndAnOtherEditKeepsThem) {
    const struct {
        const char* what;
        const char* fixture;
        EditFormFields fields;
        QList<std::pair<const char*, const char*>> tags; // nullptr: absent
    } cases[] = {
        {"title and stars in a photo with IPTC and XMP",
         "no_exif.jpg",
         {.title = "Lake at dawn", .rating = "4"},
         {{"IPTC:ObjectName", "Lake at dawn"},
          {"XMP-dc:Title", "Lake at dawn"},
          {"XMP-xmp:Rating", "4"}}},
        {"title and stars in a photo without either",
         "DSCN0010.jpg",
         {.title = "Lake", .rating = "0"},
         {{"IPTC:ObjectName", nullptr}, {"XMP-dc:Title", "Lake"}, {"XMP-xmp:Rating", "0"}}},
        {"a date in a zone",
         "DSCN0010.jpg",
         {.date = "2020:01:02 03:04:05+05:30"},
         {{"ExifIFD:DateTimeOriginal", "2020:01:02 03:04:05"},
          {"ExifIFD:OffsetTimeOriginal", "+05:30"},
          {"ExifIFD:OffsetTimeDigitized", "+05:30"}}},
        {"the artist alone",
         "zoned",
         {.artist = "Ann"},
         {{"ExifIFD:DateTimeOriginal", "2008:10:22 16:28:39"},
          {"ExifIFD:CreateDate", "2008:10:22 16:29:49"},
          {"ExifIFD:SubSecTimeOriginal", "52"},
          {"ExifIFD:OffsetTimeOriginal", "+02:00"},
          {"XMP-exif:DateTimeOriginal", "2008:10:22 16:28:39.52+02:00"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestFolder folder;
        QString output;
        if (QLatin1String(c.fixture) == QLatin1String("zoned")) {
            // A photo whose dates differ, with fractions and zones, edited as
            // the window hands it.
            const QString input = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), "zoned.jpg");
            runTool("exiftool", {"-q", "-overwrite_original", "-SubSecTimeOriginal=52",
                                 "-OffsetTimeOriginal=+02:00", "-CreateDate=2008:10:22 16:29:49",
                                 "-XMP-exif:DateTimeOriginal=2008:10:22 16:28:39.52+02:00", input});
            EditFormFields window = windowFields(dictionaryOf(input));
            window.artist = c.fields.artist;
            const auto plan = editFormPlan(window);
            ASSERT_TRUE(plan) << qPrintable(plan.error());
            const OperationReport report =
                runEditForm(plan.value(), {SelectedPhoto{0, input, QStringLiteral("zoned.jpg")}},
                            folder.file(QStringLiteral("storage")), workerService());
            ASSERT_EQ(report.written.size(), 1);
            output = report.written.value(0);
        } else {
            output = applied(folder, QString::fromLatin1(c.fixture), c.fields);
        }
        const QJsonObject tags = exiftoolRead(output);
        for (const auto& [tag, value] : c.tags) {
            SCOPED_TRACE(tag);
            if (value)
                EXPECT_EQ(tags.value(QLatin1String(tag)).toVariant().toString(), value);
            else
                EXPECT_FALSE(tags.contains(QLatin1String(tag)));
        }
        // The form shows again what it wrote.
        const EditFormFields shown = shownFields(dictionaryOf(output));
        if (c.fields.title) {
            EXPECT_EQ(shown.title, c.fields.title);
        }
        if (c.fields.rating) {
            EXPECT_EQ(shown.rating, c.fields.rating);
        }
        if (c.fields.date) {
            EXPECT_EQ(shown.date, c.fields.date);
        }
    }
}
