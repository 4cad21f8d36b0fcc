#include "sources/PhotoImage.h"

#include "metadata/MetadataService.h"

#include <QImageReader>

QImage loadPhotoImage(MetadataService& metadata, const QString& path, const QSize& box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (reader.canRead()) {
        // Never larger than the photo itself: a small photo stays sharp. The
        // reader scales the photo as stored and turns it after, so a photo
        // stored on its side is fitted into the box on its side.
        const QSize stored = reader.size();
        if (stored.isValid()) {
            const bool sideways = reader.transformation() & QImageIOHandler::TransformationRotate90;
            reader.setScaledSize(
                stored.scaled(sideways ? box.transposed() : box, Qt::KeepAspectRatio)
                    .boundedTo(stored));
        }
        return reader.read();
    }
    const auto preview = metadata.readPreview(path, std::max(box.width(), box.height()));
    if (!preview)
        return {};
    const QImage image = QImage::fromData(preview->bytes);
    if (image.isNull() || (image.width() <= box.width() && image.height() <= box.height()))
        return image;
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
