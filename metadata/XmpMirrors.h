#pragma once

#include "metadata/RewriteRequest.h"

#include <QVariantMap>

// One value kept in several places: what applications that read XMP first
// (as the Metadata Working Group's guidelines have them) would otherwise
// read stale after a change to EXIF or IPTC alone.
namespace XmpMirrors {

// The changes with what keeps the photo's other places of the same values
// in step:
// - a value written to the TIFF, EXIF, GPS or IPTC set is written to its XMP
//   counterpart where the photo has XMP, and a TIFF or EXIF value to its IPTC
//   counterpart where the photo has IPTC;
// - an IPTC value that has an XMP counterpart goes only there when the photo
//   has XMP and no IPTC, or when its format has no place for IPTC (keepsIptc
//   false: WebP, HEIF), where XMP is made for it if need be;
// - a removed set takes its XMP counterparts with it;
// - a date that ends in a zone offset is written as its wall time and its
//   offset ("OffsetTimeOriginal" beside "DateTimeOriginal"), and its XMP
//   counterparts carry the offset the photo keeps for it.
// Only keys whose value changes are mirrored, and an "{XMP}" value the
// changes give themselves wins over a mirror. Of the photo's dictionary only
// these are consulted: its "{XMP}" set, whether it has an "{IPTC}" set, and
// the values of the keys the changes name with their zone offsets.
QVariantMap withMirrors(const QVariantMap& photo, const QVariantMap& changes,
                        bool keepsIptc = true);

// The zone the photo keeps for its dates once the changes are made: an
// offset of its EXIF set (the original date's first), else the zone of an
// XMP date; empty when it keeps none. A photo has one zone, so every copy of
// a date that the mirrors write carries this one unless the changes give
// the date its own.
QString photoZone(const QVariantMap& photo);

// The "{XMP}" changes for an XMP sidecar holding the given values: every
// mirror, as if the photo kept XMP, compared with the sidecar's values; a
// removal value when the changes remove the "{XMP}" set.
QVariant sidecarChanges(const QVariantMap& photo, const QVariantMap& sidecar,
                        const QVariantMap& changes);

// Container properties folded under the changes, as the writer applies
// them: the changes' values win.
QVariantMap folded(const QVariantMap& containerProperties, const QVariantMap& changes);

// What a rewrite job asks of a photo of this dictionary, made whole as the
// writer plans it and as a dry run shows it: the container properties
// folded under the changes, the sets given whole completed with removals
// of their other keys, laid over the whole dictionary where the job asks
// for that, and the mirrors of every value that changes.
QVariantMap jobChanges(const QVariantMap& photo, const RewriteJob& job, bool keepsIptc = true);

} // namespace XmpMirrors
