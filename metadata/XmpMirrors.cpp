#include "metadata/XmpMirrors.h"

#include "metadata/DateText.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"
#include "metadata/XmpMirrorTable.h"
#include "metadata/XmpMirrorValues.h"
#include "metadata/XmpNames.h"

#include <QSet>

#include <optional>

namespace XmpMirrors {

namespace {

using namespace PropertyKeys;
namespace V = XmpMirrorValues;
using namespace XmpMirrorTable;

class Expansion {
public:
    Expansion(const QVariantMap& photo, QVariantMap changes, QVariantMap xmpNow, bool hasXmp,
              bool hasIptc, bool keepsIptc = true)
        : m_photo(photo), m_changes(std::move(changes)), m_xmpNow(std::move(xmpNow)),
          m_hasXmp(hasXmp), m_hasIptc(hasIptc), m_keepsIptc(keepsIptc) {}

    QVariantMap run() {
        splitZones();
        for (const QString& set : {TiffSet, ExifSet, GpsSet, IptcSet}) {
            if (removesSet(set)) {
                for (auto it = m_xmpNow.cbegin(); it != m_xmpNow.cend(); ++it) {
                    if (mirrorsRemovedSet(set, it.key()))
                        m_xmp.insert(it.key(), removal());
                }
            }
        }
        mirrorWindows();
        mirrorTiffAndExif();
        mirrorDates();
        mirrorGps();
        mirrorIptc();
        merge();
        return m_changes;
    }

    QString photoZone() const {
        for (const DateMirror& date : dateMirrors) {
            const QString offset = after(ExifSet, date.offset).value_or(QVariant()).toString();
            if (!offset.isEmpty())
                return offset;
        }
        for (const DateMirror& date : dateMirrors) {
            for (const QString& xmp : date.xmp + date.xmpWherePresent) {
                const QString zone = V::offsetOf(m_xmpNow.value(xmp).toString());
                if (!zone.isEmpty())
                    return zone;
            }
        }
        return QString();
    }

private:
    bool removesSet(const QString& set) const {
        return m_changes.contains(set) && isRemoval(m_changes.value(set));
    }

    QVariantMap changedSet(const QString& set) const {
        const QVariant value = m_changes.value(set);
        return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
    }

    // Whether the changes give the key a value other than the photo's, or remove it.
    bool changed(const QString& set, const QString& key) const {
        const QVariantMap values = changedSet(set);
        if (!values.contains(key))
            return false;
        const QVariant value = values.value(key);
        if (isRemoval(value))
            return true;
        const QVariantMap current = m_photo.value(set).toMap();
        return !current.contains(key) || !PropertyValues::same(current.value(key), value);
    }

    // The key's value once the changes are made; nothing when it has none.
    std::optional<QVariant> after(const QString& set, const QString& key) const {
        if (removesSet(set))
            return std::nullopt;
        const QVariantMap values = changedSet(set);
        if (values.contains(key)) {
            const QVariant value = values.value(key);
            return isRemoval(value) ? std::nullopt : std::optional<QVariant>(value);
        }
        const QVariantMap current = m_photo.value(set).toMap();
        if (current.contains(key))
            return current.value(key);
        return std::nullopt;
    }

    void setValue(const QString& set, const QString& key, const QVariant& value) {
        QVariantMap values = changedSet(set);
        values.insert(key, value);
        m_changes.insert(set, values);
    }

    // A date that ends in an offset is its wall time and the offset.
    void splitZones() {
        for (const DateMirror& date : dateMirrors) {
            const QVariantMap values = changedSet(date.set);
            if (!values.contains(date.key) || isRemoval(values.value(date.key)))
                continue;
            const DateText::Zoned zoned = DateText::splitZone(values.value(date.key).toString());
            if (zoned.offset.isEmpty())
                continue;
            setValue(date.set, date.key, zoned.wall);
            if (!changedSet(ExifSet).contains(date.offset))
                setValue(ExifSet, date.offset, zoned.offset);
        }
    }

