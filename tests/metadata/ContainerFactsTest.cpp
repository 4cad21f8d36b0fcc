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

// Our own parsers of container structure run before the metadata library on
// every photo: whatever the bytes, they must stay inside them. The sanitizer
// build turns any stray read here into a failure.
TEST(ContainerFacts, neverReadOutsideTheBytesOfDamagedContainers) {
    QRandomGenerator random(20261206);
    for (const QString& name :
         {QStringLiteral("DSCN0010.jpg"), QStringLiteral("multipage.tiff"),
          QStringLiteral("photo.png"), QStringLiteral("photo.webp"),
          QStringLiteral("IMG_5195.HEIC"), QStringLiteral("tiff-photoshop-block-overread.tif")}) {
        const QByteArray original = fileBytes(fixturePath(name));
        for (int round = 0; round < 400; ++round) {
            QByteArray bytes = original.left(
                qsizetype(random.bounded(int(std::min<qsizetype>(original.size(), 8192)))) + 1);
            const int flips = random.bounded(1, 12);
            for (int i = 0; i < flips && !bytes.isEmpty(); ++i)
                bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            if (round % 2)
                bytes = original.left(4) + bytes.mid(4); // keep the magic so the parsers go deep
            const PhotoFormat format = sniffPhotoFormat(bytes);
            (void)checkImageDataComplete(format, bytes);
            (void)countImages(PhotoFormat::Tiff, bytes);
            (void)heifPrimaryImageSize(bytes);
            (void)jpegFirstScanOffset(bytes);
            if (bytes.startsWith("II") || bytes.startsWith("MM"))
                (void)checkTiffIsSafeToWrite(bytes);
        }
    }
    SUCCEED();
}
