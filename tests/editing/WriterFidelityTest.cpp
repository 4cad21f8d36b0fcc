#include "editing/DateOperations.h"
#include "editing/RemovalOperation.h"
#include "metadata/MetadataService.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Real camera photos whose maker notes other readers find by offsets into
// the EXIF block: a writer that moves what it does not change breaks them.
const QStringList MakerNotePhotos = {
    QStringLiteral("DSCN0010.jpg"),
    QStringLiteral("makernotes/Fujifilm_FinePix_E500.jpg"),
    QStringLiteral("makernotes/fujifilm-finepix40i.jpg"),
    QStringLiteral("makernotes/Nikon_COOLPIX_P1.jpg"),
    QStringLiteral("makernotes/Nikon_D70s_iptc.jpg"),
    QStringLiteral("makernotes/nikon-e950.jpg"),
    QStringLiteral("makernotes/Canon_DIGITAL_IXUS_400.jpg"),
    QStringLiteral("makernotes/Canon_PowerShot_S40.jpg"),
    QStringLiteral("makernotes/Panasonic_DMC-FZ30.jpg"),
    QStringLiteral("makernotes/Konica_Minolta_DiMAGE_Z3.jpg"),
    QStringLiteral("makernotes/olympus-c960.jpg"),
    QStringLiteral("makernotes/kodak-dc240.jpg"),
    QStringLiteral("makernotes/sanyo-vpcg250.jpg"),
    QStringLiteral("makernotes/ricoh-rdc5300.jpg"),
};

const QString NewDate = QStringLiteral("2019:08:07 06:05:04");
const QString LongArtist =
    QStringLiteral("An artist whose name is far longer than any camera leaves room for");

// One change through the real pipeline, with the tags it may change.
struct Operation {
    QString name;
    std::function<QString(const QString& input, const QString& storage)> run;
    std::function<bool(const QString& key)> changes;
    QList<quint8> rewrittenMarkers; // JPEG segments the change may rewrite
};

QString onlyWritten(const OperationReport& report) {
    for (const auto& skipped : report.skipped)
        ADD_FAILURE() << qPrintable(skipped.path) << ": " << qPrintable(skipped.reason);
    return report.written.size() == 1 ? report.written.first() : QString();
}

QString removal(RemovalKind kind, const QString& input, const QString& storage) {
    return onlyWritten(runRemoval(kind, SourceMode::Computer,
                                  {{0, input, QFileInfo(input).fileName()}}, storage,
                                  workerService()));
}

QString rewriteWith(const QVariantMap& changes, const QString& input, const QString& storage) {
    RewriteJob job;
    job.inputPath = input;
    job.outputPath = storage + QLatin1Char('/') + QFileInfo(input).fileName();
    job.changes = changes;
    const PhotoOutcome outcome = workerService().rewrite(job);
    EXPECT_TRUE(outcome.written()) << qPrintable(input) << ": " << qPrintable(outcome.reason);
    EXPECT_EQ(outcome.notes, QStringList()) << "a real photo needs no repair";
    return outcome.written() ? outcome.outputPath : QString();
}

// What a change to IPTC also rewrites: its digest, and the readings
// exiftool composes of it.
bool isIptcCollateral(const QString& key) {
    return key == QLatin1String("Photoshop:IPTCDigest") ||
           key.startsWith(QLatin1String("Composite:"));
}

bool isGpsKey(const QString& key) {
    return key.startsWith(QLatin1String("GPS:")) || key == QLatin1String("IFD0:GPSInfo") ||
           key.startsWith(QLatin1String("XMP-exif:GPS"));
}

