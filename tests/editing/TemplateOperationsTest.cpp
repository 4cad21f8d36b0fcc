#include "editing/TemplateOperations.h"
#include "editing/EditFormOperation.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"
#include "templates/PropertyListCodec.h"

#include <QDir>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace PropertyKeys;

// Property-list exports and imports over real photos, read back with
// exiftool as well as our own reader.
namespace {

QVariantMap dictionaryOf(const QString& path) {
    const auto properties = workerService().readProperties(path);
    EXPECT_TRUE(properties.isOk()) << qPrintable(properties.error());
    return properties.isOk() ? properties->dictionary : QVariantMap();
}

OperationReport importInto(const TestFolder& folder, ImportKind kind, const QVariantMap& file,
                           const QStringList& photos) {
    const QString storage = folder.file(QStringLiteral("storage"));
    QDir().mkpath(storage);
    std::vector<SelectedPhoto> selected;
    for (const QString& photo : photos)
        selected.emplace_back(int(selected.size()), folder.copyPhoto(photo), photo);
    const OperationReport report = runImport(kind, file, selected, storage, workerService());
    for (const auto& skipped : report.skipped)
        ADD_FAILURE() << qPrintable(skipped.path) << ": " << qPrintable(skipped.reason);
    return report;
}

} // namespace

TEST(TemplateExport, namesItsFilesAndHoldsWhatItSays) {
    const QVariantMap photo = dictionaryOf(fixturePath(QStringLiteral("DSCN0010.jpg")));
    EXPECT_EQ(exportFileName(ExportKind::Tiff, QStringLiteral("IMG_0001.JPG")),
              QStringLiteral("IMG_0001_Tiff.plist"));
    EXPECT_EQ(exportFileName(ExportKind::Exif, QStringLiteral("archive.tar.gz")),
              QStringLiteral("archive.tar_Exif.plist"));
    EXPECT_EQ(exportFileName(ExportKind::All, QStringLiteral("noextension")),
              QStringLiteral("noextension.plist"));
    EXPECT_EQ(exportDictionary(ExportKind::Tiff, photo).value(), photo.value(TiffSet).toMap());
    EXPECT_EQ(exportDictionary(ExportKind::ExifAndTiff, photo).value().keys(),
              (QStringList{ExifSet, TiffSet}));
    // A photo without GPS gives the EXIF-and-GPS export its EXIF set alone.
    QVariantMap canon = dictionaryOf(fixturePath(QStringLiteral("Canon_40D.jpg")));
    canon.remove(GpsSet);
    EXPECT_EQ(exportDictionary(ExportKind::ExifAndGps, canon).value().keys(), QStringList{ExifSet});
    // Nothing to export is said, not written as an empty file.
    EXPECT_FALSE(exportDictionary(ExportKind::Tiff, QVariantMap()).isOk());
    EXPECT_FALSE(exportDictionary(ExportKind::All, QVariantMap()).isOk());

    TestFolder folder;
    const auto written = writePropertyListFile(
        folder.path(), exportFileName(ExportKind::All, "DSCN0010.jpg"), photo);
    ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
    EXPECT_EQ(readPropertyListFile(written.value()).value(), photo);
    EXPECT_FALSE(readPropertyListFile(folder.file(QStringLiteral("missing.plist"))).isOk());
    const QString notAList = folder.writeFile(QStringLiteral("x.plist"), "hello");
    EXPECT_TRUE(readPropertyListFile(notAList).error().startsWith(QLatin1String("not a property")));
}

