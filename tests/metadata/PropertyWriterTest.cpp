#include "metadata/engine/PropertyWriter.h"
#include "metadata/AtomicFile.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/PropertyReader.h"
#include "support/ForeignXmp.h"
#include "support/TestPhotos.h"
#include "support/TiffBytes.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace PropertyKeys;

namespace {

QVariantMap dictionaryOf(const QByteArray& bytes) {
    const auto properties = readPhotoProperties(bytes);
    EXPECT_TRUE(properties.isOk()) << qPrintable(properties.error());
    return properties.isOk() ? properties->dictionary : QVariantMap();
}

// Every kind of value the editing commands write.
QVariantMap everyValueType() {
    return {
        {TiffSet, QVariantMap{{Artist, QStringLiteral("Ana Lopez")},
                              {ImageDescription, QStringLiteral("Lake at dawn")},
                              {Copyright, QStringLiteral("(c) 2026 the photographer")},
                              {Make, QStringLiteral("Tessa")},
                              {Model, QStringLiteral("View 1")},
                              {DateTime, QStringLiteral("2014:05:06 07:08:09")}}},
        {ExifSet, QVariantMap{{DateTimeOriginal, QStringLiteral("2014:05:06 07:08:09")},
                              {DateTimeDigitized, QStringLiteral("2014:05:06 07:08:10")},
                              {LensMake, QStringLiteral("LensCo")},
                              {LensModel, QStringLiteral("Prime 50")},
                              {UserComment, QStringLiteral("Grüße vom See")}}},
        {GpsSet, QVariantMap{{Latitude, QVariant(33.8688f)},
                             {LatitudeRef, QStringLiteral("S")},
                             {Longitude, QVariant(151.2093f)},
                             {LongitudeRef, QStringLiteral("W")},
                             {Altitude, QStringLiteral("12.5")},
                             {AltitudeRef, 0},
                             {DateStamp, QStringLiteral("2014:05:06")},
                             {TimeStamp, QStringLiteral("07:08:09")},
                             {GPSVersion, QStringLiteral("2.2.0.0")}}},
        {IptcSet,
         QVariantMap{{Keywords, QStringList{QStringLiteral("lake"), QStringLiteral("dawn"),
                                            QStringLiteral("Zürich")}},
                     {QStringLiteral("ObjectName"), QStringLiteral("Morning")},
                     {QStringLiteral("Caption/Abstract"), QStringLiteral("The lake, early")},
                     {QStringLiteral("By-line"), QStringLiteral("Ana Lopez")}}},
    };
}

void expectEveryValueType(const QString& path, const QVariantMap& ours) {
    const QJsonObject tags = exiftoolRead(path);
    EXPECT_EQ(tags.value(QStringLiteral("IFD0:Artist")).toString(), QStringLiteral("Ana Lopez"));
    EXPECT_EQ(tags.value(QStringLiteral("IFD0:Make")).toString(), QStringLiteral("Tessa"));
    EXPECT_EQ(tags.value(QStringLiteral("IFD0:ModifyDate")).toString(),
              QStringLiteral("2014:05:06 07:08:09"));
    EXPECT_EQ(tags.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(),
              QStringLiteral("2014:05:06 07:08:09"));
    EXPECT_EQ(tags.value(QStringLiteral("ExifIFD:CreateDate")).toString(),
              QStringLiteral("2014:05:06 07:08:10"));
    EXPECT_EQ(tags.value(QStringLiteral("ExifIFD:LensModel")).toString(),
              QStringLiteral("Prime 50"));
    EXPECT_EQ(tags.value(QStringLiteral("ExifIFD:UserComment")).toString(),
              QStringLiteral("Grüße vom See"));
    EXPECT_NEAR(tags.value(QStringLiteral("Composite:GPSLatitude")).toDouble(), -33.8688, 1e-5);
    EXPECT_NEAR(tags.value(QStringLiteral("Composite:GPSLongitude")).toDouble(), -151.2093, 1e-5);
    EXPECT_NEAR(tags.value(QStringLiteral("GPS:GPSAltitude")).toDouble(), 12.5, 1e-9);
    EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSVersionID")).toString(), QStringLiteral("2 2 0 0"));
    EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSTimeStamp")).toVariant().toString(),
              QStringLiteral("07:08:09"));
    EXPECT_EQ(tags.value(QStringLiteral("GPS:GPSDateStamp")).toString(),
              QStringLiteral("2014:05:06"));
    QStringList keywords;
    for (const QJsonValue& keyword : tags.value(QStringLiteral("IPTC:Keywords")).toArray())
        keywords << keyword.toString();
    EXPECT_EQ(keywords, (QStringList{QStringLiteral("lake"), QStringLiteral("dawn"),
                                     QStringLiteral("Zürich")}));
    EXPECT_EQ(tags.value(QStringLiteral("IPTC:Caption-Abstract")).toString(),
              QStringLiteral("The lake, early"));
    EXPECT_EQ(tags.value(QStringLiteral("IPTC:By-line")).toString(), QStringLiteral("Ana Lopez"));