    // An empty value is no value: its copy is removed.
    void mirrorTo(const QString& xmp, const std::optional<QVariant>& value, bool list,
                  bool splitText = false) {
        const QVariantList items = value ? V::list(*value, splitText) : QVariantList();
        if (!value || V::text(*value).isEmpty() || items.isEmpty())
            m_xmp.insert(xmp, removal());
        else if (list)
            m_xmp.insert(xmp, items);
        else
            m_xmp.insert(xmp, V::text(*value));
    }

    // Windows's copies follow their values, or go with them.
    void mirrorWindows() {
        if (removesSet(TiffSet))
            return;
        const QVariantMap tiff = m_photo.value(TiffSet).toMap();
        const QVariantMap xmp = changedSet(XmpSet);
        for (const WindowsCopy& copy : windowsCopies) {
            const QString key = QString::fromLatin1(copy.key);
            const QString from = QString::fromLatin1(copy.from);
            const QString alone = copy.xmp ? QString::fromLatin1(copy.xmp) : QString();
            if (!tiff.contains(key) || changedSet(TiffSet).contains(key))
                continue;
            std::optional<QVariant> value;
            if (changed(copy.set, from)) {
                value = after(copy.set, from);
            } else if (copy.xmp && xmp.contains(alone)) {
                if (!isRemoval(xmp.value(alone)))
                    value = xmp.value(alone);
            } else {
                continue;
            }
            QStringList items;
            for (const QVariant& item : value ? V::list(*value, false) : QVariantList())
                items << item.toString();
            const QString text = items.join(u';');
            setValue(TiffSet, key, text.isEmpty() ? removal() : QVariant(text));
        }
    }

    void mirrorTiffAndExif() {
        if (changed(TiffSet, Artist)) {
            const auto value = after(TiffSet, Artist);
            mirrorTo(QStringLiteral("dc:creator"), value, true, true);
            // Some writers keep a plain copy in the EXIF namespace as well.
            if (m_xmpNow.contains(QStringLiteral("exif:Artist")))
                mirrorTo(QStringLiteral("exif:Artist"), value, false);
            QVariantList creators;
            for (const QVariant& creator : value ? V::list(*value, true) : QVariantList())
                creators << V::iptcText(QStringLiteral("By-line"), creator.toString());
            m_iptc.insert(QStringLiteral("By-line"),
                          creators.isEmpty() ? removal() : V::single(creators));
        }
        for (const Plain& mirror : plainMirrors) {
            const QString key = QString::fromLatin1(mirror.key);
            if (!changed(mirror.set, key))
                continue;
            const auto value = after(mirror.set, key);
            mirrorTo(QString::fromLatin1(mirror.xmp), value, false);
            if (mirror.iptc) {
                const QString dataset = QString::fromLatin1(mirror.iptc);
                const QString text = value ? V::iptcText(dataset, V::text(*value)) : QString();
                m_iptc.insert(dataset, text.isEmpty() ? removal() : QVariant(text));
            }
        }
    }

    void mirrorDates() {
        const QVariantMap iptcNow = m_photo.value(IptcSet).toMap();
        for (const DateMirror& date : dateMirrors) {
            if (!changed(date.set, date.key) && !changed(ExifSet, date.offset))
                continue;
            const auto wall = after(date.set, date.key);
            QStringList copies = date.xmp;
            for (const QString& xmp : date.xmpWherePresent) {
                if (m_xmpNow.contains(xmp))
                    copies << xmp;
            }
            if (!wall) {
                for (const QString& xmp : copies)
                    m_xmp.insert(xmp, removal());
                continue;
            }
            QString zone = after(ExifSet, date.offset).value_or(QVariant()).toString();
            if (zone.isEmpty())
                zone = photoZone();
            for (const QString& xmp : copies) {
                if (const auto text = V::xmpDate(wall->toString(), zone))
                    m_xmp.insert(xmp, *text);
            }
            if (!date.iptcDate)
                continue;
            // An IPTC time always carries a zone: without one of the photo's,
            // the one it has already stays.
            const QString timeKey = QString::fromLatin1(date.iptcTime);
            QString offset = zone;
            if (offset.isEmpty())
                offset = V::offsetOf(iptcNow.value(timeKey).toString());
            if (const auto iptc = V::iptcDateTime(wall->toString(), offset)) {
                m_iptc.insert(QString::fromLatin1(date.iptcDate), iptc->first);
                m_iptc.insert(timeKey, iptc->second);
            }
        }
    }

