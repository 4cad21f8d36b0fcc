#include "editing/DateOperations.h"
#include "editing/EditFormOperation.h"
#include "editing/RemovalOperation.h"
#include "editing/TemplateOperations.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

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
             return QStringList{QStringLiteral("ExifIFD:DateTimeOriginal"),
                                QStringLiteral("ExifIFD:CreateDate"),
                                QStringLiteral("IFD0:ModifyDate"),
                                QStringLiteral("XMP-exif:DateTimeOriginal"),
                                QStringLiteral("XMP-photoshop:DateCreated"),
                                QStringLiteral("XMP-xmp:CreateDate"),
                                QStringLiteral("XMP-xmp:ModifyDate"),
                                QStringLiteral("IPTC:DateCreated"),
                                QStringLiteral("IPTC:TimeCreated"),
                                QStringLiteral("IPTC:DigitalCreationDate"),
                                QStringLiteral("IPTC:DigitalCreationTime")}
                        .contains(key) ||
                    isIptcCollateral(key);
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

// exiftool's warnings about each file, without the line that counts them.
QList<QStringList> validationWarnings(const QStringList& files) {
    const QString text =
        runTool(QStringLiteral("exiftool"),
                QStringList{QStringLiteral("-validate"), QStringLiteral("-warning"),
                            QStringLiteral("-a"), QStringLiteral("-s")} +
                    files);
    QList<QStringList> warnings;
    if (files.size() == 1)
        warnings.append(QStringList());
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("========")))
            warnings.append(QStringList());
        else if (line.startsWith(QLatin1String("Warning")) && !warnings.isEmpty())
            warnings.last() << line.section(QLatin1Char(':'), 1).trimmed();
    }
    return warnings;
}

} // namespace

TEST(WriterFidelity, leavesEveryTagAChangeDoesNotNameAsOtherReadersReadIt) {
    TestFolder folder;
    QStringList inputs;
    for (const QString& photo : MakerNotePhotos)
        inputs << folder.copyPhoto(photo);
    const QList<QJsonObject> before = exiftoolRead(inputs);
    ASSERT_EQ(before.size(), inputs.size());
    for (const Operation& operation : operations()) {
        SCOPED_TRACE(operation.name.toStdString());
        const QString storage = folder.file(operation.name.section(QLatin1Char(' '), -1) +
                                            QString::number(qHash(operation.name)));
        ASSERT_TRUE(QDir().mkpath(storage));
        QStringList outputs;
        for (const QString& input : inputs)
            outputs << operation.run(input, storage);
        const QList<QJsonObject> after = exiftoolRead(outputs);
        ASSERT_EQ(after.size(), inputs.size());
        for (int i = 0; i < inputs.size(); ++i) {
            SCOPED_TRACE(MakerNotePhotos[i].toStdString());
            EXPECT_EQ(unchangedTags(after[i], operation), unchangedTags(before[i], operation));
            const QByteArray in = fileBytes(inputs[i]);
            const QByteArray out = fileBytes(outputs[i]);
            EXPECT_EQ(jpegImageData(out), jpegImageData(in));
            EXPECT_EQ(untouchedSegments(out, operation), untouchedSegments(in, operation));
        }
    }
}

