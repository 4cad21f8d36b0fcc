#include "metadata/MetadataService.h"
#include "support/TestPhotos.h"
#include "support/TiffBytes.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr quint16 ExifPointer = 0x8769, GpsPointer = 0x8825, Software = 0x0131,
                  DateTimeOriginal = 0x9003, GpsLatitude = 0x0002, GpsLongitude = 0x0004,
                  GpsAltitudeRef = 0x0005, ModifyDate = 0x0132;

const QVariantMap RemoveGps = {{QStringLiteral("{GPS}"), QVariant::fromValue(nullptr)}};
const QVariantMap RemoveExif = {{QStringLiteral("{Exif}"), QVariant::fromValue(nullptr)}};

PhotoOutcome rewriteInto(const QString& input, const QString& output, const QVariantMap& changes,
                         bool overlay = false) {
    RewriteJob job;
    job.inputPath = input;
    job.outputPath = output;
    job.changes = changes;
    job.overlaySourceProperties = overlay;
    return workerService().rewrite(job);
}

// A real photo's EXIF block with one thing broken in place.
using Damage = std::function<void(TiffBytes& tiff)>;

QByteArray damaged(const QString& fixture, const Damage& damage) {
    QByteArray bytes = fileBytes(fixturePath(fixture));
    const auto base = TiffBytes::exifBase(bytes);
    EXPECT_TRUE(base.has_value());
    TiffBytes tiff(bytes, *base);
    damage(tiff);
    return bytes;
}

TiffBytes::Entry entryOf(const TiffBytes& tiff, quint32 ifd, quint16 tag) {
    const auto entry = tiff.entry(ifd, tag);
    EXPECT_TRUE(entry.has_value()) << "no tag " << tag;
    return entry.value_or(TiffBytes::Entry{});
}

QJsonObject withoutKeys(QJsonObject tags, const std::function<bool(const QString&)>& drop) {
    tags = withoutVolatileTags(tags);
    for (const QString& key : tags.keys()) {
        if (drop(key))
            tags.remove(key);
    }
    return tags;
}

bool isGpsKey(const QString& key) {
    return key.startsWith(QLatin1String("GPS:")) || key == QLatin1String("IFD0:GPSInfo");
}

} // namespace

TEST(WriterRepair, dropsAnInvalidEntryNamesItAndKeepsEveryOtherTag) {
    struct Case {
        const char* what;
        Damage damage;
        QString note;
        QString lostKey;
    };
    const QList<Case> cases = {
        {"an IFD0 entry of type 0",
         [](TiffBytes& t) { t.write(entryOf(t, t.firstIfd(), Software).at + 2, 0, 2); },
         QStringLiteral("dropped 1 invalid entry of IFD0"), QStringLiteral("IFD0:Software")},
        {"an IFD0 value outside the block",
         [](TiffBytes& t) { t.write(entryOf(t, t.firstIfd(), Software).at + 8, 0x00fffff0, 4); },
         QStringLiteral("dropped 1 invalid entry of IFD0"), QStringLiteral("IFD0:Software")},
        {"an EXIF entry of an unknown type",
         [](TiffBytes& t) {
             const quint32 exif = t.child(t.firstIfd(), ExifPointer);
             t.write(entryOf(t, exif, DateTimeOriginal).at + 2, 0x4242, 2);
         },
         QStringLiteral("dropped 1 invalid entry of the EXIF directory"),
         QStringLiteral("ExifIFD:DateTimeOriginal")},
        {"an empty GPS pointer",
         [](TiffBytes& t) { t.write(entryOf(t, t.firstIfd(), GpsPointer).at + 4, 0, 4); },
         QStringLiteral("dropped the empty pointer to the GPS directory from IFD0"), QString()},
    };
    TestFolder folder;
    const QJsonObject original = exiftoolRead(fixturePath(QStringLiteral("DSCN0010.jpg")));
    ASSERT_GT(original.keys().filter(QStringLiteral("Nikon:")).size(), 20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString input = folder.writeFile(QStringLiteral("damaged.jpg"),
                                               damaged(QStringLiteral("DSCN0010.jpg"), c.damage));
        const QString output = folder.file(QStringLiteral("NoGPS_damaged.jpg"));
        QFile::remove(output);
        const PhotoOutcome outcome = rewriteInto(input, output, RemoveGps);
        ASSERT_TRUE(outcome.written()) << qPrintable(outcome.reason);
        EXPECT_EQ(outcome.notes, QStringList{c.note});
        const auto lost = [&](const QString& key) { return isGpsKey(key) || key == c.lostKey; };
        EXPECT_EQ(withoutKeys(exiftoolRead(output), lost), withoutKeys(original, lost));
        EXPECT_EQ(jpegImageData(fileBytes(output)), jpegImageData(fileBytes(input)));
    }
}