    // A second, independent reader.
    EXPECT_EQ(exiv2Value(path, QStringLiteral("Exif.GPSInfo.GPSLatitudeRef")), QStringLiteral("S"));
    EXPECT_EQ(exiv2Value(path, QStringLiteral("Exif.Image.Copyright")),
              QStringLiteral("(c) 2026 the photographer"));

    // And our own reader gives back what was written.
    const QVariantMap gps = ours.value(GpsSet).toMap();
    EXPECT_NEAR(gps.value(Latitude).toDouble(), 33.8688, 1e-5);
    EXPECT_EQ(gps.value(GPSVersion).toString(), QStringLiteral("2.2.0.0"));
    EXPECT_EQ(gps.value(TimeStamp).toString(), QStringLiteral("07:08:09"));
    EXPECT_EQ(ours.value(ExifSet).toMap().value(UserComment).toString(),
              QStringLiteral("Grüße vom See"));
    EXPECT_EQ(ours.value(IptcSet).toMap().value(Keywords).toStringList().size(), 3);
}

} // namespace

TEST(PropertyWriter, writesEveryValueTypeIntoEachWritableFormat) {
    TestFolder folder;
    for (const QString& name : {QStringLiteral("DSCN0010.jpg"), QStringLiteral("no_exif.jpg"),
                                QStringLiteral("multipage.tiff"), QStringLiteral("photo.png"),
                                QStringLiteral("photo.webp")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray source = fileBytes(fixturePath(name));
        const bool webp = name.endsWith(QLatin1String(".webp"));
        QVariantMap changes = everyValueType();
        if (webp) {
            // WebP carries no IPTC: values for it are refused, never dropped.
            const auto refused = rewritePhoto(source, changes);
            ASSERT_FALSE(refused.isOk());
            EXPECT_TRUE(refused.error().startsWith(QLatin1String("a WebP has no place for IPTC")))
                << qPrintable(refused.error());
            changes.remove(IptcSet);
        }
        const auto written = rewritePhoto(source, changes);
        ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
        const QString path = folder.writeFile(QStringLiteral("out_") + name, written.value());
        if (webp) {
            const QJsonObject tags = exiftoolRead(path);
            EXPECT_NEAR(tags.value(QStringLiteral("Composite:GPSLatitude")).toDouble(), -33.8688,
                        1e-5);
            EXPECT_EQ(tags.value(QStringLiteral("IFD0:Artist")).toString(),
                      QStringLiteral("Ana Lopez"));
        } else {
            expectEveryValueType(path, dictionaryOf(written.value()));
        }
        if (name.endsWith(QLatin1String(".jpg")))
            EXPECT_EQ(jpegImageData(written.value()), jpegImageData(source))
                << "pixels were re-encoded";
        else
            EXPECT_EQ(pixelSignatures(path), pixelSignatures(fixturePath(name)));
        // Nothing another reader checks (chunk checksums, offsets) got worse;
        // the lens values asked for belong to a later EXIF version. A TIFF
        // given its first EXIF directory still lacks the entries that
        // directory requires.
        if (name.endsWith(QLatin1String(".tiff")))
            continue;
        const QList<QStringList> warnings = validationWarnings({fixturePath(name), path});
        for (const QString& warning : warnings.value(1)) {
            EXPECT_TRUE(warning.contains(QLatin1String("requires ExifVersion")) ||
                        warnings.value(0).contains(warning))
                << qPrintable(warning);
        }
    }
}

TEST(PropertyWriter, handsBackAPhotosOwnDictionaryWithoutChangingIt) {
    TestFolder folder;
    for (const QString& name :
         {QStringLiteral("DSCN0010.jpg"), QStringLiteral("BlueSquare.jpg"),
          QStringLiteral("Canon_40D.jpg"), QStringLiteral("multipage.tiff")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray source = fileBytes(fixturePath(name));
        const auto written = rewritePhoto(source, dictionaryOf(source));
        ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
        const QString path = folder.writeFile(name, written.value());
        EXPECT_EQ(dictionaryOf(written.value()), dictionaryOf(source));
        EXPECT_EQ(withoutVolatileTags(exiftoolRead(path)),
                  withoutVolatileTags(exiftoolRead(fixturePath(name))));
    }
}

TEST(PropertyWriter, mergesChangesKeyByKeyAndSetBySet) {
    const QByteArray source = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    const QVariantMap before = dictionaryOf(source);

    // A removal value on one key removes that key only.
    auto written = rewritePhoto(source, {{TiffSet, QVariantMap{{Model, removal()}}}});
    ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
    QVariantMap after = dictionaryOf(written.value());
    EXPECT_FALSE(after.value(TiffSet).toMap().contains(Model));
    EXPECT_EQ(after.value(TiffSet).toMap().value(Make), before.value(TiffSet).toMap().value(Make));
    EXPECT_EQ(after.value(GpsSet), before.value(GpsSet));

    // One set handed by itself, changed in place: its other keys and the other sets stay.
    QVariantMap exif = before.value(ExifSet).toMap();
    exif[DateTimeOriginal] = QStringLiteral("2020:01:02 03:04:05");
    QVariantMap tiff = before.value(TiffSet).toMap();
    tiff[DateTime] = QStringLiteral("2020:01:02 03:04:05");
    written = rewritePhoto(source, handSet(ExifSet, exif), handSet(TiffSet, tiff));
    ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
    after = dictionaryOf(written.value());
    EXPECT_EQ(after.value(ExifSet).toMap().value(DateTimeOriginal).toString(),
              QStringLiteral("2020:01:02 03:04:05"));
    EXPECT_EQ(after.value(TiffSet).toMap().value(DateTime).toString(),
              QStringLiteral("2020:01:02 03:04:05"));
    EXPECT_EQ(after.value(ExifSet).toMap().value(QStringLiteral("FNumber")),
              before.value(ExifSet).toMap().value(QStringLiteral("FNumber")));
    EXPECT_EQ(after.value(GpsSet), before.value(GpsSet));
}

TEST(PropertyWriter, reportsWhatItCannotWriteInsteadOfDroppingIt) {
    const QByteArray jpeg = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    const struct {
        const char* what;
        QByteArray source;
        QVariantMap changes;
        const char* mentions;
    } cases[] = {
        {"an unknown EXIF key",
         jpeg,
         {{ExifSet, QVariantMap{{QStringLiteral("NoSuchTag"), 1}}}},
         "NoSuchTag"},
        {"an unknown IPTC key",
         jpeg,
         {{IptcSet, QVariantMap{{QStringLiteral("Mood"), QStringLiteral("calm")}}}},
         "Mood"},
        {"two cities, where IPTC keeps one",
         jpeg,
         {{IptcSet, QVariantMap{{QStringLiteral("City"), QStringList{"Siena", "Pisa"}}}}},
         "City: not repeatable"},
        {"text where a number belongs",
         jpeg,
         {{ExifSet, QVariantMap{{QStringLiteral("FNumber"), QStringLiteral("wide")}}}},
         "FNumber"},
        {"a GPS version of three parts",
         jpeg,
         {{GpsSet, QVariantMap{{GPSVersion, QStringLiteral("2.2.0")}}}},
         "GPSVersion"},
        {"a new pixel width", jpeg, {{PixelWidth, 10}}, "PixelWidth"},
        {"a set that is not a dictionary", jpeg, {{ExifSet, QStringLiteral("none")}}, "{Exif}"},
        {"IPTC into a HEIC photo, which has no place for it",
         fileBytes(fixturePath(QStringLiteral("IMG_5195.HEIC"))),
         {{IptcSet, QVariantMap{{QStringLiteral("City"), QStringLiteral("Siena")}}}},
         "no place for IPTC"},
        {"a RIFF video",
         fileBytes(fixturePath(QStringLiteral("riff-idit-chunk-overflow.fuzzed"))),
         {{GpsSet, removal()}},
         "not a supported"},
        {"a truncated JPEG",
         jpeg.left(jpeg.size() / 3),
         {{GpsSet, removal()}},
         "truncated or damaged image data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto written = rewritePhoto(c.source, c.changes);
        EXPECT_FALSE(written.isOk());
        EXPECT_TRUE(written.error().contains(QLatin1String(c.mentions)))
            << qPrintable(written.error());
    }
}

TEST(PropertyWriter, refusesATiffWhosePhotoshopBlockRunsPastItsField) {
    QByteArray tiff = fileBytes(fixturePath(QStringLiteral("Arbitro.tiff")));
    ASSERT_TRUE(rewritePhoto(tiff, {{GpsSet, removal()}}).isOk());
    // Append a resource block that claims more bytes than it has, and point a
    // new ImageResources entry of the first directory at it.
    const auto properties = readPhotoProperties(tiff);
    ASSERT_TRUE(properties.isOk());
    const bool little = tiff.startsWith("II");
    auto put = [&](QByteArray& bytes, qsizetype at, quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + (little ? i : size - 1 - i)] = char((value >> (8 * i)) & 0xff);
    };
    auto get = [&](qsizetype at, int size) {
        quint32 value = 0;
        for (int i = 0; i < size; ++i)
            value |= quint32(quint8(tiff[at + (little ? i : size - 1 - i)])) << (8 * i);
        return value;
    };
    const quint32 ifd = get(4, 4);
    const quint32 entries = get(ifd, 2);
    QByteArray block("8BIM\x04\x04\0\0\x7f\xff\xff\xff", 12);
    QByteArray patched = tiff;
    const quint32 blockAt = quint32(patched.size());
    patched += block;
    // Move the directory to the end with one more entry.
    const quint32 newIfd = quint32(patched.size());
    QByteArray directory(2 + (entries + 1) * 12 + 4, '\0');
    put(directory, 0, entries + 1, 2);
    directory.replace(2, qsizetype(entries) * 12, tiff.mid(ifd + 2, qsizetype(entries) * 12));
    const qsizetype entry = 2 + qsizetype(entries) * 12;
    put(directory, entry, 0x8649, 2);
    put(directory, entry + 2, 7, 2);
    put(directory, entry + 4, quint32(block.size()), 4);
    put(directory, entry + 8, blockAt, 4);
    patched += directory;
    put(patched, 4, newIfd, 4);
    const auto written = rewritePhoto(patched, {{GpsSet, removal()}});
    EXPECT_FALSE(written.isOk());
    EXPECT_TRUE(written.error().contains(QLatin1String("Photoshop")))
        << qPrintable(written.error());
}

TEST(PropertyWriter, survivesTheHostileTiffWhateverIsWritten) {
    TestFolder folder;
    const QByteArray hostile =
        fileBytes(fixturePath(QStringLiteral("tiff-photoshop-block-overread.tif")));
    const QList<QVariantMap> changes = {
        everyValueType(),
        {{IptcSet, removal()}},
        {{ExifSet, removal()}, {GpsSet, removal()}},
        {{IptcSet, QVariantMap{{Keywords, QStringList{QStringLiteral("x")}}}}}};
    for (const QVariantMap& change : changes) {
        // The block that overreads is left as it is; every change is made.
        const auto written = rewritePhoto(hostile, change);
        ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
        const QString path = folder.writeFile(QStringLiteral("hostile.tif"), written.value());
        EXPECT_FALSE(exiftoolRead(path).contains(QStringLiteral("ExifTool:Error")));
        EXPECT_EQ(pixelSignatures(path), pixelSignatures(fixturePath(
                                             QStringLiteral("tiff-photoshop-block-overread.tif"))));
    }
}

// A PNG whose EXIF is in a text chunk, as older tools write it, is a form
// only the metadata library's writer edits: removing GPS and writing an
// artist and a city there changes nothing else.
TEST(PropertyWriter, theLibrarysWriterChangesOnlyWhatItIsAsked) {
    TestFolder folder;
    const QString jpeg = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString png = folder.file(QStringLiteral("DSCN0010.png"));
    runTool(QStringLiteral("convert"), {jpeg, "-resize", "64x48", "-strip", png});
    const QString exif = folder.file(QStringLiteral("DSCN0010.tif"));
    runTool(QStringLiteral("sh"),
            {"-c", QStringLiteral("exiftool -b -EXIF '%1' > '%2'").arg(jpeg, exif)});
    const QByteArray source = withRawExifProfile(fileBytes(png), fileBytes(exif));
    ASSERT_TRUE(source.contains("Raw profile type exif"));
    const auto before = readPhotoProperties(source);
    ASSERT_TRUE(before.isOk()) << qPrintable(before.error());
    ASSERT_TRUE(before->dictionary.contains(GpsSet));
    const auto written = rewritePhoto(
        source, {{GpsSet, removal()},
                 {TiffSet, QVariantMap{{Artist, QStringLiteral("Ann")}}},
                 {IptcSet, QVariantMap{{QStringLiteral("City"), QStringLiteral("Zürich")}}}});
    ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
    const auto after = readPhotoProperties(written.value());
    ASSERT_TRUE(after.isOk());
    EXPECT_FALSE(after->dictionary.contains(GpsSet));
    QVariantMap tiff = before->dictionary.value(TiffSet).toMap();
    tiff.insert(Artist, QStringLiteral("Ann"));
    EXPECT_EQ(after->dictionary.value(TiffSet).toMap(), tiff);
    EXPECT_EQ(after->dictionary.value(ExifSet), before->dictionary.value(ExifSet));
    EXPECT_EQ(after->dictionary.value(IptcSet).toMap().value(QStringLiteral("City")),
              QStringLiteral("Zürich"));
    const QString output = folder.writeFile(QStringLiteral("written.png"), written.value());
    EXPECT_EQ(exiftoolRead(output).value(QStringLiteral("IPTC:City")).toString(),
              QStringLiteral("Zürich"));
}

TEST(PropertyWriter, keepsTheTypeOfATiffsIptcEntryAndMakesANewOneOfIntegers) {
    TestFolder folder;
    const QByteArray camera = fileBytes(builtRawPhoto(folder, QStringLiteral("nef")));
    // Some editors store the entry as undefined bytes: it stays so.
    QByteArray undefined = camera;
    TiffBytes bytes(undefined, 0);
    const auto stored = bytes.entry(bytes.firstIfd(), 0x83bb);
    ASSERT_TRUE(stored && stored->type == 4);
    bytes.write(stored->at + 2, 7, 2);
    bytes.write(stored->at + 4, stored->count * 4, 4);
    const struct {
        const char* what;
        QByteArray photo;
        quint16 type;
    } cases[] = {
        {"integers, as cameras store it", camera, 4},
        {"integers, in a medium-format back's IIQ",
         fileBytes(builtRawPhoto(folder, QStringLiteral("iiq"))), 4},
        {"undefined bytes", undefined, 7},
        {"a new entry", fileBytes(fixturePath(QStringLiteral("Jobagent.tiff"))), 4},
    };
    const QStringList keywords = {QStringLiteral("lake"), QStringLiteral("Zürich")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto written = rewritePhoto(c.photo, {{IptcSet, QVariantMap{{Keywords, keywords}}}});
        ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
        QByteArray result = written.value();
        const TiffBytes out(result, 0);
        const auto entry = out.entry(out.firstIfd(), 0x83bb);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->type, c.type);
        const QString input = folder.writeFile(QStringLiteral("in.tif"), c.photo);
        const QString output = folder.writeFile(QStringLiteral("out.tif"), written.value());
        EXPECT_EQ(exiftoolRead(output).value(QStringLiteral("IPTC:Keywords")).toArray(),
                  QJsonArray::fromStringList(keywords));
        const QList<QStringList> warnings = validationWarnings({input, output});
        for (const QString& warning : warnings.value(1))
            EXPECT_TRUE(warnings.value(0).contains(warning)) << qPrintable(warning);
    }
}
