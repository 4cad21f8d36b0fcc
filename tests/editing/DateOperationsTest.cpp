#include "editing/DateOperations.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QDir>

#include <functional>

#include <gtest/gtest.h>

using namespace PropertyKeys;

// Run once in UTC and once two hours east of it (TV_EXPECTED_OFFSET says which).
namespace {

QDateTime local(const char* text) {
    return *DateText::parse(QString::fromLatin1(text));
}

struct Dated {
    TestFolder folder;
    QString storage = folder.file(QStringLiteral("storage"));
    Dated() { QDir().mkpath(storage); }

    // A real photo carrying the given EXIF dates (empty: the key removed), set
    // by another program that writes whatever text it is given.
    SelectedPhoto photo(const QString& name, const QString& original, const QString& digitized,
                        const QString& fixture = QStringLiteral("DSCN0010.jpg")) {
        const QString path = folder.copyPhoto(fixture, name);
        QStringList commands;
        for (const auto& [key, value] :
             {std::pair{QStringLiteral("Exif.Photo.DateTimeOriginal"), original},
              std::pair{QStringLiteral("Exif.Photo.DateTimeDigitized"), digitized}})
            commands << QStringLiteral("-M") +
                            (value.isEmpty() ? QStringLiteral("del ") + key
                                             : QStringLiteral("set %1 Ascii %2").arg(key, value));
        int exitCode = -1;
        runTool(QStringLiteral("exiv2"), commands << path, &exitCode);
        EXPECT_EQ(exitCode, 0);
        return {0, path, name};
    }
    QString out(const QString& name) const { return storage + QLatin1Char('/') + name; }
};

// The three dates as exiftool reads them: original, digitized, TIFF.
QStringList datesOf(const QString& path) {
    const QJsonObject tags = exiftoolRead(path);
    return {tags.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(),
            tags.value(QStringLiteral("ExifIFD:CreateDate")).toString(),
            tags.value(QStringLiteral("IFD0:ModifyDate")).toString()};
}

QStringList three(const char* date) {
    return {QLatin1String(date), QLatin1String(date), QLatin1String(date)};
}

QStringList two(const char* date) {
    return {QLatin1String(date), QLatin1String(date)};
}

QDateTime modified(const QString& path) {
    return readFileTimes(path)->modified;
}

} // namespace

