#include "metadata/engine/ContainerFacts.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/TiffGuard.h"
#include "support/TestPhotos.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

TEST(ContainerFacts, readsTheTrueSizeOfAHeifImage) {
    const auto size = heifPrimaryImageSize(fileBytes(fixturePath(QStringLiteral("IMG_5195.HEIC"))));
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(*size, QSize(2566, 3313));
    EXPECT_FALSE(
        heifPrimaryImageSize(fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")))).has_value());
}

TEST(ContainerFacts, tellsCompletePhotosFromTruncatedOnes) {
    for (const QString& name : {QStringLiteral("DSCN0010.jpg"), QStringLiteral("multipage.tiff"),
                                QStringLiteral("photo.png"), QStringLiteral("photo.webp")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray whole = fileBytes(fixturePath(name));
        const PhotoFormat format = sniffPhotoFormat(whole);
        EXPECT_TRUE(checkImageDataComplete(format, whole).isOk());
        EXPECT_FALSE(checkImageDataComplete(format, whole.left(whole.size() - 100)).isOk());
        EXPECT_FALSE(checkImageDataComplete(format, whole.left(whole.size() / 2)).isOk());
    }
    // Bytes after a JPEG's end marker (camera trailers) do not make it incomplete.
    const QByteArray jpeg = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    EXPECT_TRUE(checkImageDataComplete(PhotoFormat::Jpeg, jpeg + QByteArray(64, 'x')).isOk());
}

TEST(ContainerFacts, refusesAPhotoShortOfItsLastFewBytes) {
    for (const QString& name : {QStringLiteral("DSCN0010.jpg"), QStringLiteral("photo.png"),
                                QStringLiteral("photo.webp")}) {
        const QByteArray whole = fileBytes(fixturePath(name));
        const PhotoFormat format = sniffPhotoFormat(whole);
        for (int missing = 1; missing <= 8; ++missing) {
            SCOPED_TRACE(name.toStdString() + " less " + std::to_string(missing));
            const Status complete =
                checkImageDataComplete(format, whole.left(whole.size() - missing));
            EXPECT_FALSE(complete.isOk());
            EXPECT_EQ(complete.error(), QStringLiteral("truncated or damaged image data"));
        }
    }
}

// Our own parsers of container structure run before the metadata library on
// every photo: whatever the bytes, they must stay inside them (the sanitizer
// build turns any stray read into a failure) and answer what the bytes say.
TEST(ContainerFacts, answerForDamagedContainersWhatTheirBytesSay) {
    const QString incomplete = QStringLiteral("truncated or damaged image data");
    const QStringList tiffRefusals = {
        QStringLiteral("truncated TIFF"),
        QStringLiteral("damaged TIFF: first directory out of the file"),
        QStringLiteral("damaged TIFF: first directory truncated"),
        QStringLiteral("damaged Photoshop block")};
    QRandomGenerator random(20261206);
    for (const QString& name :
         {QStringLiteral("DSCN0010.jpg"), QStringLiteral("multipage.tiff"),
          QStringLiteral("photo.png"), QStringLiteral("photo.webp"),
          QStringLiteral("IMG_5195.HEIC"), QStringLiteral("tiff-photoshop-block-overread.tif")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray original = fileBytes(fixturePath(name));
        const PhotoFormat originalFormat = sniffPhotoFormat(original);
        const auto originalScan = jpegFirstScanOffset(original);
        const auto originalSize = heifPrimaryImageSize(original);
        const int originalPages = countImages(PhotoFormat::Tiff, original);
        for (int round = 0; round < 400; ++round) {
            SCOPED_TRACE(round);
            const qsizetype length =
                qsizetype(random.bounded(int(std::min<qsizetype>(original.size(), 8192)))) + 1;
            ASSERT_LT(length, original.size());

            // Cut short: each parser gives the answer the cut decides.
            const QByteArray cut = original.left(length);
            const PhotoFormat format = sniffPhotoFormat(cut);
            if (length >= 32) {
                EXPECT_EQ(format, originalFormat);
            }
            if (format == originalFormat && format != PhotoFormat::Heif) {
                const Status complete = checkImageDataComplete(format, cut);
                EXPECT_FALSE(complete.isOk());
                EXPECT_EQ(complete.error(), incomplete);
            }
            if (originalFormat == PhotoFormat::Jpeg) {
                EXPECT_EQ(jpegFirstScanOffset(cut),
                          length >= *originalScan + 4 ? originalScan : std::nullopt);
            }
            const auto size = heifPrimaryImageSize(cut);
            EXPECT_TRUE(!size || size == originalSize);
            if (originalFormat == PhotoFormat::Tiff) {
                const int pages = countImages(PhotoFormat::Tiff, cut);
                EXPECT_GE(pages, 1);
                EXPECT_LE(pages, originalPages);
            }

            // Cut and scrambled: refused with the parser's reason, or
            // accepted with an answer that lies inside the bytes.
            QByteArray bytes = cut;
            const int flips = random.bounded(1, 12);
            for (int i = 0; i < flips && !bytes.isEmpty(); ++i)
                bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            if (round % 2)
                bytes = original.left(4) + bytes.mid(4); // keep the magic so the parsers go deep
            const Status complete = checkImageDataComplete(sniffPhotoFormat(bytes), bytes);
            if (!complete) {
                EXPECT_EQ(complete.error(), incomplete);
            }
            if (const auto scan = jpegFirstScanOffset(bytes)) {
                ASSERT_LE(*scan + 2, bytes.size());
                EXPECT_EQ(quint8(bytes[*scan]), 0xFF);
                EXPECT_EQ(quint8(bytes[*scan + 1]), 0xDA);
            }
            if (heifPrimaryImageSize(bytes)) {
                EXPECT_TRUE(bytes.contains("ispe"));
            }
            const int pages = countImages(PhotoFormat::Tiff, bytes);
            EXPECT_GE(pages, 1);
            EXPECT_LE(pages, std::max<qsizetype>(1, bytes.size() / 2));
            if (bytes.startsWith("II") || bytes.startsWith("MM")) {
                const Status safe = checkTiffIsSafeToWrite(bytes);
                if (!safe) {
                    EXPECT_TRUE(tiffRefusals.contains(safe.error())) << qPrintable(safe.error());
                }
            }
        }
    }
}
