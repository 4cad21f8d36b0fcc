#include "fuzz/FuzzChanges.h"

#include "metadata/PropertyKeys.h"

#include <cstdlib>

using namespace PropertyKeys;

namespace FuzzChanges {

QVariantMap exifWrites() {
    return {
        {TiffSet, QVariantMap{{Artist, QStringLiteral("An artist longer than four bytes")},
                              {Copyright, QStringLiteral("(c)")}}},
        {ExifSet, QVariantMap{{DateTimeOriginal, QStringLiteral("2021:02:03 04:05:06")}}},
        {GpsSet, QVariantMap{{Latitude, 47.5},
                             {LatitudeRef, QStringLiteral("N")},
                             {Longitude, 8.25},
                             {LongitudeRef, QStringLiteral("E")}}},
    };
}

QVariantMap removals() {
    return {{GpsSet, removal()}, {ExifSet, removal()}, {IptcSet, removal()}};
}

QVariantMap iptcWrites() {
    return {
        {IptcSet, QVariantMap{{Keywords, QStringList{QStringLiteral("eins"), QStringLiteral("zwei"),
                                                     QStringLiteral("drü")}}}}};
}

QList<QVariantMap> all() {
    return {exifWrites(), removals(), iptcWrites()};
}

MetadataEdit editFor(const QVariantMap& changes) {
    auto edit = resolveEdit({}, {}, changes);
    if (!edit)
        std::abort(); // fixed changes: cannot happen
    return edit.value();
}

} // namespace FuzzChanges
