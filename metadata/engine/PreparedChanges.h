#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"
#include "metadata/RewriteRequest.h"

#include <QByteArray>
#include <QVariantMap>

#include <memory>

class TiffEditor;

// What a rewrite job asks of one photo, made whole before it is planned:
// the container properties folded under the changes, the sets given whole
// completed with the removals of their other keys, the photo's dictionary
// laid under them where the job asks for that, and the mirrors of every
// value that changes (XmpMirrors). With the part of the photo's dictionary
// this was worked out from, which planning compares with, and the EXIF
// block parsed on the way.
struct PreparedChanges {
    QVariantMap changes;
    QVariantMap dictionary;
    std::shared_ptr<const TiffEditor> exifBlock;
};
Result<PreparedChanges> prepareChanges(const QByteArray& source, const RewriteJob& job);

// What a job asks of a photo of this dictionary, as the writer plans it and a
// dry run lists it (XmpMirrors::jobChanges). A removal of all metadata
// removes every key but the orientation, the resolution, the colour space
// and the entries that store a TIFF file's image, and of a RAW file what a
// raw converter needs. A block or EXIF directory the changes make anew gets
// the entries EXIF requires of it, from the image's facts in source.
QVariantMap changesOf(const QVariantMap& dictionary, const RewriteJob& job, PhotoFormat format,
                      const QByteArray& source);

// The changes as a dry run lists them: a resolution written into a photo
// that shows no density gives it one, in dots per inch.
QVariantMap withShownDensity(const QVariantMap& dictionary, QVariantMap changes);

// What the outcome of a removal of all metadata tells of a RAW file: what
// stayed, and why; empty for any other photo or job.
QString rawRemark(const QByteArray& source, const RewriteJob& job);
