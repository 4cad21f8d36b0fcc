#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/HeifDecoder.h"
#include "metadata/engine/HeifItems.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"
#include "support/TestPhotos.h"

#include <QImage>
#include <QJsonArray>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <climits>

using namespace PropertyKeys;

// HEIF photos are written where their metadata lies: every coded image item
// keeps its bytes, and other readers see every tag but the changed ones as
// before.
namespace {

const QStringList heifPhotos = {QStringLiteral("IMG_5195.HEIC"),
                                QStringLiteral("HMD_Nokia_8.3_5G_hdr.heif")};

QString writeCopy(const TestFolder& folder, const QString& name, const QByteArray& bytes) {
    return folder.writeFile(name, bytes);
}

// The data of every item that is not metadata, by item id.
QMap<quint32, QByteArray> imageItems(const QByteArray& bytes) {
    const auto heif = HeifItems::parse(bytes);
    EXPECT_TRUE(heif.isOk()) << qPrintable(heif.error());
    QMap<quint32, QByteArray> items;
    if (!heif)
        return items;
    for (const HeifItems::Item& item : heif->items) {
        if (!item.isMetadata())
            items.insert(item.id, heif->dataOf(item, bytes));
    }
    return items;
}

QByteArray fullDecode(const QByteArray& bytes) {
    const auto decoded = decodeHeifPreview(bytes, INT_MAX);
    EXPECT_TRUE(decoded.isOk()) << qPrintable(decoded.error());
    return decoded.isOk() ? decoded->bytes : QByteArray();
}

QJsonObject without(QJsonObject tags, const QStringList& groups) {
    tags = withoutVolatileTags(tags);
    for (const QString& key : tags.keys()) {
        if (groups.contains(key.section(QLatin1Char(':'), 0, 0)))
            tags.remove(key);
    }
    return tags;
}

// The keys whose values differ, or that only one side has: readable where
// comparing whole objects is not.
QStringList differingKeys(const QJsonObject& a, const QJsonObject& b) {
    QStringList keys;
    for (const QString& key : a.keys() + b.keys()) {
        // Where the item data starts and how much there is move with an edit.
        if (key.startsWith(QLatin1String("QuickTime:MediaData")))
            continue;
        if (a.value(key) != b.value(key) && !keys.contains(key))
            keys << key;
    }
    return keys;
}

// The pixels as an independent decoder sees them, where it is installed.
QStringList convertedSignature(const TestFolder& folder, const QString& heif) {
    if (QStandardPaths::findExecutable(QStringLiteral("heif-convert")).isEmpty())
        return {};
    const QString png = folder.file(QFileInfo(heif).completeBaseName() + QStringLiteral(".png"));
    runTool(QStringLiteral("heif-convert"), {heif, png});
    return pixelSignatures(png);
}

} // namespace

