#include "metadata/AtomicFile.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "metadata/WorkerProtocol.h"
#include "metadata/engine/PropertyReader.h"
#include "support/TestPhotos.h"

#include <QtEndian>

#include <gtest/gtest.h>

using namespace PropertyKeys;

namespace {

Result<PhotoProperties> readBytes(const QByteArray& bytes) {
    return readPhotoProperties(bytes);
}

PhotoProperties readFile(const QString& path) {
    const auto bytes = readWholeFile(path);
    EXPECT_TRUE(bytes.isOk()) << qPrintable(bytes.error());
    const auto properties = readPhotoProperties(bytes.value());
    EXPECT_TRUE(properties.isOk()) << qPrintable(path) << ": " << qPrintable(properties.error());
    return properties.isOk() ? properties.value() : PhotoProperties();
}

// Writes the values with the exiv2 tool into a copy of the photo. Newer
// versions of the tool refuse a rational's part above 2^31 - 1, so such a
// part is written as a stand-in below it and its four bytes put right after.
QString photoWith(const TestFolder& folder, const QString& fixture, const QString& name,
                  const QStringList& commands) {
    const QString path = folder.copyPhoto(fixture, name);
    QList<std::pair<quint32, quint32>> standIns; // written, meant
    QStringList arguments;
    for (const QString& command : commands) {
        QStringList words = command.split(QLatin1Char(' '));
        for (QString& word : words) {
            if (!word.contains(QLatin1Char('/')))
                continue;
            QStringList parts = word.split(QLatin1Char('/'));
            for (QString& part : parts) {
                const quint32 meant = part.toUInt();
                if (meant <= 0x7fffffffu)
                    continue;
                standIns.append({quint32(0x7654321 + standIns.size()), meant});
                part = QString::number(standIns.last().first);
            }
            word = parts.join(QLatin1Char('/'));
        }
        arguments << QStringLiteral("-M") + words.join(QLatin1Char(' '));
    }
    int exitCode = -1;
    runTool(QStringLiteral("exiv2"), arguments << path, &exitCode);
    EXPECT_EQ(exitCode, 0) << qPrintable(commands.join(QLatin1Char(' ')));
    if (!standIns.isEmpty()) {
        QByteArray bytes = fileBytes(path);
        const bool intel = bytes.contains(QByteArrayView("Exif\0\0II", 8));
        for (const auto& [written, meant] : standIns) {
            char from[4], to[4];
            intel ? qToLittleEndian(written, from) : qToBigEndian(written, from);
            intel ? qToLittleEndian(meant, to) : qToBigEndian(meant, to);
            const qsizetype at = bytes.indexOf(QByteArrayView(from, 4));
            EXPECT_GT(at, 0) << "the stand-in " << written << " is in the file";
            bytes.replace(at, 4, QByteArray(to, 4));
        }
        folder.writeFile(name, bytes);
    }
    return path;
}

} // namespace

struct UnsignedRationalCase {
    const char* what;
    QString command;
    QString set;
    QString key;
    QVariant expected;
    QString exiftoolTag; // empty where exiftool shows it otherwise
};

