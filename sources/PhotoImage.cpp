#include "sources/PhotoImage.h"

#include "metadata/MetadataService.h"

#include <QImageReader>

QImage loadPhotoImage(MetadataService& metadata, const QString& path, const QSize& box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (reader.canRead()) {
        // Never larger than the photo itself: a small photo stays sharp.
        if (reader.size().isValid())
            reader.setScaledSize(
                reader.size().scaled(box, Qt::KeepAspectRatio).boundedTo(reader.size()));
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
