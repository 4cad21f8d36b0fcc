#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"
#include "metadata/RewritePlan.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class TiffEditor;

// The part of a photo's property dictionary that resolving a change
// dictionary compares with: the values of the keys it writes. Removals need
// none of it. Where only keys of the TIFF, EXIF or GPS sets of a JPEG are
// written, just those entries of its EXIF block are looked up (or, for a
// block the library might read otherwise, the block alone is decoded); IPTC
// keys are looked up in its IPTC datasets alone; anything else is read
// whole, as a read of the photo would.
// The EXIF block parsed on the way is handed on, so that the edit which
// follows does not parse it again.
struct ComparedValues {
    QVariantMap values;
    std::shared_ptr<const TiffEditor> exifBlock; // null when it was not parsed
};
Result<ComparedValues> readComparedValues(const QByteArray& source, PhotoFormat format,
                                          const QVariantMap& changes,
                                          const QVariantMap& containerProperties);

// The rewrite of changes that give the named sets whole: the photo's keys of
// those sets that the changes do not name are removed. Which keys it has is
// looked up as cheaply as can be trusted: for a JPEG's GPS set, in the EXIF
// block's GPS directory alone; otherwise, or where the library might read
// that block otherwise, in the whole dictionary.
Result<RewritePlan> planRewriteReplacing(const QByteArray& source, const QVariantMap& changes,
                                         const QVariantMap& containerProperties,
                                         const QStringList& replacedSets);
