#include "editing/ChangePreview.h"
#include "metadata/MetadataService.h"
#include "metadata/OutcomeCheck.h"
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

TEST(ChangePreview, theDryRunListsExactlyWhatTheRealRunChangesInEveryPhoto) {
    TestFolder folder;
    QStringList photos = stillPhotoFixtures();
    for (const QString& name :
         QDir(fixturePath(QStringLiteral("makernotes"))).entryList(QDir::Files))
        photos << QStringLiteral("makernotes/") + name;
    photos << QStringLiteral("samplefilehub.heif") << QStringLiteral("HMD_Nokia_8.3_5G_hdr.heif");
    // RAW files the writer rewrites, with what a raw converter needs.
    QStringList built;
    for (const char* kind : {"nef", "dng"})
        built << builtRawPhoto(folder, QLatin1String(kind));
    const QVariantMap position = {{Latitude, 33.8688},
                                  {LatitudeRef, QStringLiteral("S")},
                                  {Longitude, 151.2093},
                                  {LongitudeRef, QStringLiteral("E")},
                                  {Altitude, 12.5},
                                  {AltitudeRef, 0},
                                  {DateStamp, QStringLiteral("2014:05:06")},
                                  {TimeStamp, QStringLiteral("07:08:09")}};
    const QString date = QStringLiteral("2014:05:06 07:08:09");
    const struct {
        const char* what;
        QVariantMap changes;
        bool removeAll = false;
    } commands[] = {
        {"remove exif", {{ExifSet, removal()}}},
        {"remove gps", {{GpsSet, removal()}}},
        {"remove iptc", {{IptcSet, removal()}}},
        {"remove exif and gps", {{ExifSet, removal()}, {GpsSet, removal()}}},
        {"edit",
         {{TiffSet, QVariantMap{{Artist, QStringLiteral("Ana Lopez")}}},
          {ExifSet, QVariantMap{{UserComment, QStringLiteral("Grüße vom See")}}},
          {GpsSet, position}}},
        {"keywords",
         {{IptcSet, QVariantMap{{Keywords,
                                 QStringList{QStringLiteral("lake"), QStringLiteral("Zürich")}}}}}},
        {"dates",
         {{ExifSet, QVariantMap{{DateTimeOriginal, date}, {DateTimeDigitized, date}}},
          {TiffSet, QVariantMap{{DateTime, date}}}}},
        {"remove all", {}, true},
    };
    int written = 0;
    for (const QString& name : photos + built) {
        const QString input =
            built.contains(name) ? name : folder.copyPhoto(name, QFileInfo(name).fileName());
        const QVariantMap before = workerService().readProperties(input).value().dictionary;
        for (const auto& command : commands) {
            SCOPED_TRACE(qPrintable(name + QLatin1String(": ") + QLatin1String(command.what)));
            RewriteJob job;
            job.inputPath = input;
            job.outputPath = folder.file(QStringLiteral("out-") + QFileInfo(name).fileName());
            job.changes = command.changes;
            job.removeAll = command.removeAll;
            job.dryRun = true;
            const PhotoOutcome dry = workerService().rewrite(job);
            job.dryRun = false;
            const PhotoOutcome real = workerService().rewrite(job);
            ASSERT_EQ(real.skipped(), dry.skipped()) << qPrintable(real.reason + dry.reason);
            if (real.skipped()) {
                EXPECT_EQ(real.reason, dry.reason);
                EXPECT_FALSE(QFileInfo::exists(job.outputPath));
                continue;
            }
            ++written;
            const auto after = workerService().readProperties(job.outputPath);
            ASSERT_TRUE(after.isOk()) << qPrintable(after.error());
            const QList<KeyChange> happened = dictionaryChanges(before, after->dictionary);
            EXPECT_EQ(happened, dry.changes)
                << describe(happened) << "\n  planned: " << describe(dry.changes);
            EXPECT_EQ(real.remark, dry.remark);
            QFile::remove(job.outputPath);
        }
    }
    EXPECT_GT(written, int(photos.size()) * 5);
}

TEST(ChangePreview, anOutcomeIsCheckedAgainstItsPlanKeyByKey) {
    const QVariantMap before = {
        {TiffSet, QVariantMap{{Artist, QStringLiteral("Ana")}, {Make, QStringLiteral("NIKON")}}},
        {GpsSet, QVariantMap{{Latitude, 43.5}}}};
    const QVariantMap changes = {{TiffSet, QVariantMap{{Artist, QStringLiteral("Bo")}}},
                                 {GpsSet, removal()}};
    const struct {
        const char* what;
        QVariantMap after;
        const char* problem; // nullptr: the outcome is what was planned
    } cases[] = {
        {"as planned",
         {{TiffSet, QVariantMap{{Artist, QStringLiteral("Bo")}, {Make, QStringLiteral("NIKON")}}}},
         nullptr},
        {"a change left out",
         {{TiffSet, QVariantMap{{Artist, QStringLiteral("Ana")}, {Make, QStringLiteral("NIKON")}}}},
         "{TIFF}.Artist was not written"},
        {"another value",
         {{TiffSet, QVariantMap{{Artist, QStringLiteral("B")}, {Make, QStringLiteral("NIKON")}}}},
         "{TIFF}.Artist reads back as \"B\" instead of \"Bo\""},
        {"a removal left out",
         {{TiffSet, QVariantMap{{Artist, QStringLiteral("Bo")}, {Make, QStringLiteral("NIKON")}}},
          {GpsSet, QVariantMap{{Latitude, 43.5}}}},
         "{GPS}.Latitude was not written"},
        {"something else lost",
         {{TiffSet, QVariantMap{{Artist, QStringLiteral("Bo")}}}},
         "{TIFF}.Make changed from \"NIKON\" to nothing unasked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Status status = checkOutcome(before, changes, c.after);
        EXPECT_EQ(status.isOk(), c.problem == nullptr) << qPrintable(status.error());
        if (c.problem) {
            EXPECT_TRUE(status.error().contains(QLatin1String(c.problem)))
                << qPrintable(status.error());
        }
    }
}