TEST(TemplateExport, writesTheFormsFieldsAsTheTemplateKeys) {
    EditFormFields fields;
    fields.make = QStringLiteral("NIKON");
    fields.keywords = QStringLiteral("lake, hills,, sky ");
    fields.latitude = QStringLiteral("-33.8688");
    fields.longitude = QStringLiteral("151.2093");
    const QVariantMap t = templateDictionary(fields);
    EXPECT_EQ(t.size(), 17);
    EXPECT_EQ(t.value(LensMake).toString(), QStringLiteral("NIKON"));
    EXPECT_EQ(
        t.value(Keywords).toList(),
        (QVariantList{QStringLiteral("lake"), QStringLiteral("hills"), QStringLiteral("sky")}));
    EXPECT_EQ(t.value(Latitude).toDouble(), double(float(-33.8688)));
    EXPECT_EQ(t.value(LatitudeRef).toString(), QStringLiteral("S"));
    EXPECT_EQ(t.value(LongitudeRef).toString(), QStringLiteral("E"));
    const QVariantMap empty = templateDictionary({});
    EXPECT_EQ(empty.value(Latitude).toDouble(), 0.0);
    EXPECT_EQ(empty.value(LatitudeRef).toString(), QStringLiteral("N"));
    EXPECT_EQ(empty.value(Altitude).toString(), QString());
}

TEST(TemplateImport, writesAPositionOnlyWhereTheTemplateHasOne) {
    TestFolder folder;
    EditFormFields fields;
    fields.artist = QStringLiteral("Ana");
    fields.keywords = QStringLiteral("lake, hills, sky");
    fields.latitude = QStringLiteral("-33.8568");
    fields.longitude = QStringLiteral("151.2153");
    fields.altitude = QStringLiteral("-5");
    const OperationReport placed =
        importInto(folder, ImportKind::Template, templateDictionary(fields),
                   {QStringLiteral("DSCN0010.jpg"), QStringLiteral("Canon_40D.jpg")});
    ASSERT_EQ(placed.written.size(), 2);
    for (const QString& output : placed.written) {
        SCOPED_TRACE(output.toStdString());
        const QJsonObject tags = exiftoolRead(output);
        EXPECT_NEAR(tags.value(QStringLiteral("GPS:GPSLatitude")).toDouble(), 33.8568, 1e-5);
        EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSLatitudeRef")).toString(), QStringLiteral("S"));
        EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSLongitudeRef")).toString(),
                  QStringLiteral("E"));
        EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSAltitudeRef")).toInt(), 1);
        EXPECT_EQ(tags.value(QStringLiteral("IFD0:Artist")).toString(), QStringLiteral("Ana"));
        // The keywords go to the photo's XMP where it has XMP and no IPTC, to
        // new IPTC where it has neither; the artist and the position to its
        // XMP as well.
        const bool xmp = output.endsWith(QLatin1String("DSCN0010.jpg"));
        EXPECT_EQ(tags.value(QStringLiteral("IPTC:Keywords")).toArray().size(), xmp ? 0 : 3);
        EXPECT_EQ(tags.value(QStringLiteral("XMP-dc:Subject")).toArray().size(), xmp ? 3 : 0);
        EXPECT_EQ(tags.value(QStringLiteral("XMP-dc:Creator")).toString(),
                  xmp ? QStringLiteral("Ana") : QString());
        EXPECT_NEAR(tags.value(QStringLiteral("XMP-exif:GPSLatitude")).toDouble(),
                    xmp ? -33.8568 : 0.0, 1e-5);
    }

    // A southern, western photo given a template without a position keeps it,
    // and a photo without one gains none.
    TestFolder other;
    QVariantMap noPosition = templateDictionary({});
    noPosition.remove(Latitude);
    noPosition.remove(Longitude);
    QVariantMap emptyForm = templateDictionary({});
    emptyForm.insert(Latitude, QString());
    emptyForm.insert(Longitude, QString());
    for (const QVariantMap& t : {noPosition, emptyForm}) {
        const OperationReport kept =
            importInto(other, ImportKind::Template, t,
                       {QStringLiteral("IMG_5195.HEIC"), QStringLiteral("Canon_40D.jpg")});
        ASSERT_EQ(kept.written.size(), 2);
        const QJsonObject west = exiftoolRead(kept.written[0]);
        EXPECT_EQ(west.value(QStringLiteral("GPS:GPSLongitudeRef")).toString(),
                  QStringLiteral("W"));
        EXPECT_NEAR(west.value(QStringLiteral("GPS:GPSLongitude")).toDouble(), 94.2887722, 1e-6);
        auto gpsOf = [](const QJsonObject& tags) {
            QJsonObject gps;
            for (const QString& key : tags.keys()) {
                if (key.startsWith(QLatin1String("GPS:")))
                    gps.insert(key, tags.value(key));
            }
            return gps;
        };
        EXPECT_EQ(gpsOf(exiftoolRead(kept.written[1])),
                  gpsOf(exiftoolRead(fixturePath(QStringLiteral("Canon_40D.jpg")))));
        EXPECT_FALSE(
            gpsOf(exiftoolRead(kept.written[1])).contains(QStringLiteral("GPS:GPSLatitudeRef")));
    }
}