    void mirrorGps() {
        const QVariantMap gps = changedSet(GpsSet);
        const auto number = [&](const QString& key) {
            return after(GpsSet, key).value_or(QVariant());
        };
        const struct {
            QString value, reference, xmp, positive, negative;
        } coordinates[] = {
            {Latitude, LatitudeRef, QStringLiteral("exif:GPSLatitude"), QStringLiteral("N"),
             QStringLiteral("S")},
            {Longitude, LongitudeRef, QStringLiteral("exif:GPSLongitude"), QStringLiteral("E"),
             QStringLiteral("W")},
        };
        for (const auto& c : coordinates) {
            if (!changed(GpsSet, c.value) && !changed(GpsSet, c.reference))
                continue;
            const auto value = after(GpsSet, c.value);
            if (!value) {
                m_xmp.insert(c.xmp, removal());
                continue;
            }
            const double degrees = value->toDouble();
            QString reference = number(c.reference).toString();
            if (reference.isEmpty())
                reference = degrees < 0 ? c.negative : c.positive;
            m_xmp.insert(c.xmp, V::coordinate(degrees, reference));
        }
        if (changed(GpsSet, DateStamp) || changed(GpsSet, TimeStamp)) {
            const auto time = after(GpsSet, TimeStamp);
            const auto stamp = time
                                   ? V::gpsTimeStamp(number(DateStamp).toString(), time->toString())
                                   : std::nullopt;
            if (!time || stamp)
                m_xmp.insert(QStringLiteral("exif:GPSTimeStamp"),
                             stamp ? QVariant(*stamp) : removal());
        }
        const QStringList handled = {Latitude,     LatitudeRef, Longitude,
                                     LongitudeRef, DateStamp,   TimeStamp};
        for (auto it = gps.cbegin(); it != gps.cend(); ++it) {
            if (handled.contains(it.key()) || !changed(GpsSet, it.key()))
                continue;
            const QString xmp = it.key() == GPSVersion ? QStringLiteral("exif:GPSVersionID")
                                                       : QStringLiteral("exif:GPS") + it.key();
            if (isRemoval(it.value()))
                m_xmp.insert(xmp, removal());
            else if (PropertyValues::isNumber(it.value()) &&
                     !it.key().endsWith(QLatin1String("Ref")))
                m_xmp.insert(xmp, V::rational(it.value().toDouble()));
            else
                m_xmp.insert(xmp, V::text(it.value()));
        }
    }

    void mirrorIptc() {
        QVariantMap iptc = changedSet(IptcSet);
        if (iptc.isEmpty())
            return;
        const bool xmpOnly = (m_hasXmp && !m_hasIptc) || !m_keepsIptc;
        for (const IptcMirror& mirror : iptcMirrors) {
            const QString key = QString::fromLatin1(mirror.iptc);
            if (!changed(IptcSet, key))
                continue;
            mirrorTo(QString::fromLatin1(mirror.xmp), after(IptcSet, key), mirror.list);
            if (!m_keepsIptc)
                m_homeless.insert(QString::fromLatin1(mirror.xmp));
            if (xmpOnly)
                iptc.remove(key);
        }
        const QString date = QStringLiteral("DateCreated"), time = QStringLiteral("TimeCreated");
        if (changed(IptcSet, date) || changed(IptcSet, time)) {
            const auto day = after(IptcSet, date);
            const auto text =
                day ? V::xmpDateOfIptc(day->toString(),
                                       after(IptcSet, time).value_or(QVariant()).toString())
                    : std::nullopt;
            if (!day || text)
                m_xmp.insert(QStringLiteral("photoshop:DateCreated"),
                             text ? QVariant(*text) : removal());
            if (xmpOnly) {
                iptc.remove(date);
                iptc.remove(time);
            }
        }
        if (iptc.isEmpty())
            m_changes.remove(IptcSet);
        else
            m_changes.insert(IptcSet, iptc);
    }

