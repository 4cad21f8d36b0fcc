#include "metadata/MetadataService.h"
#include "support/TestPhotos.h"
#include "support/TiffBytes.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

namespace {

constexpr quint16 ExifPointer = 0x8769, GpsPointer = 0x8825, GpsLatitude = 0x0002,
                  GpsLongitude = 0x0004;

QVariantMap removing(const QStringList& sets) {
    QVariantMap changes;
    for (const QString& set : sets)
        changes.insert(set, QVariant::fromValue(nullptr));
    return changes;
}

QString rewritten(const QString& input, const QString& output, const QVariantMap& changes) {
    RewriteJob job;
    job.inputPath = input;
    job.outputPath = output;
    job.changes = changes;
    const PhotoOutcome outcome = workerService().rewrite(job);
    EXPECT_TRUE(outcome.written()) << qPrintable(input) << ": " << qPrintable(outcome.reason);
    return outcome.outputPath;
}

// multipage.tiff with a GPS and an EXIF directory of its own on the second
// page, as a scanner that tags every page leaves it.
QByteArray twoPagesWithGps() {
    QByteArray bytes = fileBytes(fixturePath(QStringLiteral("multipage.tiff")));
    TiffBytes tiff(bytes, 0);
    auto rational = [&](QList<quint32> parts) {
        QByteArray out;
        for (quint32 part : parts)
            out += tiff.number(part, 4);
        return out;
    };
    const quint32 gps = tiff.appendIfd({
        {0x0000, 1, 4, QByteArray("\x02\x03\x00\x00", 4)},
        {0x0001, 2, 2, QByteArray("N\0", 2)},
        {GpsLatitude, 5, 3, rational({12, 1, 34, 1, 5678, 100})},
        {0x0003, 2, 2, QByteArray("W\0", 2)},
        {GpsLongitude, 5, 3, rational({98, 1, 7, 1, 6543, 100})},
    });
    const quint32 exif = tiff.appendIfd({
        {0x829a, 5, 1, rational({1, 250})},
        {0x9003, 2, 20, QByteArray("2011:12:13 14:15:16\0", 20)},
    });
    tiff.addEntryToPage(1, {GpsPointer, 4, 1, tiff.number(gps, 4)});
    tiff.addEntryToPage(1, {ExifPointer, 4, 1, tiff.number(exif, 4)});
    return bytes;
}

// What exiftool lists of every page: "Group:Tag" per line, duplicates kept.
QStringList exiftoolLines(const QString& file) {
    const QString text =
        runTool(QStringLiteral("exiftool"), {QStringLiteral("-a"), QStringLiteral("-G1"),
                                             QStringLiteral("-s"), QStringLiteral("-n"), file});
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lines << line.simplified();
    return lines;
}

int countOf(const QStringList& lines, const QString& prefix) {
    return int(std::count_if(lines.cbegin(), lines.cend(),
                             [&](const QString& line) { return line.startsWith(prefix); }));
}

// The stored latitude and longitude values of every page's GPS directory.
QList<QByteArray> storedPositions(QByteArray bytes) {
    QList<QByteArray> values;
    const auto base = TiffBytes::exifBase(bytes);
    if (!base)
        return values;
    TiffBytes tiff(bytes, *base);
    for (quint32 page : tiff.pages()) {
        const quint32 gps = tiff.child(page, GpsPointer);
        if (gps == 0)
            continue;
        for (quint16 tag : {GpsLatitude, GpsLongitude}) {
            if (const auto entry = tiff.entry(gps, tag))
                values << tiff.value(*entry);
        }
    }
    return values;
}

} // namespace

