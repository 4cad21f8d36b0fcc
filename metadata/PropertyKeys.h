#pragma once

#include <QString>

// Key names of the property dictionary. The same strings are the keys of the
// exported property-list files, so they must never change.
namespace PropertyKeys {
inline const QString PixelWidth = QStringLiteral("PixelWidth");
inline const QString PixelHeight = QStringLiteral("PixelHeight");
inline const QString Orientation = QStringLiteral("Orientation");
inline const QString DPIWidth = QStringLiteral("DPIWidth");
inline const QString DPIHeight = QStringLiteral("DPIHeight");

inline const QString ExifSet = QStringLiteral("{Exif}");
inline const QString TiffSet = QStringLiteral("{TIFF}");
inline const QString GpsSet = QStringLiteral("{GPS}");
inline const QString IptcSet = QStringLiteral("{IPTC}");
inline const QString XmpSet = QStringLiteral("{XMP}");

inline const QString DateTimeOriginal = QStringLiteral("DateTimeOriginal");
inline const QString DateTimeDigitized = QStringLiteral("DateTimeDigitized");
inline const QString LensMake = QStringLiteral("LensMake");
inline const QString LensModel = QStringLiteral("LensModel");
inline const QString UserComment = QStringLiteral("UserComment");

inline const QString Artist = QStringLiteral("Artist");
inline const QString ImageDescription = QStringLiteral("ImageDescription");
inline const QString Copyright = QStringLiteral("Copyright");
inline const QString Make = QStringLiteral("Make");
inline const QString Model = QStringLiteral("Model");
inline const QString DateTime = QStringLiteral("DateTime");

inline const QString Latitude = QStringLiteral("Latitude");
inline const QString LatitudeRef = QStringLiteral("LatitudeRef");
inline const QString Longitude = QStringLiteral("Longitude");
inline const QString LongitudeRef = QStringLiteral("LongitudeRef");
inline const QString Altitude = QStringLiteral("Altitude");
inline const QString AltitudeRef = QStringLiteral("AltitudeRef");
inline const QString DateStamp = QStringLiteral("DateStamp");
inline const QString TimeStamp = QStringLiteral("TimeStamp");
inline const QString GPSVersion = QStringLiteral("GPSVersion");
inline const QString Speed = QStringLiteral("Speed");
inline const QString SpeedRef = QStringLiteral("SpeedRef");
inline const QString Track = QStringLiteral("Track");
inline const QString TrackRef = QStringLiteral("TrackRef");

inline const QString Keywords = QStringLiteral("Keywords");

inline bool isSetKey(const QString& key) {
    return key == ExifSet || key == TiffSet || key == GpsSet || key == IptcSet || key == XmpSet;
}
} // namespace PropertyKeys

#include <QVariant>
#include <QVariantMap>

namespace PropertyKeys {
// The value that removes a key, or a whole set when the key names one. It is
// a marker of its own: the invalid value a missing key yields is no removal.
inline QVariant removal() {
    return QVariant::fromValue(nullptr);
}
inline bool isRemoval(const QVariant& value) {
    return value.typeId() == QMetaType::Nullptr;
}
} // namespace PropertyKeys

namespace PropertyKeys {
// A change dictionary carrying one set by itself: every key of the set
// written into that set, the photo's other sets kept.
inline QVariantMap handSet(const QString& setName, const QVariantMap& values) {
    return QVariantMap{{setName, values}};
}
} // namespace PropertyKeys

#include <QStringList>

namespace PropertyKeys {
// The changes with a removal for each key of a named set that the photo has
// and the changes' set does not name, so that set is written whole.
inline QVariantMap withReplacedSets(const QVariantMap& dictionary, QVariantMap changes,
                                    const QStringList& sets) {
    for (const QString& name : sets) {
        if (changes.value(name).typeId() != QMetaType::QVariantMap)
            continue;
        QVariantMap set = changes.value(name).toMap();
        const QVariantMap current = dictionary.value(name).toMap();
        for (auto it = current.cbegin(); it != current.cend(); ++it) {
            if (!set.contains(it.key()))
                set.insert(it.key(), removal());
        }
        changes.insert(name, set);
    }
    return changes;
}
} // namespace PropertyKeys