TEST(WriterRepair, refusesADamagedStructureWithTheReasonAndWritesNothing) {
    struct Case {
        const char* what;
        Damage damage;
        QString reason;
    };
    const QList<Case> cases = {
        {"an EXIF pointer to IFD0",
         [](TiffBytes& t) {
             t.write(entryOf(t, t.firstIfd(), ExifPointer).at + 8, t.firstIfd(), 4);
         },
         QStringLiteral("damaged EXIF: its directories form a loop")},
        {"a GPS pointer to the EXIF directory",
         [](TiffBytes& t) {
             t.write(entryOf(t, t.firstIfd(), GpsPointer).at + 8,
                     t.child(t.firstIfd(), ExifPointer), 4);
         },
         QStringLiteral("damaged EXIF: its directories form a loop")},
        {"a GPS pointer outside the block",
         [](TiffBytes& t) { t.write(entryOf(t, t.firstIfd(), GpsPointer).at + 8, 0x00fffff0, 4); },
         QStringLiteral("damaged EXIF: the GPS directory lies outside the block")},
        {"a GPS pointer of text",
         [](TiffBytes& t) { t.write(entryOf(t, t.firstIfd(), GpsPointer).at + 2, 2, 2); },
         QStringLiteral("damaged EXIF: the pointer to the GPS directory is invalid")},
        {"a first directory outside the block", [](TiffBytes& t) { t.write(4, 0x00fffff0, 4); },
         QStringLiteral("damaged EXIF: IFD0 lies outside the block")},
    };
    TestFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString input = folder.writeFile(QStringLiteral("damaged.jpg"),
                                               damaged(QStringLiteral("DSCN0010.jpg"), c.damage));
        for (const QVariantMap& changes :
             {RemoveGps, RemoveExif,
              QVariantMap{{QStringLiteral("{TIFF}"),
                           QVariantMap{{QStringLiteral("Artist"), QStringLiteral("Someone")}}}}}) {
            const QString output = folder.file(QStringLiteral("out.jpg"));
            const PhotoOutcome outcome = rewriteInto(input, output, changes);
            EXPECT_TRUE(outcome.skipped());
            EXPECT_EQ(outcome.reason, c.reason);
            EXPECT_FALSE(QFile::exists(output));
        }
    }
}

// The library reads an entry of a type no reader agrees on as a value, which
// the editor drops: asked for again, that value must be written, not taken as
// already there.
TEST(WriterRepair, writesAHeldValueWhoseEntryIsDropped) {
    const QByteArray bytes = damaged(QStringLiteral("DSCN0010.jpg"), [](TiffBytes& t) {
        const quint32 gps = t.child(t.firstIfd(), GpsPointer);
        t.write(entryOf(t, gps, GpsAltitudeRef).at + 2, 87, 2);
    });
    TestFolder folder;
    const QString input = folder.writeFile(QStringLiteral("odd.jpg"), bytes);
    const auto read = workerService().readProperties(input);
    ASSERT_TRUE(read.isOk());
    const QVariantMap gps = read->dictionary.value(QStringLiteral("{GPS}")).toMap();
    ASSERT_EQ(gps.value(QStringLiteral("AltitudeRef")), QVariant(0)); // as the library reads it
    EXPECT_TRUE(exiftoolRead(input).value(QStringLiteral("GPS:GPSAltitudeRef")).isUndefined());

    const QString output = folder.file(QStringLiteral("held.jpg"));
    const PhotoOutcome outcome =
        rewriteInto(input, output,
                    {{QStringLiteral("{GPS}"), QVariantMap{{QStringLiteral("AltitudeRef"), 0},
                                                           {QStringLiteral("Altitude"), 120.5}}}});
    ASSERT_TRUE(outcome.written()) << qPrintable(outcome.reason);
    const QJsonObject after = exiftoolRead(output);
    EXPECT_EQ(after.value(QStringLiteral("GPS:GPSAltitudeRef")), QJsonValue(0));
    EXPECT_EQ(after.value(QStringLiteral("GPS:GPSAltitude")), QJsonValue(120.5));
}