const QList<Operation>& operations() {
    static const QList<Operation> table = {
        {QStringLiteral("remove gps"),
         [](const QString& in, const QString& out) { return removal(RemovalKind::Gps, in, out); },
         isGpsKey,
         {0xe1}},
        {QStringLiteral("remove iptc"),
         [](const QString& in, const QString& out) { return removal(RemovalKind::Iptc, in, out); },
         // The XMP copies of IPTC values go with them.
         [](const QString& key) {
             return key.startsWith(QLatin1String("IPTC:")) || isIptcCollateral(key) ||
                    key.startsWith(QLatin1String("XMP-iptc")) ||
                    key.startsWith(QLatin1String("XMP-photoshop:")) ||
                    QStringList{QStringLiteral("XMP-dc:Creator"), QStringLiteral("XMP-dc:Rights"),
                                QStringLiteral("XMP-dc:Description"),
                                QStringLiteral("XMP-dc:Subject"), QStringLiteral("XMP-dc:Title")}
                        .contains(key);
         },
         {0xed, 0xe1}},
        {QStringLiteral("set date"),
         [](const QString& in, const QString& out) {
             return onlyWritten(
                 runSetDate({{0, in, QFileInfo(in).fileName()}}, out, NewDate, workerService()));
         },
         // With their XMP and IPTC copies.
         [](const QString& key) {
             // A date's sub-seconds go with it.
             return QStringList{
                        QStringLiteral("ExifIFD:DateTimeOriginal"),
                        QStringLiteral("ExifIFD:CreateDate"),
                        QStringLiteral("ExifIFD:SubSecTimeOriginal"),
                        QStringLiteral("ExifIFD:SubSecTimeDigitized"),
                        QStringLiteral("ExifIFD:SubSecTime"), QStringLiteral("IFD0:ModifyDate"),
                        QStringLiteral("XMP-exif:DateTimeOriginal"),
                        QStringLiteral("XMP-photoshop:DateCreated"),
                        QStringLiteral("XMP-xmp:CreateDate"), QStringLiteral("XMP-xmp:ModifyDate"),
                        QStringLiteral("IPTC:DateCreated"), QStringLiteral("IPTC:TimeCreated"),
                        QStringLiteral("IPTC:DigitalCreationDate"),
                        QStringLiteral("IPTC:DigitalCreationTime"),
                        // and the copies other writers keep
                        QStringLiteral("XMP-exif:DateTime"),
                        QStringLiteral("XMP-exif:DateTimeDigitized"),
                        QStringLiteral("XMP-tiff:DateTime")}
                        .contains(key) ||
                    key.startsWith(QLatin1String("XMP-exif:SubSecTime"), Qt::CaseInsensitive) ||
                    key.startsWith(QLatin1String("ExifIFD:OffsetTime")) || isIptcCollateral(key);
         },
         {0xe1, 0xed}},
        {QStringLiteral("add a position"),
         [](const QString& in, const QString& out) {
             return rewriteWith(
                 {{QStringLiteral("{GPS}"),
                   QVariantMap{{QStringLiteral("GPSVersion"), QStringLiteral("2.2.0.0")},
                               {QStringLiteral("Latitude"), 48.8584},
                               {QStringLiteral("LatitudeRef"), QStringLiteral("N")},
                               {QStringLiteral("Longitude"), 2.2945},
                               {QStringLiteral("LongitudeRef"), QStringLiteral("E")}}}},
                 in, out);
         },
         isGpsKey,
         {0xe1}},
        {QStringLiteral("set a longer artist"),
         [](const QString& in, const QString& out) {
             return rewriteWith(
                 {{QStringLiteral("{TIFF}"), QVariantMap{{QStringLiteral("Artist"), LongArtist}}}},
                 in, out);
         },
         [](const QString& key) {
             return key == QLatin1String("IFD0:Artist") || key == QLatin1String("XMP-dc:Creator") ||
                    key == QLatin1String("IPTC:By-line") || isIptcCollateral(key);
         },
         {0xe1, 0xed}},
    };
    return table;
}

QJsonObject unchangedTags(const QJsonObject& tags, const Operation& operation) {
    QJsonObject kept = withoutVolatileTags(tags);
    for (const QString& key : kept.keys()) {
        if (operation.changes(key))
            kept.remove(key);
    }
    return kept;
}

struct Segment {
    quint8 marker;
    QByteArray bytes;
    bool operator==(const Segment&) const = default;
};

// The APPn and COM segments of a JPEG, in order.
QList<Segment> metadataSegments(const QByteArray& jpeg) {
    QList<Segment> segments;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xff && quint8(jpeg[at + 1]) != 0xda) {
        const quint8 marker = quint8(jpeg[at + 1]);
        const qsizetype length = (quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]);
        if ((marker >= 0xe0 && marker <= 0xef) || marker == 0xfe)
            segments.append({marker, jpeg.mid(at, length + 2)});
        at += length + 2;
    }
    return segments;
}