TEST(UnsignedValues, readAsUnsignedAndAgreeWithExiftool) {
    const double seconds = 2564660003.0 / 100000000.0;
    const double largest = 4294967295.0 / 100000000.0;
    const std::vector<UnsignedRationalCase> cases = {
        {"degrees whose seconds have a numerator above 2^31",
         QStringLiteral("set Exif.GPSInfo.GPSLatitude 10/1 20/1 2564660003/100000000"), GpsSet,
         Latitude, 10.0 + 20.0 / 60.0 + seconds / 3600.0, QStringLiteral("GPS:GPSLatitude")},
        {"a plain rational of (2^32 - 1) / 10^8",
         QStringLiteral("set Exif.Photo.ExposureTime 4294967295/100000000"), ExifSet,
         QStringLiteral("ExposureTime"), largest, QStringLiteral("ExifIFD:ExposureTime")},
        {"a rational whose denominator is above 2^31",
         QStringLiteral("set Exif.Photo.FNumber 4294967295/4294967295"), ExifSet,
         QStringLiteral("FNumber"), 1.0, QStringLiteral("ExifIFD:FNumber")},
        {"a time stamp whose seconds are above 2^31",
         QStringLiteral("set Exif.GPSInfo.GPSTimeStamp 12/1 30/1 2564660003/100000000"), GpsSet,
         TimeStamp, QStringLiteral("12:30:25.647"), QString()},
        {"a rational list with a large component",
         QStringLiteral("set Exif.Photo.LensSpecification 4294967295/100000000 2/1 "
                        "3/1 4/1"),
         ExifSet, QStringLiteral("LensSpecification"), QVariantList{largest, 2.0, 3.0, 4.0},
         QString()},
        {"an unsigned long above 2^31", QStringLiteral("set Exif.Photo.PixelXDimension 4294967295"),
         ExifSet, QStringLiteral("PixelXDimension"), qlonglong(4294967295LL),
         QStringLiteral("ExifIFD:ExifImageWidth")},
    };
    TestFolder folder;
    int index = 0;
    for (const UnsignedRationalCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = photoWith(folder, QStringLiteral("DSCN0010.jpg"),
                                       QStringLiteral("u%1.jpg").arg(index++), {c.command});
        const QVariant ours = readFile(path).dictionary.value(c.set).toMap().value(c.key);
        if (c.expected.typeId() == QMetaType::QVariantList) {
            const QVariantList items = ours.toList();
            const QVariantList expected = c.expected.toList();
            ASSERT_EQ(items.size(), expected.size());
            for (qsizetype i = 0; i < items.size(); ++i)
                EXPECT_NEAR(items[i].toDouble(), expected[i].toDouble(), 1e-9);
        } else if (c.expected.typeId() == QMetaType::QString) {
            EXPECT_EQ(ours.toString(), c.expected.toString());
        } else {
            EXPECT_NEAR(ours.toDouble(), c.expected.toDouble(), 1e-9);
        }
        if (!c.exiftoolTag.isEmpty()) {
            const QJsonObject theirs = exiftoolRead(path);
            EXPECT_NEAR(ours.toDouble(), theirs.value(c.exiftoolTag).toDouble(), 1e-9);
        }
    }
}

// Damaged copies of real photos, each with one bad block.
namespace {

QByteArray damagedIccInHeif() {
    QByteArray bytes = fileBytes(fixturePath(QStringLiteral("IMG_5195.HEIC")));
    const qsizetype colr = bytes.indexOf("colrprof");
    EXPECT_GT(colr, 0);
    const qsizetype profile = colr + 8;
    qToBigEndian<quint32>(0xfffffff0u, bytes.data() + profile); // its size
    bytes.replace(profile + 36, 4, "xxxx");                     // its 'acsp' signature
    return bytes;
}

QByteArray damagedIccInJpeg() {
    QByteArray bytes = fileBytes(fixturePath(QStringLiteral("BlueSquare.jpg")));
    const qsizetype marker = bytes.indexOf(QByteArray("ICC_PROFILE\0", 12));
    EXPECT_GT(marker, 0);
    const qsizetype profile = marker + 14;
    qToBigEndian<quint32>(0x7ffffff0u, bytes.data() + profile);
    bytes.replace(profile + 36, 4, "xxxx");
    return bytes;
}

QByteArray damagedXmpInJpeg() {
    QByteArray bytes = fileBytes(fixturePath(QStringLiteral("BlueSquare.jpg")));
    const qsizetype description = bytes.indexOf("<rdf:Description");
    EXPECT_GT(description, 0);
    bytes.replace(description, 16, "<<<<!!!!&&&&####");
    return bytes;
}

} // namespace

struct DamagedBlockCase {
    const char* what;
    QByteArray bytes;
    QString original;
    QString warningNames;
};

