#include "editing/ChangePreview.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <gtest/gtest.h>

using namespace PropertyKeys;

namespace {
std::string describe(const QList<KeyChange>& changes) {
    QStringList parts;
    for (const KeyChange& change : changes)
        parts << QStringLiteral("%1: %2 -> %3")
                     .arg(change.key, change.from.toString(),
                          isRemoval(change.to) ? QStringLiteral("null") : change.to.toString());
    return parts.join(QLatin1String("; ")).toStdString();
}
} // namespace

TEST(ChangePreview, listsOnlyTheKeysTheWriterWouldChange) {
    const QVariantMap photo = {
        {Orientation, 1},
        {ExifSet, QVariantMap{{QStringLiteral("FNumber"), 4.5},
                              {DateTimeOriginal, QStringLiteral("2008:10:22 16:28:39")}}},
        {GpsSet, QVariantMap{{Latitude, 43.46744833333334}, {LatitudeRef, QStringLiteral("N")}}},
        {IptcSet, QVariantMap{{Keywords, QVariantList{QStringLiteral("a"), QStringLiteral("b")}}}},
    };
    const struct {
        const char* what;
        QVariantMap changes;
        QList<KeyChange> expected;
    } cases[] = {
        {"a removed set lists each of its keys",
         {{GpsSet, removal()}},
         {{QStringLiteral("{GPS}.Latitude"), 43.46744833333334, removal()},
          {QStringLiteral("{GPS}.LatitudeRef"), QStringLiteral("N"), removal()}}},
        {"removing a set the photo lacks changes nothing", {{TiffSet, removal()}}, {}},
        {"a number the float of the same value does not change",
         {{ExifSet, QVariantMap{{QStringLiteral("FNumber"), double(float(4.5))}}}},
         {}},
        {"a new value, a new key and a removed key",
         {{ExifSet, QVariantMap{{DateTimeOriginal, QStringLiteral("2020:01:01 00:00:00")},
                                {DateTimeDigitized, QStringLiteral("2020:01:01 00:00:00")},
                                {QStringLiteral("FNumber"), removal()},
                                {QStringLiteral("ExposureTime"), removal()}}}},
         {{QStringLiteral("{Exif}.DateTimeDigitized"), removal(),
           QStringLiteral("2020:01:01 00:00:00")},
          {QStringLiteral("{Exif}.DateTimeOriginal"), QStringLiteral("2008:10:22 16:28:39"),
           QStringLiteral("2020:01:01 00:00:00")},
          {QStringLiteral("{Exif}.FNumber"), 4.5, removal()}}},
        {"a top-level key by its own name",
         {{Orientation, 6}, {PixelWidth, removal()}},
         {{Orientation, 1, 6}}},
        {"the whole dictionary handed back with IPTC removed",
         [&] {
             QVariantMap whole = photo;
             whole.insert(IptcSet, removal());
             return whole;
         }(),
         {{QStringLiteral("{IPTC}.Keywords"),
           QVariantList{QStringLiteral("a"), QStringLiteral("b")}, removal()}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<KeyChange> changes = previewChanges(photo, c.changes);
        EXPECT_EQ(changes, c.expected) << describe(changes);
    }
}

TEST(ChangePreview, aRemovalDryRunListsWhatTheRealRunRemoves) {
    TestFolder folder;
    const QString input = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString storage = folder.file(QStringLiteral("storage"));
    const std::vector<SelectedPhoto> photos = {{0, input, QStringLiteral("DSCN0010.jpg")}};
    const auto previews =
        previewRemoval(RemovalKind::Gps, SourceMode::Computer, photos, storage, workerService());
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_TRUE(previews[0].skipReason.isEmpty());
    QStringList keys;
    for (const KeyChange& change : previews[0].changes) {
        keys << change.key.mid(QStringLiteral("{GPS}.").size());
        EXPECT_TRUE(isRemoval(change.to));
    }
    const QVariantMap gps = workerService().readProperties(input)->dictionary.value(GpsSet).toMap();
    EXPECT_EQ(keys, gps.keys());
    EXPECT_FALSE(QFileInfo::exists(storage));

    // The real run removes exactly those: exiftool finds no GPS tag left.
    QDir().mkpath(storage);
    const OperationReport report =
        runRemoval(RemovalKind::Gps, SourceMode::Computer, photos, storage, workerService());
    ASSERT_EQ(report.written.size(), 1);
    const QJsonObject tags = exiftoolRead(report.written.first());
    for (const QString& key : tags.keys())
        EXPECT_FALSE(key.startsWith(QLatin1String("GPS:"))) << qPrintable(key);
}