TEST(WriterRemoval, takesGpsAndExifFromEveryPageOfATiff) {
    TestFolder folder;
    const QString input = folder.writeFile(QStringLiteral("pages.tiff"), twoPagesWithGps());
    const QStringList before = exiftoolLines(input);
    ASSERT_EQ(countOf(before, QStringLiteral("[GPS] GPSLatitude ")), 2) << "a position per page";
    ASSERT_EQ(countOf(before, QStringLiteral("[ExifIFD] ExposureTime ")), 1);
    ASSERT_EQ(pixelSignatures(input).size(), 2);

    struct Case {
        const char* what;
        QStringList sets;
        QStringList goneGroups;
        QStringList keptGroups;
    };
    const QList<Case> cases = {
        {"gps",
         {QStringLiteral("{GPS}")},
         {QStringLiteral("[GPS]")},
         {QStringLiteral("[ExifIFD]")}},
        // The XMP copies of the TIFF and EXIF sets go with the EXIF set.
        {"exif",
         {QStringLiteral("{Exif}")},
         {QStringLiteral("[ExifIFD]"), QStringLiteral("[XMP-tiff]")},
         {QStringLiteral("[GPS]")}},
        {"both",
         {QStringLiteral("{Exif}"), QStringLiteral("{GPS}")},
         {QStringLiteral("[ExifIFD]"), QStringLiteral("[GPS]"), QStringLiteral("[XMP-tiff]")},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString output =
            rewritten(input, folder.file(QStringLiteral("%1.tiff").arg(QLatin1String(c.what))),
                      removing(c.sets));
        const QStringList after = exiftoolLines(output);
        for (const QString& group : c.goneGroups)
            EXPECT_EQ(countOf(after, group), 0) << qPrintable(after.join(QLatin1Char('\n')));
        // Everything else is read as it was, page by page.
        QStringList expected;
        for (const QString& line : before) {
            const bool gone = std::any_of(c.goneGroups.cbegin(), c.goneGroups.cend(),
                                          [&](const QString& g) { return line.startsWith(g); });
            const bool pointer = (c.sets.contains(QStringLiteral("{GPS}")) &&
                                  line.contains(QLatin1String(" GPSInfo "))) ||
                                 (c.sets.contains(QStringLiteral("{Exif}")) &&
                                  line.contains(QLatin1String(" ExifOffset ")));
            if (!gone && !pointer && !line.startsWith(QLatin1String("[System]")) &&
                !line.startsWith(QLatin1String("[File]")) &&
                !line.startsWith(QLatin1String("[ExifTool]")) &&
                !line.startsWith(QLatin1String("[Composite]")))
                expected << line;
        }
        QStringList kept;
        for (const QString& line : after) {
            if (!line.startsWith(QLatin1String("[System]")) &&
                !line.startsWith(QLatin1String("[File]")) &&
                !line.startsWith(QLatin1String("[ExifTool]")) &&
                !line.startsWith(QLatin1String("[Composite]")))
                kept << line;
        }
        EXPECT_EQ(kept, expected);
        for (const QString& group : c.keptGroups)
            EXPECT_GT(countOf(after, group), 0);
        EXPECT_EQ(pixelSignatures(output), pixelSignatures(input));
    }
}

TEST(WriterRemoval, leavesNoByteOfARemovedPositionInTheFile) {
    TestFolder folder;
    // A position mirrored into XMP goes too.
    const QString withXmp =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("xmp.jpg"));
    runTool(QStringLiteral("exiv2"),
            {QStringLiteral("-M"), QStringLiteral("set Xmp.exif.GPSLatitude 43,28.4690N"),
             QStringLiteral("-M"), QStringLiteral("set Xmp.exif.GPSLongitude 11,53.1076E"),
             withXmp});
    ASSERT_TRUE(fileBytes(withXmp).contains("43,28.4690N"));
    const QString pages = folder.writeFile(QStringLiteral("pages.tiff"), twoPagesWithGps());
    const QStringList inputs = {folder.copyPhoto(QStringLiteral("DSCN0010.jpg")), withXmp,
                                folder.copyPhoto(QStringLiteral("photo.png")),
                                folder.copyPhoto(QStringLiteral("photo.webp")), pages};
    for (const QString& input : inputs) {
        SCOPED_TRACE(input.toStdString());
        const QByteArray source = fileBytes(input);
        const QList<QByteArray> positions = storedPositions(source);
        ASSERT_EQ(positions.size(), input == pages ? 4 : 2);
        for (const QByteArray& position : positions) {
            ASSERT_EQ(position.size(), 24);
            ASSERT_EQ(source.count(position), 1) << "the value must be the position's own";
        }
        const QString output =
            rewritten(input, folder.file(QStringLiteral("NoGPS_") + QFileInfo(input).fileName()),
                      removing({QStringLiteral("{GPS}")}));
        const QByteArray written = fileBytes(output);
        for (const QByteArray& position : positions)
            EXPECT_EQ(written.indexOf(position), -1) << qPrintable(position.toHex());
        for (const char* text : {"43,28.4690N", "11,53.1076E", "GPSLatitude", "GPSLongitude"})
            EXPECT_FALSE(written.contains(text)) << text;
    }
}

TEST(WriterRemoval, takesTheTextCopiesOfAPngWithTheSetsTheyCopy) {
    TestFolder folder;
    const QString input = folder.copyPhoto(QStringLiteral("photo.png"));
    const QJsonObject before = withoutVolatileTags(exiftoolRead(input));
    ASSERT_TRUE(before.contains(QStringLiteral("PNG:ExifGPSLatitude")));
    ASSERT_TRUE(before.contains(QStringLiteral("PNG:ExifExposureTime")));

    const QJsonObject noGps = withoutVolatileTags(
        exiftoolRead(rewritten(input, folder.file(QStringLiteral("NoGPS_photo.png")),
                               removing({QStringLiteral("{GPS}")}))));
    QJsonObject expected = before;
    for (const QString& key : before.keys()) {
        if (key.contains(QLatin1String("GPS")))
            expected.remove(key);
    }
    EXPECT_EQ(noGps, expected);

    const QJsonObject noExif = withoutVolatileTags(
        exiftoolRead(rewritten(input, folder.file(QStringLiteral("NoEXIF_photo.png")),
                               removing({QStringLiteral("{Exif}")}))));
    // The main image's tags, the thumbnail's and the position stay; the rest
    // of the text copies were copies of the EXIF set.
    const QSet<QString> tiffSet = {QStringLiteral("PNG:ExifMake"),
                                   QStringLiteral("PNG:ExifModel"),
                                   QStringLiteral("PNG:ExifDateTime"),
                                   QStringLiteral("PNG:ExifSoftware"),
                                   QStringLiteral("PNG:ExifImageDescription"),
                                   QStringLiteral("PNG:ExifYCbCrPositioning")};
    QStringList keptCopies, expectedCopies;
    for (const QString& key : noExif.keys()) {
        if (key.startsWith(QLatin1String("PNG:Exif")))
            keptCopies << key;
    }
    for (const QString& key : before.keys()) {
        if (tiffSet.contains(key) || key.startsWith(QLatin1String("PNG:ExifGPS")) ||
            key.startsWith(QLatin1String("PNG:Exifthumbnail")))
            expectedCopies << key;
    }
    EXPECT_EQ(keptCopies, expectedCopies);
    for (const QString& key : tiffSet)
        EXPECT_EQ(noExif.value(key), before.value(key)) << qPrintable(key);
    EXPECT_FALSE(noExif.contains(QStringLiteral("PNG:ExifExposureTime")));
    EXPECT_FALSE(noExif.contains(QStringLiteral("PNG:ExifDateTimeOriginal")));
    EXPECT_FALSE(noExif.contains(QStringLiteral("PNG:ExifMakerNote")));
}