TEST(DamagedBlocks, costOnlyThemselvesAndAreNamedInAWarning) {
    const std::vector<DamagedBlockCase> cases = {
        {"a HEIC whose ICC profile is damaged", damagedIccInHeif(), QStringLiteral("IMG_5195.HEIC"),
         QStringLiteral("ICC profile")},
        {"a JPEG whose ICC profile is damaged", damagedIccInJpeg(),
         QStringLiteral("BlueSquare.jpg"), QStringLiteral("ICC profile")},
        {"a JPEG whose XMP packet is damaged", damagedXmpInJpeg(), QStringLiteral("BlueSquare.jpg"),
         QStringLiteral("XMP packet")},
    };
    for (const DamagedBlockCase& c : cases) {
        SCOPED_TRACE(c.what);
        const PhotoProperties undamaged = readFile(fixturePath(c.original));
        EXPECT_TRUE(undamaged.warnings.isEmpty()) << qPrintable(undamaged.warnings.join(u'\n'));
        const auto damaged = readBytes(c.bytes);
        ASSERT_TRUE(damaged.isOk()) << qPrintable(damaged.error());
        // A packet that does not read costs its own set alone.
        QVariantMap expected = undamaged.dictionary;
        if (c.warningNames == QLatin1String("XMP packet"))
            expected.remove(QStringLiteral("{XMP}"));
        EXPECT_EQ(damaged->dictionary, expected);
        EXPECT_EQ(damaged->format, undamaged.format);
        EXPECT_EQ(damaged->imageCount, undamaged.imageCount);
        ASSERT_EQ(damaged->warnings.size(), 1) << qPrintable(damaged->warnings.join(u'\n'));
        EXPECT_TRUE(damaged->warnings.first().contains(c.warningNames))
            << qPrintable(damaged->warnings.first());
    }
}

TEST(DamagedBlocks, soundPhotosReadWithoutWarnings) {
    for (const QString& name : stillPhotoFixtures()) {
        SCOPED_TRACE(name.toStdString());
        const PhotoProperties properties = readFile(fixturePath(name));
        EXPECT_TRUE(properties.warnings.isEmpty()) << qPrintable(properties.warnings.join(u'\n'));
    }
}

TEST(DamagedBlocks, warningsCrossTheWorkerProtocol) {
    PhotoProperties properties;
    properties.format = PhotoFormat::Heif;
    properties.imageCount = 1;
    properties.dictionary = {{PixelWidth, 4032}};
    properties.warnings = {QStringLiteral("the ICC profile could not be read (x)"),
                           QStringLiteral("the XMP packet could not be read")};
    const auto frame = WorkerProtocol::encode(
        WorkerProtocol::propertiesAnswer(Result<PhotoProperties>::ok(properties)));
    const auto answer = WorkerProtocol::decode(frame);
    ASSERT_TRUE(answer.has_value());
    const auto back = WorkerProtocol::propertiesOf(*answer);
    ASSERT_TRUE(back.isOk());
    EXPECT_EQ(back->warnings, properties.warnings);
    EXPECT_EQ(back->dictionary, properties.dictionary);

    // Without warnings the answer has the keys it always had.
    properties.warnings.clear();
    EXPECT_EQ(WorkerProtocol::propertiesAnswer(Result<PhotoProperties>::ok(properties)).keys(),
              (QStringList{QStringLiteral("dictionary"), QStringLiteral("format"),
                           QStringLiteral("imageCount"), QStringLiteral("ok")}));
}

TEST(DamagedBlocks, theWorkerServiceCarriesTheWarnings) {
    TestFolder folder;
    const QString path = folder.writeFile(QStringLiteral("bad.heic"), damagedIccInHeif());
    const auto properties = workerService().readProperties(path);
    ASSERT_TRUE(properties.isOk()) << qPrintable(properties.error());
    ASSERT_EQ(properties->warnings.size(), 1);
    EXPECT_TRUE(properties->warnings.first().contains(QLatin1String("ICC profile")));
}