// Readers take different ones of two entries of a tag in a directory: a write
// of the tag leaves one, a removal none.
TEST(WriterRepair, leavesATagTwiceInADirectoryOnceOrNotAtAll) {
    const QByteArray bytes = damaged(QStringLiteral("DSCN0010.jpg"), [](TiffBytes& t) {
        t.write(entryOf(t, t.firstIfd(), ModifyDate).at, Software, 2);
    });
    TestFolder folder;
    const QString input = folder.writeFile(QStringLiteral("twice.jpg"), bytes);
    const auto software = [](const QVariant& value) {
        return QVariantMap{
            {QStringLiteral("{TIFF}"), QVariantMap{{QStringLiteral("Software"), value}}}};
    };
    const struct {
        const char* what;
        QVariantMap changes;
        QJsonValue read; // as exiftool and our dictionary read it after
    } cases[] = {{"written", software(QStringLiteral("New")), QJsonValue(QStringLiteral("New"))},
                 {"removed", software(QVariant::fromValue(nullptr)), QJsonValue()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString output = folder.file(QString::fromLatin1(c.what) + QStringLiteral(".jpg"));
        const PhotoOutcome outcome = rewriteInto(input, output, c.changes);
        ASSERT_TRUE(outcome.written()) << qPrintable(outcome.reason);
        const QJsonObject after = exiftoolRead(output);
        EXPECT_EQ(after.value(QStringLiteral("IFD0:Software")).toString(), c.read.toString());
        const auto read = workerService().readProperties(output);
        ASSERT_TRUE(read.isOk());
        EXPECT_EQ(read->dictionary.value(QStringLiteral("{TIFF}"))
                      .toMap()
                      .value(QStringLiteral("Software"))
                      .toString(),
                  c.read.toString());
        QByteArray written = fileBytes(output);
        TiffBytes tiff(written, TiffBytes::exifBase(written).value());
        const QList<TiffBytes::Entry> entries = tiff.entries(tiff.firstIfd());
        EXPECT_EQ(std::count_if(entries.cbegin(), entries.cend(),
                                [](const TiffBytes::Entry& e) { return e.tag == Software; }),
                  c.read.isNull() ? 0 : 1);
    }
}

TEST(WriterRepair, keepsAnUnsignedRationalAsStoredThroughAnUnrelatedChange) {
    // 2564660003 does not fit a signed number: a writer that reads it as one
    // and writes it back changes the position.
    QByteArray bytes = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    TiffBytes tiff(bytes, TiffBytes::exifBase(bytes).value());
    const quint32 gps = tiff.child(tiff.firstIfd(), GpsPointer);
    const TiffBytes::Entry latitude = entryOf(tiff, gps, GpsLatitude);
    tiff.write(latitude.field + 16, 2564660003u, 4);
    tiff.write(latitude.field + 20, 100000000u, 4);
    const QByteArray stored = tiff.value(latitude);

    TestFolder folder;
    const QString input = folder.writeFile(QStringLiteral("large.jpg"), bytes);
    const QJsonObject before = exiftoolRead(input);
    EXPECT_NEAR(before.value(QStringLiteral("GPS:GPSLatitude")).toDouble(),
                43 + 28 / 60.0 + 25.6466 / 3600, 1e-6);
    const QVariantMap artist = {
        {QStringLiteral("{TIFF}"),
         QVariantMap{{QStringLiteral("Artist"), QStringLiteral("Someone")}}}};
    for (const bool overlay : {false, true}) {
        SCOPED_TRACE(overlay ? "over the whole dictionary" : "alone");
        const QString output = folder.file(QStringLiteral("artist.jpg"));
        QFile::remove(output);
        const PhotoOutcome outcome = rewriteInto(input, output, artist, overlay);
        ASSERT_TRUE(outcome.written()) << qPrintable(outcome.reason);
        QByteArray written = fileBytes(output);
        TiffBytes out(written, TiffBytes::exifBase(written).value());
        const auto writtenLatitude = out.entry(out.child(out.firstIfd(), GpsPointer), GpsLatitude);
        ASSERT_TRUE(writtenLatitude.has_value());
        EXPECT_EQ(out.value(*writtenLatitude).toHex(), stored.toHex());
        const QJsonObject after = exiftoolRead(output);
        EXPECT_EQ(after.value(QStringLiteral("GPS:GPSLatitude")),
                  before.value(QStringLiteral("GPS:GPSLatitude")));
        EXPECT_EQ(after.value(QStringLiteral("IFD0:Artist")).toString(), QStringLiteral("Someone"));
    }
}

TEST(WriterRepair, growsAValueOrAddsABlockWithoutDisturbingAnythingElse) {
    struct Case {
        const char* fixture;
        QVariantMap changes;
        QString key;
        QString value;
        // Where else the photo keeps the value (its XMP and IPTC), as read.
        QMap<QString, QString> mirrors = {};
        QStringList surfaced = {}; // read only after the write, by older readers
    };
    const QString longText =
        QStringLiteral("A description far longer than the one the camera left, "
                       "so it cannot be written where the old one was");
    // Past Latin-1, which a PNG's plain text chunk cannot hold.
    const QString wideText = longText + QString::fromUtf8(" \u2013 \u6e56");
    const QString date = QStringLiteral("2020:01:02 03:04:05");
    const QList<Case> cases = {
        {"DSCN0010.jpg",
         {{QStringLiteral("{TIFF}"), QVariantMap{{QStringLiteral("ImageDescription"), longText}}}},
         QStringLiteral("IFD0:ImageDescription"),
         longText,
         {{QStringLiteral("XMP-dc:Description"), longText}}},
        {"no_exif.jpg",
         {{QStringLiteral("{Exif}"), QVariantMap{{QStringLiteral("DateTimeOriginal"), date}}}},
         QStringLiteral("ExifIFD:DateTimeOriginal"),
         date,
         // in the zone its XMP dates carry
         {{QStringLiteral("XMP-exif:DateTimeOriginal"), date + QStringLiteral("+02:00")},
          {QStringLiteral("XMP-photoshop:DateCreated"), date + QStringLiteral("+02:00")},
          {QStringLiteral("IPTC:DateCreated"), QStringLiteral("2020:01:02")},
          {QStringLiteral("IPTC:TimeCreated"), QStringLiteral("03:04:05+02:00")}}},
        {"multipage.tiff",
         {{QStringLiteral("{TIFF}"), QVariantMap{{QStringLiteral("Artist"), longText}}}},
         QStringLiteral("IFD0:Artist"),
         longText,
         {{QStringLiteral("XMP-dc:Creator"), longText},
          {QStringLiteral("IPTC:By-line"), longText.left(32)}}}, // as much as IPTC holds
        {"photo.png",
         {{QStringLiteral("{TIFF}"), QVariantMap{{QStringLiteral("Make"), wideText}}}},
         QStringLiteral("IFD0:Make"),
         wideText,
         {{QStringLiteral("XMP-tiff:Make"), wideText}, {QStringLiteral("PNG:ExifMake"), wideText}}},
        // Its packet is in a chunk named "XMP" and a zero byte, which older
        // exiftool versions skip; written, it has the name the format gives
        // it, and its other values come to light there.
        {"photo.webp",
         {{QStringLiteral("{TIFF}"), QVariantMap{{QStringLiteral("Artist"), longText}}}},
         QStringLiteral("IFD0:Artist"),
         longText,
         {{QStringLiteral("XMP-dc:Creator"), longText}},
         {QStringLiteral("RIFF:WebP_Flags"), QStringLiteral("XMP-x:XMPToolkit"),
          QStringLiteral("XMP-microsoft:RatingPercent")}},
        // A photo whose EXIF block the metadata library refuses whole (a
        // maker note offset out of place): its value goes where other readers
        // find it, as the photo's XMP does for ours.
        {"../fuzz-regressions/differential/exif-block-the-library-refuses",
         {{QStringLiteral("{TIFF}"), QVariantMap{{QStringLiteral("Artist"), longText}}}},
         QStringLiteral("IFD0:Artist"),
         longText,
         {{QStringLiteral("XMP-dc:Creator"), longText}}},
    };
    TestFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        const QString input = folder.copyPhoto(QString::fromLatin1(c.fixture));
        const QString output = folder.file(QStringLiteral("grown_") + QFileInfo(input).fileName());
        const PhotoOutcome outcome = rewriteInto(input, output, c.changes);
        ASSERT_TRUE(outcome.written()) << qPrintable(outcome.reason);
        const QJsonObject after = exiftoolRead(output);
        EXPECT_EQ(after.value(c.key).toString(), c.value);
        for (auto mirror = c.mirrors.cbegin(); mirror != c.mirrors.cend(); ++mirror)
            EXPECT_EQ(after.value(mirror.key()).toVariant().toString(), mirror.value())
                << qPrintable(mirror.key());
        // A new EXIF directory brings its pointer; IPTC its digest.
        const auto changed = [&](const QString& key) {
            return key == c.key || key == QLatin1String("IFD0:ExifOffset") ||
                   c.mirrors.contains(key) || c.surfaced.contains(key) ||
                   key == QLatin1String("Photoshop:IPTCDigest") ||
                   key.startsWith(QLatin1String("Composite:"));
        };
        EXPECT_EQ(withoutKeys(after, changed), withoutKeys(exiftoolRead(input), changed));
        EXPECT_EQ(pixelSignatures(output), pixelSignatures(input));
    }
}
