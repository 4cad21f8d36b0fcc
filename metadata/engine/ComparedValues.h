#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"

#include <QByteArray>
#include <QVariantMap>

// The part of a photo's property dictionary that resolving a change
// dictionary compares with: the values of the keys it writes. Removals need
// none of it. Where only keys of the TIFF, EXIF or GPS sets of a JPEG are
// written, just those entries of its EXIF block are looked up (or, for a
// block the library might read otherwise, the block alone is decoded);
// anything else is read whole, as a read of the photo would.
Result<QVariantMap> readComparedValues(const QByteArray& source, PhotoFormat format,
                                       const QVariantMap& changes,
                                       const QVariantMap& containerProperties);