// Every date a photo holds moves, in every place it is kept, by the amount;
// a date it lacks is not made up.
TEST(AmountShift, movesEveryDateAndEveryCopyOfItAndInventsNone) {
    const struct {
        const char* what;
        const char* fixture;
        QStringList changes;                                 // exiftool's arguments
        QList<std::pair<const char*, const char*>> expected; // tag, value; "" for none
    } cases[] = {
        {"only the original date, with its TIFF/EP copy and XMP copies in a zone",
         "Nikon_D70.jpg",
         {QStringLiteral("-IFD0:DateTimeOriginal=2008:03:15 09:52:01"),
          QStringLiteral("-ExifIFD:DateTimeOriginal=2008:03:15 09:52:01")},
         {{"ExifIFD:DateTimeOriginal", "2008:03:16 09:52:01"},
          {"IFD0:DateTimeOriginal", "2008:03:16 09:52:01"},
          {"ExifIFD:CreateDate", ""},
          {"IFD0:ModifyDate", "2008:08:01 10:03:44"},
          {"XMP-exif:DateTimeOriginal", "2008:03:16 09:52:01-04:00"},
          {"XMP-xmp:CreateDate", "2008:03:16 09:52:01-04:00"},
          {"XMP-xmp:ModifyDate", "2008:03:16 15:18:33-04:00"},
          {"XMP-photoshop:DateCreated", ""}}},
        {"only the digitized date",
         "DSCN0010.jpg",
         {QStringLiteral("-DateTimeOriginal=")},
         {{"ExifIFD:DateTimeOriginal", ""},
          {"ExifIFD:CreateDate", "2008:10:23 16:28:39"},
          {"IFD0:ModifyDate", "2008:11:02 21:15:07"},
          {"XMP-xmp:CreateDate", ""},
          {"XMP-xmp:ModifyDate", ""}}},
        {"two dates that differ, with offsets, fractions and IPTC",
         "DSCN0010.jpg",
         {QStringLiteral("-DateTimeOriginal=2014:01:01 23:30:00"),
          QStringLiteral("-OffsetTimeOriginal=+02:00"), QStringLiteral("-SubSecTimeOriginal=50"),
          QStringLiteral("-XMP-exif:DateTimeOriginal=2014:01:01 23:30:00.50+02:00"),
          QStringLiteral("-IPTC:DateCreated=2014:01:01"),
          QStringLiteral("-IPTC:TimeCreated=23:30:00+02:00")},
         {{"ExifIFD:DateTimeOriginal", "2014:01:02 23:30:00"},
          {"ExifIFD:OffsetTimeOriginal", "+02:00"},
          {"ExifIFD:SubSecTimeOriginal", "50"},
          {"ExifIFD:CreateDate", "2008:10:23 16:28:39"},
          {"XMP-exif:DateTimeOriginal", "2014:01:02 23:30:00.50+02:00"},
          {"IPTC:DateCreated", "2014:01:02"},
          {"IPTC:TimeCreated", "23:30:00+02:00"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Dated dated;
        const QString path = dated.folder.copyPhoto(QLatin1String(c.fixture));
        if (!c.changes.isEmpty())
            runTool(QStringLiteral("exiftool"),
                    QStringList{QStringLiteral("-q"), QStringLiteral("-overwrite_original")} +
                        c.changes + QStringList{path});
        const SelectedPhoto photo{0, path, QLatin1String(c.fixture)};
        const QDateTime sourceCreated = readFileTimes(path)->created;
        const OperationReport report = runAmountShift(
            {photo}, dated.storage, amountOffset({0, 0, 1, 0, 0, 0}, true), workerService());
        ASSERT_EQ(report.written.size(), 1) << qPrintable(report.skipped.value(0).reason);
        EXPECT_TRUE(report.remarked.isEmpty());
        const QString output = dated.out(QLatin1String(c.fixture));
        const QJsonObject tags = exiftoolRead(output);
        for (const auto& [tag, value] : c.expected)
            EXPECT_EQ(tags.value(QLatin1String(tag)).toVariant().toString(), QLatin1String(value))
                << tag;
        EXPECT_EQ(modified(output), sourceCreated.addSecs(86400));
        EXPECT_EQ(jpegImageData(fileBytes(output)), jpegImageData(fileBytes(path)));
    }
}

// A file with no date in its metadata, or none that reads, keeps its bytes:
// only its file dates move, and the report says so.
TEST(AmountShift, aPhotoWithoutADateKeepsItsBytesAndSaysSo) {
    Dated dated;
    const QString stripped =
        dated.folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("plain.jpg"));
    runTool(QStringLiteral("exiftool"),
            {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-all="),
             stripped});
    const QString text = dated.folder.writeFile(QStringLiteral("notes.jpg"), "not a photo");
    const std::vector<SelectedPhoto> photos = {{0, stripped, QStringLiteral("plain.jpg")},
                                               {1, text, QStringLiteral("notes.jpg")}};
    const OperationReport report = runAmountShift(photos, dated.storage, 3600, workerService());
    ASSERT_EQ(report.written.size(), 2);
    ASSERT_EQ(report.remarked.size(), 2);
    for (size_t i = 0; i < photos.size(); ++i) {
        const SelectedPhoto& photo = photos[i];
        EXPECT_EQ(report.remarked[qsizetype(i)].path, photo.inputPath);
        EXPECT_EQ(report.remarked[qsizetype(i)].reason,
                  QStringLiteral("no date in the photo: only the file dates were shifted"));
        EXPECT_EQ(fileBytes(dated.out(photo.fileName)), fileBytes(photo.inputPath));
        EXPECT_EQ(modified(dated.out(photo.fileName)),
                  readFileTimes(photo.inputPath)->created.addSecs(3600));
    }
}

TEST(AmountShift, usesFixedLengthUnitsAndOnlyPositiveAmounts) {
    EXPECT_EQ(amountOffset({0, 1, 0, 0, 0, 0}, true), 2592000);
    EXPECT_EQ(amountOffset({0, 0, -5, 3, 0, 0}, false), -10800);
    EXPECT_EQ(amountOffset({0, 0, 0, 0, 0, 0}, true), 0);
    // Far beyond what a 32-bit product holds.
    EXPECT_EQ(amountOffset({100, 0, 0, 0, 0, 0}, true), 3153600000LL);
    EXPECT_EQ(amountOffset({0, 0, 0, 0, 40000000, 0}, false), -2400000000LL);
    const struct {
        const char* text;
        qint64 value;
    } amounts[] = {{"", 0}, {"  12", 12}, {"-5", -5}, {"+3x", 3}, {"x3", 0}, {"7 days", 7}};
    for (const auto& a : amounts)
        EXPECT_EQ(readAmount(QString::fromLatin1(a.text)), a.value) << a.text;

    Dated dated;
    const SelectedPhoto month =
        dated.photo(QStringLiteral("m.jpg"), QStringLiteral("2014:01:31 00:00:00"),
                    QStringLiteral("2014:01:31 00:00:00"));
    runAmountShift({month}, dated.storage, amountOffset({0, 1, 0, 0, 0, 0}, true), workerService());
    EXPECT_EQ(datesOf(dated.out(QStringLiteral("m.jpg"))).mid(0, 2), two("2014:03:02 00:00:00"));
    const SelectedPhoto back =
        dated.photo(QStringLiteral("b.jpg"), QStringLiteral("2014:05:06 07:08:09"),
                    QStringLiteral("2014:05:06 07:08:09"));
    runAmountShift({back}, dated.storage, amountOffset({0, 0, -5, 3, 0, 0}, false),
                   workerService());
    EXPECT_EQ(datesOf(dated.out(QStringLiteral("b.jpg"))).mid(0, 2), two("2014:05:06 04:08:09"));

    // No amount moves nothing, but a dashed date, which EXIF readers do
    // not take, is written in EXIF's form.
    const SelectedPhoto none =
        dated.photo(QStringLiteral("n.jpg"), QStringLiteral("2010:01:01 00:00:00"),
                    QStringLiteral("2014-05-06 07:08:09"));
    runAmountShift({none}, dated.storage, amountOffset({}, true), workerService());
    EXPECT_EQ(datesOf(dated.out(QStringLiteral("n.jpg"))).mid(0, 2),
              (QStringList{QStringLiteral("2010:01:01 00:00:00"),
                           QStringLiteral("2014:05:06 07:08:09")}));
}

TEST(SetDate, acceptsTheDashedFormAndSetsTheFileDatesInLocalTime) {
    Dated dated;
    std::vector<SelectedPhoto> photos = {dated.photo(QStringLiteral("x.jpg"),
                                                     QStringLiteral("2001:01:01 00:00:00"),
                                                     QStringLiteral("2001:01:01 00:00:00")),
                                         dated.photo(QStringLiteral("y.jpg"), QString(), QString(),
                                                     QStringLiteral("Canon_40D.jpg"))};
    photos[1].position = 1;
    const OperationReport report =
        runSetDate(photos, dated.storage, QStringLiteral("2014-05-06 07:08:09"), workerService());
    ASSERT_EQ(report.written.size(), 2);
    for (const QString& name : {QStringLiteral("x.jpg"), QStringLiteral("y.jpg")}) {
        EXPECT_EQ(datesOf(dated.out(name)), three("2014:05:06 07:08:09"));
        EXPECT_EQ(modified(dated.out(name)), local("2014:05:06 07:08:09"));
        EXPECT_EQ(exiv2Value(dated.out(name), QStringLiteral("Exif.Photo.DateTimeOriginal")),
                  QStringLiteral("2014:05:06 07:08:09"));
    }
}

TEST(DateEdit, normalisesInBothModesAndRefusesWhatIsNoDate) {
    Dated dated;
    const SelectedPhoto photo =
        dated.photo(QStringLiteral("e.jpg"), QStringLiteral("2001:01:01 00:00:00"),
                    QStringLiteral("2001:01:01 00:00:00"));
    runDateEdit({photo}, dated.storage, QStringLiteral("2014-05-06 07:08:08"),
                QStringLiteral("2014-05-06 07:08:09"), SourceMode::Computer, workerService());
    EXPECT_EQ(
        datesOf(dated.out(QStringLiteral("e.jpg"))),
        (QStringList{QStringLiteral("2014:05:06 07:08:08"), QStringLiteral("2014:05:06 07:08:09"),
                     QStringLiteral("2014:05:06 07:08:08")}));
    EXPECT_EQ(modified(dated.out(QStringLiteral("e.jpg"))), local("2014:05:06 07:08:08"));
    // An original that is no date is refused, naming the field, and nothing is written.
    const QByteArray earlier = fileBytes(dated.out(QStringLiteral("e.jpg")));
    const OperationReport refused =
        runDateEdit({photo}, dated.storage, QStringLiteral("not a date"),
                    QStringLiteral("2014:05:06 07:08:09"), SourceMode::Computer, workerService());
    ASSERT_EQ(refused.skipped.size(), 1);
    EXPECT_TRUE(refused.skipped.first().reason.contains(
        QLatin1String("\"not a date\" is not a date of the form YYYY:MM:DD HH:MM:SS")))
        << qPrintable(refused.skipped.first().reason);
    EXPECT_EQ(fileBytes(dated.out(QStringLiteral("e.jpg"))), earlier);

    // A device photo is its own copy in the storage folder, edited in place.
    QFile::copy(photo.inputPath, dated.out(QStringLiteral("d.jpg")));
    const auto device = selectPhotos(SourceMode::Device,
                                     {{QStringLiteral("/thumbs/d.jpg"), QStringLiteral("d.jpg")}},
                                     {0}, dated.storage);
    runDateEdit(device, dated.storage, QStringLiteral("2014-05-06 07:08:09"),
                QStringLiteral("2014-05-06 07:08:09"), SourceMode::Device, workerService());
    EXPECT_EQ(datesOf(dated.out(QStringLiteral("d.jpg"))), three("2014:05:06 07:08:09"));
}

TEST(PreviewShift, movesEachDateByItsDifference) {
    const auto shift = previewShiftOf(
        QStringLiteral("2014:05:06 07:08:09"), QStringLiteral("2014:05:06 07:08:09"),
        QStringLiteral("2014:05:06 07:08:09"), QStringLiteral("2014:05:06 09:08:09"));
    ASSERT_TRUE(shift.has_value());
    EXPECT_EQ(shift->original, 0);
    EXPECT_EQ(shift->digitized, 7200);
    // Texts that do not read give no shift at all rather than a shift by nothing.
    EXPECT_FALSE(previewShiftOf(QString(), QString(), QStringLiteral("2014:05:06 07:08:09"),
                                QStringLiteral("2014:05:06 09:08:09"))
                     .has_value());
    EXPECT_FALSE(
        previewShiftOf(QStringLiteral("2014:05:06 07:08:09"), QStringLiteral("2014:05:06 07:08:09"),
                       QStringLiteral("2014-05-06 07:08:09"), QStringLiteral("2014:05:06 09:08:09"))
            .has_value());

    Dated dated;
    const SelectedPhoto photo =
        dated.photo(QStringLiteral("p.jpg"), QStringLiteral("2020:02:02 10:00:00"),
                    QStringLiteral("2020:02:02 10:30:00"));
    runPreviewShift({photo}, dated.storage, *shift, workerService());
    EXPECT_EQ(
        datesOf(dated.out(QStringLiteral("p.jpg"))),
        (QStringList{QStringLiteral("2020:02:02 10:00:00"), QStringLiteral("2020:02:02 12:30:00"),
                     QStringLiteral("2008:11:01 21:15:07")}));
    EXPECT_EQ(modified(dated.out(QStringLiteral("p.jpg"))), local("2020:02:02 12:30:00"));
}

TEST(FileDates, copyTheBytesWithTheExifDateAsTheFileDates) {
    Dated dated;
    const SelectedPhoto both =
        dated.photo(QStringLiteral("f1.jpg"), QStringLiteral("2014:05:06 07:08:09"),
                    QStringLiteral("2015:01:01 00:00:00"));
    const SelectedPhoto digitizedOnly =
        dated.photo(QStringLiteral("f2.jpg"), QString(), QStringLiteral("2013:03:03 03:03:03"));
    const SelectedPhoto neither = dated.photo(QStringLiteral("f3.jpg"), QString(), QString());
    const QDateTime neitherCreated = readFileTimes(neither.inputPath)->created;
    // From a device the creation date alone is taken, and it dates the copy too.
    runFileDates({both}, dated.storage, SourceMode::Device, workerService());
    EXPECT_EQ(modified(dated.out(QStringLiteral("f1.jpg"))), local("2014:05:06 07:08:09"));
    const OperationReport report = runFileDates({both, digitizedOnly, neither}, dated.storage,
                                                SourceMode::Computer, workerService());
    ASSERT_EQ(report.written.size(), 3);
    for (const SelectedPhoto& photo : {both, digitizedOnly, neither})
        EXPECT_EQ(fileBytes(dated.out(photo.fileName)), fileBytes(photo.inputPath));
    EXPECT_EQ(modified(dated.out(QStringLiteral("f1.jpg"))), local("2014:05:06 07:08:09"));
    EXPECT_EQ(modified(dated.out(QStringLiteral("f2.jpg"))), local("2013:03:03 03:03:03"));
    // The creation date read back as the same instant, whatever the zone.
    EXPECT_EQ(modified(dated.out(QStringLiteral("f3.jpg"))).toSecsSinceEpoch(),
              neitherCreated.toSecsSinceEpoch());
}

TEST(DateBatch, givesTheOutputsOfASequentialRunOn200Photos) {
    Dated dated;
    std::vector<SelectedPhoto> photos;
    const SelectedPhoto model =
        dated.photo(QStringLiteral("model.jpg"), QStringLiteral("2014:05:06 07:08:09"),
                    QStringLiteral("2014:05:06 07:08:10"));
    for (int i = 0; i < 200; ++i) {
        const QString name = QStringLiteral("b%1.jpg").arg(i % 150); // 50 names twice: 50 renamed
        const QString sub = QStringLiteral("in%1/").arg(i / 150);
        QDir().mkpath(dated.folder.file(sub));
        QFile::copy(model.inputPath, dated.folder.file(sub + name));
        photos.push_back({i, dated.folder.file(sub + name), name});
    }
    QStringList outputs[2];
    for (int threads : {1, 2}) {
        const QString storage = dated.folder.file(QStringLiteral("out%1").arg(threads));
        QDir().mkpath(storage);
        BatchOptions options;
        options.threads = threads;
        const OperationReport report =
            runAmountShift(photos, storage, 3600, workerService(), options);
        EXPECT_EQ(report.written.size(), 200);
        EXPECT_EQ(report.renamed.size(), 50);
        for (const QString& name : QDir(storage).entryList(QDir::Files | QDir::Hidden, QDir::Name))
            outputs[threads - 1] << name + QLatin1Char(':') +
                                        QString::number(
                                            qHash(fileBytes(storage + QLatin1Char('/') + name)));
    }
    EXPECT_EQ(outputs[0].size(), 200);
    EXPECT_EQ(outputs[0], outputs[1]);
}

// A date text holds the years 0001 to 9999: a shift may land on either end
// to the second, and is refused one second past it.
TEST(DateShift, reachesTheEndsOfTheYearsADateHoldsAndNoFurther) {
    const QString refused =
        QStringLiteral("the shifted date would fall outside the years 0001 to 9999");
    const struct {
        const char* date;
        qint64 seconds;
        const char* written; // nullptr: refused
    } cases[] = {
        {"9999:12:31 23:59:58", 1, "9999:12:31 23:59:59"},
        {"9999:12:31 23:59:58", 2, nullptr},
        {"9999:12:31 23:59:59", 1, nullptr},
        {"0001:01:01 00:00:01", -1, "0001:01:01 00:00:00"},
        {"0001:01:01 00:00:01", -2, nullptr},
    };
    for (const auto& c : cases) {
        for (const bool amount : {true, false}) {
            SCOPED_TRACE(std::string(amount ? "amount " : "preview ") + c.date + " " +
                         std::to_string(c.seconds));
            Dated dated;
            const QString date = QLatin1String(c.date);
            const SelectedPhoto photo = dated.photo(QStringLiteral("edge.jpg"), date, date);
            const OperationReport report =
                amount ? runAmountShift({photo}, dated.storage, c.seconds, workerService())
                       : runPreviewShift({photo}, dated.storage, {c.seconds, c.seconds},
                                         workerService());
            const QString output = dated.out(QStringLiteral("edge.jpg"));
            if (c.written) {
                EXPECT_EQ(report.written, QStringList{output});
                EXPECT_TRUE(report.skipped.isEmpty());
                EXPECT_EQ(datesOf(output).mid(0, 2), two(c.written));
            } else {
                EXPECT_TRUE(report.written.isEmpty());
                ASSERT_EQ(report.skipped.size(), 1);
                EXPECT_EQ(report.skipped.first().reason, refused);
                EXPECT_FALSE(QFile::exists(output));
            }
        }
    }
    // Each date of a preview shift is checked by itself.
    Dated dated;
    const SelectedPhoto photo =
        dated.photo(QStringLiteral("one.jpg"), QStringLiteral("2000:01:01 00:00:00"),
                    QStringLiteral("9999:12:31 23:59:59"));
    const OperationReport report = runPreviewShift({photo}, dated.storage, {1, 1}, workerService());
    EXPECT_TRUE(report.written.isEmpty());
    ASSERT_EQ(report.skipped.size(), 1);
    EXPECT_EQ(report.skipped.first().reason, refused);
}

// Two photos of one name: each has its own output, and the later one's
// failure leaves the earlier one's as it was written.
TEST(AmountShift, aLaterPhotoOfTheSameNameGetsItsOwnOutputOrFailsAlone) {
    const struct {
        const char* what;
        std::function<QByteArray(const QByteArray& dated)> later;
        bool written; // under another name, with a remark: its bytes kept
    } cases[] = {
        {"a truncated photo", [](const QByteArray& bytes) { return bytes.left(bytes.size() / 2); },
         false},
        {"a photo whose image data is cut short",
         [](const QByteArray& bytes) { return bytes.left(bytes.size() - 100); }, false},
        {"not a photo at all", [](const QByteArray&) { return QByteArray("not a photo"); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Dated dated;
        const SelectedPhoto earlier =
            dated.photo(QStringLiteral("same.jpg"), QStringLiteral("2014:05:06 07:08:09"),
                        QStringLiteral("2014:05:06 07:08:09"));
        QDir().mkpath(dated.folder.file(QStringLiteral("later")));
        const QString laterPath = dated.folder.writeFile(QStringLiteral("later/same.jpg"),
                                                         c.later(fileBytes(earlier.inputPath)));
        const SelectedPhoto later{1, laterPath, QStringLiteral("same.jpg")};
        BatchOptions options;
        options.threads = 2;
        const OperationReport report =
            runAmountShift({earlier, later}, dated.storage, 3600, workerService(), options);
        const QString output = dated.out(QStringLiteral("same.jpg"));
        const QString renamed = dated.out(QStringLiteral("same (2).jpg"));
        EXPECT_EQ(report.photoCount(), 2);
        EXPECT_EQ(report.written.size(), c.written ? 2 : 1);
        EXPECT_EQ(report.skipped.size(), c.written ? 0 : 1);
        if (c.written) {
            ASSERT_EQ(report.renamed.size(), 1);
            EXPECT_EQ(report.renamed[0].path, laterPath);
            EXPECT_EQ(report.renamed[0].outputPath, renamed);
            EXPECT_EQ(fileBytes(renamed), fileBytes(laterPath));
        } else {
            EXPECT_EQ(report.skipped.value(0).path, laterPath);
            EXPECT_FALSE(QFile::exists(renamed));
        }
        EXPECT_EQ(datesOf(output).mid(0, 2), two("2014:05:06 08:08:09"));
    }
}

TEST(AmountShift, writesNothingWhereTheWriterRefusesThePhoto) {
    Dated dated;
    const SelectedPhoto photo =
        dated.photo(QStringLiteral("cut.jpg"), QStringLiteral("2014:05:06 07:08:09"),
                    QStringLiteral("2014:05:06 07:08:09"));
    const QByteArray whole = fileBytes(photo.inputPath);
    dated.folder.writeFile(QStringLiteral("cut.jpg"), whole.left(whole.size() - 100));
    const OperationReport report = runAmountShift({photo}, dated.storage, 3600, workerService());
    EXPECT_TRUE(report.written.isEmpty());
    ASSERT_EQ(report.skipped.size(), 1);
    EXPECT_EQ(report.skipped.first().path, photo.inputPath);
    EXPECT_EQ(report.skipped.first().reason, QStringLiteral("truncated or damaged image data"));
    EXPECT_EQ(fileBytes(photo.inputPath), whole.left(whole.size() - 100));
    EXPECT_TRUE(QDir(dated.storage).entryList(QDir::Files).isEmpty());
}
