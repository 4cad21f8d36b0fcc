#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"

#include <QByteArray>
#include <QVariantMap>

struct PhotoProperties {
    PhotoFormat format = PhotoFormat::Unknown;
    int imageCount = 0;
    QVariantMap dictionary; // the properties of image 0
};

// Reads the property dictionary from a whole file's bytes. Fails, with the
// reason, for anything that is not a supported still image.
Result<PhotoProperties> readPhotoProperties(const QByteArray& bytes);

// The number of images of a container: pages of a TIFF, 1 for the others.
int countImages(PhotoFormat format, const QByteArray& bytes);