QList<Segment> untouchedSegments(const QByteArray& jpeg, const Operation& operation) {
    QList<Segment> kept;
    // The XMP packet is rewritten where it keeps a copy of what changes; its
    // other properties are compared tag by tag.
    for (const Segment& segment : metadataSegments(jpeg)) {
        if (!operation.rewrittenMarkers.contains(segment.marker))
            kept.append(segment);
    }
    return kept;
}

} // namespace

// Each change does what it says, leaves every tag it does not name as other
// readers read it, the image data and the segments it does not rewrite byte
// for byte, and adds no warning another reader gives.
TEST(WriterFidelity, eachChangeDoesWhatItSaysAndLeavesTheRestOfPhotosWithMakerNotes) {
    TestFolder folder;
    QStringList inputs;
    for (const QString& photo : MakerNotePhotos)
        inputs << folder.copyPhoto(photo);
    const QList<QJsonObject> before = exiftoolRead(inputs);
    ASSERT_EQ(before.size(), inputs.size());
    int makerNotes = 0;
    for (const QJsonObject& tags : before) {
        const QStringList keys = tags.keys();
        makerNotes += int(std::any_of(keys.cbegin(), keys.cend(), [](const QString& key) {
            const QString group = key.section(QLatin1Char(':'), 0, 0);
            return !QStringList{QStringLiteral("IFD0"),     QStringLiteral("IFD1"),
                                QStringLiteral("ExifIFD"),  QStringLiteral("InteropIFD"),
                                QStringLiteral("GPS"),      QStringLiteral("JFIF"),
                                QStringLiteral("File"),     QStringLiteral("System"),
                                QStringLiteral("ExifTool"), QStringLiteral("Composite"),
                                QStringLiteral("IPTC"),     QStringLiteral("Photoshop"),
                                QStringLiteral("PrintIM"),  QStringLiteral("SourceFile")}
                        .contains(group) &&
                   !group.startsWith(QLatin1String("XMP")) &&
                   !group.startsWith(QLatin1String("ICC"));
        }));
    }
    EXPECT_EQ(makerNotes, MakerNotePhotos.size()) << "every photo has a maker note of its camera";

    const QList<QStringList> warningsBefore = validationWarnings(inputs);
    for (const Operation& operation : operations()) {
        SCOPED_TRACE(operation.name.toStdString());
        const QString storage = folder.file(QString::number(qHash(operation.name)));
        ASSERT_TRUE(QDir().mkpath(storage));
        QStringList outputs;
        for (const QString& input : inputs)
            outputs << operation.run(input, storage);
        const QList<QJsonObject> after = exiftoolRead(outputs);
        ASSERT_EQ(after.size(), inputs.size());
        const QList<QStringList> warningsAfter = validationWarnings(outputs);
        ASSERT_EQ(warningsAfter.size(), inputs.size());
        for (int i = 0; i < inputs.size(); ++i) {
            SCOPED_TRACE(MakerNotePhotos[i].toStdString());
            const QJsonObject& tags = after[i];
            EXPECT_EQ(unchangedTags(tags, operation), unchangedTags(before[i], operation));
            const QByteArray in = fileBytes(inputs[i]);
            const QByteArray out = fileBytes(outputs[i]);
            EXPECT_EQ(jpegImageData(out), jpegImageData(in));
            EXPECT_EQ(untouchedSegments(out, operation), untouchedSegments(in, operation));
            for (const QString& warning : warningsAfter[i])
                EXPECT_TRUE(warningsBefore[i].contains(warning)) << qPrintable(warning);
            if (operation.name == QLatin1String("remove gps")) {
                for (const QString& key : tags.keys())
                    EXPECT_FALSE(isGpsKey(key)) << qPrintable(key);
            } else if (operation.name == QLatin1String("remove iptc")) {
                for (const QString& key : tags.keys())
                    EXPECT_FALSE(key.startsWith(QLatin1String("IPTC:"))) << qPrintable(key);
            } else if (operation.name == QLatin1String("set date")) {
                for (const char* key :
                     {"ExifIFD:DateTimeOriginal", "ExifIFD:CreateDate", "IFD0:ModifyDate"})
                    EXPECT_EQ(tags.value(QLatin1String(key)).toString(), NewDate) << key;
            } else if (operation.name == QLatin1String("add a position")) {
                EXPECT_NEAR(tags.value(QStringLiteral("GPS:GPSLatitude")).toDouble(), 48.8584,
                            1e-6);
                EXPECT_NEAR(tags.value(QStringLiteral("GPS:GPSLongitude")).toDouble(), 2.2945,
                            1e-6);
                EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSLatitudeRef")).toString(),
                          QStringLiteral("N"));
            } else {
                EXPECT_EQ(tags.value(QStringLiteral("IFD0:Artist")).toString(), LongArtist);
            }
        }
    }
}