TEST(WriterFidelity, eachChangeDoesWhatItSaysOnPhotosWithMakerNotes) {
    TestFolder folder;
    QStringList inputs;
    for (const QString& photo : MakerNotePhotos)
        inputs << folder.copyPhoto(photo);
    const QList<QJsonObject> before = exiftoolRead(inputs);
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

    for (const Operation& operation : operations()) {
        SCOPED_TRACE(operation.name.toStdString());
        const QString storage = folder.file(QString::number(qHash(operation.name)));
        ASSERT_TRUE(QDir().mkpath(storage));
        QStringList outputs;
        for (const QString& input : inputs)
            outputs << operation.run(input, storage);
        const QList<QJsonObject> after = exiftoolRead(outputs);
        ASSERT_EQ(after.size(), inputs.size());
        for (int i = 0; i < inputs.size(); ++i) {
            SCOPED_TRACE(MakerNotePhotos[i].toStdString());
            const QJsonObject& tags = after[i];
            if (operation.name == QLatin1String("remove gps")) {
                for (const QString& key : tags.keys())
                    EXPECT_FALSE(isGpsKey(key)) << qPrintable(key);
            } else if (operation.name == QLatin1String("remove iptc")) {
                for (const QString& key : tags.keys())
                    EXPECT_FALSE(key.startsWith(QLatin1String("IPTC:"))) << qPrintable(key);
            } else if (operation.name == QLatin1String("set date")) {
                EXPECT_EQ(tags.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(),
                          NewDate);
                EXPECT_EQ(tags.value(QStringLiteral("ExifIFD:CreateDate")).toString(), NewDate);
                EXPECT_EQ(tags.value(QStringLiteral("IFD0:ModifyDate")).toString(), NewDate);
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
        // Nothing another reader checks got worse.
        const QList<QStringList> warningsBefore = validationWarnings(inputs);
        const QList<QStringList> warningsAfter = validationWarnings(outputs);
        ASSERT_EQ(warningsAfter.size(), inputs.size());
        for (int i = 0; i < inputs.size(); ++i) {
            for (const QString& warning : warningsAfter[i])
                EXPECT_TRUE(warningsBefore[i].contains(warning))
                    << qPrintable(MakerNotePhotos[i]) << ": " << qPrintable(warning);
        }
    }
}

TEST(WriterFidelity, removingGpsKeepsTheIptcBytesAndPhotoshopsDigestCurrent) {
    TestFolder folder;
    const QString input = folder.copyPhoto(QStringLiteral("makernotes/Nikon_D70s_iptc.jpg"));
    const QString storage = folder.file(QStringLiteral("storage"));
    ASSERT_TRUE(QDir().mkpath(storage));
    const QString output = removal(RemovalKind::Gps, input, storage);
    const QJsonObject before = exiftoolRead(input);
    const QJsonObject after = exiftoolRead(output);
    ASSERT_TRUE(before.contains(QStringLiteral("GPS:GPSLatitude")));
    ASSERT_TRUE(before.contains(QStringLiteral("IPTC:DateCreated")));
    EXPECT_FALSE(after.contains(QStringLiteral("GPS:GPSLatitude")));
    EXPECT_EQ(after.value(QStringLiteral("Photoshop:IPTCDigest")),
              before.value(QStringLiteral("Photoshop:IPTCDigest")));
    EXPECT_EQ(after.value(QStringLiteral("File:CurrentIPTCDigest")),
              after.value(QStringLiteral("Photoshop:IPTCDigest")));
    QList<Segment> app13Before, app13After;
    for (const Segment& segment : metadataSegments(fileBytes(input)))
        if (segment.marker == 0xed)
            app13Before << segment;
    for (const Segment& segment : metadataSegments(fileBytes(output)))
        if (segment.marker == 0xed)
            app13After << segment;
    ASSERT_FALSE(app13Before.isEmpty());
    EXPECT_EQ(app13After, app13Before);
    for (const QString& warning : validationWarnings({output}).value(0))
        EXPECT_FALSE(warning.contains(QLatin1String("IPTCDigest"))) << qPrintable(warning);
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

// A photo as a photo manager leaves it: dates with their zone, creator,
// keywords, description, rights, city and location in XMP, and, where the
// application writes both, the same in IPTC.
QString managedPhoto(const TestFolder& folder, const QString& name, bool iptc) {
    const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), name);
    QStringList arguments = {"-q",
                             "-overwrite_original",
                             "-XMP-exif:DateTimeOriginal=2008:10:22 16:28:39+02:00",
                             "-XMP-photoshop:DateCreated=2008:10:22 16:28:39+02:00",
                             "-XMP-xmp:CreateDate=2008:10:22 16:28:39+02:00",
                             "-XMP-xmp:ModifyDate=2008:11:01 21:15:07+02:00",
                             "-XMP-xmp:CreatorTool=Manager 1.0",
                             "-XMP-xmp:Rating=3",
                             "-XMP-dc:Creator=Ann",
                             "-XMP-dc:Subject=lake",
                             "-XMP-dc:Subject=hills",
                             "-XMP-dc:Description=Old",
                             "-XMP-dc:Rights=Old",
                             "-XMP-photoshop:City=Siena",
                             "-XMP-iptcCore:Location=Piazza"};
    if (iptc)
        arguments += {"-IPTC:By-line=Ann",
                      "-IPTC:Keywords=lake",
                      "-IPTC:Keywords=hills",
                      "-IPTC:Caption-Abstract=Old",
                      "-IPTC:CopyrightNotice=Old",
                      "-IPTC:City=Siena",
                      "-IPTC:Sub-location=Piazza",
                      "-IPTC:DateCreated=2008:10:22",
                      "-IPTC:TimeCreated=16:28:39+02:00"};
    runTool(QStringLiteral("exiftool"), arguments << photo);
    return photo;
}

// Every place exiftool reads the value from holds it: EXIF, each XMP copy
// the photo has (one at least where it keeps XMP) and IPTC where it keeps
// IPTC.
void expectEverywhere(const QJsonObject& tags, const QString& exif, const QStringList& xmp,
                      const QString& iptc, const QJsonValue& value, bool hasXmp, bool hasIptc) {
    const auto same = [&](const QJsonValue& found) {
        const QString text = found.isArray() && found.toArray().size() == 1
                                 ? found.toArray().first().toVariant().toString()
                                 : found.toVariant().toString();
        return found.isArray() && value.isArray() ? found == value
                                                  : text.startsWith(value.toVariant().toString());
    };
    if (!exif.isEmpty()) {
        EXPECT_TRUE(same(tags.value(exif))) << qPrintable(exif);
    }
    int copies = 0;
    for (const QString& key : xmp) {
        if (!tags.contains(key))
            continue;
        ++copies;
        EXPECT_TRUE(same(tags.value(key))) << qPrintable(key);
    }
    EXPECT_EQ(copies > 0, hasXmp) << qPrintable(xmp.join(u' '));
    if (!iptc.isEmpty() && hasIptc) {
        EXPECT_TRUE(same(tags.value(iptc))) << qPrintable(iptc);
    }
}

} // namespace

