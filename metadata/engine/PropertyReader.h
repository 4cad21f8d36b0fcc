#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/PhotoProperties.h"
#include "metadata/Result.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantMap>

#include <memory>

// Reads the property dictionary from a whole file's bytes. Fails, with the
// reason, for anything that is not a supported still image.
Result<PhotoProperties> readPhotoProperties(const QByteArray& bytes);

// The embedded preview whose longer side is closest to maxSide.
Result<PhotoPreview> readEmbeddedPreview(const QByteArray& bytes, int maxSide);

// The number of images of a container: pages of a TIFF, 1 for the others.
int countImages(PhotoFormat format, const QByteArray& bytes);

class TiffEditor;

// The selected reads: the part of a photo's property dictionary that
// resolving a change dictionary compares with, the values of the keys it
// writes, read by the same conversion as the whole read above and falling
// back to it wherever only the whole read may answer. Removals need
// none of it. Where only keys of the TIFF, EXIF or GPS sets of a JPEG are
// written, just those entries of its EXIF block are looked up (or, for a
// block the library might read otherwise, the block alone is decoded); IPTC
// keys are looked up in its IPTC datasets alone; anything else is read
// whole, as a read of the photo would.
// The EXIF block parsed on the way is handed on, so that the edit which
// follows does not parse it again.
struct SelectedValues {
    QVariantMap values;
    std::shared_ptr<const TiffEditor> exifBlock; // null when it was not parsed
};
Result<SelectedValues> readComparedValues(const QByteArray& source, PhotoFormat format,
                                          const QVariantMap& changes,
                                          const QVariantMap& containerProperties);

// The part of a photo's dictionary that working out a job's changes and
// their mirrors consults: the values of the keys the changes write with
// what their mirrors join them with (zone offsets, GPS references), every
// key of the sets given whole, and the whole "{IPTC}" and "{XMP}" sets. For
// a JPEG, just those entries of the EXIF block are looked up, the IPTC
// datasets and the XMP packet alone decoded; changes that only remove sets
// need the XMP packet alone, of any photo; anything else is read whole.
Result<SelectedValues> readChangeContext(const QByteArray& source, PhotoFormat format,
                                         const QVariantMap& changes,
                                         const QStringList& replacedSets);
