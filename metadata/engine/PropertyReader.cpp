#include "metadata/engine/PropertyReader.h"

#include "metadata/PropertyKeys.h"
#include "metadata/engine/ByteReading.h"
#include "metadata/engine/ContainerFacts.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/MetadataLibrary.h"

#include <QSet>

int countImages(PhotoFormat format, const QByteArray& bytes) {
    if (format != PhotoFormat::Tiff)
        return format == PhotoFormat::Unknown ? 0 : 1;
    // Walk the chain of main directories; a loop or an offset out of the file
    // ends the walk rather than the program.
    if (bytes.size() < 8)
        return 1;
    const bool little = bytes.startsWith("II");
    quint32 offset = readUnsigned(bytes, 4, 4, little);
    QSet<quint32> seen;
    int pages = 0;
    while (offset != 0 && qsizetype(offset) + 2 <= bytes.size() && !seen.contains(offset)) {
        seen.insert(offset);
        ++pages;
        const quint32 entries = readUnsigned(bytes, offset, 2, little);
        const qsizetype next = qsizetype(offset) + 2 + qsizetype(entries) * 12;
        if (next + 4 > bytes.size())
            break;
        offset = readUnsigned(bytes, next, 4, little);
    }
    return std::max(pages, 1);
}

Result<PhotoProperties> readPhotoProperties(const QByteArray& bytes) {
    using R = Result<PhotoProperties>;
    if (bytes.isEmpty())
        return R::fail(QStringLiteral("empty file"));
    PhotoProperties properties;
    properties.format = sniffPhotoFormat(bytes);
    if (properties.format == PhotoFormat::Unknown)
        return R::fail(QStringLiteral("not a supported photo format"));
    initialiseMetadataLibrary();
    try {
        auto image = Exiv2Owned::openImage(bytes.constData(), bytes.size());
        if (!image.get())
            return R::fail(QStringLiteral("not a supported photo format"));
        image->readMetadata();
        properties.dictionary = Exiv2Values::dictionaryOf(*image);
        if (properties.format == PhotoFormat::Heif) {
            // The library answers with the EXIF dimensions, which describe the
            // camera's original rather than the image this file holds.
            if (const auto size = heifPrimaryImageSize(bytes)) {
                properties.dictionary.insert(PropertyKeys::PixelWidth, qlonglong(size->width()));
                properties.dictionary.insert(PropertyKeys::PixelHeight, qlonglong(size->height()));
            }
        }
    } catch (const std::bad_alloc&) {
        throw; // over the memory cap: the worker ends rather than answer
    } catch (const std::exception& error) {
        return R::fail(
            QStringLiteral("unreadable photo: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    properties.imageCount = countImages(properties.format, bytes);
    return R::ok(std::move(properties));
}

Result<PhotoPreview> readEmbeddedPreview(const QByteArray& bytes, int maxSide) {
    using R = Result<PhotoPreview>;
    if (sniffPhotoFormat(bytes) == PhotoFormat::Unknown)
        return R::fail(QStringLiteral("not a supported photo format"));
    initialiseMetadataLibrary();
    try {
        auto image = Exiv2Owned::openImage(bytes.constData(), bytes.size());
        if (!image)
            return R::fail(QStringLiteral("not a supported photo format"));
        image->readMetadata();
        Exiv2::PreviewManager manager(*image);
        const Exiv2::PreviewPropertiesList list = manager.getPreviewProperties();
        if (list.empty())
            return R::fail(QStringLiteral("no embedded preview"));
        // The smallest preview that is large enough, else the largest there is.
        const Exiv2::PreviewProperties* chosen = &list.back();
        for (const Exiv2::PreviewProperties& candidate : list) {
            if (int(std::max(candidate.width_, candidate.height_)) >= maxSide) {
                chosen = &candidate;
                break;
            }
        }
        const Exiv2::PreviewImage preview = manager.getPreviewImage(*chosen);
        PhotoPreview result;
        result.bytes =
            QByteArray(reinterpret_cast<const char*>(preview.pData()), qsizetype(preview.size()));
        result.size = QSize(int(preview.width()), int(preview.height()));
        return R::ok(std::move(result));
    } catch (const std::bad_alloc&) {
        throw; // over the memory cap: the worker ends rather than answer
    } catch (const std::exception& error) {
        return R::fail(
            QStringLiteral("unreadable photo: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}