TEST(WriterFidelity, keepsEveryCopyOfAValueInStep) {
    using namespace PropertyKeys;
    TestFolder folder;
    const struct {
        QString photo;
        bool xmp;
        bool iptc;
    } photos[] = {
        {managedPhoto(folder, QStringLiteral("managed_iptc.jpg"), true), true, true},
        {managedPhoto(folder, QStringLiteral("managed.jpg"), false), true, false},
        {folder.copyPhoto(QStringLiteral("BlueSquare.jpg")), true, false},
        {folder.copyPhoto(QStringLiteral("no_exif.jpg")), true, true},
        {folder.copyPhoto(QStringLiteral("IMG_5195.HEIC")), true, false},
        {folder.copyPhoto(QStringLiteral("Canon_40D.jpg")), false, false},
    };
    const QString date = QStringLiteral("2020:01:02 03:04:05");
    const QJsonArray keywords = {QStringLiteral("sea"), QStringLiteral("sky")};
    const QVariantMap templateFile = {{Artist, QStringLiteral("Bea")},
                                      {Keywords, QStringList{"sea", "sky"}},
                                      {Latitude, 43.5},
                                      {LatitudeRef, QStringLiteral("N")},
                                      {Longitude, 11.25},
                                      {LongitudeRef, QStringLiteral("E")}};
    const auto edit = editFormPlan(
        {.artist = "Bea", .description = "New", .copyright = "CC-BY", .keywords = "sea, sky"});
    ASSERT_TRUE(edit);
    const struct {
        const char* name;
        std::function<OperationReport(const std::vector<SelectedPhoto>&, const QString&)> run;
        QStringList changing; // the keys and groups it may change, copies included
    } commands[] = {
        {"dates set",
         [&](const auto& selected, const QString& storage) {
             return runSetDate(selected, storage, date, workerService());
         },
         {"ExifIFD:DateTimeOriginal", "ExifIFD:CreateDate", "IFD0:ModifyDate",
          "XMP-exif:DateTimeOriginal", "XMP-photoshop:DateCreated", "XMP-xmp:CreateDate",
          "XMP-xmp:ModifyDate", "IPTC:DateCreated", "IPTC:TimeCreated", "IPTC:DigitalCreationDate",
          "IPTC:DigitalCreationTime"}},
        {"edit",
         [&](const auto& selected, const QString& storage) {
             return runEditForm(edit.value(), selected, storage, workerService());
         },
         {"IFD0:Artist", "IFD0:ImageDescription", "IFD0:Copyright", "XMP-dc:Creator",
          "XMP-dc:Description", "XMP-dc:Rights", "XMP-dc:Subject", "IPTC:By-line",
          "IPTC:Caption-Abstract", "IPTC:CopyrightNotice", "IPTC:Keywords"}},
        {"template import",
         [&](const auto& selected, const QString& storage) {
             return runImport(ImportKind::Template, templateFile, selected, storage,
                              workerService());
         },
         {"IFD0:Artist", "XMP-dc:Creator", "XMP-dc:Subject", "IPTC:By-line", "IPTC:Keywords",
          "GPS:", "IFD0:GPSInfo", "XMP-exif:GPS"}},
    };
    QList<ListedPhoto> listed;
    QSet<int> all;
    QStringList inputs;
    for (const auto& p : photos) {
        listed.append({p.photo, QFileInfo(p.photo).fileName()});
        all.insert(int(all.size()));
        inputs << p.photo;
    }
    const QList<QJsonObject> before = exiftoolRead(inputs);
    const QList<QStringList> warningsBefore = validationWarnings(inputs);
    for (const auto& command : commands) {
        SCOPED_TRACE(command.name);
        const QString storage = folder.file(QString::fromLatin1(command.name).replace(' ', '_'));
        ASSERT_TRUE(QDir().mkpath(storage));
        const OperationReport report =
            command.run(selectPhotos(SourceMode::Computer, listed, all, storage), storage);
        for (const auto& skipped : report.skipped)
            ADD_FAILURE() << qPrintable(skipped.path) << ": " << qPrintable(skipped.reason);
        ASSERT_EQ(report.written.size(), qsizetype(std::size(photos)));
        const QList<QJsonObject> after = exiftoolRead(report.written);
        const QList<QStringList> warningsAfter = validationWarnings(report.written);
        for (int i = 0; i < int(std::size(photos)); ++i) {
            const auto& p = photos[i];
            SCOPED_TRACE(QFileInfo(p.photo).fileName().toStdString());
            const QJsonObject& tags = after[i];
            if (QLatin1String(command.name) == QLatin1String("dates set")) {
                expectEverywhere(tags, "ExifIFD:DateTimeOriginal",
                                 {"XMP-exif:DateTimeOriginal", "XMP-photoshop:DateCreated"},
                                 "IPTC:DateCreated", QStringLiteral("2020:01:02"), p.xmp, p.iptc);
                expectEverywhere(tags, "ExifIFD:CreateDate", {"XMP-xmp:CreateDate"},
                                 "IPTC:DigitalCreationDate", QStringLiteral("2020:01:02"), p.xmp,
                                 p.iptc);
            } else {
                expectEverywhere(tags, "IFD0:Artist", {"XMP-dc:Creator"}, "IPTC:By-line",
                                 QStringLiteral("Bea"), p.xmp, p.iptc);
                // Keywords go to IPTC where the photo keeps IPTC or no XMP.
                expectEverywhere(tags, QString(), {"XMP-dc:Subject"}, "IPTC:Keywords", keywords,
                                 p.xmp, p.iptc || !p.xmp);
            }
            if (QLatin1String(command.name) == QLatin1String("edit"))
                expectEverywhere(tags, "IFD0:ImageDescription", {"XMP-dc:Description"},
                                 "IPTC:Caption-Abstract", QStringLiteral("New"), p.xmp, p.iptc);
            // The toolkit and every property no copy of the change holds stay.
            const auto unchanged = [&](QJsonObject t) {
                t = withoutVolatileTags(t);
                for (const QString& key : t.keys()) {
                    if (std::any_of(command.changing.cbegin(), command.changing.cend(),
                                    [&](const QString& c) { return key.startsWith(c); }) ||
                        key.startsWith(QLatin1String("Photoshop:IPTCDigest")) ||
                        key == QLatin1String("IFD0:ExifOffset") ||
                        key.startsWith(QLatin1String("QuickTime:MediaData"))) // a grown item moves
                        t.remove(key);
                }
                return t;
            };
            EXPECT_EQ(unchanged(tags), unchanged(before[i]));
            if (p.photo.endsWith(QLatin1String(".jpg"))) {
                EXPECT_EQ(jpegImageData(fileBytes(report.written[i])),
                          jpegImageData(fileBytes(p.photo)));
            }
            for (const QString& warning : warningsAfter[i])
                EXPECT_TRUE(warningsBefore[i].contains(warning)) << qPrintable(warning);
        }
    }
}