TEST(TemplateImport, appliesSetsAndWholeDictionariesToOtherPhotos) {
    TestFolder folder;
    // A dictionary from a 640 x 480 photo applied to a larger one: its pixel
    // facts describe the other photo's pixels and are left out.
    const QVariantMap small = dictionaryOf(fixturePath(QStringLiteral("DSCN0010.jpg")));
    const OperationReport whole =
        importInto(folder, ImportKind::All, small, {QStringLiteral("Canon_40D.jpg")});
    ASSERT_EQ(whole.written.size(), 1);
    const QVariantMap written = dictionaryOf(whole.written.first());
    EXPECT_EQ(written.value(GpsSet).toMap().value(Latitude),
              small.value(GpsSet).toMap().value(Latitude));
    EXPECT_NE(written.value(PixelWidth), small.value(PixelWidth));

    // An EXIF-and-GPS file holding only EXIF leaves each photo's GPS set alone.
    TestFolder second;
    const QVariantMap onlyExif = {
        {ExifSet, QVariantMap{{DateTimeOriginal, QStringLiteral("2001:02:03 04:05:06")}}}};
    const OperationReport pair =
        importInto(second, ImportKind::ExifAndGps, onlyExif, {QStringLiteral("DSCN0010.jpg")});
    ASSERT_EQ(pair.written.size(), 1);
    const QJsonObject tags = exiftoolRead(pair.written.first());
    EXPECT_EQ(tags.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(),
              QStringLiteral("2001:02:03 04:05:06"));
    EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSLatitudeRef")).toString(), QStringLiteral("N"));
}

// Every kind of export applied to another photo brings exactly its sets.
TEST(TemplateImport, eachKindOfExportRoundTripsToAnotherPhoto) {
    const QString from = fixturePath(QStringLiteral("DSCN0010.jpg"));
    const QVariantMap source = dictionaryOf(from);
    const QJsonObject sourceTags = exiftoolRead(from);
    const struct {
        ExportKind exportKind;
        ImportKind importKind;
        QStringList groups; // exiftool's groups that must come out as the source has them
    } cases[] = {
        {ExportKind::Tiff, ImportKind::Tiff, {QStringLiteral("IFD0")}},
        {ExportKind::Exif, ImportKind::Exif, {QStringLiteral("ExifIFD")}},
        {ExportKind::ExifAndTiff,
         ImportKind::ExifAndTiff,
         {QStringLiteral("ExifIFD"), QStringLiteral("IFD0")}},
        {ExportKind::ExifAndGps,
         ImportKind::ExifAndGps,
         {QStringLiteral("ExifIFD"), QStringLiteral("GPS")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.exportKind));
        TestFolder folder;
        const auto written = writePropertyListFile(
            folder.path(), exportFileName(c.exportKind, QStringLiteral("DSCN0010.jpg")),
            exportDictionary(c.exportKind, source).value());
        ASSERT_TRUE(written.isOk());
        const auto file = readPropertyListFile(written.value());
        ASSERT_TRUE(file.isOk());
        const OperationReport report =
            importInto(folder, c.importKind, file.value(), {QStringLiteral("Kodak_CX7530.jpg")});
        ASSERT_EQ(report.written.size(), 1);
        const QJsonObject tags = exiftoolRead(report.written.first());
        for (const QString& key : sourceTags.keys()) {
            const QString group = key.section(QLatin1Char(':'), 0, 0);
            // Pointers and thumbnails are the file's own layout, not values.
            if (!c.groups.contains(group) || key.endsWith(QLatin1String("Offset")) ||
                key.contains(QLatin1String("Thumbnail")))
                continue;
            // Rationals travel as decimal numbers: they come back to a few parts in a million.
            const QJsonValue got = tags.value(key), want = sourceTags.value(key);
            if (got.isDouble() && want.isDouble())
                EXPECT_NEAR(got.toDouble(), want.toDouble(),
                            1e-5 * std::fabs(want.toDouble()) + 1e-9)
                    << qPrintable(key);
            else
                EXPECT_EQ(got, want) << qPrintable(key);
        }
    }
}