// An Olympus camera keeps its large preview after the end of the image and
// points to it from its maker note: whatever a change does to the headers,
// the pointer leads to the same preview, as a reader without heuristics
// follows it.
TEST(WriterFidelity, aPreviewAfterTheImageIsFoundWhereItsPointerLeads) {
    const QString input = sharedPhoto(QStringLiteral("jpg/corrupted.jpg"));
    if (input.isEmpty())
        GTEST_SKIP() << "the shared photo jpg/corrupted.jpg is not here";
    const QString start = QStringLiteral("Olympus:PreviewImageStart");
    const QString length = QStringLiteral("Olympus:PreviewImageLength");
    const QJsonObject before = exiftoolRead(input);
    const QByteArray source = fileBytes(input);
    const QByteArray preview =
        source.mid(before.value(start).toInteger(), before.value(length).toInteger());
    ASSERT_TRUE(preview.startsWith("\xff\xd8")) << "the preview lies after the image";
    TestFolder folder;
    for (const Operation& operation : operations()) {
        SCOPED_TRACE(operation.name.toStdString());
        const QString storage = folder.file(QString::number(qHash(operation.name)));
        ASSERT_TRUE(QDir().mkpath(storage));
        const QString output = operation.run(input, storage);
        ASSERT_FALSE(output.isEmpty());
        const QJsonObject after = exiftoolRead(output);
        EXPECT_EQ(
            fileBytes(output).mid(after.value(start).toInteger(), after.value(length).toInteger()),
            preview);
    }
}

TEST(WriterFidelity, cutsThePositionOutOfAnXmpPacketTheLibraryRefuses) {
    // The packet repeats properties, which the library's XMP parser refuses
    // and ours reads: the GPS properties are cut out of its text, and the
    // rest of it stays.
    TestFolder folder;
    const QString input = folder.copyPhoto(QStringLiteral("makernotes/Nikon_D300.jpg"));
    const QByteArray before = fileBytes(input);
    ASSERT_TRUE(before.contains("<exif:GPSVersionID>"));
    const QString storage = folder.file(QStringLiteral("storage"));
    ASSERT_TRUE(QDir().mkpath(storage));
    const OperationReport report =
        runRemoval(RemovalKind::Gps, SourceMode::Computer,
                   {{0, input, QStringLiteral("Nikon_D300.jpg")}}, storage, workerService());
    ASSERT_EQ(report.written.size(), 1);
    EXPECT_TRUE(report.skipped.isEmpty());
    const QByteArray after = fileBytes(report.written.first());
    EXPECT_FALSE(after.contains("exif:GPS"));
    EXPECT_TRUE(after.contains("<x:xmpmeta"));
    for (const QString& key : exiftoolRead(report.written.first()).keys())
        EXPECT_FALSE(key.contains(QLatin1String("GPS"))) << qPrintable(key);

    // Changes that leave the packet alone keep every other tag of its maker note.
    const Operation& date = operations()[2];
    const QString output = date.run(input, storage);
    EXPECT_EQ(unchangedTags(exiftoolRead(output), date), unchangedTags(exiftoolRead(input), date));
    EXPECT_EQ(exiftoolRead(output).value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(),
              NewDate);
}