TEST(HeifWriter, changesOnlyWhatWasAskedAndKeepsEveryImageItem) {
    const QString date = QStringLiteral("2020:01:02 03:04:05");
    const struct {
        const char* what;
        QVariantMap changes;
        QStringList changedGroups; // exiftool's groups that may differ
    } cases[] = {
        {"remove GPS", {{GpsSet, removal()}}, {QStringLiteral("GPS")}},
        // Maker notes go with the EXIF set.
        {"remove EXIF",
         {{ExifSet, removal()}},
         {QStringLiteral("ExifIFD"), QStringLiteral("Apple"), QStringLiteral("InteropIFD")}},
        {"remove IPTC", {{IptcSet, removal()}}, {}},
        {"set the dates",
         {{ExifSet, QVariantMap{{DateTimeOriginal, date}, {DateTimeDigitized, date}}},
          {TiffSet, QVariantMap{{DateTime, date}}}},
         {}},
    };
    TestFolder folder;
    for (const QString& photo : heifPhotos) {
        const QByteArray source = fileBytes(fixturePath(photo));
        const QString sourcePath = folder.copyPhoto(photo);
        const QJsonObject before = exiftoolRead(sourcePath);
        const QStringList pixels =
            photo == heifPhotos.first() ? convertedSignature(folder, sourcePath) : QStringList();
        for (const auto& c : cases) {
            SCOPED_TRACE(photo.toStdString() + ": " + c.what);
            const auto written = rewritePhoto(source, c.changes);
            ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
            const QString out = writeCopy(folder, QStringLiteral("out-") + photo, written.value());
            const QJsonObject after = exiftoolRead(out);
            EXPECT_FALSE(after.contains(QStringLiteral("ExifTool:Warning")))
                << qPrintable(after.value(QStringLiteral("ExifTool:Warning")).toString());
            if (c.changes.contains(GpsSet)) {
                for (const QString& key : after.keys())
                    EXPECT_FALSE(key.startsWith(QLatin1String("GPS:"))) << qPrintable(key);
            }
            if (c.changes.contains(ExifSet) && !c.changes.value(ExifSet).isNull()) {
                EXPECT_EQ(after.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(), date);
                EXPECT_EQ(after.value(QStringLiteral("IFD0:ModifyDate")).toString(), date);
                QJsonObject expected = before;
                for (const char* key :
                     {"ExifIFD:DateTimeOriginal", "ExifIFD:CreateDate", "IFD0:ModifyDate"})
                    expected.remove(QLatin1String(key));
                QJsonObject got = after;
                for (const char* key :
                     {"ExifIFD:DateTimeOriginal", "ExifIFD:CreateDate", "IFD0:ModifyDate"})
                    got.remove(QLatin1String(key));
                EXPECT_EQ(differingKeys(withoutVolatileTags(got), withoutVolatileTags(expected)),
                          QStringList());
            } else {
                EXPECT_EQ(differingKeys(without(after, c.changedGroups),
                                        without(before, c.changedGroups)),
                          QStringList());
            }
            EXPECT_EQ(imageItems(written.value()), imageItems(source));
            // Decoding is slow: the pixels are compared once a photo, after
            // the change that rewrites the most.
            if (c.changes.contains(GpsSet)) {
                EXPECT_EQ(fullDecode(written.value()), fullDecode(source));
                if (!pixels.isEmpty()) {
                    EXPECT_EQ(convertedSignature(folder, out), pixels);
                }
            }
        }
    }
}

TEST(HeifWriter, movesAnExifItemThatOutgrowsItsExtentToTheEnd) {
    const QByteArray source = fileBytes(fixturePath(QStringLiteral("IMG_5195.HEIC")));
    const QString artist = QString(300, QLatin1Char('a')) + QStringLiteral(" at the end");
    const auto written = rewritePhoto(source, {{TiffSet, QVariantMap{{Artist, artist}}}});
    ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
    const auto heif = HeifItems::parse(written.value());
    ASSERT_TRUE(heif.isOk()) << qPrintable(heif.error());
    for (const HeifItems::Item& item : heif->items) {
        if (item.isExif()) {
            ASSERT_EQ(item.extents.size(), 1);
            EXPECT_GE(item.baseOffset + item.extents.first().offset, source.size());
        }
    }
    EXPECT_EQ(imageItems(written.value()), imageItems(source));
    TestFolder folder;
    const QJsonObject before = exiftoolRead(folder.copyPhoto(QStringLiteral("IMG_5195.HEIC")));
    QJsonObject after =
        exiftoolRead(folder.writeFile(QStringLiteral("grown.HEIC"), written.value()));
    EXPECT_EQ(after.value(QStringLiteral("IFD0:Artist")).toString(), artist);
    after.remove(QStringLiteral("IFD0:Artist"));
    EXPECT_EQ(differingKeys(withoutVolatileTags(after), withoutVolatileTags(before)),
              QStringList());
}

namespace {
// What libheif's example tool tells of a file, but its metadata.
QString heifInfoWithoutMetadata(const QString& path) {
    const QString info = runTool(QStringLiteral("heif-info"), {path});
    return info.left(info.indexOf(QLatin1String("metadata:")));
}
} // namespace

