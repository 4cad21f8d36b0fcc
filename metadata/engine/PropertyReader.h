#pragma once

#include "metadata/PhotoProperties.h"
#include "metadata/Result.h"

#include <QByteArray>

// Reads the property dictionary from a whole file's bytes. Fails, with the
// reason, for anything that is not a supported still image.
Result<PhotoProperties> readPhotoProperties(const QByteArray& bytes);

// The embedded preview whose longer side is closest to maxSide.
Result<PhotoPreview> readEmbeddedPreview(const QByteArray& bytes, int maxSide);

// The number of images of a container: pages of a TIFF, 1 for the others.
int countImages(PhotoFormat format, const QByteArray& bytes);