namespace {

// Every copy of a date exiftool reads, as (key, wall time, zone): the EXIF,
// TIFF/EP and XMP dates, and the IPTC dates with their times.
QList<std::tuple<QString, QString, QString>> dateCopies(const QJsonObject& tags) {
    static const QStringList names = {"DateTimeOriginal",  "CreateDate", "ModifyDate",
                                      "DateTimeDigitized", "DateTime",   "DateCreated"};
    static const QRegularExpression zoned(
        QStringLiteral("^(.{19})(\\.\\d+)?(Z|[+-]\\d\\d:\\d\\d)?$"));
    QList<std::tuple<QString, QString, QString>> copies;
    for (const QString& key : tags.keys()) {
        const QString group = key.section(QLatin1Char(':'), 0, 0);
        if (!names.contains(key.section(QLatin1Char(':'), 1)) ||
            QStringList{"System", "File", "Composite", "IPTC"}.contains(group))
            continue;
        const QRegularExpressionMatch match = zoned.match(tags.value(key).toString());
        copies.append({key, match.captured(1) + match.captured(2), match.captured(3)});
    }
    for (const auto& [date, time] :
         {std::pair{"IPTC:DateCreated", "IPTC:TimeCreated"},
          std::pair{"IPTC:DigitalCreationDate", "IPTC:DigitalCreationTime"}}) {
        const QString day = tags.value(QLatin1String(date)).toString();
        const QString clock = tags.value(QLatin1String(time)).toString();
        if (!day.isEmpty())
            copies.append({QLatin1String(date), day + QLatin1Char(' ') + clock.left(8),
                           QStringLiteral("IPTC ") + clock.mid(8)});
    }
    return copies;
}

} // namespace

TEST(WriterFidelity, aDateReplacesEveryCopyOfItInTheOneZoneOfThePhoto) {
    TestFolder folder;
    const QString nef = builtRawPhoto(folder, QStringLiteral("nef"));
    // A converter's XMP keeps the digitized and modification dates twice.
    const QString dng = builtRawPhoto(folder, QStringLiteral("dng"));
    runTool(QStringLiteral("exiftool"),
            {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
             QStringLiteral("-XMP-exif:DateTimeDigitized=2010:01:01 10:00:00.25+01:00"),
             QStringLiteral("-XMP-tiff:DateTime=2010:01:01 10:00:00+01:00"), dng});
    const QString heic = folder.copyPhoto(QStringLiteral("IMG_5195.HEIC"));
    const struct {
        const char* what;
        QString photo;
        QString date;
        QString zone; // on every copy; none where empty
    } cases[] = {
        {"sub-seconds of the old time", folder.copyPhoto(QStringLiteral("Canon_40D.jpg")), NewDate,
         QString()},
        {"the photo's offset", heic, NewDate, QStringLiteral("-05:00")},
        {"the zone of its XMP dates", folder.copyPhoto(QStringLiteral("Pentax_K10D.jpg")), NewDate,
         QStringLiteral("+09:00")},
        {"a zone given with the date", heic, NewDate + QStringLiteral("+03:00"),
         QStringLiteral("+03:00")},
        {"the TIFF/EP date in IFD0", nef, NewDate, QString()},
        {"a converter's XMP copies", dng, NewDate, QStringLiteral("+01:00")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString storage = folder.file(QString::number(qHash(QLatin1String(c.what))));
        ASSERT_TRUE(QDir().mkpath(storage));
        const QString output = onlyWritten(runSetDate({{0, c.photo, QFileInfo(c.photo).fileName()}},
                                                      storage, c.date, workerService()));
        const QJsonObject tags = exiftoolRead(output);
        const auto copies = dateCopies(tags);
        EXPECT_GE(copies.size(), 3);
        for (const auto& [key, wall, zone] : copies) {
            EXPECT_EQ(wall.toStdString(), NewDate.toStdString()) << qPrintable(key);
            // An EXIF date keeps its zone in its offset, an XMP date in its
            // text; an IPTC time always has one, and UTC stands for none.
            const bool iptc = zone.startsWith(QLatin1String("IPTC "));
            const QString expected = key.startsWith(QLatin1String("XMP")) ? c.zone
                                     : !iptc                              ? QString()
                                     : c.zone.isEmpty()                   ? QStringLiteral("+00:00")
                                                                          : c.zone;
            EXPECT_EQ((iptc ? zone.mid(5) : zone).toStdString(), expected.toStdString())
                << qPrintable(key);
        }
        for (const QString& key : tags.keys()) {
            EXPECT_FALSE(key.contains(QLatin1String("SubSecTime"))) << qPrintable(key);
            if (key.contains(QLatin1String(":OffsetTime"))) {
                EXPECT_EQ(tags.value(key).toString().toStdString(), c.zone.toStdString())
                    << qPrintable(key);
            }
        }
        const QList<QStringList> warnings = validationWarnings({c.photo, output});
        for (const QString& warning : warnings.value(1))
            EXPECT_TRUE(warnings.value(0).contains(warning)) << qPrintable(warning);
    }
}