// A HEIF with no Exif or XMP item gets one as phones write it, referring to
// the primary image; the images, and any reference there was, stay as they
// were.
TEST(HeifWriter, addsExifAndXmpItemsWhereThePhotoHasNone) {
    if (QStandardPaths::findExecutable(QStringLiteral("heif-enc")).isEmpty())
        GTEST_SKIP() << "heif-enc (libheif-examples) is not installed";
    const QString date = QStringLiteral("2021:03:04 05:06:07");
    // Encoded without metadata, or a phone's photo whose Exif item another
    // writer emptied (an extent of no length).
    const struct {
        const char* what;
        QStringList encoderOptions;
        const char* emptied; // a shared photo
    } cases[] = {{"no references", {}, nullptr},
                 {"a thumbnail referring to it", {"-t", "24"}, nullptr},
                 {"an emptied item", {}, "raw/Stonehenge.heic"}};
    TestFolder folder;
    const QString png = folder.file(QStringLiteral("plain.png"));
    runTool(QStringLiteral("convert"), {"-size", "96x64", "gradient:red-blue", "-strip", png});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = folder.file(QStringLiteral("plain.heic"));
        QFile::remove(path);
        int exitCode = -1;
        const QString shared = c.emptied ? sharedPhoto(QLatin1String(c.emptied)) : QString();
        if (c.emptied && shared.isEmpty()) {
            std::printf("[ SKIPPED  ] the shared photo %s is absent\n", c.emptied);
            continue;
        }
        if (!c.emptied)
            runTool(QStringLiteral("heif-enc"),
                    c.encoderOptions + QStringList{"-q", "60", png, "-o", path}, &exitCode);
        else
            runTool(QStringLiteral("exiftool"), {"-q", "-exif:all=", "-o", path, shared},
                    &exitCode);
        ASSERT_EQ(exitCode, 0);
        const QByteArray source = fileBytes(path);
        const auto written = rewritePhoto(
            source,
            {{TiffSet, QVariantMap{{Artist, QStringLiteral("Bea")}, {DateTime, date}}},
             {ExifSet, QVariantMap{{DateTimeOriginal, date}}},
             {XmpSet, QVariantMap{{QStringLiteral("dc:subject"),
                                   QStringList{QStringLiteral("sea"), QStringLiteral("sky")}}}}});
        ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
        const QString out = writeCopy(folder, QStringLiteral("with-exif.heic"), written.value());
        const QJsonObject tags = exiftoolRead(out);
        EXPECT_EQ(tags.value(QStringLiteral("IFD0:Artist")).toString(), "Bea");
        EXPECT_EQ(tags.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(), date);
        EXPECT_EQ(tags.value(QStringLiteral("XMP-dc:Subject")).toArray(),
                  (QJsonArray{"sea", "sky"}));
        EXPECT_EQ(validationWarnings({out}), validationWarnings({path}));
        const auto read = readPhotoProperties(written.value());
        ASSERT_TRUE(read.isOk()) << qPrintable(read.error());
        EXPECT_EQ(read->dictionary.value(TiffSet).toMap().value(Artist).toString(), "Bea");
        EXPECT_TRUE(runTool(QStringLiteral("heif-info"), {out}).contains(QLatin1String("Exif:")));
        EXPECT_EQ(heifInfoWithoutMetadata(out), heifInfoWithoutMetadata(path));
        EXPECT_EQ(imageItems(written.value()), imageItems(source));
        EXPECT_EQ(fullDecode(written.value()), fullDecode(source));
        EXPECT_EQ(convertedSignature(folder, out), convertedSignature(folder, path));
        // Our own output is edited where the new item lies.
        const auto again =
            rewritePhoto(written.value(), {{TiffSet, QVariantMap{{Artist, QStringLiteral("Cy")}}}});
        ASSERT_TRUE(again.isOk()) << qPrintable(again.error());
        EXPECT_EQ(exiftoolRead(writeCopy(folder, QStringLiteral("again.heic"), again.value()))
                      .value(QStringLiteral("IFD0:Artist"))
                      .toString(),
                  "Cy");
    }
}

TEST(HeifPreview, comesFromTheWorkerScaledAndUpright) {
    for (const QString& photo : heifPhotos) {
        SCOPED_TRACE(photo.toStdString());
        const auto preview = workerService().readPreview(fixturePath(photo), 256);
        ASSERT_TRUE(preview.isOk()) << qPrintable(preview.error());
        const QImage image = QImage::fromData(preview->bytes);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(std::max(image.width(), image.height()), 256);
        // The full decode is as large as the file says its image is.
        const QByteArray full = fullDecode(fileBytes(fixturePath(photo)));
        const QImage whole = QImage::fromData(full);
        const auto properties = workerService().readProperties(fixturePath(photo));
        ASSERT_TRUE(properties.isOk());
        const int width = properties->dictionary.value(PixelWidth).toInt();
        const int height = properties->dictionary.value(PixelHeight).toInt();
        EXPECT_EQ(std::max(whole.width(), whole.height()), std::max(width, height));
        // Both keep the shape of the picture as shown.
        EXPECT_NEAR(double(image.width()) / image.height(), double(whole.width()) / whole.height(),
                    0.02);
    }
}