// A value no other path accepts is refused in every format, naming the key,
// and nothing of the photo is written in part.
TEST(TemplateImport, refusesWhatNoOtherPathWritesInEveryFormat) {
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        ImportKind kind;
        QVariantMap file;
        const char* key;
    } cases[] = {
        {"an endless latitude",
         ImportKind::Template,
         {{Latitude, infinity}, {Longitude, 10.0}},
         "{GPS}.Latitude"},
        {"a latitude past the pole",
         ImportKind::Template,
         {{Latitude, 500.0}, {Longitude, 10.0}},
         "{GPS}.Latitude"},
        {"an altitude beyond any fraction",
         ImportKind::Template,
         {{Latitude, 10.0}, {Longitude, 10.0}, {Altitude, 1e300}},
         "{GPS}.Altitude"},
        {"a GPS date that is no day",
         ImportKind::Template,
         {{Latitude, 10.0}, {Longitude, 10.0}, {DateStamp, QStringLiteral("2020:99:99")}},
         "{GPS}.DateStamp"},
        {"a GPS time that is no time",
         ImportKind::Template,
         {{Latitude, 10.0}, {Longitude, 10.0}, {TimeStamp, QStringLiteral("99:99:99")}},
         "{GPS}.TimeStamp"},
        {"a digitized date out of the calendar",
         ImportKind::Template,
         {{DateTimeDigitized, QStringLiteral("2020:13:45 25:61:61")}},
         "{Exif}.DateTimeDigitized"},
        {"a digitized date before the first year",
         ImportKind::Template,
         {{DateTimeDigitized, QStringLiteral("-99999:01:01 00:00:00")}},
         "{Exif}.DateTimeDigitized"},
        {"a date of zeros",
         ImportKind::Template,
         {{DateTimeDigitized, QStringLiteral("0000:00:00 00:00:00")}},
         "{Exif}.DateTimeDigitized"},
        {"a whole dictionary with a latitude past the pole",
         ImportKind::All,
         {{GpsSet, QVariantMap{{Latitude, 500.0}, {LatitudeRef, QStringLiteral("N")}}}},
         "{GPS}.Latitude"},
    };
    const QStringList photos = {QStringLiteral("DSCN0010.jpg"), QStringLiteral("photo.png"),
                                QStringLiteral("multipage.tiff"), QStringLiteral("IMG_5195.HEIC"),
                                QStringLiteral("photo.webp")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestFolder folder;
        const QString storage = folder.file(QStringLiteral("storage"));
        QDir().mkpath(storage);
        std::vector<SelectedPhoto> selected;
        for (const QString& photo : photos)
            selected.emplace_back(int(selected.size()), folder.copyPhoto(photo), photo);
        const OperationReport report =
            runImport(c.kind, c.file, selected, storage, workerService());
        EXPECT_TRUE(report.written.isEmpty()) << qPrintable(report.written.join(' '));
        ASSERT_EQ(report.skipped.size(), photos.size());
        for (const auto& skipped : report.skipped)
            EXPECT_TRUE(skipped.reason.startsWith(QLatin1String(c.key)))
                << qPrintable(skipped.path + QLatin1String(": ") + skipped.reason);
        EXPECT_TRUE(QDir(storage).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}
