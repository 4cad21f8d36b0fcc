#pragma once

#include "metadata/engine/MetadataEdit.h"

#include <QList>
#include <QVariantMap>

// The fixed change sets the writers are fuzzed with; each takes them down
// another path.
namespace FuzzChanges {

// A value for each set of the EXIF block: a grown text, one that fits in its
// entry, a new date and a new GPS directory.
QVariantMap exifWrites();
// Whole sets removed, with the copies of the position in XMP.
QVariantMap removals();
// Keywords beyond ASCII, which bring the IPTC character set with them.
QVariantMap iptcWrites();
QList<QVariantMap> all();

// The steps for those changes on a photo nothing is known of.
MetadataEdit editFor(const QVariantMap& changes);

} // namespace FuzzChanges