    // Mirrors join the changes where they change something and the changes
    // do not already give the key a value of their own.
    void merge() {
        if ((m_hasXmp || !m_homeless.isEmpty()) && !removesSet(XmpSet) && !m_xmp.isEmpty()) {
            QVariantMap xmp = changedSet(XmpSet);
            for (auto it = m_xmp.cbegin(); it != m_xmp.cend(); ++it) {
                if (!m_hasXmp && !m_homeless.contains(it.key()))
                    continue; // a photo without XMP gets only what has no other home
                const bool given =
                    xmp.contains(it.key()) &&
                    !(m_xmpNow.contains(it.key()) &&
                      PropertyValues::same(m_xmpNow.value(it.key()), xmp.value(it.key())));
                if (given)
                    continue;
                if (isRemoval(it.value())
                        ? m_xmpNow.contains(it.key())
                        : !PropertyValues::same(m_xmpNow.value(it.key()), it.value()))
                    xmp.insert(it.key(), it.value());
                else
                    xmp.remove(it.key());
            }
            if (!xmp.isEmpty())
                m_changes.insert(XmpSet, xmp);
        }
        if (m_hasIptc && !removesSet(IptcSet) && !m_iptc.isEmpty()) {
            QVariantMap iptc = changedSet(IptcSet);
            const QVariantMap iptcNow = m_photo.value(IptcSet).toMap();
            for (auto it = m_iptc.cbegin(); it != m_iptc.cend(); ++it) {
                if (iptc.contains(it.key()))
                    continue;
                if (isRemoval(it.value())
                        ? iptcNow.contains(it.key())
                        : !PropertyValues::same(iptcNow.value(it.key()), it.value()))
                    iptc.insert(it.key(), it.value());
            }
            if (!iptc.isEmpty())
                m_changes.insert(IptcSet, iptc);
        }
    }

    const QVariantMap& m_photo;
    QVariantMap m_changes;
    const QVariantMap m_xmpNow;
    const bool m_hasXmp;
    const bool m_hasIptc;
    const bool m_keepsIptc;
    QSet<QString> m_homeless; // XMP mirrors of IPTC values the format has no place for
    QVariantMap m_xmp;        // the XMP mirrors of what changes
    QVariantMap m_iptc;       // the IPTC mirrors of what changes
};

} // namespace

QString photoZone(const QVariantMap& photo) {
    const QVariantMap xmp = photo.value(XmpSet).toMap();
    return Expansion(photo, {}, xmp, !xmp.isEmpty(), false).photoZone();
}

QVariantMap withMirrors(const QVariantMap& photo, const QVariantMap& changes, bool keepsIptc) {
    const QVariantMap xmp = photo.value(XmpSet).toMap();
    return Expansion(photo, changes, xmp, !xmp.isEmpty(), !photo.value(IptcSet).toMap().isEmpty(),
                     keepsIptc)
        .run();
}

QVariant sidecarChanges(const QVariantMap& photo, const QVariantMap& sidecar,
                        const QVariantMap& changes) {
    if (changes.contains(XmpSet) && isRemoval(changes.value(XmpSet)))
        return removal();
    QVariantMap own = photo;
    own.insert(XmpSet, sidecar);
    return Expansion(own, changes, sidecar, true, false).run().value(XmpSet).toMap();
}

QVariantMap folded(const QVariantMap& containerProperties, const QVariantMap& changes) {
    QVariantMap all = containerProperties;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (isSetKey(it.key()) && it.value().typeId() == QMetaType::QVariantMap &&
            all.value(it.key()).typeId() == QMetaType::QVariantMap) {
            QVariantMap set = all.value(it.key()).toMap();
            const QVariantMap values = it.value().toMap();
            for (auto value = values.cbegin(); value != values.cend(); ++value)
                set.insert(value.key(), value.value());
            all.insert(it.key(), set);
        } else {
            all.insert(it.key(), it.value());
        }
    }
    return all;
}

QVariantMap jobChanges(const QVariantMap& photo, const RewriteJob& job, bool keepsIptc) {
    QVariantMap changes =
        withReplacedSets(photo, folded(job.containerProperties, job.changes), job.replacedSets);
    if (job.overlaySourceProperties)
        changes = folded(photo, changes);
    return withMirrors(photo, changes, keepsIptc);
}

} // namespace XmpMirrors
